// The options dialog's controls against the option table: each slider's
// range, step, ticks and caption, the captions of the buttons and boxes,
// and what they show for the table's defaults.
#include "app/settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QSlider>
#include <QStringList>
#include <cmath>

#include "convert/conversion_state.h"
#include "options/option_table.h"
#include "structure/structure.h"

namespace vexalith {
namespace {

QString text_of(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A dialog on options as they start, with no structure loaded.
struct FreshDialog {
    ModelOptions options;
    ConversionState state;
    Structure structure;
    SettingsDialog dialog{options, state, structure};

    // The dialog's widget of this type with this caption (null when there
    // is none or several).
    template <typename Widget>
    Widget* captioned(std::string_view caption) const
    {
        Widget* found = nullptr;
        for (Widget* w : dialog.findChildren<Widget*>())
            if (w->text() == text_of(caption)) {
                if (found)
                    return nullptr;
                found = w;
            }
        return found;
    }
    QLabel* label(std::string_view caption) const { return captioned<QLabel>(caption); }
    QCheckBox* check_box(std::string_view caption) const { return captioned<QCheckBox>(caption); }
};

// The option value a slider sets.
long double slider_value(const ModelOptions& options, OptionId id)
{
    switch (id) {
    case OptionId::ModelSize:
        return options.ModelSize;
    case OptionId::BondDiameter:
        return options.BondDiameter;
    case OptionId::HelixBridgeDistance:
        return options.HelixBridgeDistance;
    default:
        ADD_FAILURE() << "no option value known for the slider of " << user_option(id).name;
        return 0;
    }
}

TEST(SettingsDialogTable, SlidersSpanTheRangeInStepsUnderTheirCaptions)
{
    FreshDialog d;
    int sliders = 0;
    for (const UserOption& option : kUserOptions) {
        if (option.control != DialogControl::Slider)
            continue;
        SCOPED_TRACE(std::string(option.name));
        ++sliders;
        // The slider follows its caption in the caption's column.
        QLabel* caption = d.label(option.label);
        ASSERT_NE(caption, nullptr) << "no single caption " << option.label;
        QLayout* column = caption->parentWidget()->layout();
        ASSERT_NE(column, nullptr);
        const int at = column->indexOf(caption);
        ASSERT_GE(at, 0);
        ASSERT_NE(column->itemAt(at + 1), nullptr);
        auto* slider = qobject_cast<QSlider*>(column->itemAt(at + 1)->widget());
        ASSERT_NE(slider, nullptr) << "no slider under " << option.label;

        EXPECT_EQ(slider->minimum(), slider_position(option, option.minimum));
        EXPECT_EQ(slider->maximum(), slider_position(option, option.maximum));
        EXPECT_EQ(slider->singleStep(), 1) << "a position for each step";
        EXPECT_EQ(slider->tickInterval(), slider_position(option, option.tick));
        EXPECT_EQ(slider->pageStep(), slider_position(option, option.tick));
        EXPECT_EQ(slider->value(), slider_position(option, option.default_value));

        // The ends of the slider set the ends of the range.
        slider->setValue(slider->minimum());
        EXPECT_NEAR(static_cast<double>(slider_value(d.options, option.id)), option.minimum, 1e-9);
        slider->setValue(slider->minimum() + 1);
        EXPECT_NEAR(static_cast<double>(slider_value(d.options, option.id)), option.minimum + option.step, 1e-9);
        slider->setValue(slider->maximum());
        EXPECT_NEAR(static_cast<double>(slider_value(d.options, option.id)), option.maximum, 1e-9);
    }
    EXPECT_EQ(sliders, 3);
    EXPECT_EQ(d.dialog.findChildren<QSlider*>().size(), sliders) << "every slider of the dialog is in the table";
}

TEST(SettingsDialogTable, ButtonsAndBoxesCarryTheTablesCaptionsAndDefaults)
{
    FreshDialog d;
    QStringList captions;  // of every box the table describes
    for (const UserOption& option : kUserOptions) {
        SCOPED_TRACE(std::string(option.name));
        switch (option.control) {
        case DialogControl::RadioButtons: {
            EXPECT_NE(d.label(option.label), nullptr) << option.label;
            QStringList buttons;
            for (QRadioButton* b : d.dialog.findChildren<QRadioButton*>()) {
                if (b->property("option").toInt() != static_cast<int>(option.id))
                    continue;
                buttons << b->text();
                EXPECT_EQ(b->isChecked(), b->text() == text_of(option_choice(option, option.default_text).label))
                    << b->text().toStdString();
            }
            QStringList choices;
            for (const OptionChoice& choice : option.choices)
                choices << text_of(choice.label);
            EXPECT_EQ(buttons, choices);
            break;
        }
        case DialogControl::CheckBox: {
            QCheckBox* box = d.check_box(option.label);
            ASSERT_NE(box, nullptr) << "no single box " << option.label;
            const bool on = option.default_value != 0;
            EXPECT_EQ(box->isChecked(), on != option.box_shows_opposite);
            captions << box->text();
            break;
        }
        case DialogControl::CheckBoxPerChoice:
            EXPECT_NE(d.label(option.label), nullptr) << option.label;
            for (const OptionChoice& choice : option.choices.subspan(1)) {
                QCheckBox* box = d.check_box(choice.label);
                ASSERT_NE(box, nullptr) << "no single box " << choice.label;
                EXPECT_EQ(box->isChecked(), choice.value == option.default_text) << choice.value;
                captions << box->text();
            }
            break;
        case DialogControl::CheckBoxPerPart: {
            MakePartCheckBoxes(d.options, 2);
            d.dialog.show_options();
            for (int part = 0; part <= 2; ++part) {
                ASSERT_NE(d.dialog.partBox(part), nullptr);
                EXPECT_EQ(d.dialog.partBox(part)->text(), text_of(option.label).arg(part));
                // No part hidden at first: every box shows its part.
                EXPECT_TRUE(d.dialog.partBox(part)->isChecked());
                captions << d.dialog.partBox(part)->text();
            }
            break;
        }
        case DialogControl::Slider:
        case DialogControl::None:
            break;
        }
    }
    for (QCheckBox* box : d.dialog.findChildren<QCheckBox*>())
        EXPECT_TRUE(captions.contains(box->text())) << box->text().toStdString() << " is not in the option table";
    for (QRadioButton* b : d.dialog.findChildren<QRadioButton*>()) {
        const QVariant id = b->property("option");
        EXPECT_TRUE(id.isValid() && id.toInt() >= 0 && id.toInt() < static_cast<int>(std::size(kUserOptions)) &&
                    kUserOptions[id.toInt()].control == DialogControl::RadioButtons)
            << b->text().toStdString() << " is not in the option table";
    }
}

// "One solid piece (watertight)": a click sets SolidPrint, which the print
// exports read; the box follows the value.
TEST(SettingsDialogTable, TheSolidBoxSetsTheSolidPrint)
{
    FreshDialog d;
    QCheckBox* box = d.check_box(user_option(OptionId::Solid).label);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->objectName(), "solidPrint");
    EXPECT_FALSE(d.options.SolidPrint);
    box->click();
    EXPECT_TRUE(d.options.SolidPrint);
    box->click();
    EXPECT_FALSE(d.options.SolidPrint);
    d.options.SolidPrint = true;
    d.dialog.show_options();
    EXPECT_TRUE(box->isChecked());
}

}  // namespace
}  // namespace vexalith
