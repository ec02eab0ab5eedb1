// The window the program shows instead of its main window when the viewer
// cannot work on this display (see viewer_problem()): it says what is
// missing and why, offers the manual's graphics set-up section, and ends
// the program either way.  A small frameless window; closing it closes the
// application's last window.
#pragma once

#include <QFrame>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace vexalith {

class ViewerMissingWindow : public QFrame {
    Q_OBJECT

public:
    // Opens a URL with the desktop's default program; true when it was
    // handed on.  The default is QDesktopServices::openUrl.
    using UrlOpener = std::function<bool(const QUrl& url)>;

    // The client area of the window; the layout may make it larger to fit
    // a long problem text.
    static constexpr int kWidth = 246;
    static constexpr int kHeight = 119;

    // `problem` is the reason the viewer cannot work (the text of
    // viewer_problem()); `help_url` is what the help button opens,
    // normally graphics_help_url() of the installed manual.
    ViewerMissingWindow(const QString& problem, const QUrl& help_url, QWidget* parent = nullptr);

    void setUrlOpener(UrlOpener opener);

    QUrl helpUrl() const { return help_url_; }
    QString problem() const;

    // "Vexalith  requires ..." and the problem below it.
    QLabel* requirementLabel() const { return requirement_; }
    QLabel* problemLabel() const { return problem_; }
    // Button 1: opens the help and closes.  Button 2: closes.
    QPushButton* helpButton() const { return help_button_; }
    QPushButton* quitButton() const { return quit_button_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openHelp();

    QUrl help_url_;
    UrlOpener opener_;
    QLabel* requirement_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* help_button_ = nullptr;
    QPushButton* quit_button_ = nullptr;
};

// The opening text of the window.
inline constexpr const char* kViewerRequirementText =
    "Vexalith  requires an OpenGL display with the compatibility profile";

// The anchor of the manual's section on graphics set-up.
inline constexpr const char* kGraphicsSection = "graphics";

// The URL of the graphics set-up section of the manual at `manual_index`
// (a local path to the manual's index.html).
QUrl graphics_help_url(const QString& manual_index);

}  // namespace vexalith
