#include "app/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "convert/model_commands.h"
#include "options/crystal_choice.h"
#include "options/option_table.h"

namespace vexalith {
namespace {

QString caption(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The dialog's caption of an option, and of one of its choices.
QString caption(OptionId id) { return caption(user_option(id).label); }
QString caption(OptionId id, std::string_view choice) { return caption(option_choice(user_option(id), choice).label); }

// A slider over the option's range, a position for each step, with ticks
// and page steps as the table says.
QSlider* slider(QWidget* parent, OptionId id, int value)
{
    const UserOption& option = user_option(id);
    const int ticks = slider_position(option, option.tick);
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(slider_position(option, option.minimum), slider_position(option, option.maximum));
    s->setValue(value);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(ticks);
    s->setPageStep(ticks);
    return s;
}

// Numbers under a horizontal slider, each centred on the tick of its value
// (moved inwards at the ends to stay whole).  It takes the slider's width
// in the column; its least width keeps the numbers apart.
class SliderScale : public QWidget {
public:
    using Mark = std::pair<int, QString>;  // slider value, text

    SliderScale(QSlider* slider, std::vector<Mark> marks, QWidget* parent)
        : QWidget(parent), slider_(slider), marks_(std::move(marks))
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize minimumSizeHint() const override
    {
        int width = 0;
        for (const auto& mark : marks_)
            width += fontMetrics().horizontalAdvance(mark.second) + kGap;
        return {width, fontMetrics().height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        for (const auto& [value, text] : marks_)
            painter.drawText(markRect(value, text), Qt::AlignCenter, text);
    }

private:
    static constexpr int kGap = 6;

    // Where the slider draws the tick of `value`, in this widget.
    int tickX(int value) const
    {
        QStyleOptionSlider option;
        option.initFrom(slider_);
        option.orientation = Qt::Horizontal;
        option.minimum = slider_->minimum();
        option.maximum = slider_->maximum();
        option.tickPosition = slider_->tickPosition();
        option.tickInterval = slider_->tickInterval();
        const QStyle* style = slider_->style();
        const int length = style->pixelMetric(QStyle::PM_SliderLength, &option, slider_);
        const int available = style->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, slider_);
        const int x = QStyle::sliderPositionFromValue(option.minimum, option.maximum, value, available) + length / 2;
        return slider_->mapTo(window(), QPoint(x, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    }

    QRect markRect(int value, const QString& text) const
    {
        const int width = fontMetrics().horizontalAdvance(text);
        const int left = std::clamp(tickX(value) - width / 2, 0, std::max(0, this->width() - width));
        return {left, 0, width, height()};
    }

    QSlider* slider_;
    std::vector<Mark> marks_;
};

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A radio button for one of an option's choices; the option's id goes with
// it, so that the buttons of one option can be told from another's.
QRadioButton* choice_button(QWidget* parent, OptionId id, const OptionChoice& choice)
{
    auto* b = new QRadioButton(caption(choice.label), parent);
    b->setProperty("option", static_cast<int>(id));
    return b;
}

void set_checked_quietly(QCheckBox* box, bool checked)
{
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

}  // namespace

SettingsDialog::SettingsDialog(ModelOptions& options, ConversionState& state, const Structure& structure,
                               QWidget* parent)
    : QDialog(parent), options_(options), state_(state), structure_(structure)
{
    setObjectName("TSettingsform");
    setWindowTitle("Settingsform");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(false);
    resize(235, 564);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll_, 1);
    auto* content = new QWidget(scroll_);
    content_ = content;
    auto* column = new QVBoxLayout(content);
    scroll_->setWidget(content);

    column->addWidget(new QLabel("3-D print file", content));
    column->addWidget(new QLabel(caption(OptionId::ModelSize), content));
    size_slider_ = slider(content, OptionId::ModelSize, options_.ModelSize);
    column->addWidget(size_slider_);
    column->addWidget(
        new SliderScale(size_slider_, {{50, "5"}, {100, "10"}, {150, "15"}, {200, "20"}, {250, "25"}}, content));
    auto* unit_row = new QHBoxLayout();
    unit_row->addWidget(new QLabel(caption(OptionId::VrmlUnit), content));
    const UserOption& unit = user_option(OptionId::VrmlUnit);
    millimetre_ = choice_button(content, unit.id, option_choice(unit, "mm"));
    metre_ = choice_button(content, unit.id, option_choice(unit, "m"));
    // Each option's buttons are a group of their own: Qt's automatic
    // exclusion would take in every radio button under the same parent.
    auto* units = new QButtonGroup(this);
    units->addButton(millimetre_);
    units->addButton(metre_);
    millimetre_->setChecked(true);
    unit_row->addWidget(millimetre_);
    unit_row->addWidget(metre_);
    unit_row->addStretch();
    column->addLayout(unit_row);
    auto* bond_label = new QLabel(caption(OptionId::BondDiameter), content);
    bond_label->setObjectName("bondLabel");
    column->addWidget(bond_label);
    bond_slider_ = slider(content, OptionId::BondDiameter, options_.BondDiameter);
    column->addWidget(bond_slider_);
    column->addWidget(new SliderScale(
        bond_slider_, {{5, "0.5"}, {10, "1"}, {15, "1.5"}, {20, "2"}, {25, "2.5"}, {30, "3"}}, content));
    solid_print_ = new QCheckBox(caption(OptionId::Solid), content);
    column->addWidget(solid_print_);

    column->addWidget(separator(content));
    column->addWidget(new QLabel(caption(OptionId::HydrogenBonds), content));
    // A box for each choice but "none" (the state with neither checked).
    van_der_waals_ = new QCheckBox(caption(OptionId::HydrogenBonds, "with-vdw"), content);
    hydrogen_bonds_ = new QCheckBox(caption(OptionId::HydrogenBonds, "only"), content);
    column->addWidget(van_der_waals_);
    column->addWidget(hydrogen_bonds_);
    column->addWidget(separator(content));
    column->addWidget(new QLabel("Content", content));
    show_hydrogen_ = new QCheckBox(caption(OptionId::ShowHydrogen), content);
    column->addWidget(show_hydrogen_);

    protein_panel_ = new QWidget(content);
    protein_panel_->setObjectName("proteinPanel");
    auto* protein = new QVBoxLayout(protein_panel_);
    protein->setContentsMargins(0, 0, 0, 0);
    protein->addWidget(separator(protein_panel_));
    protein->addWidget(new QLabel("Protein Settings", protein_panel_));
    suppress_water_ = new QCheckBox(caption(OptionId::ShowWater), protein_panel_);
    protein_style_ = new QCheckBox(caption(OptionId::ProteinStyle), protein_panel_);
    hide_bridges_ = new QCheckBox(caption(OptionId::Bridges), protein_panel_);
    helices_ = new QCheckBox(caption(OptionId::Helices), protein_panel_);
    protein->addWidget(suppress_water_);
    protein->addWidget(protein_style_);
    protein->addWidget(hide_bridges_);
    protein->addWidget(new QLabel("added to STL file", protein_panel_));
    protein->addWidget(helices_);
    auto* bridge_label = new QLabel(caption(OptionId::HelixBridgeDistance), protein_panel_);
    bridge_label->setObjectName("bridgeLabel");
    protein->addWidget(bridge_label);
    const UserOption& bridge = user_option(OptionId::HelixBridgeDistance);
    bridge_slider_ =
        slider(protein_panel_, OptionId::HelixBridgeDistance, slider_position(bridge, bridge.default_value));
    protein->addWidget(bridge_slider_);
    protein->addWidget(new SliderScale(bridge_slider_, {{400, "4"}, {500, "5"}, {600, "6"}}, protein_panel_));
    column->addWidget(protein_panel_);
    crystal_panel_ = makeCrystalPanel(content);
    column->addWidget(crystal_panel_);

    parts_panel_ = new QWidget(content);
    parts_panel_->setObjectName("partsPanel");
    parts_layout_ = new QVBoxLayout(parts_panel_);
    parts_layout_->setContentsMargins(16, 4, 0, 0);
    parts_layout_->setSpacing(0);
    column->addWidget(parts_panel_);
    column->addStretch();

    buttons_ = new QHBoxLayout();
    auto* accept = new QPushButton("Accept", this);
    auto* cancel = new QPushButton("Cancel", this);
    buttons_->addWidget(accept);
    buttons_->addWidget(cancel);
    outer->addLayout(buttons_);

    const std::pair<QCheckBox*, const char*> names[] = {{van_der_waals_, "showvanderWaals"},
                                                        {hydrogen_bonds_, "showhydrogenbonds"},
                                                        {show_hydrogen_, "showH"},
                                                        {suppress_water_, "suppressWater"},
                                                        {protein_style_, "proteinStyle"},
                                                        {hide_bridges_, "hideBridges"},
                                                        {helices_, "helices"},
                                                        {solid_print_, "solidPrint"}};
    for (const auto& [b, name] : names)
        b->setObjectName(name);

    connect(size_slider_, &QSlider::valueChanged, this, [this](int value) {
        options_.ModelSize = value;
        if (!updating_)
            emit sizeChanged();
    });
    connect(bond_slider_, &QSlider::valueChanged, this, [this](int value) { options_.BondDiameter = value; });
    connect(bridge_slider_, &QSlider::valueChanged, this, [this](int value) {
        options_.HelixBridgeDistance =
            static_cast<long double>(value) / positions_per_unit(user_option(OptionId::HelixBridgeDistance));
    });
    // A click on the unit already chosen changes nothing: no new read.
    const auto unit_clicked = [this] {
        const std::string_view choice = millimetre_->isChecked() ? "mm" : "m";
        const int unit = option_choice(user_option(OptionId::VrmlUnit), choice).number;
        if (unit == options_.VrmlUnit)
            return;
        options_.VrmlUnit = unit;
        state_.RereadRequested = false;
        emit unitChanged();
    };
    connect(millimetre_, &QRadioButton::clicked, this, unit_clicked);
    connect(metre_, &QRadioButton::clicked, this, unit_clicked);

    // A user's click runs the box's handler through the option functions;
    // the controls then show every state the handler changed.
    const auto on_toggle = [this](QCheckBox* b, std::function<void(bool)> set) {
        connect(b, &QCheckBox::toggled, this, [this, set](bool checked) {
            if (updating_)
                return;
            set(checked);
            show_options();
        });
    };
    on_toggle(van_der_waals_, [this](bool c) { SetShowVanDerWaalsBox(options_, c); });
    on_toggle(hydrogen_bonds_, [this](bool c) { SetShowHydrogenBondsBox(options_, c); });
    on_toggle(show_hydrogen_, [this](bool c) { SetShowHydrogenBox(options_, c); });
    on_toggle(suppress_water_, [this](bool c) { SetSuppressWaterBox(options_, c); });
    on_toggle(protein_style_, [this](bool c) { SetProteinStyleBox(options_, state_, structure_.ProteinFile, c); });
    on_toggle(hide_bridges_, [this](bool c) { SetHideBridgesBox(options_, c); });
    on_toggle(helices_, [this](bool c) { SetHelicesBox(options_, state_, c); });
    on_toggle(solid_print_, [this](bool c) { options_.SolidPrint = c; });

    connect(accept, &QPushButton::clicked, this, [this] { emit acceptPressed(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);

    show_options();
}

// What of a small-molecule crystal is drawn: a button per mode, the block's
// cells along a, b and c, and the cell edges.  A change of mode or block
// asks for the crystal to be grown again; Accept draws it.
QWidget* SettingsDialog::makeCrystalPanel(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName("crystalPanel");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(separator(panel));
    const UserOption& crystal = user_option(OptionId::Crystal);
    layout->addWidget(new QLabel(caption(crystal.label), panel));
    auto* modes = new QButtonGroup(panel);
    for (const OptionChoice& choice : crystal.choices) {
        QRadioButton* b = choice_button(panel, crystal.id, choice);
        b->setObjectName(QString("crystal_%1").arg(caption(choice.value)));
        layout->addWidget(b);
        modes->addButton(b);
        crystal_buttons_.push_back(b);
        const auto mode = static_cast<CrystalMode>(choice.number);
        connect(b, &QRadioButton::clicked, this, [this, mode] { chooseCrystal(mode, options_.BlockSize); });
    }
    auto* block_row = new QHBoxLayout();
    block_row->setContentsMargins(20, 0, 0, 0);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        auto* spin = new QSpinBox(panel);
        spin->setObjectName(QString("block%1").arg(QChar(u"abc"[axis])));
        spin->setRange(1, kLargestBlock);
        spin->setToolTip(QString("Cells along %1").arg(QChar(u"abc"[axis])));
        if (axis > 0)
            block_row->addWidget(new QLabel(QString(QChar(0x00d7)), panel));
        block_row->addWidget(spin);
        block_boxes_[axis] = spin;
        connect(spin, &QSpinBox::valueChanged, this, [this, axis](int value) {
            if (updating_)
                return;
            std::array<int32_t, 3> block = options_.BlockSize;
            block[axis] = value;
            chooseCrystal(options_.Crystal, block);
        });
    }
    block_row->addStretch();
    layout->addLayout(block_row);
    cell_edges_ = new QCheckBox(caption(OptionId::CellEdges), panel);
    cell_edges_->setObjectName("cellEdges");
    layout->addWidget(cell_edges_);
    connect(cell_edges_, &QCheckBox::toggled, this, [this](bool checked) {
        if (!updating_)
            options_.CellEdges = checked;
    });
    return panel;
}

void SettingsDialog::chooseCrystal(CrystalMode mode, std::array<int32_t, 3> block)
{
    const bool grows_again = mode != options_.Crystal || (mode == CrystalMode::Block && block != options_.BlockSize);
    options_.Crystal = mode;
    options_.BlockSize = block;
    if (grows_again)
        state_.CrystalRequested = true;
    show_options();
}

QRadioButton* SettingsDialog::crystalButton(CrystalMode mode) const
{
    const auto n = static_cast<std::size_t>(mode);
    return n < crystal_buttons_.size() ? crystal_buttons_[n] : nullptr;
}

QSpinBox* SettingsDialog::blockBox(int axis) const
{
    return axis >= 0 && axis < 3 ? block_boxes_[static_cast<std::size_t>(axis)] : nullptr;
}

QCheckBox* SettingsDialog::box(const QString& name) const { return findChild<QCheckBox*>(name); }

QCheckBox* SettingsDialog::partBox(int part) const
{
    return part >= 0 && part < static_cast<int>(part_boxes_.size()) ? part_boxes_[static_cast<std::size_t>(part)]
                                                                    : nullptr;
}

void SettingsDialog::rebuildPartBoxes()
{
    for (QCheckBox* b : part_boxes_)
        delete b;
    part_boxes_.clear();
    for (std::size_t n = 0; n < options_.ShownParts.size(); ++n) {
        auto* b = new QCheckBox(caption(OptionId::HiddenPartList).arg(n), parts_panel_);
        b->setObjectName(QString("part%1").arg(n));
        b->setFixedHeight(kPartRowHeight);
        parts_layout_->addWidget(b);
        connect(b, &QCheckBox::toggled, this, [this, n](bool checked) {
            if (!updating_ && n < options_.ShownParts.size())
                options_.ShownParts[n] = checked;
        });
        part_boxes_.push_back(b);
    }
    if (isVisible() && height() > kMaxHeight)
        resizeFitting(300, kMaxHeight);
}

void SettingsDialog::show_options()
{
    updating_ = true;
    size_slider_->setValue(options_.ModelSize);
    bond_slider_->setValue(options_.BondDiameter);
    const int per_unit = positions_per_unit(user_option(OptionId::HelixBridgeDistance));
    bridge_slider_->setValue(static_cast<int>(options_.HelixBridgeDistance * per_unit + 0.5L));
    const int millimetre = option_choice(user_option(OptionId::VrmlUnit), "mm").number;
    millimetre_->setChecked(options_.VrmlUnit == millimetre);
    metre_->setChecked(options_.VrmlUnit != millimetre);
    set_checked_quietly(van_der_waals_, options_.HydrogenBondsAndVanDerWaals);
    set_checked_quietly(hydrogen_bonds_, options_.HydrogenBondsOnly);
    set_checked_quietly(show_hydrogen_, !options_.HideHydrogen);
    set_checked_quietly(suppress_water_, options_.SuppressWater);
    set_checked_quietly(protein_style_, options_.ProteinStyle);
    set_checked_quietly(hide_bridges_, options_.HideBridges);
    set_checked_quietly(helices_, options_.Helices);
    set_checked_quietly(solid_print_, options_.SolidPrint);
    for (std::size_t n = 0; n < crystal_buttons_.size(); ++n)
        crystal_buttons_[n]->setChecked(n == static_cast<std::size_t>(options_.Crystal));
    for (std::size_t axis = 0; axis < 3; ++axis) {
        block_boxes_[axis]->setValue(options_.BlockSize[axis]);
        block_boxes_[axis]->setEnabled(options_.Crystal == CrystalMode::Block);
    }
    set_checked_quietly(cell_edges_, options_.CellEdges);
    if (part_boxes_.size() != options_.ShownParts.size())
        rebuildPartBoxes();
    for (std::size_t n = 0; n < part_boxes_.size(); ++n)
        set_checked_quietly(part_boxes_[n], options_.ShownParts[n]);
    updating_ = false;
}

// As high as the content with the panels this file has, up to kMaxHeight;
// more content scrolls.
void SettingsDialog::layoutForShow()
{
    show_options();
    protein_panel_->setVisible(structure_.ProteinFile);
    crystal_panel_->setVisible(!structure_.ProteinFile && !structure_.ChemCompFile);
    parts_panel_->setVisible(structure_.MaxPart >= 1);
    content_->layout()->activate();
    const int total =
        content_->sizeHint().height() + 2 * scroll_->frameWidth() + layout()->spacing() + buttons_->sizeHint().height();
    if (total < kMaxHeight)
        resizeFitting(width(), total);
    else
        resizeFitting(kScrolledWidth, kMaxHeight);
}

void SettingsDialog::resizeFitting(int width, int height)
{
    const int scroll_bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
    const int least = content_->minimumSizeHint().width() + 2 * scroll_->frameWidth() + scroll_bar;
    resize(std::max(width, least), height);
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    layoutForShow();
    QDialog::showEvent(event);
}

void SettingsDialog::showModelOptions()
{
    show();
    raise();
    resizeFitting(251, height());
}

void SettingsDialog::showModelSize()
{
    show();
    raise();
    resizeFitting(270, 175);
    scroll_->verticalScrollBar()->setValue(0);
}

void SettingsDialog::showBondDiameter()
{
    show();
    raise();
    resizeFitting(270, 150);
    scroll_->ensureWidgetVisible(bond_slider_);
}

}  // namespace vexalith
