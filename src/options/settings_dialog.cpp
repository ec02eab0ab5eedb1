#include "options/settings_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <functional>

namespace vexalith {
namespace {

QSlider* slider(QWidget* parent, int minimum, int maximum, int value, int ticks)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(minimum, maximum);
    s->setValue(value);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(ticks);
    s->setPageStep(ticks);
    return s;
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void set_checked_quietly(QCheckBox* box, bool checked)
{
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

}  // namespace

SettingsDialog::SettingsDialog(ModelOptions& options, StructureModel& model, QWidget* parent)
    : QDialog(parent), options_(options), model_(model)
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
    auto* column = new QVBoxLayout(content);
    scroll_->setWidget(content);

    column->addWidget(new QLabel("3-D print file", content));
    column->addWidget(new QLabel("STL Model Size", content));
    size_slider_ = slider(content, 25, 250, options_.ModelSize, 25);
    column->addWidget(size_slider_);
    column->addWidget(new QLabel("(cm)        5     10    15    20    25", content));
    auto* unit_row = new QHBoxLayout();
    unit_row->addWidget(new QLabel("VRML unit:", content));
    millimetre_ = new QRadioButton("mm", content);
    metre_ = new QRadioButton("meter ", content);
    millimetre_->setChecked(true);
    unit_row->addWidget(millimetre_);
    unit_row->addWidget(metre_);
    unit_row->addStretch();
    column->addLayout(unit_row);
    auto* bond_label = new QLabel("Bond Diameter", content);
    bond_label->setObjectName("bondLabel");
    column->addWidget(bond_label);
    bond_slider_ = slider(content, 5, 30, options_.BondDiameter, 5);
    column->addWidget(bond_slider_);
    column->addWidget(new QLabel("(*)    -0.5     1    1.5   2     2.5   3", content));

    column->addWidget(separator(content));
    column->addWidget(new QLabel("Hydrogen bond settings", content));
    van_der_waals_ = new QCheckBox("Hydrogen bonds and van der Waals", content);
    hydrogen_bonds_ = new QCheckBox("Show only hydrogen bonds", content);
    column->addWidget(van_der_waals_);
    column->addWidget(hydrogen_bonds_);
    column->addWidget(separator(content));
    column->addWidget(new QLabel("Content", content));
    show_hydrogen_ = new QCheckBox("Show hydrogen atoms", content);
    column->addWidget(show_hydrogen_);

    protein_panel_ = new QWidget(content);
    protein_panel_->setObjectName("proteinPanel");
    auto* protein = new QVBoxLayout(protein_panel_);
    protein->setContentsMargins(0, 0, 0, 0);
    protein->addWidget(separator(protein_panel_));
    protein->addWidget(new QLabel("Protein Settings", protein_panel_));
    suppress_water_ = new QCheckBox("Suppress Water", protein_panel_);
    protein_style_ = new QCheckBox("Protein Style", protein_panel_);
    hide_bridges_ = new QCheckBox("hide bridges", protein_panel_);
    helices_ = new QCheckBox("Helices", protein_panel_);
    protein->addWidget(suppress_water_);
    protein->addWidget(protein_style_);
    protein->addWidget(hide_bridges_);
    protein->addWidget(new QLabel("added to STL file", protein_panel_));
    protein->addWidget(helices_);
    bridge_slider_ = slider(protein_panel_, 400, 600, 500, 25);
    protein->addWidget(bridge_slider_);
    protein->addWidget(new QLabel("Helix bridge distance  4           5           6", protein_panel_));
    column->addWidget(protein_panel_);

    parts_panel_ = new QWidget(content);
    parts_panel_->setObjectName("partsPanel");
    parts_layout_ = new QVBoxLayout(parts_panel_);
    parts_layout_->setContentsMargins(16, 4, 0, 0);
    parts_layout_->setSpacing(0);
    column->addWidget(parts_panel_);
    column->addStretch();

    auto* buttons = new QHBoxLayout();
    auto* accept = new QPushButton("Accept", this);
    auto* cancel = new QPushButton("Cancel", this);
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);

