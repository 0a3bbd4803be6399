#include "app/ui/MainFrame.h"
#include "app/ui/RequestServer.h"
#include "app/FrameCommands.h"
#include "app/ui/FrameIcons.h"
#include "app/ui/FrameWindows.h"
#include "app/ui/WelcomeDialog.h"
#include "app/ui/RecordCommands.h"
#include "app/ui/ManualWindow.h"
#include "app/ui/DocumentChild.h"

#include <algorithm>
#include <iterator>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QWindow>
#include <filesystem>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CBasicApp.h"
#include "app/ui/MainToolbar.h"
#include "app/ui/SubjectUi.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "image/FileKinds.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/ui/Ctrv2View.h"
#include "measure/ZBasicDoc.h"
#include "video/CMotivaDoc.h"
#include "video/CMotivaRecDoc.h"
#include "framework/AppServices.h"
#include "image/ImageFormats.h"
#include "framework/Document.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "framework/ui/MenuProvider.h"
#include "framework/ui/SubWindowPlacement.h"
#include "framework/ui/ViewRegistry.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "settings/ProfileStore.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"

namespace ordavia {

// Every container the video import reads is listed, not only AVI.
const char* MainFrame::kOpenFilter =
    "ZV files|*.cs1;*.dcs;*.zv1;*.rst;*.zvl;*.zvfcf;*.zvxy;*.avi;*.mve;*.mp4;*.mov;*.mkv;*.m4v;*.webm;*.wmv;*.mpg;"
    "*.mpeg;*.ogv;*.flv;*.ts;*.bmp;*.zvg;*.tif;*.tiff;*.jpg;*.jpeg;*.png;*.dcm|Images (*.cs1)|*.cs1|Pictures "
    "(*.bmp;*.zvg;*.tif;*.tiff;*.jpg;*.jpeg;*.png)|*.bmp;*.zvg;*.tif;*.tiff;*.jpg;*.jpeg;*.png|Videos (*.dcs)|*.dcs|"
    "AVI Videos (*.avi)|*.avi|Movies (*.mve;*.mp4;*.mov;*.mkv;*.m4v;*.webm;*.wmv;*.mpg;*.mpeg;*.ogv;*.flv;*.ts)|"
    "*.mve;*.mp4;"
    "*.mov;*.mkv;*.m4v;*.webm;*.wmv;*.mpg;*.mpeg;*.ogv;*.flv;*.ts|Charts (*.zv1)|*.zv1|Results (*.rst)|*.rst|Linescans "
    "(*.zvl)|*.zvl|FCF (*.zvfcf)|*.zvfcf|XY charts (*.zvxy)|*.zvxy|DICOM (*.dcm)|*.dcm|All files (*.*)|*.*||";

namespace {

const char* kRecentSection = "Recent File List";

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// What the frame's commands reach: the open live video, recorder and Doppler
// monitor documents, found by their document types, and their views'
// commands, found by menu text as the toolbars find them.
class MainFrame::Devices : public FrameDevices {
public:
    explicit Devices(MainFrame& f) : f_(f), recorder_(*new RecordCommands(f.app_, f)) {}

    // Live video needs a camera source in this run as well as its type.
    bool liveTypeAvailable() const override { return CameraSources::of(f_.app_.services()) && bound(kLive); }
    bool liveWindowOpen() const override { return find(kLive) != nullptr; }
    bool showLiveWindow() override { return liveTypeAvailable() && show(kLive); }
    bool cameraGrabbing() const override { return live() && live()->isLive(); }
    void startCamera() override {
        if (ZBasicfgDoc* l = live())
            if (const Status started = l->startLive(); !started) say(started.reason());
    }
    void stopCamera() override {
        if (ZBasicfgDoc* l = live()) l->stopLive();
    }
    bool freezeAndSave(const std::string& name) override {
        ZBasicfgDoc* l = live();
        if (!l) return false;
        if (!l->freezeAndSave(name)) showDocumentFailure(l->services().prompter(), l->lastStatus(), l->quiet());
        return true;
    }

