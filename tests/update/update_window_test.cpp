// The update check against the test's own server on 127.0.0.1, with the
// user's answers and the desktop's actions given by the test.
#include "update/update_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "support/http_test_server.h"
#include "update/file_download_thread.h"

namespace vexalith::update {
namespace {

using testsupport::HttpTestServer;

const QByteArray kVersionPath = "/vexalithHome/version.txt";
const QByteArray kPackagePath = "/vexalithHome/vexalith.deb";
const QString kQuestion = "Warning|new version available, download and install now?";

bool wait_until(const std::function<bool()>& condition, int timeout_ms = 10000)
{
    return QTest::qWaitFor(condition, timeout_ms);
}

QByteArray sha256(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray version_file(const QByteArray& version, const QByteArray& package, const QByteArray& notes = "Notes.\n")
{
    return "sha256 " + sha256(package) + "\n" + version + "\n" + QByteArray::number(package.size()) + "\n" + notes;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The user's answers and what the check asked the desktop to do.
struct Answers {
    bool yes = false;
    QStringList messages;
    QStringList questions;  // "title|text"
    QStringList errors;
    QStringList opened;
    QByteArray opened_bytes;  // the package as it was when opened
    int ends = 0;

    UpdateDialogs dialogs()
    {
        UpdateDialogs d;
        d.message = [this](QWidget*, const QString& text) { messages << text; };
        d.question = [this](QWidget*, const QString& title, const QString& text) {
            questions << title + "|" + text;
            return yes;
        };
        d.error = [this](QWidget*, const QString& text) { errors << text; };
        d.open_package = [this](const QString& file) {
            opened << file;
            opened_bytes = contents(file);
            return true;
        };
        d.end_instance = [this] { ++ends; };
        return d;
    }
};

// Points the update check at `address` while it lives.
struct UpdateAddress {
    explicit UpdateAddress(const QString& address) { qputenv("VEXALITH_UPDATE_URL", address.toUtf8()); }
    ~UpdateAddress() { qunsetenv("VEXALITH_UPDATE_URL"); }
};

struct Check {
    HttpTestServer server;
    UpdateAddress address{server.base_url()};
    QTemporaryDir scratch;
    Answers answers;
    std::unique_ptr<UpdateWindow> window;

    Check()
    {
        window = std::make_unique<UpdateWindow>(scratch.path(), answers.dialogs());
        window->setCurrentVersion(1.52L);
    }

    QLabel* label(const char* name) const { return window->findChild<QLabel*>(name); }
    QProgressBar* bar() const { return window->findChild<QProgressBar*>("progressBar"); }

    // Runs one check from stage 0 until the version file has been read.
    bool check_version(bool manual)
    {
        EXPECT_EQ(window->UpdateStage(), 0);
        const int before = server.request_count(kVersionPath);
        EXPECT_FALSE(window->runUpdateStage(manual));
        EXPECT_FALSE(window->isVisible());
        return wait_until(
            [&] { return server.request_count(kVersionPath) == before + 1 && window->downloadThread() == nullptr; });
    }
};

TEST(UpdateCheck, SameVersionAtStartUpSaysNothingFromTheMenuSaysUpToDate)
{
    Check c;
    c.server.set(kVersionPath, "sha256 " + sha256("p") + "\n1.52\n690\nNotes.\n");
    ASSERT_TRUE(c.check_version(false));
    EXPECT_TRUE(c.answers.messages.isEmpty());
    EXPECT_TRUE(c.answers.questions.isEmpty());
    EXPECT_EQ(c.window->UpdateStage(), 0);
    EXPECT_FALSE(c.window->DownloadFailed());
    EXPECT_EQ(c.label("titleLabel")->text(), "Checking for Updates at 127.0.0.1");
    EXPECT_EQ(c.label("percentLabel")->text(), "100%");
    EXPECT_EQ(c.bar()->maximum(), 690) << "line 3 of the version file";

    ASSERT_TRUE(c.check_version(true));
    EXPECT_EQ(c.answers.messages, QStringList{"This Version is up-to-date"});
    EXPECT_TRUE(c.answers.questions.isEmpty());
    EXPECT_EQ(c.window->UpdateStage(), 0);

    // Four decimals are the same version.
    c.answers.messages.clear();
    c.server.set(kVersionPath, "sha256 " + sha256("p") + "\n1.5204\n690\nNotes.\n");
    ASSERT_TRUE(c.check_version(true));
    EXPECT_EQ(c.answers.messages, QStringList{"This Version is up-to-date"});
    EXPECT_TRUE(c.answers.questions.isEmpty());
    EXPECT_EQ(c.server.request_count(kPackagePath), 0);
}

TEST(UpdateCheck, OlderAndNewerVersionsBothAskAndNoStartsOverNextTime)
{
    Check c;
    for (const QByteArray version : {"1.51", "1.53"}) {
        c.answers.questions.clear();
        c.server.set(kVersionPath, version_file(version, "package"));
        for (const bool manual : {false, true}) {
            ASSERT_TRUE(c.check_version(manual)) << version.constData();
            EXPECT_EQ(c.answers.questions, QStringList{kQuestion}) << version.constData();
            c.answers.questions.clear();
            EXPECT_EQ(c.window->UpdateStage(), 0);
        }
    }
    EXPECT_EQ(c.server.request_count(kVersionPath), 4) << "every check starts with the version file";
    EXPECT_EQ(c.server.request_count(kPackagePath), 0);
    EXPECT_TRUE(c.answers.messages.isEmpty());
}

TEST(UpdateCheck, ThreeLineFileGivesASingleCrAndNoChecksumMeansNoDownload)
{
    Check c;
    c.answers.yes = true;
    c.server.set(kVersionPath, "written by an older release\n1.53\n690\n");
    ASSERT_TRUE(c.check_version(true));
    ASSERT_EQ(c.answers.messages.size(), 2);
    EXPECT_EQ(c.answers.messages[0], "\r") << "the release notes";
    EXPECT_TRUE(c.answers.messages[1].contains("no checksum")) << c.answers.messages[1].toStdString();
    EXPECT_EQ(c.window->UpdateStage(), 0);
    EXPECT_EQ(c.server.request_count(kPackagePath), 0);
}

TEST(UpdateCheck, MissingOrBrokenVersionFile)
{
    Check c;
    // 404: silent, the next check starts over.
    EXPECT_FALSE(c.window->runUpdateStage(true));
    ASSERT_TRUE(wait_until([&] { return c.window->DownloadFailed(); }));
    EXPECT_EQ(c.window->UpdateStage(), 0);
    EXPECT_FALSE(c.window->isVisible());
    EXPECT_TRUE(c.answers.messages.isEmpty());
    EXPECT_TRUE(c.answers.errors.isEmpty());

    // A version that is no number is reported and fetched again next time.
    c.server.set(kVersionPath, "x\nnew\n690\n");
    ASSERT_TRUE(c.check_version(true));
    ASSERT_EQ(c.answers.errors.size(), 1);
    EXPECT_TRUE(c.answers.errors[0].contains("version.txt:2")) << c.answers.errors[0].toStdString();
    EXPECT_EQ(c.window->UpdateStage(), 0);
    c.server.set(kVersionPath, version_file("1.52", "package"));
    ASSERT_TRUE(c.check_version(true));
    EXPECT_EQ(c.answers.messages, QStringList{"This Version is up-to-date"});
}

TEST(UpdateCheck, ProgressShowsTheRoundedPercentageUnknownTotalOnlyMovesTheBar)
{
    {
        Check c;
        HttpTestServer::Response held;
        held.body = version_file("1.52", "package", QByteArray(200, 'n')).left(200);
        held.hold_after = 5;  // 2.5 %: half to even gives 2, not 3
        c.server.set(kVersionPath, held);
        c.window->runUpdateStage(false);
        ASSERT_TRUE(wait_until([&] { return c.bar()->value() == 5; }));
        EXPECT_EQ(c.label("percentLabel")->text(), "2 %");
        EXPECT_EQ(c.bar()->maximum(), 200);
        EXPECT_TRUE(c.window->isVisible());
        // Another check meanwhile leaves the download alone.
        FileDownloadThread* running = c.window->downloadThread();
        EXPECT_FALSE(c.window->runUpdateStage(true));
        EXPECT_EQ(c.window->downloadThread(), running);
        c.server.release();
        ASSERT_TRUE(wait_until([&] { return c.window->downloadThread() == nullptr; }));
        EXPECT_FALSE(c.window->isVisible());
        EXPECT_EQ(c.server.request_count(kVersionPath), 1);
        EXPECT_EQ(c.answers.messages, QStringList{"This Version is up-to-date"}) << "the latest call was manual";
    }
    {
        Check c;
        HttpTestServer::Response held;
        held.body = version_file("1.52", "package");
        held.content_length = false;
        held.hold_after = 20;
        c.server.set(kVersionPath, held);
        const QString before = c.label("percentLabel")->text();
        c.window->runUpdateStage(false);
        ASSERT_TRUE(wait_until([&] { return c.bar()->value() == 20; }));
        EXPECT_EQ(c.bar()->maximum(), 0);
        EXPECT_EQ(c.label("percentLabel")->text(), before);
        c.server.release();
        ASSERT_TRUE(wait_until([&] { return c.window->downloadThread() == nullptr; }));
        EXPECT_TRUE(c.answers.messages.isEmpty());
    }
}

TEST(UpdateCheck, WatchdogSpeaksWhenTheServerSaysNothing)
{
    Check c;
    HttpTestServer::Response nothing;
    nothing.silent = true;
    c.server.set(kVersionPath, nothing);
    c.window->setWatchdogInterval(300);
    c.window->runUpdateStage(false);
    ASSERT_TRUE(wait_until([&] { return !c.answers.messages.isEmpty(); }));
    EXPECT_EQ(c.answers.messages, QStringList{"Could not make connection to Update Server"});
    EXPECT_FALSE(c.window->isVisible());
    EXPECT_EQ(c.server.connection_count(), 1);
    // The download itself goes on until the window ends it.
    ASSERT_NE(c.window->downloadThread(), nullptr);
    EXPECT_TRUE(c.window->downloadThread()->isRunning());
}

TEST(UpdateCheck, APackageThatDoesNotMatchIsDeletedAndNotOpened)
{
    const QByteArray package(150000, 'd');
    Check c;
    c.answers.yes = true;
    c.window->setProgramFile(c.scratch.filePath("no-program"));
    const struct {
        const char* what;
        QByteArray version_text;
    } cases[] = {
        {"checksum", "sha256 " + sha256("another package") + "\n1.53\n150000\nNotes.\n"},
        {"size", "sha256 " + sha256(package) + "\n1.53\n150001\nNotes.\n"},
    };
    for (const auto& k : cases) {
        c.answers.messages.clear();
        c.server.set(kVersionPath, k.version_text);
        c.server.set(kPackagePath, package);
        c.window->runUpdateStage(true);
        ASSERT_TRUE(wait_until([&] { return c.answers.messages.size() == 2; })) << k.what;
        EXPECT_EQ(c.answers.messages[0], "\rNotes.");
        EXPECT_TRUE(c.answers.messages[1].contains("has been deleted")) << c.answers.messages[1].toStdString();
        EXPECT_FALSE(QFile::exists(c.window->InstallerFile())) << k.what;
        EXPECT_EQ(c.window->UpdateStage(), 0);
        EXPECT_FALSE(c.window->UpdateStarted());
        EXPECT_TRUE(c.answers.opened.isEmpty());
        EXPECT_FALSE(QFile::exists(c.window->backupFile()));
    }
    EXPECT_EQ(c.server.request_count(kPackagePath), 2);
    EXPECT_EQ(c.answers.ends, 0);
}

TEST(UpdateCheck, WithoutAnAddressTheMenuPointsToThePackageManager)
{
    QTemporaryDir scratch;
    for (const char* address : {"", "http://updates.example.org/"}) {
        UpdateAddress set(address);
        Answers answers;
        UpdateWindow window(scratch.path(), answers.dialogs());
        EXPECT_FALSE(window.serverConfigured());
        EXPECT_FALSE(window.runUpdateStage(false));
        EXPECT_TRUE(answers.messages.isEmpty()) << "the start-up check is off";
        EXPECT_FALSE(window.runUpdateStage(true));
        ASSERT_EQ(answers.messages.size(), 1);
        if (*address)
            EXPECT_TRUE(answers.messages[0].contains(address)) << answers.messages[0].toStdString();
        else
            EXPECT_TRUE(answers.messages[0].contains("package manager")) << answers.messages[0].toStdString();
        EXPECT_EQ(window.downloadThread(), nullptr);
    }
}

// The main window runs the check 10 ms after start-up and from the Help menu.
struct Program {
    HttpTestServer server;
    UpdateAddress address{server.base_url()};
    Answers answers;
    std::unique_ptr<MainWindow> window;

    Program()
    {
        UserDialogs d;
        d.open_file = [](QWidget*) { return QString(); };
        d.save_file = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
        d.confirm_close = [](QWidget*) { return true; };
        d.show_error = [this](QWidget*, const QString& text) { answers.errors << text; };
        d.open_url = [](const QString&) { return true; };
        d.update = answers.dialogs();
        window = std::make_unique<MainWindow>(QStringList(), d);
    }
    QString scratch() const { return QFileInfo(window->scratchScene()).path(); }
};

TEST(UpdateCheckInTheProgram, StartUpCheckIsSilentTheMenuCommandSaysUpToDate)
{
    Program p;
    p.server.set(kVersionPath, version_file(VEXALITH_VERSION_NUMBER, "package"));
    p.window->show();
    ASSERT_TRUE(wait_until([&] {
        return p.server.request_count(kVersionPath) == 1 && p.window->updateWindow().downloadThread() == nullptr;
    }));
    EXPECT_TRUE(p.answers.messages.isEmpty());
    EXPECT_TRUE(p.answers.errors.isEmpty());

    QAction* command = p.window->action("updates");
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->isEnabled());
    command->trigger();
    ASSERT_TRUE(wait_until([&] { return !p.answers.messages.isEmpty(); }));
    EXPECT_EQ(p.answers.messages, QStringList{"This Version is up-to-date"});
    EXPECT_EQ(p.server.request_count(kVersionPath), 2);
}

TEST(UpdateCheckInTheProgram, AVerifiedPackageIsOpenedAfterABackupAndTheProgramEnds)
{
    const QByteArray package(250000, 'v');
    const QByteArray program("the running program");
    QTemporaryDir elsewhere;
    const QString program_file = elsewhere.filePath("vexalith");
    {
        QFile file(program_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(program);
    }

    QString scratch;
    {
        Program p;
        p.answers.yes = true;
        p.server.set(kVersionPath, version_file("99.5", package, "Faster.\nSafer.\n"));
        p.server.set(kPackagePath, package);
        p.window->updateWindow().setProgramFile(program_file);
        scratch = p.scratch();
        p.window->show();  // the start-up check finds the new version

        ASSERT_TRUE(wait_until([&] { return p.answers.ends == 1; }));
        update::UpdateWindow& update = p.window->updateWindow();
        EXPECT_TRUE(update.UpdateStarted());
        EXPECT_EQ(p.answers.questions, QStringList{kQuestion});
        const QString folder = scratch + "/update";
        ASSERT_EQ(p.answers.messages.size(), 2);
        EXPECT_EQ(p.answers.messages[0], "\rFaster.\rSafer.");
        EXPECT_EQ(p.answers.messages[1],
                  "Update successfully downloaded to " + folder +
                      ".\nA backup of the old program has been generated (vexalith.old)\nvexalith will now close. \n"
                      "Installation of vexalith should start automaticaly. \nIf not, run vexalith.deb from " +
                      folder + ".");
        EXPECT_EQ(p.answers.opened, QStringList{folder + "/vexalith.deb"});
        EXPECT_EQ(p.answers.opened_bytes, package);
        EXPECT_EQ(contents(scratch + "/vexalith.old"), program);
        EXPECT_EQ(contents(program_file), program);
        EXPECT_TRUE(p.answers.errors.isEmpty());
    }
    // The package and the backup outlive the program that fetched them.
    EXPECT_EQ(contents(scratch + "/update/vexalith.deb"), package);
    EXPECT_TRUE(QFile::exists(scratch + "/vexalith.old"));
    QDir(scratch).removeRecursively();
}

}  // namespace
}  // namespace vexalith::update
