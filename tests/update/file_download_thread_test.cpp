// Downloads against the test's own server on 127.0.0.1: what reaches the
// target file and the handlers, and when.
#include "update/file_download_thread.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "support/http_test_server.h"

namespace vexalith::update {
namespace {

using testsupport::HttpTestServer;

bool wait_until(const std::function<bool()>& condition, int timeout_ms = 10000)
{
    return QTest::qWaitFor(condition, timeout_ms);
}

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// What the handlers saw.
struct Reports {
    QList<QPair<qint64, qint64>> progress;
    int completions = 0;
    QList<int> errors;
    bool all_on_this_thread = true;

    bool ended() const { return completions > 0 || !errors.isEmpty(); }

    void note_thread() { all_on_this_thread = all_on_this_thread && QThread::currentThread() == qApp->thread(); }

    FileDownloadThread::ProgressHandlerType on_progress()
    {
        return [this](FileDownloadThread& sender, qint64 progress, qint64 progress_max) {
            note_thread();
            // The worker waits while the handler runs: what it reported stays put.
            EXPECT_EQ(sender.Progress(), progress);
            EXPECT_EQ(sender.ProgressMax(), progress_max);
            this->progress.append({progress, progress_max});
        };
    }
    FileDownloadThread::CompleteHandlerType on_complete()
    {
        return [this](FileDownloadThread&) {
            note_thread();
            ++completions;
        };
    }
    FileDownloadThread::ErrorHandlerType on_error()
    {
        return [this](FileDownloadThread&, int code) {
            note_thread();
            errors.append(code);
        };
    }
};

struct Download {
    HttpTestServer server;
    QTemporaryDir dir;
    Reports reports;

    QString url(const char* path) const { return server.base_url() + QString(path).mid(1); }
    QString target(const char* name = "target.bin") const { return dir.filePath(name); }

    std::unique_ptr<FileDownloadThread> start(const char* path, const QString& target_file,
                                              qint64 limit = FileDownloadThread::kDefaultSizeLimit)
    {
        return std::make_unique<FileDownloadThread>(url(path), target_file, reports.on_progress(),
                                                    reports.on_complete(), reports.on_error(), false, limit);
    }
    bool finish()
    {
        return wait_until([this] { return reports.ended(); });
    }
};

TEST(FileDownloadThread, WritesTheWholeBodyAndReportsOnTheOwnersThread)
{
    Download d;
    const QByteArray body = pattern(300000);
    d.server.set("/vexalithHome/vexalith.deb", body);
    auto thread = d.start("/vexalithHome/vexalith.deb", d.target());
    ASSERT_TRUE(d.finish());

    EXPECT_EQ(d.reports.completions, 1);
    EXPECT_TRUE(d.reports.errors.isEmpty());
    EXPECT_EQ(contents(d.target()), body);
    EXPECT_EQ(entries(d.dir.path()), QStringList{"target.bin"}) << "no temporary file left";
    ASSERT_FALSE(d.reports.progress.isEmpty());
    EXPECT_EQ(d.reports.progress.last(), (QPair<qint64, qint64>(body.size(), body.size())));
    for (const auto& [progress, total] : d.reports.progress)
        EXPECT_EQ(total, body.size());
    EXPECT_TRUE(d.reports.all_on_this_thread);

    // Neither a cache here nor one on the way may answer.
    ASSERT_EQ(d.server.requests().size(), 1);
    const auto& request = d.server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.headers.value("cache-control"), "no-cache");
    EXPECT_EQ(request.headers.value("pragma"), "no-cache");

    // The thread object outlives its worker until the owner frees it.
    EXPECT_TRUE(wait_until([&] { return thread->isFinished(); }));
    EXPECT_EQ(thread->Progress(), body.size());
}

TEST(FileDownloadThread, FailuresReachTheErrorHandlerAndLeaveNoTarget)
{
    Download d;
    // An HTTP error: its status is the code.
    auto missing = d.start("/vexalithHome/version.txt", d.target("version.txt"));
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.errors, QList<int>{404});
    EXPECT_EQ(d.reports.completions, 0);
    EXPECT_FALSE(QFile::exists(d.target("version.txt")));

    // A server error keeps an earlier file of the target's name as it was.
    d.reports = Reports();
    HttpTestServer::Response broken;
    broken.status = 500;
    broken.body = "partial";
    d.server.set("/broken", broken);
    QFile old(d.target("kept.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    auto failing = d.start("/broken", d.target("kept.txt"));
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.errors, QList<int>{500});
    EXPECT_EQ(contents(d.target("kept.txt")), "earlier");

    // Nobody listening: a network error.
    d.reports = Reports();
    quint16 closed_port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closed_port = probe.serverPort();
    }
    auto refused = std::make_unique<FileDownloadThread>(QString("http://127.0.0.1:%1/x").arg(closed_port),
                                                        d.target("x"), d.reports.on_progress(), d.reports.on_complete(),
                                                        d.reports.on_error(), false);
    ASSERT_TRUE(d.finish());
    ASSERT_EQ(d.reports.errors.size(), 1);
    EXPECT_EQ(d.reports.errors.first(), FileDownloadThread::kNetworkErrorBase + QNetworkReply::ConnectionRefusedError);

    // A target that cannot be written.
    d.reports = Reports();
    d.server.set("/small", "small body");
    auto unwritable = d.start("/small", d.dir.filePath("no-such-folder/small"));
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.errors, QList<int>{FileDownloadThread::kFileErrorCode});

    EXPECT_EQ(entries(d.dir.path()), QStringList{"kept.txt"});
}

