// The main window: toolbar, menus, the viewer, the status bar with its
// three panels and the progress bar, the structure selector, and the
// window side of every command.  Each display command prepares the model's
// flags and ends in DrawModel, which runs the core conversion and hands the
// scene to the viewer.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>

#include "convert/conversion_state.h"
#include "options/model_options.h"
#include "structure/structure.h"
#include "update/update_window.h"
#include "vrml/scene_header.h"

class QAction;
class QMimeData;
class QLabel;
class QProgressBar;
class QSpinBox;
class QStackedWidget;
class QToolButton;

namespace vexalith {

class CaptionPanel;
struct PrintReport;
class SettingsDialog;
class VrmlViewer;
class WindowReporter;

// What the window asks the user; replaced in tests.
// The kinds of print file the STL command writes.
enum class PrintFileKind { AsciiStl, BinaryStl, ThreeMf };

struct PrintFileChoice {
    QString file;
    PrintFileKind kind = PrintFileKind::AsciiStl;
};

// The save dialog's filters for the kinds, in their order.
QStringList print_file_filters();

struct UserDialogs {
    // The file to load, or an empty text when the user cancels.
    std::function<QString(QWidget* parent)> open_file;
    // The file to save to, or an empty text when the user cancels.
    // `suggested` is the file the dialog offers first (an empty text when
    // there is none): the loaded file's name with `extension`, in its folder.
    std::function<QString(QWidget* parent, const QString& filter, const QString& extension, const QString& suggested)>
        save_file;
    // The print file to save to and its kind, offered as "STL (ASCII)",
    // "STL (binary)" and "3MF with colours"; an empty file when the user
    // cancels.  Unset: save_file with the ASCII STL filter.
    std::function<PrintFileChoice(QWidget* parent, const QString& suggested)> save_print_file;
    // "Close application ?": true for Yes.
    std::function<bool(QWidget* parent)> confirm_close;
    // An error of a command, shown once.
    std::function<void(QWidget* parent, const QString& message)> show_error;
    // Warnings about the input a command read past, shown once together.
    std::function<void(QWidget* parent, const QString& message)> show_warning;
    // Opens a document or web page with the desktop's default program.
    std::function<bool(const QString& url)> open_url;
    // What the update check shows and starts.
    update::UpdateDialogs update;
};

UserDialogs standard_dialogs();

class MainWindow : public QMainWindow {
    Q_OBJECT
    friend class WindowReporter;

public:
    // `arguments` are the command-line arguments after the program name.
    MainWindow(const QStringList& arguments, UserDialogs dialogs);
    ~MainWindow() override;

    // The conversion driver's window side.
    void DrawModel();

    // The model state, for the window's own parts and for tests.
    Structure& structure() { return structure_; }
    ConversionState& state() { return state_; }
    ModelOptions& options() { return options_; }
    VrmlViewer& viewer() { return *viewer_; }
    CaptionPanel& caption() { return *caption_; }
    SettingsDialog& settings() { return *settings_; }
    // The update check's window; there is none without a scratch folder.
    update::UpdateWindow& updateWindow() { return *update_; }
    // The scene file in the private scratch folder; empty when that folder
    // could not be made.
    QString scratchScene() const;
    QString statusText(int panel) const;
    bool progressShown() const;

    // Commands, as the toolbar and menus run them.
    void loadFile();                     // SpeedButton1
    void openFile(const QString& path);  // a dropped file: converted 10 ms later
    // Files dropped on the window: the first one is opened.
    bool filesDropped(const QMimeData& data);
    void selectStructure(int index);  // UpDown1
    void selectModelMode(int mode);   // SpeedButton5, 4, 9
    void expand();                    // SpeedButton11
    // Asymmetric unit, Unit cell, Whole molecules (Structure menu): the
    // structure is read and grown again, keeping the view.
    void selectCrystalMode(CrystalMode mode);
    void showCrystalOptions();  // the Structure menu shows the crystal options
    void exportStl();           // SpeedButton6
    // The report of the print just exported: its summary in the status
    // bar, its warnings in a box.
    void showPrintReport(const PrintReport& report);
    void exportPrinterVrml();    // SpeedButton10
    void copyViewToClipboard();  // Clipboard1 / the caption panel
    void openHelp();             // SpeedButton3
    void openDonationPage();     // SpeedButton7
    void quit();                 // File, Quit: closes the window as its close button does
    void donationTimerTick();    // Timer3, every 5 s
    void checkForUpdates();      // CheckforUpdates1: the update check, 10 ms later

    // The camera sync: saves the view while RedrawOnly is false and
    // restores it while it is true.
    void syncCamera();

    // The image copied by copyViewToClipboard.
    QImage viewImage();

    QAction* action(const QString& name) const;

signals:
    // The viewer finished loading a scene (after the window's handler ran).
    void sceneShown(bool success);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void buildToolBar();
    void buildMenus();
    void buildStatusBar();
    void keepViewAndDraw();
    void sceneLoaded(bool success);
    void showEmptyScene();
    void showWarnings();
    void configureSelector();
    void backgroundChanged(const QColor& colour);
    void setModelCommandsEnabled(bool enabled, bool expand_enabled);
    void showSizeCaption();
    void showModelMode(int mode);
    void reloadTimerFired();
    void convertCommandLine();
    void startUp();
    void updateTimerFired();
    // The folder the window writes its scene to, made in the temporary
    // folder (TMPDIR) and nowhere else; false, after telling the user,
    // when it could not be made.
    bool makeScratchFolder();
    bool scratchReady();
    // The save dialog's first offer: the loaded file's name with `extension`.
    QString suggestedSaveFile(const QString& extension) const;
    // Opens `url` in the desktop's browser, or tells the user where to go.
    void openAddress(const QString& url, const QString& what);

    UserDialogs dialogs_;
    QStringList arguments_;
    ConversionState state_;
    Structure structure_;
    ModelOptions options_;
    std::unique_ptr<WindowReporter> reporter_;
    std::unique_ptr<QTemporaryDir> scratch_;
    QString scratch_problem_;
    QVariant saved_viewpoint_;
    BackgroundColour background_ = kStartupBackground;
    bool printer_export_ = false;

    VrmlViewer* viewer_ = nullptr;
    QWidget* viewer_panel_ = nullptr;
    CaptionPanel* caption_ = nullptr;
    SettingsDialog* settings_ = nullptr;
    QLabel* status_[3] = {nullptr, nullptr, nullptr};
    QLabel* route_ = nullptr;  // how the viewer draws the scene shown
    QProgressBar* progress_ = nullptr;
    QStackedWidget* status_stack_ = nullptr;
    QSpinBox* structure_selector_ = nullptr;
    QTimer reload_timer_;    // Timer1
    QTimer donation_timer_;  // Timer3
    QTimer update_timer_;    // Timer4
    update::UpdateWindow* update_ = nullptr;
    int ManualUpdateCheck = 0;
    QString saved_status_text_;
    // Status text for the last load when it gave no model (no atoms, or a
    // read that failed); empty while a model is shown.
    QString no_model_status_;
    QString expand_note_;   // what Expand did, shown with the size caption
    QStringList warnings_;  // the input's warnings of the command running
    std::map<QString, QAction*> actions_;
};

}  // namespace vexalith
