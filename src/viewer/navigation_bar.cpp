#include "viewer/navigation_bar.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace vexalith::viewer {

NavigationBar::NavigationBar(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    const struct {
        DragMode mode;
        const char* name;
        const char* text;
        const char* tip;
    } modes[] = {
        {DragMode::Turn, "turn", "Turn", "Drag to turn the model"},
        {DragMode::Zoom, "zoom", "Zoom", "Drag up and down to zoom"},
        {DragMode::Pan, "pan", "Pan", "Drag to move the model across the view"},
    };
    for (const auto& m : modes) {
        QToolButton* button = addButton(m.name, tr(m.text), tr(m.tip));
        button->setCheckable(true);
        button->setChecked(m.mode == mode_);
        modes_.addButton(button, static_cast<int>(m.mode));
    }
    modes_.setExclusive(true);
    connect(&modes_, &QButtonGroup::idClicked, this, [this](int id) {
        const auto mode = static_cast<DragMode>(id);
        if (mode == mode_)
            return;
        mode_ = mode;
        emit modeChanged(mode);
    });
    QToolButton* fit = addButton("fit", tr("Fit"), tr("Show the whole scene"));
    connect(fit, &QToolButton::clicked, this, &NavigationBar::fitRequested);
    setCursor(Qt::ArrowCursor);
}

QToolButton* NavigationBar::addButton(const QString& name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    layout()->addWidget(button);
    return button;
}

void NavigationBar::setMode(DragMode mode)
{
    if (QAbstractButton* button = modes_.button(static_cast<int>(mode)))
        button->setChecked(true);
    if (mode == mode_)
        return;
    mode_ = mode;
    emit modeChanged(mode);
}

}  // namespace vexalith::viewer