    bool monitorTypeAvailable() const override { return bound(kMonitor); }
    bool monitorOpen() const override { return find(kMonitor) != nullptr; }
    bool showMonitor() override { return show(kMonitor); }
    bool monitorRunning() const override { return monitor() && monitor()->running(); }
    void startMonitor() override {
        if (Ctrv2Doc* m = monitor()) m->run(true);
    }
    void stopMonitor() override {
        if (Ctrv2Doc* m = monitor()) m->run(false);
    }
    void laser() override {
        if (Ctrv2Doc* m = monitor()) m->toggleLaser();
    }
    bool monitorInFront() const override {
        QMdiSubWindow* w = f_.mdi_->activeSubWindow();
        auto* c = dynamic_cast<DocumentChild*>(w);
        return c && c->document() && c->document() == find(kMonitor);
    }
    bool monitorRecording() const override { return monitor() && monitor()->recording(); }
    void toggleMonitorRecording() override {
        if (!run(kMonitor, Ctrv2View::kRecordText)) say("The Doppler monitor cannot record now.");
    }

    bool recording() const override { return recorder_.recording(); }
    bool showRecorder() override {
        CMotivaRecDoc* r = recorder_.recorder(true);
        if (r) f_.activateDocument(r);
        return r != nullptr;
    }
    void startRecording() override { (void)recorder_.startRecording(); }
    void stopRecording() override { recorder_.stopRecording(); }
    void imageSequenceSettings() override { recorder_.imageSequence(); }
    void openCytoscanFile() override { recorder_.openCytoscan(); }

    void prepareRecordingFolder() override {
        AppServices& sv = f_.app_.services();
        // The current examination's folder (inside the data folder, never
        // beside wherever the program was started), else the profile's.
        std::string dir = sv.profile().GetString("directories", "recorddir", "");
        const CSubjectDatabase* db = CSubjectDatabase::of(sv);
        if (db && !db->currentExamFolder().empty()) {
            const std::string& exam = db->currentExamFolder();
            dir = exam[0] == '/' || db->dataFolder().empty() ? exam : joinPath(db->dataFolder(), exam);
            sv.profile().WriteString("directories", "recorddir", dir);
        }
        if (!dir.empty() && dir[0] == '/') {
            std::error_code ec;
            std::filesystem::create_directories(dir, ec);
        }
        if (f_.recordBar_) f_.recordBar_->applyRecordingSettings();
    }
    void say(const std::string& text) override { f_.statusBar()->showMessage(q(text), 8000); }

    static constexpr const char* kLive = "ZBasicfgDoc";
    static constexpr const char* kMonitor = "Ctrv2Doc";
    static constexpr const char* kRecorder = "CMotivaRecDoc";
    static constexpr const char* kCytoscan = "ZVcytoDoc";

private:
    Ctrv2Doc* monitor() const { return dynamic_cast<Ctrv2Doc*>(find(kMonitor)); }
    ZBasicfgDoc* live() const { return dynamic_cast<ZBasicfgDoc*>(find(kLive)); }
    // A document type this build can open and show.
    bool bound(const char* cls) const {
        DocTemplate* t = f_.app_.templates().findByClass(cls);
        return t && t->isBound() && findViewMaker(t->viewClass) != nullptr;
    }
    Document* find(const char* cls) const {
        for (const auto& d : f_.app_.documents())
            if (d->GetDocTemplate() && d->GetDocTemplate()->docClass == cls) return d.get();
        return nullptr;
    }
    QWidget* viewOf(const char* cls) const {
        Document* d = find(cls);
        if (!d) return nullptr;
        for (QMdiSubWindow* w : f_.mdi_->subWindowList())
            if (auto* c = dynamic_cast<DocumentChild*>(w); c && c->document() == d) return w->widget();
        return nullptr;
    }
    QAction* action(const char* cls, const char* text) const { return findViewCommand(viewOf(cls), QString::fromUtf8(text)); }
    bool enabled(const char* cls, const char* text) const {
        QAction* a = action(cls, text);
        return a && a->isEnabled();
    }
    bool checked(const char* cls, const char* text) const {
        QAction* a = action(cls, text);
        return a && a->isChecked();
    }
    bool run(const char* cls, const char* text) {
        QAction* a = action(cls, text);
        if (!a || !a->isEnabled()) return false;
        a->trigger();
        return true;
    }
    bool show(const char* cls) {
        if (Document* d = find(cls)) {
            f_.activateDocument(d);
            return true;
        }
        if (!bound(cls)) return false;
        Document* d = f_.app_.OpenNewDocument(f_.app_.templates().findByClass(cls));
        // A monitor that opens starts acquiring, as it does at start-up.
        if (auto* m = dynamic_cast<Ctrv2Doc*>(d)) m->run(true);
        return d != nullptr;
    }

