#include "update/file_download_thread.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <stdexcept>

#include "update/server_address.h"

namespace vexalith::update {
namespace {

// How often the worker looks for a stop request while no data arrives.
constexpr int kStopPollMs = 50;
constexpr int kMaximumRedirects = 5;

}  // namespace

FileDownloadThread::FileDownloadThread(const QString& url, const QString& target_file,
                                       ProgressHandlerType progress_handler, CompleteHandlerType complete_handler,
                                       ErrorHandlerType error_handler, bool create_suspended, qint64 size_limit)
    : url_(url),
      target_file_(target_file),
      ProgressHandler(std::move(progress_handler)),
      CompleteHandler(std::move(complete_handler)),
      ErrorHandler(std::move(error_handler)),
      size_limit_(size_limit)
{
    if (!download_address_allowed(QUrl(url_, QUrl::StrictMode)))
        throw std::invalid_argument("not an address to download from: " + url_.toStdString());
    if (target_file_.isEmpty())
        throw std::invalid_argument("no target file for " + url_.toStdString());
    if (!create_suspended && ProgressHandler && CompleteHandler && ErrorHandler)
        resume();
}

FileDownloadThread::~FileDownloadThread()
{
    if (started_) {
        requestInterruption();
        // The worker may be waiting for a handler to run on this thread, and
        // it reports the abort through ErrorHandler: run what it hands over
        // until it has ended.
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return handed_over_ || worker_ended_; });
            if (!handed_over_)
                break;
            lock.unlock();
            run_handed_over_call();
            lock.lock();
        }
        lock.unlock();
        wait();
    }
}

void FileDownloadThread::resume()
{
    if (started_)
        return;
    started_ = true;
    start();
}

void FileDownloadThread::deliver(std::function<void()> call)
{
    std::unique_lock lock(mutex_);
    handed_over_ = std::move(call);
    call_done_ = false;
    QMetaObject::invokeMethod(
        this, [this] { run_handed_over_call(); }, Qt::QueuedConnection);
    changed_.notify_all();
    changed_.wait(lock, [this] { return call_done_; });
}

void FileDownloadThread::run_handed_over_call()
{
    std::function<void()> call;
    {
        const std::lock_guard lock(mutex_);
        if (!handed_over_)
            return;  // already run by the destructor
        call = std::move(handed_over_);
        handed_over_ = nullptr;
    }
    struct Done {
        FileDownloadThread& thread;
        ~Done()
        {
            {
                const std::lock_guard lock(thread.mutex_);
                thread.call_done_ = true;
            }
            thread.changed_.notify_all();
        }
    } done{*this};
    call();
}

void FileDownloadThread::run()
{
    const int code = download();
    if (code == 0) {
        if (CompleteHandler)
            deliver([this] { CompleteHandler(*this); });
    } else if (ErrorHandler) {
        deliver([this, code] { ErrorHandler(*this, code); });
    }
    {
        const std::lock_guard lock(mutex_);
        worker_ended_ = true;
    }
    changed_.notify_all();
}

int FileDownloadThread::download()
{
    QSaveFile file(target_file_);
    if (!file.open(QIODevice::WriteOnly))
        return kFileErrorCode;

    QNetworkAccessManager manager;
    manager.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    QNetworkRequest request{QUrl(url_)};
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    // The body as stored, so that its length is the length announced.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setTransferTimeout(kTransferTimeoutMs);

    QNetworkReply* reply = manager.get(request);
    int code = 0;
    QUrl current = request.url();
    qint64 written = 0;
    const auto fail = [&](int failure) {
        if (code == 0)
            code = failure;
        reply->abort();
    };
    const auto status = [&] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    const auto announced_size = [&] {
        bool known = false;
        const qint64 size = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        return known && size > 0 ? size : qint64(0);
    };
    // Writes what has arrived and reports it; the report is where a stop
    // request takes effect.
    const auto store = [&] {
        if (code != 0 || !reply->isOpen())
            return;
        const QByteArray data = reply->readAll();
        if (data.isEmpty() || status() < 200 || status() >= 300)
            return;  // the body of an error or a redirect is not the file
        written += data.size();
        if (written > size_limit_) {
            fail(kTooLargeCode);
            return;
        }
        if (file.write(data) != data.size()) {
            fail(kFileErrorCode);
            return;
        }
        progress_ = written;
        progress_max_ = announced_size();
        if (ProgressHandler) {
            const qint64 progress = progress_;
            const qint64 progress_max = progress_max_;
            deliver([this, progress, progress_max] { ProgressHandler(*this, progress, progress_max); });
        }
        if (isInterruptionRequested())
            fail(kAbortCode);
    };

    QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& to) {
        const QUrl target = current.resolved(to);
        if (!redirect_allowed(current, target)) {
            fail(kRedirectRefusedCode);
            return;
        }
        current = target;
        emit reply->redirectAllowed();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        if (announced_size() > size_limit_)
            fail(kTooLargeCode);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, store);
    // A stop request also ends a download that receives nothing more.
    QTimer stop_poll;
    stop_poll.setInterval(kStopPollMs);
    QObject::connect(&stop_poll, &QTimer::timeout, reply, [&] {
        if (isInterruptionRequested())
            fail(kAbortCode);
    });

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        stop_poll.start();
        loop.exec();
        stop_poll.stop();
    }
    store();

    if (code == 0 && isInterruptionRequested())
        code = kAbortCode;
    if (code == 0) {
        if (status() >= 300)
            code = status();
        else if (reply->error() != QNetworkReply::NoError)
            code = kNetworkErrorBase + static_cast<int>(reply->error());
        else if (status() < 200)
            code = kNetworkErrorBase + static_cast<int>(QNetworkReply::ProtocolFailure);
    }
    delete reply;
    if (code != 0)
        return code;  // the temporary file goes with `file`
    return file.commit() ? 0 : kFileErrorCode;
}

}  // namespace vexalith::update