    const std::pair<QCheckBox*, const char*> names[] = {
        {van_der_waals_, "showvanderWaals"}, {hydrogen_bonds_, "showhydrogenbonds"}, {show_hydrogen_, "showH"},
        {suppress_water_, "suppressWater"}, {protein_style_, "proteinStyle"},     {hide_bridges_, "hideBridges"},
        {helices_, "helices"}};
    for (const auto& [b, name] : names)
        b->setObjectName(name);

    connect(size_slider_, &QSlider::valueChanged, this, [this](int value) {
        options_.ModelSize = value;
        if (!updating_)
            emit sizeChanged();
    });
    connect(bond_slider_, &QSlider::valueChanged, this, [this](int value) { options_.BondDiameter = value; });
    connect(bridge_slider_, &QSlider::valueChanged, this,
            [this](int value) { options_.HelixBridgeDistance = static_cast<long double>(value) / 100; });
    const auto unit_clicked = [this] {
        options_.VrmlUnit = millimetre_->isChecked() ? 1 : 1000;
        model_.RereadRequested = false;
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
    on_toggle(protein_style_, [this](bool c) { SetProteinStyleBox(options_, model_, c); });
    on_toggle(hide_bridges_, [this](bool c) { SetHideBridgesBox(options_, c); });
    on_toggle(helices_, [this](bool c) { SetHelicesBox(options_, model_, c); });

    connect(accept, &QPushButton::clicked, this, [this] { emit acceptPressed(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);

    show_options();
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
    for (std::size_t n = 0; n < options_.PartCheckBoxes.size(); ++n) {
        auto* b = new QCheckBox(QString("Part %1").arg(n), parts_panel_);
        b->setObjectName(QString("part%1").arg(n));
        b->setFixedHeight(kPartRowHeight);
        parts_layout_->addWidget(b);
        connect(b, &QCheckBox::toggled, this, [this, n](bool checked) {
            if (!updating_ && n < options_.PartCheckBoxes.size())
                options_.PartCheckBoxes[n] = checked;
        });
        part_boxes_.push_back(b);
    }
    if (isVisible() && height() > kMaxHeight)
        resize(300, kMaxHeight);
}

void SettingsDialog::show_options()
{
    updating_ = true;
    size_slider_->setValue(options_.ModelSize);
    bond_slider_->setValue(options_.BondDiameter);
    bridge_slider_->setValue(static_cast<int>(options_.HelixBridgeDistance * 100 + 0.5L));
    millimetre_->setChecked(options_.VrmlUnit == 1);
    metre_->setChecked(options_.VrmlUnit != 1);
    set_checked_quietly(van_der_waals_, options_.ShowVanDerWaalsBox);
    set_checked_quietly(hydrogen_bonds_, options_.ShowHydrogenBondsBox);
    set_checked_quietly(show_hydrogen_, options_.ShowHydrogenBox);
    set_checked_quietly(suppress_water_, options_.SuppressWaterBox);
    set_checked_quietly(protein_style_, options_.ProteinStyleBox);
    set_checked_quietly(hide_bridges_, options_.HideBridgesBox);
    set_checked_quietly(helices_, options_.HelicesBox);
    if (part_boxes_.size() != options_.PartCheckBoxes.size())
        rebuildPartBoxes();
    for (std::size_t n = 0; n < part_boxes_.size(); ++n)
        set_checked_quietly(part_boxes_[n], options_.PartCheckBoxes[n]);
    updating_ = false;
}

void SettingsDialog::layoutForShow()
{
    show_options();
    const int protein_height = model_.ProteinFile ? kProteinPanelHeight : 1;
    protein_panel_->setVisible(model_.ProteinFile);
    const int parts_height = model_.MaxPart >= 1 ? kPartRowHeight * (model_.MaxPart + 1) : 1;
    parts_panel_->setVisible(model_.MaxPart >= 1);
    const int total = kBaseHeight + protein_height + parts_height;
    if (total < kMaxHeight)
        resize(width(), total);
    else
        resize(kScrolledWidth, kMaxHeight);
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
    resize(251, height());
}

void SettingsDialog::showModelSize()
{
    show();
    raise();
    resize(270, 175);
    scroll_->verticalScrollBar()->setValue(0);
}

void SettingsDialog::showBondDiameter()
{
    show();
    raise();
    resize(270, 150);
    scroll_->ensureWidgetVisible(bond_slider_);
}

}  // namespace vexalith