    MainFrame& f_;
    RecordCommands& recorder_;  // owned by the frame (a child object)
};

MainFrame::MainFrame(CBasicApp& app) : app_(app) {
    setWindowTitle(CBasicApp::kTitle);
    setObjectName("FENWYR");
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setBackground(QColor(0x70, 0x78, 0x84));
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainFrame::onSubWindowActivated);
    setAcceptDrops(true);
    setWindowIcon(frameIcon("app"));
    devices_ = std::make_unique<Devices>(*this);
    commands_ = std::make_unique<FrameCommands>(*devices_, app_.services());
    buildMenus();
    statusBar()->showMessage("Ready");
}

MainFrame::~MainFrame() = default;

bool MainFrame::create() {
    const ProfileStore& p = app_.services().profile();
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1280, 800);
    const int left = p.GetInt("MainWindow", "left", 0);
    const int top = p.GetInt("MainWindow", "top", 0);
    int w = p.GetInt("MainWindow", "w", screen.width());
    int h = p.GetInt("MainWindow", "h", screen.height());
    w = std::clamp(w, 400, std::max(400, screen.width()));
    h = std::clamp(h, 300, std::max(300, screen.height()));
    setGeometry(std::clamp(left, screen.left(), std::max(screen.left(), screen.right() - w)),
                std::clamp(top, screen.top(), std::max(screen.top(), screen.bottom() - h)), w, h);
    loadRecent();
    // Result tables open through the results template and get a window.
    ResultTables::in(app_.services()).setMaker([this]() -> CResultDoc* {
        DocTemplate* t = app_.templates().findByClass("CResultDoc");
        return dynamic_cast<CResultDoc*>(app_.OpenNewDocument(t));
    });
    return true;
}

void MainFrame::startupWindows() {
    // The live video window comes up at start when the camera type is there.
    if (devices_->liveTypeAvailable()) devices_->showLiveWindow();
    // The Doppler monitor opens and starts when its interface board is
    // there; otherwise the user is told once the window is up.
    if (app_.services().profile().GetInt("MainWindow", "TRV2", 1) == 0) return;
    if (app_.dopplerAvailable()) {
        if (auto* monitor = dynamic_cast<Ctrv2Doc*>(app_.OpenNewDocument(app_.templates().findByClass("Ctrv2Doc"))))
            monitor->run(true);
        return;
    }
    QTimer::singleShot(0, this, [this] {
        app_.services().prompter().messageBox(Ctrv2Doc::kNotDetected, MsgButtons::Ok, MsgIcon::Warning);
    });
}

void MainFrame::showNormal() {
    QMainWindow::showNormal();
    update();
}

void MainFrame::postCommand(const std::string& command) {
    QTimer::singleShot(0, this, [this, command] {
        for (QAction* a : findChildren<QAction*>()) {
            if (a->text().toStdString() == command && a->isEnabled()) {
                a->trigger();
                return;
            }
        }
        statusBar()->showMessage(q("\"" + command + "\" is not available in this version of Ordavia."), 8000);
    });
}

void MainFrame::postClose() {
    QTimer::singleShot(0, this, &QWidget::close);
}

void MainFrame::onFileNew() {
    app_.OnFileNew();
    statusBar()->showMessage("Start-up settings written to " + q(app_.profilePath()), 5000);
}

void MainFrame::onNewChart() {
    if (!app_.OpenNewDocument(app_.templates().findByClass("CReviewDoc")))
        app_.services().prompter().messageBox("Cannot open a new chart.", MsgButtons::Ok, MsgIcon::Warning);
}

