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

const QString kProgramNameText = QString::fromLatin1(ProgramName.data(), static_cast<int>(ProgramName.size()));
const QString kInstallerNameText = QString::fromLatin1(kInstallerName.data(), static_cast<int>(kInstallerName.size()));

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

    title_label_ = new QLabel("Download Progress of Tarnwick Update", this);
    title_label_->setObjectName("titleLabel");
    title_label_->setGeometry(8, 6, 200, 17);
    progress_bar_ = new QProgressBar(this);
    progress_bar_->setObjectName("progressBar");
    progress_bar_->setGeometry(8, 34, 145, 17);
    progress_bar_->setTextVisible(false);
    progress_bar_->setRange(0, kBarMaximum);
    progress_bar_->setValue(0);
    percent_label_ = new QLabel(this);
    percent_label_->setObjectName("percentLabel");
    percent_label_->setGeometry(160, 34, 50, 17);

    next_stage_timer_.setSingleShot(true);
    next_stage_timer_.setInterval(kNextStageMs);
    connect(&next_stage_timer_, &QTimer::timeout, this, &UpdateWindow::nextStageTimerTick);
    watchdog_timer_.setSingleShot(true);
    watchdog_timer_.setInterval(kWatchdogMs);
    connect(&watchdog_timer_, &QTimer::timeout, this, &UpdateWindow::watchdogTimerTick);

    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    program_file_ = QDir(QCoreApplication::applicationDirPath()).filePath(kProgramNameText);

    const BaseAddress base = check_base_address(configured_base_address());
    base_ = base.url;
    address_problem_ = base.problem;
    const QString folder = QString::fromStdString(server_folder());
    if (base_.isValid()) {
        VersionUrl_ = base_.resolved(QUrl(folder + "version.txt")).toString();
        InstallerUrl_ = base_.resolved(QUrl(folder + kInstallerNameText)).toString();
    }
    InstallerFile_ = scratch_folder_ + "/update/" + kInstallerNameText;

    // Nothing fetched earlier may pass for this run's files.
    DeleteIECache(VersionUrl_);
    DeleteIECache(InstallerUrl_);
    QFile::remove(versionFile());
    QFile::remove(InstallerFile_);
}

UpdateWindow::~UpdateWindow()
{
    // A running download ends here, reporting to this window's handlers
    // while the window is still whole.
    download_.reset();
}

QString UpdateWindow::versionFile() const { return scratch_folder_ + "/version.txt"; }

QString UpdateWindow::backupFile() const { return scratch_folder_ + "/" + kProgramNameText + ".old"; }

void UpdateWindow::setWatchdogInterval(int milliseconds) { watchdog_timer_.setInterval(milliseconds); }

void UpdateWindow::DeleteIECache(const QString&) {}

void UpdateWindow::showMessage(const QString& text)
{
    if (dialogs_.message)
        dialogs_.message(this, text);
}

bool UpdateWindow::runUpdateStage(bool manual)
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

    title_label_->setText("Checking for Updates at " + base_.host());
    progress_bar_->setMaximum(kBarMaximum);

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
        GetFile(VersionUrl_, versionFile(), kVersionFileLimit);
    } catch (const std::exception&) {
        showMessage("could not make connection to update server");
    }
}

void UpdateWindow::stageOne(bool manual)
{
    download_.reset();
    DownloadFailed_ = false;
    percent_label_->setText("100%");

    VersionFileContent version;
    {
        QFile file(versionFile());
        if (!file.open(QIODevice::ReadOnly)) {
            UpdateStage_ = 0;  // fetch it again next time
            throw InputOutputError(versionFile().toStdString(), 0, "cannot read the version file");
        }
        const QByteArray text = file.readAll();
        try {
            version = parse_version_file(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                         versionFile().toStdString());
        } catch (...) {
            UpdateStage_ = 0;
            throw;
        }
    }
    progress_bar_->setMaximum(version.size);
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
    title_label_->setText("Download Progress of " + kProgramNameText + " Update");
    GetFile(InstallerUrl_, InstallerFile_,
            std::min(expected_size_ + kPackageMargin, FileDownloadThread::kDefaultSizeLimit));
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
    QFile::remove(backupFile());
    QFile::copy(program_file_, backupFile());

    const QString folder = scratch_folder_ + "/update";
    showMessage("Update successfully downloaded to " + folder + ".\n" +
                "A backup of the old program has been generated (" + kProgramNameText + ".old)\n" + kProgramNameText +
                " will now close. \n" + "Installation of " + kProgramNameText + " should start automaticaly. \n" +
                "If not, run " + kInstallerNameText + " from " + folder + ".");
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
    watchdog_timer_.start();
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
    progress_bar_->setRange(0, maximum);
    if (progress == 0)
        return;
    watchdog_timer_.stop();
    progress_bar_->setValue(static_cast<int>(std::min<qint64>(progress, std::numeric_limits<int>::max())));
    if (progress_max > 0)
        percent_label_->setText(QString::number(download_percentage(progress, progress_max)) + " %");
}

void UpdateWindow::downloadComplete(FileDownloadThread&)
{
    downloading_ = false;
    DownloadFailed_ = false;
    watchdog_timer_.stop();
    ++UpdateStage_;
    hide();
    next_stage_timer_.start();
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
    next_stage_timer_.stop();
    try {
        runUpdateStage(manual_);
    } catch (const std::exception& e) {
        if (dialogs_.error)
            dialogs_.error(this, QString::fromUtf8(e.what()));
    }
}

void UpdateWindow::watchdogTimerTick()
{
    watchdog_timer_.stop();
    hide();
    showMessage("Could not make connection to Update Server");
}

}  // namespace vexalith::update
