// The model options dialog: print size and unit, bond diameter, hydrogen
// bonds, hydrogen atoms, and for proteins water, protein style, bridges,
// helices and the bridge distance; for small-molecule crystals what of the
// crystal is drawn and its cell edges; one box per disorder part.
//
// The option values live in ModelOptions; the dialog's controls show them
// and a user's change goes through the same Set...Box functions the rest
// of the program uses, so a box's handler runs exactly when its state
// changes.  show_options() brings the controls up to date with the values.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <vector>

#include "convert/conversion_state.h"
#include "options/model_options.h"
#include "structure/structure.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace vexalith {

class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Sizes in pixels: a part box's row; the dialog grows to show all its
    // content up to kMaxHeight, and is kScrolledWidth wide when it scrolls.
    static constexpr int kPartRowHeight = 24;
    static constexpr int kMaxHeight = 700;  // the protein panel and the solid box without scrolling
    static constexpr int kScrolledWidth = 265;

    SettingsDialog(ModelOptions& options, ConversionState& state, const Structure& structure,
                   QWidget* parent = nullptr);

    // The controls take the option values (after a read changed them).
    void show_options();

    // The three ways the main window shows the dialog.
    void showModelOptions();  // the whole dialog, 251 wide
    void showModelSize();     // 270 x 175: the print size only
    void showBondDiameter();  // 270 x 150, scrolled to the bond diameter
    // (Wider where a large desktop font needs more room.)

    // Controls, for the window's tests.
    QSlider* sizeSlider() const { return size_slider_; }
    QSlider* bondSlider() const { return bond_slider_; }
    QSlider* bridgeSlider() const { return bridge_slider_; }
    QRadioButton* millimetreButton() const { return millimetre_; }
    QRadioButton* metreButton() const { return metre_; }
    QCheckBox* box(const QString& name) const;
    QCheckBox* partBox(int part) const;
    QScrollArea* scrollArea() const { return scroll_; }
    QWidget* proteinPanel() const { return protein_panel_; }
    QWidget* partsPanel() const { return parts_panel_; }
    QWidget* crystalPanel() const { return crystal_panel_; }
    QRadioButton* crystalButton(CrystalMode mode) const;
    QSpinBox* blockBox(int axis) const;  // cells along a, b, c

signals:
    void sizeChanged();    // the size caption changes
    void unitChanged();    // the current file is read again from its first structure
    void acceptPressed();  // keep the view and redraw

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeCrystalPanel(QWidget* parent);
    void chooseCrystal(CrystalMode mode, std::array<int32_t, 3> block);
    void rebuildPartBoxes();
    void layoutForShow();
    // Resizes to `width` (or the least width that shows the content whole
    // with a vertical scroll bar, if that is more) and `height`.
    void resizeFitting(int width, int height);

    ModelOptions& options_;
    ConversionState& state_;
    const Structure& structure_;
    bool updating_ = false;  // show_options() is setting the controls

    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QSlider* size_slider_ = nullptr;
    QSlider* bond_slider_ = nullptr;
    QSlider* bridge_slider_ = nullptr;
    QRadioButton* millimetre_ = nullptr;
    QRadioButton* metre_ = nullptr;
    QCheckBox* van_der_waals_ = nullptr;
    QCheckBox* hydrogen_bonds_ = nullptr;
    QCheckBox* show_hydrogen_ = nullptr;
    QCheckBox* suppress_water_ = nullptr;
    QCheckBox* protein_style_ = nullptr;
    QCheckBox* hide_bridges_ = nullptr;
    QCheckBox* helices_ = nullptr;
    QCheckBox* solid_print_ = nullptr;  // "One solid piece (watertight)"
    QWidget* protein_panel_ = nullptr;
    QWidget* parts_panel_ = nullptr;
    QVBoxLayout* parts_layout_ = nullptr;
    QWidget* crystal_panel_ = nullptr;
    std::vector<QRadioButton*> crystal_buttons_;  // in the order of CrystalMode
    std::array<QSpinBox*, 3> block_boxes_{};
    QCheckBox* cell_edges_ = nullptr;
    std::vector<QCheckBox*> part_boxes_;
};

}  // namespace vexalith
