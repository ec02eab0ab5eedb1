#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <cstdlib>

#include "app/caption_panel.h"
#include "app/manual_location.h"
#include "app/settings_dialog.h"
#include "common/atomic_file.h"
#include "common/data_folder.h"
#include "common/error.h"
#include "common/output_limit.h"
#include "common/reporter.h"
#include "convert/draw_model.h"
#include "convert/model_commands.h"
#include "convert/structure_choice.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/print_report.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "print3d/three_mf_writer.h"
#include "structure/cif_reader.h"
#include "viewer/vrml_viewer.h"

namespace vexalith {

namespace {

const char* const kDonationReminder = "Please make a donation to support Vexalith";
const char* const kDonationPage = "https://www.vexalith.org/donations/donations.htm";
const char* const kOpenFilter =
    "All Model Files (*.cif *.wrl *.wrz);;IUCr cif file (*.cif);;VRML data file (*.wrl);;"
    "Compressed VRML file (*.wrz);;All files (*)";

QString text(const std::string& s) { return QString::fromStdString(s); }

// The version shown in the title: major.minor as a number ("0.1").
QString version_text() { return QStringLiteral(VEXALITH_VERSION_NUMBER); }

}  // namespace

// The core's window effects, shown in this window.
class WindowReporter : public Reporter {
public:
    explicit WindowReporter(MainWindow& window) : w_(window) {}

