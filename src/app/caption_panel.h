// The caption at the viewer's lower right corner: the name of the current
// file (or "no atoms found, sorry") on the viewer's background colour.  A
// click copies the view to the clipboard.  A name too long for the panel
// is shortened in the middle; the hint on hover gives it whole, above how
// to use the panel.
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

    // The name shown (text() keeps it whole) and the hint with it.
    void setCaption(const QString& name);
    // The text as the panel draws it: whole, or words on two lines, or
    // shortened in the middle to fit.
    QString shownText() const;

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
    void paintEvent(QPaintEvent* event) override;

private:
    void updateHint();

    QColor background_;
    bool hint_shown_ = true;
};

}  // namespace vexalith