TEST(FileDownloadThread, BodiesOverTheLimitAreRefusedWithOrWithoutALength)
{
    for (const bool with_length : {true, false}) {
        Download d;
        HttpTestServer::Response big;
        big.body = pattern(50000);
        big.content_length = with_length;
        d.server.set("/big", big);
        auto thread = d.start("/big", d.target(), 10000);
        ASSERT_TRUE(d.finish());
        EXPECT_EQ(d.reports.errors, QList<int>{FileDownloadThread::kTooLargeCode}) << with_length;
        EXPECT_EQ(d.reports.completions, 0);
        EXPECT_TRUE(entries(d.dir.path()).isEmpty());
    }
}

TEST(FileDownloadThread, RedirectsAreFollowedOnlyWithinTheScheme)
{
    Download d;
    d.server.set("/new", "moved here");
    HttpTestServer::Response moved;
    moved.status = 302;
    moved.headers = {{"Location", "/new"}};
    d.server.set("/old", moved);
    auto followed = d.start("/old", d.target("followed"));
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.completions, 1);
    EXPECT_EQ(contents(d.target("followed")), "moved here");

    d.reports = Reports();
    HttpTestServer::Response elsewhere;
    elsewhere.status = 302;
    elsewhere.headers = {{"Location", QString("https://127.0.0.1:%1/new").arg(d.server.port()).toLatin1()}};
    d.server.set("/away", elsewhere);
    auto refused = d.start("/away", d.target("refused"));
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.errors, QList<int>{FileDownloadThread::kRedirectRefusedCode});
    EXPECT_FALSE(QFile::exists(d.target("refused")));
}

TEST(FileDownloadThread, UnknownTotalIsReportedAsZero)
{
    Download d;
    HttpTestServer::Response stream;
    stream.body = pattern(5000);
    stream.content_length = false;
    stream.hold_after = 1000;
    d.server.set("/stream", stream);
    auto thread = d.start("/stream", d.target());
    ASSERT_TRUE(wait_until([&] { return !d.reports.progress.isEmpty(); }));
    EXPECT_EQ(d.reports.progress.first(), (QPair<qint64, qint64>(1000, 0)));
    EXPECT_FALSE(QFile::exists(d.target())) << "no partial target";
    d.server.release();
    ASSERT_TRUE(d.finish());
    EXPECT_EQ(d.reports.completions, 1);
    EXPECT_EQ(contents(d.target()), stream.body);
}

TEST(FileDownloadThread, AMissingHandlerKeepsTheWorkerSuspendedUntilResumed)
{
    Download d;
    d.server.set("/file", "payload");
    FileDownloadThread thread(d.url("/file"), d.target(), d.reports.on_progress(), nullptr, d.reports.on_error(),
                              false);
    EXPECT_TRUE(thread.suspended());
    QTest::qWait(200);
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(d.server.connection_count(), 0) << "nothing is fetched while suspended";

    thread.resume();
    EXPECT_FALSE(thread.suspended());
    ASSERT_TRUE(wait_until([&] { return thread.isFinished(); }));
    EXPECT_EQ(d.server.request_count("/file"), 1);
    EXPECT_EQ(contents(d.target()), "payload");
    EXPECT_TRUE(d.reports.errors.isEmpty());

    // Suspended on request, with every handler given.
    Reports reports;
    FileDownloadThread asked(d.url("/file"), d.target("second"), reports.on_progress(), reports.on_complete(),
                             reports.on_error(), true);
    EXPECT_TRUE(asked.suspended());
    asked.resume();
    ASSERT_TRUE(wait_until([&] { return reports.ended(); }));
    EXPECT_EQ(reports.completions, 1);
    EXPECT_EQ(d.server.request_count("/file"), 2);
}

TEST(FileDownloadThread, FreeingTheThreadAbortsTheDownload)
{
    Download d;
    HttpTestServer::Response slow;
    slow.body = pattern(200000);
    slow.hold_after = 4096;
    d.server.set("/slow", slow);
    auto thread = d.start("/slow", d.target());
    ASSERT_TRUE(wait_until([&] { return !d.reports.progress.isEmpty(); }));
    thread.reset();
    EXPECT_EQ(d.reports.errors, QList<int>{FileDownloadThread::kAbortCode});
    EXPECT_EQ(d.reports.completions, 0);
    EXPECT_TRUE(entries(d.dir.path()).isEmpty()) << "neither the target nor its temporary file";
    d.server.release();

    // Also when the server never says a word.
    Download silent;
    HttpTestServer::Response nothing;
    nothing.silent = true;
    silent.server.set("/silent", nothing);
    auto waiting = silent.start("/silent", silent.target());
    ASSERT_TRUE(wait_until([&] { return silent.server.connection_count() == 1; }));
    waiting.reset();
    EXPECT_EQ(silent.reports.errors, QList<int>{FileDownloadThread::kAbortCode});
    EXPECT_TRUE(silent.reports.progress.isEmpty());
}

TEST(FileDownloadThread, OnlyHttpsOrPlainHttpOnThisMachine)
{
    const auto make = [](const QString& url) {
        FileDownloadThread thread(url, "/tmp/never-written", nullptr, nullptr, nullptr, true);
    };
    EXPECT_THROW(make("file:///etc/passwd"), std::invalid_argument);
    EXPECT_THROW(make("http://updates.example.org/vexalithHome/version.txt"), std::invalid_argument);
    EXPECT_THROW(make("ftp://127.0.0.1/version.txt"), std::invalid_argument);
    EXPECT_NO_THROW(make("https://updates.example.org/vexalithHome/version.txt"));
}

}  // namespace
}  // namespace vexalith::update
