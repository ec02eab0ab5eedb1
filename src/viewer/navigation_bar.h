// The viewer's navigation bar: what a left drag does (turn, zoom, pan) and
// a button that fits the whole scene into the view.  A child widget over
// the view's bottom edge, so it never appears in the rendered image.
#pragma once

#include <QButtonGroup>
#include <QWidget>

class QToolButton;

namespace vexalith::viewer {

enum class DragMode { Turn, Zoom, Pan };

class NavigationBar : public QWidget {
    Q_OBJECT

public:
    explicit NavigationBar(QWidget* parent = nullptr);

    DragMode mode() const { return mode_; }
    void setMode(DragMode mode);

signals:
    void modeChanged(vexalith::viewer::DragMode mode);
    void fitRequested();

private:
    QToolButton* addButton(const QString& name, const QString& text, const QString& tip);

    QButtonGroup modes_;
    DragMode mode_ = DragMode::Turn;
};

}  // namespace vexalith::viewer