void MainFrame::onFileOpen() {
    const std::vector<std::string> files = app_.services().prompter().openFiles("Open", kOpenFilter, {}, true);
    QStringList list;
    for (const auto& f : files) list << q(f);
    if (!list.isEmpty()) openFiles(list);
}

void MainFrame::onUserManual() {
    const QString manual = q(app_.programFolder()) + "help/index.html";
    if (!QFileInfo::exists(manual)) {
        app_.services().prompter().messageBox("Cannot open the user manual " + manual.toStdString(), MsgButtons::Ok,
                                              MsgIcon::Warning);
        return;
    }
    // Our own window: the manual opens without a web browser.
    if (!manual_) manual_ = new ManualWindow(manual, this);
    manual_->show();
    manual_->raise();
    manual_->activateWindow();
}

QWidget* MainFrame::manualWindow() const { return manual_; }

void MainFrame::onAbout() {
    QString text = QString("<b>%1</b><br><br>").arg(CBasicApp::kTitle);
    for (const std::string& l : app_.aboutLines()) text += q(l).toHtmlEscaped() + "<br>";
    QMessageBox box(this);
    box.setWindowTitle("About Ordavia");
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    box.exec();
}

void MainFrame::onSubWindowActivated(QMdiSubWindow* w) {
    // The active view's own menus replace those of the previous one.
    for (const QPointer<QAction>& a : docMenuActions_)
        if (a) menuBar()->removeAction(a);
    for (const QPointer<QAction>& a : docFileActions_)
        if (a) fileMenu_->removeAction(a);
    docMenuActions_.clear();
    docFileActions_.clear();
    toolbar_->setActiveView(w ? w->widget() : nullptr);
    secondBar_->setActiveView(w ? w->widget() : nullptr);
    auto* provider = w ? dynamic_cast<MenuProvider*>(w->widget()) : nullptr;
    placeViewMenu(provider ? provider->documentMenus() : QList<QMenu*>());
    if (!provider) return;
    for (QMenu* m : provider->documentMenus()) {
        menuBar()->insertMenu(viewMenuAction_, m);
        docMenuActions_ << m->menuAction();
    }
    const QList<QAction*> fileActs = provider->fileActions();
    for (QAction* a : fileActs) docFileActions_ << a;
    fileMenu_->insertActions(fileInsertPoint_, fileActs);
}

void MainFrame::loadRecent() {
    std::vector<std::string> entries;
    for (int i = 1; i <= 4; ++i) {
        const std::string p = app_.services().profile().GetString(kRecentSection, "File" + std::to_string(i), "");
        if (!p.empty()) entries.push_back(p);
    }
    app_.recentFiles().setEntries(entries);
}

void MainFrame::saveRecent() {
    const auto& entries = app_.recentFiles().entries();
    for (size_t i = 0; i < 4; ++i)
        app_.services().profile().WriteString(kRecentSection, "File" + std::to_string(i + 1),
                                             i < entries.size() ? entries[i] : std::string());
}

void MainFrame::savePlacement() {
    if (isMinimized()) return;
    const QRect g = geometry();
    const ProfileStore& p = app_.services().profile();
    p.WriteInt("MainWindow", "left", g.left());
    p.WriteInt("MainWindow", "top", g.top());
    p.WriteInt("MainWindow", "w", g.width());
    p.WriteInt("MainWindow", "h", g.height());
    p.WriteInt("MainWindow", "statleft", statusWindow_->x());
    p.WriteInt("MainWindow", "stattop", statusWindow_->y());
    p.WriteInt("MainWindow", "TRV2", devices_->monitorOpen() ? 1 : 0);
}

