// The update check and its small window.  The check runs in three stages,
// one per call of runUpdateStage:
//   0  fetch the version file from the update server;
//   1  compare the server's version with this program's and, when they
//      differ and the user agrees, show the release notes and fetch the
//      package;
//   2  check the package's size and SHA-256, back up the program, open the
//      package with the desktop's default handler and end this instance.
// Each download runs on its own FileDownloadThread; its completion starts
// the next stage 200 ms later.  The window shows the progress of a download
// and is hidden otherwise.
//
// Server layout below the base address (see server_address.h):
// "vexalithHome/version.txt" and "vexalithHome/" + the package name.  The
// files land in the scratch folder given: "version.txt" and, below
// "update/", the package.
#pragma once

#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;

namespace vexalith::update {

class FileDownloadThread;

// What the update check shows and starts outside its own window; replaced
// in tests.  An empty entry shows nothing and answers No.
struct UpdateDialogs {
    // A message box with its text and an OK button.
    std::function<void(QWidget* parent, const QString& text)> message;
    // A Yes/No question box; true for Yes.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> question;
    // An error that ended a step of the check, as the program's error report
    // shows it.
    std::function<void(QWidget* parent, const QString& text)> error;
    // Opens the downloaded package with the desktop's default handler.
    std::function<bool(const QString& file)> open_package;
    // Ends this instance of the program (not other running instances).
    std::function<void()> end_instance;
};

UpdateDialogs standard_update_dialogs();

class UpdateWindow : public QWidget {
    Q_OBJECT

public:
    // `scratch_folder` is the running program's scratch folder.
    UpdateWindow(const QString& scratch_folder, UpdateDialogs dialogs, QWidget* parent = nullptr);
    ~UpdateWindow() override;

    // One stage of the check (see above); `manual` is set for the menu
    // command, clear for the check at start-up.  Returns UpdateStarted().
    // A version file that cannot be read throws vexalith::Error, an update
    // folder that cannot be made std::runtime_error.
    bool runUpdateStage(bool manual);

    // Starts one download with the window's handlers and the connection
    // watchdog.
    void GetFile(const QString& address, const QString& target_file, qint64 size_limit = qint64(1) << 30);

    // Would drop cached copies of `address`.  Downloads keep no cache and
    // ask proxies for a fresh copy (FileDownloadThread), so there is
    // nothing to drop.
    void DeleteIECache(const QString& address);

    int UpdateStage() const { return UpdateStage_; }
    bool DownloadFailed() const { return DownloadFailed_; }
    bool UpdateStarted() const { return UpdateStarted_; }
    // Whether a usable update server address is configured.
    bool serverConfigured() const { return base_.isValid(); }
    const QString& VersionUrl() const { return VersionUrl_; }
    const QString& InstallerUrl() const { return InstallerUrl_; }
    const QString& InstallerFile() const { return InstallerFile_; }
    QString versionFile() const;
    QString backupFile() const;
    FileDownloadThread* downloadThread() const { return download_.get(); }

    // The running program's version; the build's major.minor unless set.
    long double CurrentVersion() const { return CurrentVersion_; }
    void setCurrentVersion(long double version) { CurrentVersion_ = version; }
    // The connection watchdog, 10 000 ms unless set.
    void setWatchdogInterval(int milliseconds);
    // The executable backed up at stage 2; the running program's unless set.
    void setProgramFile(const QString& path) { program_file_ = path; }

signals:
    // The package has been handed to the desktop and this instance will end:
    // the scratch folder, which holds the package and the backup, must stay.
    void updateStarted();

private:
    void stageZero();
    void stageOne(bool manual);
    void stageTwo();
    void downloadProgress(FileDownloadThread& sender, qint64 progress, qint64 progress_max);
    void downloadComplete(FileDownloadThread& sender);
    void downloadError(FileDownloadThread& sender, int code);
    void nextStageTimerTick();  // the next stage, after a download completed
    void watchdogTimerTick();   // no data within the interval
    void showMessage(const QString& text);

    UpdateDialogs dialogs_;
    QString scratch_folder_;
    QUrl base_;
    QString address_problem_;
    QString VersionUrl_;
    QString InstallerUrl_;
    QString InstallerFile_;
    QString program_file_;
    long double CurrentVersion_;
    int UpdateStage_ = 0;
    bool DownloadFailed_ = false;
    bool UpdateStarted_ = false;
    bool manual_ = false;       // the flag of the latest call, for the next stage
    bool downloading_ = false;  // from GetFile to the download's last handler
    // What the version file says about the package.
    qint64 expected_size_ = 0;
    std::optional<std::string> expected_sha256_;

    QLabel* title_label_ = nullptr;
    QProgressBar* progress_bar_ = nullptr;
    QLabel* percent_label_ = nullptr;
    QTimer next_stage_timer_;
    QTimer watchdog_timer_;
    std::unique_ptr<FileDownloadThread> download_;
};

}  // namespace vexalith::update
