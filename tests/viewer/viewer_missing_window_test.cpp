#include "viewer/viewer_missing_window.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace vexalith {
namespace {

const QString kProblem =
    QStringLiteral("No OpenGL context with the compatibility profile could be made on this display.");
const QUrl kHelp = QUrl(QStringLiteral("file:///opt/vexalith/share/doc/vexalith/manual/index.html#graphics"));

// Records what the window asks to open instead of starting a browser.
struct OpenerSpy {
    std::vector<QUrl> urls;
    bool result = true;
    ViewerMissingWindow::UrlOpener opener()
    {
        return [this](const QUrl& url) {
            urls.push_back(url);
            return result;
        };
    }
};

// Runs the application's event loop as the program does, with `action`
// as its first event, and returns the loop's exit code: 0 when the loop
// ended because the last window closed.  A loop that does not end is
// stopped with -1 after a long while so that the test fails instead of
// hanging.
int run_event_loop(const std::function<void()>& action)
{
    QTimer::singleShot(0, qApp, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(-1); });
    guard.start(60000);
    return QApplication::exec();
}

bool visible_top_level_windows()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            return true;
    return false;
}

TEST(ViewerMissingWindow, SaysWhatIsMissingAndWhy)
{
    ViewerMissingWindow window(kProblem, kHelp);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_TRUE(window.requirementLabel()->text().startsWith(QStringLiteral("Vexalith  requires ")));
    EXPECT_TRUE(window.requirementLabel()->isVisible());
    EXPECT_EQ(window.problemLabel()->text(), kProblem);
    EXPECT_TRUE(window.problemLabel()->isVisible());
    EXPECT_EQ(window.problem(), kProblem);
    EXPECT_EQ(window.helpUrl(), kHelp);

    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_GE(window.width(), ViewerMissingWindow::kWidth);
    EXPECT_GE(window.height(), ViewerMissingWindow::kHeight);
    EXPECT_TRUE(window.helpButton()->isVisible());
    EXPECT_TRUE(window.quitButton()->isVisible());
    EXPECT_TRUE(window.quitButton()->text().contains(QStringLiteral("Vexalith will not work")));
    // Every part lies inside the window.
    for (QWidget* part :
         {static_cast<QWidget*>(window.requirementLabel()), static_cast<QWidget*>(window.problemLabel()),
          static_cast<QWidget*>(window.helpButton()), static_cast<QWidget*>(window.quitButton())})
        EXPECT_TRUE(window.rect().contains(part->geometry())) << part->objectName().toStdString();
}

TEST(ViewerMissingWindow, GrowsToFitALongProblem)
{
    QString long_problem;
    for (int i = 0; i < 12; ++i)
        long_problem += QStringLiteral("The display refused every OpenGL context that was asked for. ");
    ViewerMissingWindow window(long_problem, kHelp);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_GT(window.height(), ViewerMissingWindow::kHeight);
    // The wrapped text is not cut off: the label has the height it needs
    // at its width, and the buttons below it stay inside the window.
    QLabel* label = window.problemLabel();
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    EXPECT_TRUE(window.rect().contains(window.quitButton()->geometry()));
    EXPECT_GE(window.quitButton()->geometry().top(), label->geometry().bottom());
}

TEST(ViewerMissingWindow, QuitClosesWithoutOpeningAnything)
{
    OpenerSpy spy;
    ViewerMissingWindow window(kProblem, kHelp);
    window.setUrlOpener(spy.opener());
    QSignalSpy last_closed(qApp, &QGuiApplication::lastWindowClosed);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // It is the program's only window: closing it ends the event loop.
    EXPECT_EQ(run_event_loop([&] { QTest::mouseClick(window.quitButton(), Qt::LeftButton); }), 0);

    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(spy.urls.empty());
    EXPECT_EQ(last_closed.count(), 1);
    EXPECT_FALSE(visible_top_level_windows());
}

TEST(ViewerMissingWindow, HelpOpensTheGraphicsSectionAndCloses)
{
    OpenerSpy spy;
    ViewerMissingWindow window(kProblem, kHelp);
    window.setUrlOpener(spy.opener());
    QSignalSpy last_closed(qApp, &QGuiApplication::lastWindowClosed);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(run_event_loop([&] { QTest::mouseClick(window.helpButton(), Qt::LeftButton); }), 0);

    ASSERT_EQ(spy.urls.size(), 1u);
    EXPECT_EQ(spy.urls[0], kHelp);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(last_closed.count(), 1);
}

TEST(ViewerMissingWindow, HelpThatCannotBeOpenedStillEndsWithoutAMessage)
{
    OpenerSpy spy;
    spy.result = false;
    ViewerMissingWindow window(kProblem, kHelp);
    window.setUrlOpener(spy.opener());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    window.helpButton()->click();
    QApplication::processEvents();

    EXPECT_EQ(spy.urls.size(), 1u);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(visible_top_level_windows());
}

TEST(ViewerMissingWindow, KeyboardAnswers)
{
    // Enter takes the default button (the help), Escape quits.
    {
        OpenerSpy spy;
        ViewerMissingWindow window(kProblem, kHelp);
        window.setUrlOpener(spy.opener());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        window.helpButton()->setFocus();
        QTest::keyClick(window.helpButton(), Qt::Key_Return);
        EXPECT_EQ(spy.urls.size(), 1u);
        EXPECT_FALSE(window.isVisible());
    }
    {
        OpenerSpy spy;
        ViewerMissingWindow window(kProblem, kHelp);
        window.setUrlOpener(spy.opener());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(spy.urls.empty());
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(ViewerMissingWindow, EmptyProblemShowsOnlyTheRequirement)
{
    ViewerMissingWindow window(QString(), kHelp);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(window.problemLabel()->isVisible());
    EXPECT_TRUE(window.requirementLabel()->isVisible());
}

TEST(GraphicsHelpUrl, PointsAtTheGraphicsSectionOfTheManual)
{
    const QUrl url = graphics_help_url(QStringLiteral("/usr/share/doc/vexalith/manual/index.html"));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile(), QStringLiteral("/usr/share/doc/vexalith/manual/index.html"));
    EXPECT_EQ(url.fragment(), QStringLiteral("graphics"));
    EXPECT_EQ(url.toString(), QStringLiteral("file:///usr/share/doc/vexalith/manual/index.html#graphics"));

    // A path with blanks and a '#' stays one path.
    const QUrl odd = graphics_help_url(QStringLiteral("/home/a b/#x/index.html"));
    EXPECT_EQ(odd.toLocalFile(), QStringLiteral("/home/a b/#x/index.html"));
    EXPECT_EQ(odd.fragment(), QStringLiteral("graphics"));
}

}  // namespace
}  // namespace vexalith
