#include "app/caption_panel.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

namespace vexalith {
namespace {

const char* const kHintLines[] = {"Click this to copy image to clipboard", "Right click model for options"};
// Room left free at either end of the name, inside the frame.
constexpr int kTextPadding = 3;

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
    updateHint();
}

void CaptionPanel::setCaption(const QString& name)
{
    setText(name);
    updateHint();
}

QString CaptionPanel::shownText() const
{
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width() - 2 * kTextPadding;
    const QString whole = text();
    if (metrics.horizontalAdvance(whole) <= room)
        return whole;
    // Words ("no atoms found, sorry", a name with blanks) on two lines when
    // they fit there: the longest first line that fits, then the rest.
    for (qsizetype at = whole.lastIndexOf(' '); at > 0; at = whole.lastIndexOf(' ', at - 1)) {
        if (metrics.horizontalAdvance(whole.left(at)) > room)
            continue;
        if (metrics.horizontalAdvance(whole.mid(at + 1)) <= room)
            return whole.left(at) + '\n' + whole.mid(at + 1);
        break;
    }
    return metrics.elidedText(whole, Qt::ElideMiddle, room);
}

void CaptionPanel::setBackground(const QColor& colour)
{
    background_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, QColor(192, 192, 192));  // silver
    setPalette(p);
}

void CaptionPanel::setHintShown(bool shown)
{
    hint_shown_ = shown;
    updateHint();
}

// Rich text, one line each: the whole name (escaped, whatever characters
// it has), then the two lines of the hint.
void CaptionPanel::updateHint()
{
    if (!hint_shown_) {
        setToolTip(QString());
        return;
    }
    QStringList lines;
    if (!text().isEmpty())
        lines << text().toHtmlEscaped();
    for (const char* line : kHintLines)
        lines << QString::fromLatin1(line);
    setToolTip("<p style=\"white-space:pre\">" + lines.join("<br>") + "</p>");
}

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

// The frame and background as a label has them; the name shortened to fit.
void CaptionPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect().adjusted(kTextPadding, 0, -kTextPadding, 0), int(alignment()), shownText());
}

}  // namespace vexalith
