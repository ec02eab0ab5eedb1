#include "update/update_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "common/error.h"
#include "update/file_download_thread.h"
#include "update/package_check.h"
#include "update/server_address.h"
#include "update/update_rules.h"

namespace vexalith::update {
namespace {

const QString kProgramName = QString::fromLatin1(ProgramName.data(), static_cast<int>(ProgramName.size()));
const QString kInstallerName = QString::fromLatin1(InstallerName.data(), static_cast<int>(InstallerName.size()));

constexpr int kBarMaximum = 690;
constexpr int kNextStageMs = 200;
constexpr int kWatchdogMs = 10000;
constexpr int kEndDelayMs = 1000;
constexpr qint64 kVersionFileLimit = 1 << 20;
// Room for a package larger than announced, so that the check after the
// download reports it instead of a silent stop.
constexpr qint64 kPackageMargin = 1 << 20;

QString package_manager_text()
{
    return "Updates of this installation of Vexalith come from the system's package manager.";
}

}  // namespace

UpdateDialogs standard_update_dialogs()
{
    UpdateDialogs d;
    d.message = [](QWidget* parent, const QString& text) {
        QString shown = text;
        shown.replace("\r\n", "\n").replace('\r', '\n');
        QMessageBox::information(parent, "Vexalith", shown);
    };
    d.question = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    d.error = [](QWidget* parent, const QString& text) { QMessageBox::critical(parent, "Vexalith", text); };
    d.open_package = [](const QString& file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
    // exit() leaves the event loop without asking the windows to close
    // (the main window would ask "Close application ?").
    d.end_instance = [] { QCoreApplication::exit(0); };
    return d;
}

UpdateWindow::UpdateWindow(const QString& scratch_folder, UpdateDialogs dialogs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      dialogs_(std::move(dialogs)),
      scratch_folder_(QDir::cleanPath(scratch_folder)),
      CurrentVersion_(current_version_number(VEXALITH_VERSION_NUMBER))
{
    setObjectName("updateWindow");
    setWindowTitle("Updates");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(213, 63);

    titleLabel = new QLabel("Download Progress of Tarnwick Update", this);
    titleLabel->setObjectName("titleLabel");
    titleLabel->setGeometry(8, 6, 200, 17);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName("progressBar");
    progressBar->setGeometry(8, 34, 145, 17);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, kBarMaximum);
    progressBar->setValue(0);
    percentLabel = new QLabel(this);
    percentLabel->setObjectName("percentLabel");
    percentLabel->setGeometry(160, 34, 50, 17);

    nextStageTimer.setSingleShot(true);
    nextStageTimer.setInterval(kNextStageMs);
    connect(&nextStageTimer, &QTimer::timeout, this, &UpdateWindow::nextStageTimerTick);
    watchdogTimer.setSingleShot(true);
    watchdogTimer.setInterval(kWatchdogMs);
    connect(&watchdogTimer, &QTimer::timeout, this, &UpdateWindow::watchdogTimerTick);

    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    program_file_ = QDir(QCoreApplication::applicationDirPath()).filePath(kProgramName);

    const BaseAddress base = check_base_address(configured_base_address());
    base_ = base.url;
    address_problem_ = base.problem;
    const QString folder = QString::fromStdString(server_folder());
    if (base_.isValid()) {
        VersionUrl_ = base_.resolved(QUrl(folder + "version.txt")).toString();
        InstallerUrl_ = base_.resolved(QUrl(folder + kInstallerName)).toString();
    }
    InstallerFile_ = scratch_folder_ + "/update/" + kInstallerName;

    // Nothing fetched earlier may pass for this run's files.
    DeleteIECache(VersionUrl_);
    DeleteIECache(InstallerUrl_);
    QFile::remove(VersionFile());
    QFile::remove(InstallerFile_);
}

UpdateWindow::~UpdateWindow()
{
    // A running download ends here, reporting to this window's handlers
    // while the window is still whole.
    download_.reset();
}

QString UpdateWindow::VersionFile() const { return scratch_folder_ + "/version.txt"; }

QString UpdateWindow::BackupFile() const { return scratch_folder_ + "/" + kProgramName + ".old"; }

void UpdateWindow::setWatchdogInterval(int milliseconds) { watchdogTimer.setInterval(milliseconds); }

void UpdateWindow::DeleteIECache(const QString&) {}

void UpdateWindow::showMessage(const QString& text)
{
    if (dialogs_.message)
        dialogs_.message(this, text);
}

bool UpdateWindow::Checkforupdates1Click(bool manual)
{
    manual_ = manual;
    // Every call ends with the window hidden, also when a step fails.
    struct HideAtEnd {
        QWidget& window;
        ~HideAtEnd() { window.hide(); }
    } hide_at_end{*this};

    if (UpdateStarted_)
        return true;
    // A download under way finishes first; its completion runs the next
    // stage.  (Starting over here would abort it, or fetch a file twice.)
    if (downloading_)
        return false;
    if (!base_.isValid()) {
        if (manual)
            showMessage(address_problem_.isEmpty() ? package_manager_text() : address_problem_);
        return false;
    }

    titleLabel->setText("Checking for Updates at " + base_.host());
    progressBar->setMaximum(kBarMaximum);

    switch (UpdateStage_) {
    case 0:
        stageZero();
        break;
    case 1:
        stageOne(manual);
        break;
    case 2:
        stageTwo();
        break;
    default:
        break;
    }
    return UpdateStarted_;
}

void UpdateWindow::stageZero()
{
    try {
        GetFile(VersionUrl_, VersionFile(), kVersionFileLimit);
    } catch (const std::exception&) {
        showMessage("could not make connection to update server");
    }
}

void UpdateWindow::stageOne(bool manual)
{
    download_.reset();
    DownloadFailed_ = false;
    percentLabel->setText("100%");

    VersionFileContent version;
    {
        QFile file(VersionFile());
        if (!file.open(QIODevice::ReadOnly)) {
            UpdateStage_ = 0;  // fetch it again next time
            throw InputOutputError(VersionFile().toStdString(), 0, "cannot read the version file");
        }
        const QByteArray text = file.readAll();
        try {
            version = parse_version_file(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                         VersionFile().toStdString());
        } catch (...) {
            UpdateStage_ = 0;
            throw;
        }
    }
    progressBar->setMaximum(version.size);
    expected_size_ = version.size;
    expected_sha256_ = version.sha256;

    bool yes = false;
    if (version_differs(version.version, CurrentVersion_) && dialogs_.question)
        yes = dialogs_.question(this, "Warning", "new version available, download and install now?");
    if (manual && version_matches(version.version, CurrentVersion_)) {
        showMessage("This Version is up-to-date");
        UpdateStage_ = 0;
    }
    if (!yes) {
        UpdateStage_ = 0;
        return;
    }

    showMessage(QString::fromStdString(version.notes));
    if (!expected_sha256_) {
        // Nothing would tell a genuine package from another one.
        showMessage("The update server names no checksum for the new version, so it is not downloaded.");
        UpdateStage_ = 0;
        return;
    }
    if (!QDir().mkpath(scratch_folder_ + "/update"))
        throw std::runtime_error("Cannot create undo directory");
    titleLabel->setText("Download Progress of " + kProgramName + " Update");
    GetFile(InstallerUrl_, InstallerFile_, std::min(expected_size_ + kPackageMargin, FileDownloadThread::DefaultSizeLimit));
}

void UpdateWindow::stageTwo()
{
    download_.reset();
    if (!expected_sha256_ ||
        !package_matches(InstallerFile_, expected_size_, QString::fromStdString(*expected_sha256_))) {
        QFile::remove(InstallerFile_);
        showMessage("The downloaded update " + InstallerFile_ +
                    " does not have the size and checksum the update server gives for it. It has been deleted.");
        UpdateStage_ = 0;
        return;
    }

    // The backup: a copy of the program as it was (failures go unnoticed).
    QFile::remove(BackupFile());
    QFile::copy(program_file_, BackupFile());

    const QString folder = scratch_folder_ + "/update";
    showMessage("Update successfully downloaded to " + folder + ".\n" +
                "A backup of the old program has been generated (" + kProgramName + ".old)\n" + kProgramName +
                " will now close. \n" + "Installation of " + kProgramName + " should start automaticaly. \n" +
                "If not, run " + kInstallerName + " from " + folder + ".");
    UpdateStarted_ = true;
    emit updateStarted();
    if (dialogs_.open_package)
        dialogs_.open_package(InstallerFile_);
    QTimer::singleShot(kEndDelayMs, this, [this] {
        if (dialogs_.end_instance)
            dialogs_.end_instance();
    });
}

void UpdateWindow::GetFile(const QString& address, const QString& target_file, qint64 size_limit)
{
    watchdogTimer.start();
    try {
        auto thread = std::make_unique<FileDownloadThread>(
            address, target_file,
            [this](FileDownloadThread& sender, qint64 progress, qint64 progress_max) {
                downloadProgress(sender, progress, progress_max);
            },
            [this](FileDownloadThread& sender) { downloadComplete(sender); },
            [this](FileDownloadThread& sender, int code) { downloadError(sender, code); }, false, size_limit);
        download_ = std::move(thread);
        downloading_ = true;
    } catch (const std::exception&) {
        DownloadFailed_ = true;
        showMessage("Error downloading " + address);
    }
}

void UpdateWindow::downloadProgress(FileDownloadThread&, qint64 progress, qint64 progress_max)
{
    show();
    const int maximum = static_cast<int>(std::min<qint64>(progress_max, std::numeric_limits<int>::max()));
    progressBar->setRange(0, maximum);
    if (progress == 0)
        return;
    watchdogTimer.stop();
    progressBar->setValue(static_cast<int>(std::min<qint64>(progress, std::numeric_limits<int>::max())));
    if (progress_max > 0)
        percentLabel->setText(QString::number(download_percentage(progress, progress_max)) + " %");
}

void UpdateWindow::downloadComplete(FileDownloadThread&)
{
    downloading_ = false;
    DownloadFailed_ = false;
    watchdogTimer.stop();
    ++UpdateStage_;
    hide();
    nextStageTimer.start();
}

void UpdateWindow::downloadError(FileDownloadThread&, int)
{
    downloading_ = false;
    DownloadFailed_ = true;
    hide();
    UpdateStage_ = 0;
}

void UpdateWindow::nextStageTimerTick()
{
    nextStageTimer.stop();
    try {
        Checkforupdates1Click(manual_);
    } catch (const std::exception& e) {
        if (dialogs_.error)
            dialogs_.error(this, QString::fromUtf8(e.what()));
    }
}

void UpdateWindow::watchdogTimerTick()
{
    watchdogTimer.stop();
    hide();
    showMessage("Could not make connection to Update Server");
}

}  // namespace vexalith::update
