// One download on its own worker thread.  The worker fetches the address
// with Qt Network and writes the body to a temporary file beside the target,
// which becomes the target only when the whole body has arrived: a failed or
// aborted download leaves no target behind (an earlier file of that name
// stays as it was).
//
// The three handlers run on the thread that created the object (the GUI
// thread), one at a time, while the worker waits for each to return:
//   ProgressHandler(sender, progress, progress max)  bytes so far and the
//       total, 0 when the server does not say;
//   CompleteHandler(sender)  the target file has been written;
//   ErrorHandler(sender, code)  the download failed; the code is never 0:
//       the HTTP status for an HTTP error (404), kNetworkErrorBase plus Qt's
//       QNetworkReply::NetworkError for a network failure, or one of the
//       small codes below.
// A handler must not free its sender.
//
// Requests carry "Cache-Control: no-cache" and "Pragma: no-cache" and no
// HTTP cache is kept, so neither this program nor a proxy answers from a
// stale copy.  Redirects are followed only under redirect_allowed().
#pragma once

#include <QString>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vexalith::update {

class FileDownloadThread : public QThread {
    Q_OBJECT

public:
    using ProgressHandlerType = std::function<void(FileDownloadThread& sender, qint64 progress, qint64 progress_max)>;
    using CompleteHandlerType = std::function<void(FileDownloadThread& sender)>;
    using ErrorHandlerType = std::function<void(FileDownloadThread& sender, int code)>;

    // The owner asked the download to stop (by freeing the object).
    static constexpr int kAbortCode = 1;
    // The body is larger than the size limit.
    static constexpr int kTooLargeCode = 2;
    // The target file cannot be written.
    static constexpr int kFileErrorCode = 3;
    // The server redirected to an address that is not followed.
    static constexpr int kRedirectRefusedCode = 4;
    static constexpr int kNetworkErrorBase = 1000;

    static constexpr qint64 kDefaultSizeLimit = qint64(1) << 30;  // 1 GiB
    // A transfer that receives nothing for this long fails.
    static constexpr int kTransferTimeoutMs = 60000;

    // Stores the arguments and creates the worker, which starts at once
    // unless `create_suspended` is set or a handler is empty; resume()
    // starts a suspended worker.  An address that is neither https nor http
    // on this machine throws std::invalid_argument.  Bodies larger than
    // `size_limit` bytes are refused.
    FileDownloadThread(const QString& url, const QString& target_file, ProgressHandlerType progress_handler,
                       CompleteHandlerType complete_handler, ErrorHandlerType error_handler, bool create_suspended,
                       qint64 size_limit = kDefaultSizeLimit);
    // Asks a running worker to stop and waits for it; handler calls it hands
    // over meanwhile still run, so an aborted download ends with
    // ErrorHandler(kAbortCode) before the object is gone.
    ~FileDownloadThread() override;

    FileDownloadThread(const FileDownloadThread&) = delete;
    FileDownloadThread& operator=(const FileDownloadThread&) = delete;

    // Starts a suspended worker; does nothing once it has started.
    void resume();
    bool suspended() const { return !started_; }

    const QString& Url() const { return url_; }
    const QString& TargetFile() const { return target_file_; }
    // As last reported.
    qint64 Progress() const { return progress_.load(); }
    qint64 ProgressMax() const { return progress_max_.load(); }

protected:
    // The worker's body: one download, then CompleteHandler or ErrorHandler.
    void run() override;

private:
    int download();
    // Worker side: hands `call` to the owner's thread and waits until it ran.
    void deliver(std::function<void()> call);
    // Owner side: runs the call handed over, if any.
    void run_handed_over_call();

    const QString url_;
    const QString target_file_;
    const ProgressHandlerType ProgressHandler;
    const CompleteHandlerType CompleteHandler;
    const ErrorHandlerType ErrorHandler;
    const qint64 size_limit_;
    std::atomic<qint64> progress_{0};
    std::atomic<qint64> progress_max_{0};
    bool started_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> handed_over_;  // a call waiting for the owner's thread
    bool call_done_ = false;
    bool worker_ended_ = false;
};

}  // namespace vexalith::update
