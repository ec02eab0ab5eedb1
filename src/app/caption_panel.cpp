#include "app/caption_panel.h"

#include <QFontDatabase>
#include <QMouseEvent>

namespace vexalith {
namespace {

const char* const kHint = "Click this to copy image to clipboard\rRight click model for options";

QFont caption_font()
{
    QFont font;
    if (QFontDatabase::families().contains("Gill Sans MT Condensed")) {
        font.setFamily("Gill Sans MT Condensed");
    } else {
        font.setFamily("DejaVu Sans Condensed");
        font.setStretch(QFont::Condensed);
    }
    font.setPixelSize(16);
    return font;
}

}  // namespace

CaptionPanel::CaptionPanel(QWidget* parent) : QLabel(parent)
{
    setObjectName("caption");
    setFixedSize(kWidth, kHeight);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setFont(caption_font());
    setAutoFillBackground(true);
    setBackground(QColor(0, 128, 128));  // teal until the viewer's colour is known
    setHintShown(true);
}

void CaptionPanel::setBackground(const QColor& colour)
{
    background_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, QColor(192, 192, 192));  // silver
    setPalette(p);
}

void CaptionPanel::setHintShown(bool shown) { setToolTip(shown ? QString::fromLatin1(kHint) : QString()); }

void CaptionPanel::placeInCorner()
{
    if (!parentWidget())
        return;
    move(parentWidget()->width() - width() - kMargin, parentWidget()->height() - height() - kMargin);
    raise();
}

void CaptionPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

}  // namespace vexalith