    // The status bar's panels: the stage of reading, the structure or model
    // loaded, the stage of rendering.  A stage is drawn at once, as the work
    // that follows blocks the window.
    void stage(Stage stage) override
    {
        if (stage == Stage::Reading)
            w_.status_[0]->setText(" busy");
        else
            w_.status_[2]->setText("Rendering");
        w_.statusBar()->repaint();
    }
    void selection_text(std::string_view value) override
    {
        w_.status_[1]->setText(QString::fromUtf8(value.data(), static_cast<int>(value.size())));
    }
    void progress_visible(bool visible) override
    {
        w_.status_stack_->setCurrentIndex(visible ? 1 : 0);
        if (visible)
            w_.progress_->setValue(0);
    }
    void progress_maximum(long long maximum) override
    {
        maximum_ = std::max(1LL, maximum);
        w_.progress_->setRange(0, 1000);
    }
    void progress_position(long long position) override
    {
        // Per mille, so that the bar repaints only when it visibly moves.
        const long long clamped = std::clamp(position, 0LL, maximum_);
        w_.progress_->setValue(static_cast<int>(clamped * 1000 / maximum_));
    }
    void structure_selector_enabled(bool enabled) override
    {
        if (enabled)
            w_.configureSelector();
        w_.structure_selector_->setEnabled(enabled);
    }
    void caption_text(std::string_view value) override
    {
        w_.caption_->setCaption(QString::fromUtf8(value.data(), static_cast<int>(value.size())));
    }
    void model_commands_enabled(bool enabled, bool expand_enabled) override
    {
        w_.setModelCommandsEnabled(enabled, expand_enabled);
    }
    void model_mode_shown(int mode) override { w_.showModelMode(mode); }
    void atoms_joined(int joined, int left_out) override
    {
        w_.expand_note_ = QString("Expand: %1 atoms joined, %2 left out").arg(joined).arg(left_out);
    }
    void warning(std::string_view message) override
    {
        w_.warnings_ << QString::fromUtf8(message.data(), static_cast<int>(message.size()));
    }

private:
    MainWindow& w_;
    long long maximum_ = 1;
};

QStringList print_file_filters() { return {"STL (ASCII) (*.stl)", "STL (binary) (*.stl)", "3MF with colours (*.3mf)"}; }

UserDialogs standard_dialogs()
{
    UserDialogs d;
    d.save_print_file = [](QWidget* parent, const QString& suggested) {
        const QStringList filters = print_file_filters();
        QFileDialog dialog(parent, "Save", QFileInfo(suggested).path());
        dialog.setNameFilters(filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("stl");
        if (!suggested.isEmpty())
            dialog.selectFile(suggested);
        // The suffix follows the kind chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
            dialog.setDefaultSuffix(filter == filters[2] ? "3mf" : "stl");
        });
        PrintFileChoice choice;
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return choice;
        choice.file = dialog.selectedFiles().first();
        const auto kind = filters.indexOf(dialog.selectedNameFilter());
        choice.kind =
            kind == 1 ? PrintFileKind::BinaryStl : (kind == 2 ? PrintFileKind::ThreeMf : PrintFileKind::AsciiStl);
        return choice;
    };
    d.open_file = [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, "Load a structure or model", QString(), kOpenFilter);
    };
    d.save_file = [](QWidget* parent, const QString& filter, const QString& extension, const QString& suggested) {
        QFileDialog dialog(parent, "Save", QFileInfo(suggested).path(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(extension);
        if (!suggested.isEmpty())
            dialog.selectFile(suggested);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    d.confirm_close = [](QWidget* parent) {
        return QMessageBox::question(parent, "Vexalith", "Close application ?", QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    d.show_error = [](QWidget* parent, const QString& message) {
        // Selectable: a message may give an address to copy.
        QMessageBox box(QMessageBox::Critical, "Vexalith", message, QMessageBox::Ok, parent);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.exec();
    };
    d.show_warning = [](QWidget* parent, const QString& message) { QMessageBox::warning(parent, "Vexalith", message); };
    d.open_url = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    d.update = update::standard_update_dialogs();
    return d;
}

MainWindow::MainWindow(const QStringList& arguments, UserDialogs dialogs)
    : dialogs_(std::move(dialogs)), arguments_(arguments), reporter_(std::make_unique<WindowReporter>(*this))
{
    setObjectName("TVexalithMain");
    setWindowTitle("VEXALITH Ver. " + version_text());
    setAcceptDrops(true);
    resize(720, 540);
    // The largest file an export may write; the environment can raise it.
    if (const char* limit = std::getenv(kOutputLimitVariable))
        if (const auto size = parse_size(limit); size && *size > 0)
            options_.MaxOutputSize = *size;

    viewer_panel_ = new QWidget(this);
    viewer_panel_->setToolTip("right click for options");
    auto* layout = new QHBoxLayout(viewer_panel_);
    layout->setContentsMargins(0, 0, 0, 0);
    viewer_ = new VrmlViewer(viewer_panel_);
    layout->addWidget(viewer_);
    caption_ = new CaptionPanel(viewer_panel_);
    viewer_panel_->installEventFilter(this);
    setCentralWidget(viewer_panel_);

    if (makeScratchFolder()) {
        update_ = new update::UpdateWindow(scratch_->path(), dialogs_.update, this);
        // The update's package and the backup stay after this instance ends.
        connect(update_, &update::UpdateWindow::updateStarted, this, [this] { scratch_->setAutoRemove(false); });
    }

    settings_ = new SettingsDialog(options_, state_, structure_, this);
    connect(settings_, &SettingsDialog::sizeChanged, this, &MainWindow::showSizeCaption);
    connect(settings_, &SettingsDialog::unitChanged, this, [this] { reload_timer_.start(); });
    connect(settings_, &SettingsDialog::acceptPressed, this, [this] {
        showCrystalOptions();
        keepViewAndDraw();
    });

    buildActions();
    buildToolBar();
    buildMenus();
    buildStatusBar();

    reload_timer_.setSingleShot(true);
    reload_timer_.setInterval(10);
    connect(&reload_timer_, &QTimer::timeout, this, &MainWindow::reloadTimerFired);
    donation_timer_.setInterval(5000);
    connect(&donation_timer_, &QTimer::timeout, this, &MainWindow::donationTimerTick);
    donation_timer_.start();
    update_timer_.setSingleShot(true);
    update_timer_.setInterval(10);
    connect(&update_timer_, &QTimer::timeout, this, &MainWindow::updateTimerFired);

    connect(viewer_, &VrmlViewer::sceneLoaded, this, &MainWindow::sceneLoaded);
    connect(viewer_, &VrmlViewer::backColorChanged, this, &MainWindow::backgroundChanged);
    connect(caption_, &CaptionPanel::clicked, this, &MainWindow::copyViewToClipboard);

    // Start-up: the viewer's settings, the empty scene, then a file named
    // on the command line and the update check.
    options_.ModelMode = BallAndStick;
    state_.RedrawOnly = false;
    state_.FileName.clear();
    viewer_->setHeadLight(true);
    viewer_->setNavigationBar(true);
    viewer_->setContextMenuEnabled(true);
    const QColor start(background_.red, background_.green, background_.blue);
    viewer_->setBackColor(start);
    caption_->setBackground(start);
    const QString empty = QString::fromStdString(data_folder()) + "/Vexalithempty.wrl";
    if (QFileInfo::exists(empty))
        viewer_->setScene(empty);
    QTimer::singleShot(0, this, &MainWindow::startUp);
}

MainWindow::~MainWindow()
{
    // A running download ends before the scratch folder it writes to goes.
    delete update_;
}

bool MainWindow::makeScratchFolder()
{
    // A TMPDIR that names no folder gives an empty temporary path: a
    // template without a folder would then make the folder in "/".
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty()) {
        scratch_problem_ =
            QString("the temporary folder \"%1\" (TMPDIR) does not exist").arg(qEnvironmentVariable("TMPDIR"));
        return false;
    }
    auto folder = std::make_unique<QTemporaryDir>(temporary + "/vexalith-XXXXXX");
    if (!folder->isValid()) {
        scratch_problem_ = QString("it cannot be made in \"%1\": %2").arg(temporary, folder->errorString());
        return false;
    }
    scratch_ = std::move(folder);
    return true;
}

bool MainWindow::scratchReady()
{
    if (scratch_)
        return true;
    dialogs_.show_error(this, "Vexalith cannot make its private scratch folder: " + scratch_problem_ +
                                  ".\nNo model can be shown. Set TMPDIR to a folder you can write to "
                                  "and start Vexalith again.");
    return false;
}

QString MainWindow::scratchScene() const { return scratch_ ? scratch_->filePath("temp.wrl") : QString(); }

QString MainWindow::statusText(int panel) const { return status_[panel]->text(); }

bool MainWindow::progressShown() const { return status_stack_->currentIndex() == 1; }

QAction* MainWindow::action(const QString& name) const
{
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::buildActions()
{
    const auto add = [this](const QString& name, const QString& text, const QString& hint, void (MainWindow::*slot)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        // A hint is a tooltip only: a status tip would take the status bar
        // over, hiding its panels and the progress bar.
        a->setToolTip(hint.isEmpty() ? text : hint);
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        actions_[name] = a;
        return a;
    };
    add("load", "Load Cif/WRL", "Load a *.cif structure or wrl / wrz model file", &MainWindow::loadFile);
    add("clipboard", "Move to Clipboard", "", &MainWindow::copyViewToClipboard);
    add("quit", "Quit", "", &MainWindow::quit);
    add("expand", "Expand", "Expand Structure", &MainWindow::expand);
    // The crystal modes of a small-molecule file: one of them chosen, or
    // none when the options dialog chose a block of cells.
    auto* crystal = new QActionGroup(this);
    crystal->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const struct {
        const char* name;
        const char* text;
        CrystalMode mode;
    } crystal_modes[] = {{"asymmetricUnit", "Asymmetric unit", CrystalMode::Asymmetric},
                         {"unitCell", "Unit cell", CrystalMode::Cell},
                         {"wholeMolecules", "Whole molecules", CrystalMode::Molecules}};
    for (const auto& m : crystal_modes) {
        QAction* a = add(m.name, m.text, "", nullptr);
        a->setCheckable(true);
        a->setChecked(m.mode == CrystalMode::Asymmetric);
        crystal->addAction(a);
        connect(a, &QAction::triggered, this, [this, mode = m.mode] { selectCrystalMode(mode); });
    }
    QAction* edges = add("cellEdges", "Cell edges", "The edges of the cells as thin rods (unit cell)", nullptr);
    edges->setCheckable(true);
    connect(edges, &QAction::toggled, this, [this](bool on) {
        if (on == options_.CellEdges)
            return;
        options_.CellEdges = on;
        settings_->show_options();
        keepViewAndDraw();
    });
    add("stl", "Create monochrome STL-File", "Export a *.STL 3D printer file", &MainWindow::exportStl);
    add("printer", "Create color *.wrl file", "Magics-Z-printer file", &MainWindow::exportPrinterVrml);
    add("modelSize", "Model Size", "", nullptr);
    add("bondDiameter", "Bond Diameter", "", nullptr);
    add("options", "Model Options", "Settings", nullptr);
    connect(action("options"), &QAction::triggered, this, [this] { settings_->showModelOptions(); });
    connect(action("modelSize"), &QAction::triggered, this, [this] { settings_->showModelSize(); });
    connect(action("bondDiameter"), &QAction::triggered, this, [this] { settings_->showBondDiameter(); });
    add("help", "Help Manual", "Help", &MainWindow::openHelp);
    add("donation", "Donation", "Please consider to donate to this software project", &MainWindow::openDonationPage);
    add("updates", "Check for Updates", "", &MainWindow::checkForUpdates);

    auto* modes = new QActionGroup(this);
    const struct {
        const char* name;
        const char* text;
        const char* hint;
        int mode;
    } mode_actions[] = {{"ballStick", "Ball-Stick", "Ball and Stick", BallAndStick},
                        {"covalent", "Covalent Radius", "Covalent Radius Model", CovalentRadius},
                        {"vanDerWaals", "van der Waals radius", "van der Waals rendering", VanDerWaals}};
    for (const auto& m : mode_actions) {
        QAction* a = add(m.name, m.text, m.hint, nullptr);
        a->setCheckable(true);
        modes->addAction(a);
        const int mode = m.mode;
        connect(a, &QAction::triggered, this, [this, mode] { selectModelMode(mode); });
    }
    action("ballStick")->setChecked(true);

    const std::pair<const char*, QKeySequence> shortcuts[] = {{"load", QKeySequence(Qt::CTRL | Qt::Key_O)},
                                                              {"quit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
                                                              {"help", QKeySequence(Qt::Key_F1)},
                                                              {"clipboard", QKeySequence(Qt::CTRL | Qt::Key_C)}};
    for (const auto& [name, keys] : shortcuts) {
        action(name)->setShortcut(keys);
        addAction(action(name));  // also while the menus are not open
    }

    setModelCommandsEnabled(false, false);
}

void MainWindow::buildToolBar()
{
    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("toolbar");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto button = [&](const char* name, const QString& label) {
        QAction* a = action(name);
        bar->addAction(a);
        if (auto* w = bar->widgetForAction(a))
            w->setObjectName(QString(name) + "Button");
        a->setIconText(label);
    };
    button("load", "Load");
    structure_selector_ = new QSpinBox(bar);
    structure_selector_->setObjectName("structureSelector");
    structure_selector_->setToolTip("select a structure from cif file");
    structure_selector_->setRange(1, 1);
    structure_selector_->setWrapping(false);
    // A typed number is read when it is complete (Enter or focus leaving),
    // not at each digit; the arrows still read at each click.
    structure_selector_->setKeyboardTracking(false);
    structure_selector_->setEnabled(false);
    bar->addWidget(structure_selector_);
    connect(structure_selector_, &QSpinBox::valueChanged, this, &MainWindow::selectStructure);
    button("stl", "STL");
    button("printer", "Color VRML");
    button("ballStick", "Ball && Stick");
    button("covalent", "Covalent");
    button("vanDerWaals", "vdW");
    button("expand", "Expand");
    button("options", "Settings");
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    button("donation", "Donate");
    button("help", "Help");
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu("File");
    file->addAction(action("load"));
    file->addAction(action("clipboard"));
    file->addSeparator();
    file->addAction(action("quit"));
    QMenu* view = menuBar()->addMenu("View");
    QAction* toggle = view->addAction("Toggle Insert on/off");
    connect(toggle, &QAction::triggered, action("expand"), &QAction::trigger);
    connect(action("expand"), &QAction::enabledChanged, toggle, &QAction::setEnabled);
    toggle->setEnabled(action("expand")->isEnabled());
    QMenu* print = menuBar()->addMenu("3D-Print");
    print->setObjectName("print3dMenu");
    print->addAction(action("stl"));
    print->addAction(action("printer"));
    print->addAction(action("modelSize"));
    print->addAction(action("bondDiameter"));
    QMenu* structure = menuBar()->addMenu("Structure");
    structure->setObjectName("structureMenu");
    structure->addAction(action("expand"));
    structure->addSeparator();
    for (const char* name : {"asymmetricUnit", "unitCell", "wholeMolecules"})
        structure->addAction(action(name));
    structure->addAction(action("cellEdges"));
    QMenu* settings = menuBar()->addMenu("Settings");
    settings->setObjectName("settingsMenu");
    settings->addAction(action("ballStick"));
    settings->addAction(action("covalent"));
    settings->addAction(action("vanDerWaals"));
    settings->addAction(action("options"));
    QMenu* help = menuBar()->addMenu("Help");
    help->addAction(action("help"));
    help->addAction(action("donation"));
    help->addAction(action("updates"));
    for (QMenu* menu : {print, structure, settings})
        menu->menuAction()->setEnabled(false);
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    const int widths[2] = {35, 100};
    for (int k = 0; k < 2; ++k) {
        status_[k] = new QLabel(bar);
        status_[k]->setObjectName(QString("status%1").arg(k));
        status_[k]->setMinimumWidth(widths[k]);
        bar->addWidget(status_[k]);
    }
    status_stack_ = new QStackedWidget(bar);
    status_[2] = new QLabel(status_stack_);
    status_[2]->setObjectName("status2");
    status_[2]->setMinimumWidth(50);
    progress_ = new QProgressBar(status_stack_);
    progress_->setObjectName("progress");
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(16);
    status_stack_->addWidget(status_[2]);
    status_stack_->addWidget(progress_);
    bar->addWidget(status_stack_, 1);
    route_ = new QLabel(bar);
    route_->setObjectName("viewerRoute");
    bar->addPermanentWidget(route_);
}

void MainWindow::setModelCommandsEnabled(bool enabled, bool expand_enabled)
{
    for (const char* name : {"ballStick", "covalent", "vanDerWaals", "stl", "printer", "options"})
        action(name)->setEnabled(enabled);
    action("expand")->setEnabled(enabled && expand_enabled);
    for (const char* name : {"asymmetricUnit", "unitCell", "wholeMolecules", "cellEdges"})
        action(name)->setEnabled(enabled && expand_enabled);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        const QString name = menu->objectName();
        if (name == "print3dMenu" || name == "structureMenu" || name == "settingsMenu")
            menu->menuAction()->setEnabled(enabled);
    }
}

void MainWindow::showModelMode(int mode)
{
    const char* names[] = {"ballStick", "covalent", "vanDerWaals"};
    if (mode >= 1 && mode <= 3)
        action(names[mode - 1])->setChecked(true);
}

void MainWindow::DrawModel()
{
    if (!scratchReady())
        return;
    if (!state_.FileChosen && !state_.RedrawOnly) {
        const QString chosen = dialogs_.open_file(this);
        if (!chosen.isEmpty())
            state_.FileName = chosen.toStdString();
    }
    const bool printer = printer_export_;
    printer_export_ = false;
    const SceneTarget target{scratchScene().toStdString(), printer, background_};
    const QString name = QFileInfo(text(state_.FileName)).fileName();
    DrawOutcome outcome = DrawOutcome::NoFile;
    warnings_.clear();
    expand_note_.clear();
    try {
        outcome = vexalith::DrawModel(state_, structure_, options_, target, *reporter_);
    } catch (const std::exception& e) {
        reporter_->progress_visible(false);
        settings_->show_options();
        showWarnings();
        // A read that failed left no model: the window shows none either.
        if (structure_.AtomCount == 0) {
            no_model_status_ = name + " could not be read";
            showEmptyScene();
        }
        dialogs_.show_error(this, QString::fromStdString(e.what()));
        return;
    }
    settings_->show_options();  // a read may have set boxes and made part boxes
    showWarnings();
    switch (outcome) {
    case DrawOutcome::NoFile:
        return;
    case DrawOutcome::VrmlInput:
        no_model_status_.clear();
        viewer_->setScene(text(state_.FileName));
        return;
    case DrawOutcome::NoAtoms:
        no_model_status_ = name + ": " + QString::fromUtf8(kNoAtomsFound.data(), kNoAtomsFound.size());
        showEmptyScene();
        return;
    case DrawOutcome::SceneWritten:
        break;
    }
    if (!printer) {
        no_model_status_.clear();
        viewer_->setScene(scratchScene());
        return;
    }
    const QString chosen = dialogs_.save_file(this, "VRML data file (*.wrl)", "wrl", suggestedSaveFile("wrl"));
    if (chosen.isEmpty())
        return;
    try {
        copy_file_atomically(scratchScene().toStdString(), chosen.toStdString());
    } catch (const std::exception& e) {
        dialogs_.show_error(this, QString::fromStdString(e.what()));
    }
}

void MainWindow::showEmptyScene()
{
    status_[2]->setText(no_model_status_);
    const QString empty = QString::fromStdString(data_folder()) + "/Vexalithempty.wrl";
    if (QFileInfo::exists(empty))
        viewer_->setScene(empty);
}

void MainWindow::showWarnings()
{
    if (warnings_.isEmpty())
        return;
    const QStringList shown = warnings_;
    warnings_.clear();
    if (dialogs_.show_warning)
        dialogs_.show_warning(this, shown.join('\n'));
}

void MainWindow::configureSelector()
{
    const StructureChoice choice = structure_choice(state_, structure_);
    const QSignalBlocker block(structure_selector_);
    structure_selector_->setSpecialValueText(choice.kind == StructureChoice::Kind::Models ? "all" : "");
    structure_selector_->setRange(choice.first, std::max(choice.first, choice.last));
    structure_selector_->setValue(choice.current);
    structure_selector_->setToolTip(choice.kind == StructureChoice::Kind::Models
                                        ? "select a model of the ensemble (all: every model at once)"
                                        : "select a structure from cif file");
}

void MainWindow::syncCamera()
{
    viewer_->requestRedraw();
    if (state_.RedrawOnly)
        viewer_->setViewpointPosition(saved_viewpoint_);
    else
        saved_viewpoint_ = viewer_->viewpointPosition();
}

void MainWindow::keepViewAndDraw()
{
    state_.RedrawOnly = false;
    syncCamera();
    state_.RedrawOnly = true;
    DrawModel();
}

void MainWindow::sceneLoaded(bool success)
{
    status_[0]->setText("         ");
    if (!success) {
        const QString reason = viewer_->lastError().section('\n', 0, 0);
        status_[2]->setText("Scene not shown: " + reason);
        emit sceneShown(false);
        return;
    }
    syncCamera();
    status_[2]->clear();
    if (viewer_->fastRoute()) {
        route_->setText("Fast view");
        route_->setToolTip("The scene's atoms and bonds are drawn straight from their centres and radii.");
    } else {
        route_->setText("General VRML view");
        route_->setToolTip("Drawn through the general VRML route: " + viewer_->routeNote());
    }
    settings_->hide();
    // After a load that gave no model the status bar says why, not a size.
    if (no_model_status_.isEmpty())
        showSizeCaption();
    else
        status_[2]->setText(no_model_status_);
    if (!expand_note_.isEmpty()) {
        status_[2]->setText(status_[2]->text() + "; " + expand_note_);
        expand_note_.clear();
    }
    emit sceneShown(true);
}

void MainWindow::showSizeCaption()
{
    status_[2]->setText(QString::fromStdString(size_caption(options_, QLocale().decimalPoint().at(0).toLatin1())));
}

// Only a colour other than the scene's is worth a new scene.
void MainWindow::backgroundChanged(const QColor& colour)
{
    const BackgroundColour chosen{static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                                  static_cast<uint8_t>(colour.blue())};
    caption_->setBackground(colour);
    if (chosen == background_)
        return;
    background_ = chosen;
    keepViewAndDraw();
}

void MainWindow::loadFile()
{
    state_.FileChosen = false;
    state_.RedrawOnly = false;
    structure_.AtomCount = 0;
    state_.StructureCount = 0;
    state_.StructureIndex = 0;
    state_.ModelIndex = 1;
    {
        const QSignalBlocker block(structure_selector_);
        structure_selector_->setValue(1);
    }
    DrawModel();
}

void MainWindow::openFile(const QString& path)
{
    state_.FileName = path.toStdString();
    reload_timer_.start();
}

void MainWindow::reloadTimerFired()
{
    state_.RedrawOnly = false;
    state_.StructureCount = 0;
    state_.StructureIndex = 0;
    state_.ModelIndex = 1;
    {
        const QSignalBlocker block(structure_selector_);
        structure_selector_->setValue(1);
    }
    state_.FileChosen = true;
    DrawModel();
}

void MainWindow::startUp()
{
    if (!scratchReady())
        return;
    convertCommandLine();
    ManualUpdateCheck = 0;
    update_timer_.start();
    update_->hide();
}

void MainWindow::checkForUpdates()
{
    if (!scratchReady())
        return;
    ManualUpdateCheck = 1;
    update_timer_.start();
}

void MainWindow::updateTimerFired()
{
    update_timer_.stop();
    try {
        update_->runUpdateStage(ManualUpdateCheck != 0);
    } catch (const std::exception&) {
        // A failing check leaves the program as it was.
    }
}

void MainWindow::convertCommandLine()
{
    if (arguments_.size() != 1)
        return;
    state_.FileChosen = true;
    state_.FileName = arguments_.first().toStdString();
    DrawModel();
}

void MainWindow::selectStructure(int index)
{
    const StructureChoice choice = structure_choice(state_, structure_);
    choose(state_, choice, index);
    status_[1]->setText(QString::fromStdString(choice_status(choice, index)));
    state_.FileChosen = true;
    state_.RedrawOnly = false;
    // Another model of an ensemble is the same protein: it keeps the
    // protein options as the user set them.
    state_.RereadRequested = choice.kind == StructureChoice::Kind::Models;
    DrawModel();
}

void MainWindow::selectModelMode(int mode)
{
    select_model_mode(state_, options_, structure_.ProteinFile, mode);
    settings_->show_options();
    state_.RedrawOnly = false;
    syncCamera();
    state_.RedrawOnly = true;
    showModelMode(mode);
    DrawModel();
}

void MainWindow::selectCrystalMode(CrystalMode mode)
{
    // A click on the mode already drawn leaves it chosen.
    showCrystalOptions();
    if (mode == options_.Crystal)
        return;
    options_.Crystal = mode;
    state_.CrystalRequested = true;
    showCrystalOptions();
    settings_->show_options();
    keepViewAndDraw();
}

void MainWindow::showCrystalOptions()
{
    const std::pair<const char*, CrystalMode> modes[] = {{"asymmetricUnit", CrystalMode::Asymmetric},
                                                         {"unitCell", CrystalMode::Cell},
                                                         {"wholeMolecules", CrystalMode::Molecules}};
    for (const auto& [name, mode] : modes)
        action(name)->setChecked(mode == options_.Crystal);
    const QSignalBlocker quiet(action("cellEdges"));
    action("cellEdges")->setChecked(options_.CellEdges);
}

void MainWindow::expand()
{
    request_expand(state_);
    keepViewAndDraw();
}

void MainWindow::exportStl()
{
    PrintFileChoice choice;
    if (dialogs_.save_print_file)
        choice = dialogs_.save_print_file(this, suggestedSaveFile("stl"));
    else
        choice.file = dialogs_.save_file(this, print_file_filters().first(), "stl", suggestedSaveFile("stl"));
    if (choice.file.isEmpty())
        return;
    try {
        const StlTemplates templates = load_stl_templates(data_folder());
        const Model model = build_model(structure_, options_);
        const std::string file = choice.file.toStdString();
        switch (choice.kind) {
        case PrintFileKind::AsciiStl:
            write_stl(file, model, templates, *reporter_);
            break;
        case PrintFileKind::BinaryStl:
            write_binary_stl(file, model, templates, *reporter_);
            break;
        case PrintFileKind::ThreeMf:
            write_three_mf(file, model, templates, *reporter_);
            break;
        }
        showPrintReport(print_report(model));
    } catch (const std::exception& e) {
        reporter_->progress_visible(false);
        dialogs_.show_error(this, QString::fromStdString(e.what()));
    }
}

void MainWindow::showPrintReport(const PrintReport& report)
{
    status_[2]->setText(QString::fromStdString(print_report_summary(report)));
    if (report.warnings.empty())
        return;
    QStringList lines;
    for (const std::string& warning : report.warnings)
        lines << QString::fromStdString(warning);
    dialogs_.show_warning(this, "This model may not print as it is:\n" + lines.join("\n"));
}

void MainWindow::exportPrinterVrml()
{
    printer_export_ = true;
    state_.RedrawOnly = false;
    SetHideBridgesBox(options_, false);
    syncCamera();
    state_.RedrawOnly = true;
    DrawModel();
    SetHideBridgesBox(options_, true);
    settings_->show_options();
}

QImage MainWindow::viewImage()
{
    QImage image = viewer_->grabView();
    // The caption lies over the view's corner, as on the screen.
    QPainter painter(&image);
    const QPoint at = caption_->mapTo(viewer_panel_, QPoint(0, 0)) - viewer_->mapTo(viewer_panel_, QPoint(0, 0));
    caption_->render(&painter, at, QRegion(), QWidget::DrawChildren);
    return image;
}

void MainWindow::copyViewToClipboard()
{
    caption_->setHintShown(false);
    status_[2]->setText("Image loaded to Clipboard");
    QApplication::clipboard()->setImage(viewImage());
    caption_->setHintShown(true);
}

QString MainWindow::suggestedSaveFile(const QString& extension) const
{
    if (state_.FileName.empty())
        return QString();
    const QFileInfo loaded(text(state_.FileName));
    return loaded.absoluteDir().filePath(loaded.completeBaseName() + "." + extension);
}

void MainWindow::openAddress(const QString& url, const QString& what)
{
    if (!dialogs_.open_url(url))
        dialogs_.show_error(
            this, "No web browser could be started to show " + what + ".\nOpen this address in a browser:\n" + url);
}

void MainWindow::openHelp() { openAddress(QUrl::fromLocalFile(manual_path()).toString(), "the manual"); }

void MainWindow::openDonationPage()
{
    status_[2]->setText("Opening Web Browser - please wait");
    openAddress(kDonationPage, "the donation page");
}

void MainWindow::quit() { close(); }

void MainWindow::donationTimerTick()
{
    if (status_[2]->text() != kDonationReminder) {
        saved_status_text_ = status_[2]->text();
        status_[2]->setText(kDonationReminder);
    } else {
        status_[2]->setText(saved_status_text_);
    }
}

// Status tips would replace the status bar's panels and progress bar with
// a message; the window has its hints as tooltips.
bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!dialogs_.confirm_close(this)) {
        event->ignore();
        return;
    }
    if (scratch_)
        QFile::remove(scratchScene());
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (filesDropped(*event->mimeData()))
        event->acceptProposedAction();
}

bool MainWindow::filesDropped(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return false;
    openFile(urls.first().toLocalFile());
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewer_panel_ && event->type() == QEvent::Resize)
        caption_->placeInCorner();
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vexalith
