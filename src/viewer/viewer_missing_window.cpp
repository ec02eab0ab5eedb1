#include "viewer/viewer_missing_window.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vexalith {

ViewerMissingWindow::ViewerMissingWindow(const QString& problem, const QUrl& help_url, QWidget* parent)
    : QFrame(parent, Qt::Window | Qt::FramelessWindowHint),
      help_url_(help_url),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setWindowTitle(QStringLiteral("Vexalith"));
    setObjectName(QStringLiteral("viewerMissingWindow"));
    // Without a window frame the edge would vanish on a desktop of the same
    // colour: draw a thin one.
    setFrameStyle(QFrame::Box | QFrame::Plain);

    requirement_ = new QLabel(QString::fromUtf8(kViewerRequirementText), this);
    requirement_->setObjectName(QStringLiteral("requirementLabel"));
    requirement_->setWordWrap(true);

    problem_ = new QLabel(problem, this);
    problem_->setObjectName(QStringLiteral("problemLabel"));
    problem_->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText);
    // The text names what failed; let the user copy it into a question.
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->setVisible(!problem.isEmpty());

    help_button_ = new QPushButton(tr("Open the graphics set-up help"), this);
    help_button_->setObjectName(QStringLiteral("helpButton"));
    help_button_->setDefault(true);
    help_button_->setAutoDefault(true);
    help_button_->setToolTip(help_url_.toString());

    quit_button_ = new QPushButton(tr("Quit (Vexalith will not work)"), this);
    quit_button_->setObjectName(QStringLiteral("quitButton"));
    quit_button_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 8);
    layout->setSpacing(8);
    layout->addWidget(requirement_);
    layout->addWidget(problem_);
    layout->addStretch(1);
    layout->addWidget(help_button_);
    layout->addWidget(quit_button_);

    connect(help_button_, &QPushButton::clicked, this, &ViewerMissingWindow::openHelp);
    connect(quit_button_, &QPushButton::clicked, this, &QWidget::close);

    setMinimumSize(kWidth, kHeight);
    // Wrapped labels ask for little width; a window a bit wider than the
    // minimum keeps a typical problem text to a few lines.
    resize(std::max(kWidth, std::min(420, sizeHint().width())), kHeight);
    resize(width(), std::max(kHeight, heightForWidth(width())));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void ViewerMissingWindow::setUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }

QString ViewerMissingWindow::problem() const { return problem_->text(); }

void ViewerMissingWindow::openHelp()
{
    // Whether or not a browser could be started, the program ends: there
    // is nothing else it can do without a viewer.
    if (opener_)
        opener_(help_url_);
    close();
}

void ViewerMissingWindow::keyPressEvent(QKeyEvent* event)
{
    // A frameless window has no close box: Escape stands in for it.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

QUrl graphics_help_url(const QString& manual_index)
{
    QUrl url = QUrl::fromLocalFile(manual_index);
    url.setFragment(QString::fromLatin1(kGraphicsSection));
    return url;
}

}  // namespace vexalith
