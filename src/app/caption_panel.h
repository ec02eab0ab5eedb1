// The caption at the viewer's lower right corner: the name of the current
// file (or "no atoms found, sorry") on the viewer's background colour.  A
// click copies the view to the clipboard.
#pragma once

#include <QColor>
#include <QLabel>

namespace vexalith {

class CaptionPanel : public QLabel {
    Q_OBJECT

public:
    static constexpr int kWidth = 138;
    static constexpr int kHeight = 48;
    static constexpr int kMargin = 6;  // from the viewer's lower right corner

    explicit CaptionPanel(QWidget* parent);

    void setBackground(const QColor& colour);
    QColor background() const { return background_; }

    // The hint shown on hover; switched off while an image is taken.
    void setHintShown(bool shown);

    // Keeps the panel in the lower right corner of its parent.
    void placeInCorner();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor background_;
};

}  // namespace vexalith