void MainFrame::welcome(std::function<int(bool hasDatabase)> ask) {
    const ProfileStore& p = app_.services().profile();
    if (p.GetInt("Welcome", "show", 1) == 0) return;
    const CSubjectDatabase* db = CSubjectDatabase::of(app_.services());
    const bool hasDatabase = db && db->isOpen();
    int choice = WelcomeDialog::kClose;
    if (ask) {
        choice = ask(hasDatabase);
        p.WriteInt("Welcome", "show", 0);
    } else {
        WelcomeDialog d(hasDatabase, this);
        d.exec();
        choice = d.choice();
        p.WriteInt("Welcome", "show", d.showAgain() ? 1 : 0);
    }
    const std::string start = hasDatabase ? db->dataFolder() : std::string();
    switch (choice) {
        case WelcomeDialog::kOpenPicture: {
            const auto files = app_.services().prompter().openFiles(
                "Open a picture", "Pictures|*.bmp;*.zvg;*.tif;*.tiff;*.jpg;*.jpeg;*.png;*.cs1|All files (*.*)|*.*||", start, true);
            QStringList list;
            for (const auto& f : files) list << q(f);
            if (!list.isEmpty()) openFiles(list);
            break;
        }
        case WelcomeDialog::kOpenVideo: {
            const auto files = app_.services().prompter().openFiles(
                "Open a video",
                "Videos|*.dcs;*.mve;*.avi;*.mp4;*.mov;*.mkv;*.m4v;*.webm;*.wmv;*.mpg;*.mpeg;*.ogv;*.flv;*.ts|All files (*.*)|*.*||",
                start, true);
            QStringList list;
            for (const auto& f : files) list << q(f);
            if (!list.isEmpty()) openFiles(list);
            break;
        }
        case WelcomeDialog::kChooseSubject:
            subjects_->workflow().selectSubject();
            break;
        default:
            break;
    }
}

void MainFrame::closeLiveVideo() {
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* c = dynamic_cast<DocumentChild*>(w); c && c->document() && c->document()->GetDocTemplate() &&
                                                     c->document()->GetDocTemplate()->docClass == Devices::kLive)
            w->close();
}

QAction* MainFrame::frameCommand(const QString& text) const {
    for (QAction* a : frameCommands_)
        if (a->text() == text) return a;
    return nullptr;
}

QStringList MainFrame::statusLines() const {
    const AppServices& sv = app_.services();
    const CSubjectDatabase* db = CSubjectDatabase::of(sv);
    const std::string subject = db ? selectionSummary(*db) : std::string();
    QStringList lines;
    lines << (subject.empty() ? QString("No subject") : q(subject));
    lines << (devices_->liveWindowOpen() ? (devices_->cameraGrabbing() ? "Camera: live" : "Camera: stopped")
                                         : "Camera: no live video window");
    lines << (devices_->recording() ? "Recorder: recording" : "Recorder: idle");
    if (devices_->monitorOpen())
        lines << (devices_->monitorRunning() ? "Doppler: running" : "Doppler: stopped");
    else
        lines << (app_.dopplerAvailable() ? "Doppler: monitor closed" : "Doppler: no interface board");
    return lines;
}

void MainFrame::refreshStatus() {
    syncCommandChecks();
    if (statusWindow_ && statusWindow_->isVisible()) statusWindow_->setLines(statusLines());
}

void MainFrame::syncCommandChecks() {
    if (QAction* a = frameCommand(FrameCommands::kRecord)) a->setChecked(commands_->recordChecked());
    if (QAction* a = frameCommand(FrameCommands::kStartPause)) a->setChecked(commands_->startPauseChecked());
}

void MainFrame::applyExpertMode() {
    toolbar_->setVisible(expert_);
    secondBar_->setVisible(expert_);
    recordBar_->setVisible(expert_);
}

void MainFrame::setExpertMode(bool on) {
    if (expert_ == on) return;
    expert_ = on;
    applyExpertMode();
    // Leaving expert mode goes back to choosing the subject.
    if (!on) QTimer::singleShot(0, this, [this] { subjects_->workflow().selectSubject(); });
}

void MainFrame::setAlwaysOnTop(bool on) {
    onTop_ = on;
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowStaysOnTopHint, on);
    }
    if (!on && isVisible()) lower();
}

void MainFrame::closeEvent(QCloseEvent* e) {
    // Every modified document is asked about before any window closes, so
    // that Cancel leaves all of them open.
    if (!app_.SaveAllModified()) {
        e->ignore();
        return;
    }
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        app_.cancelExit();
        e->ignore();
        return;
    }
    savePlacement();
    saveRecent();
    e->accept();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths << u.toLocalFile();
    if (!paths.isEmpty()) {
        e->acceptProposedAction();
        openFiles(paths);
    }
}

}  // namespace ordavia
