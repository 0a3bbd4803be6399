// The main window's menus and tool bars.
#include "app/ui/MainFrame.h"
#include "app/ui/RequestServer.h"
#include "app/FrameCommands.h"
#include "app/ui/FrameIcons.h"
#include "app/ui/FrameWindows.h"
#include "app/ui/WelcomeDialog.h"
#include "app/ui/RecordCommands.h"
#include "app/ui/ManualWindow.h"

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
#include "base/ui/CommandTable.h"
#include "framework/ui/MenuProvider.h"
#include "framework/ui/SubWindowPlacement.h"
#include "framework/ui/ViewRegistry.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "settings/ProfileStore.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"

#include "app/ui/DocumentChild.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The View commands the tool bar area's own menu shares.
constexpr const char* kToolbar = "&Toolbar";
constexpr const char* kRecordBar = "&Record bar";
// How many recent files the File menu lists.
constexpr size_t kRecentShown = 4;

}  // namespace

void MainFrame::buildMenus() {
    using D = MenuCommand::Divider;
    QAction* openAct = nullptr;
    const CommandTable file = {
        {.text = "&New", .run = [this] { onFileNew(); }, .shortcut = QKeySequence::New,
         .tip = "Write the start-up settings to the profile"},
        {.text = "New chart", .run = [this] { onNewChart(); }, .tip = "Open an empty chart to import traces into"},
        {.text = "&Open...", .run = [this] { onFileOpen(); }, .shortcut = QKeySequence::Open,
         .tip = "Open one or more existing documents", .action = &openAct},
        // The window in front adds its own File commands before this line.
        {.action = &fileInsertPoint_},
        section([this] { return recentEntries(); }, D::After),
        {.text = "E&xit", .run = [this] { close(); }, .shortcut = QKeySequence::Quit},
    };
    fileMenu_ = menuBar()->addMenu("&File");
    addCommands(fileMenu_, this, file);

    toolbar_ = new ordavia::MainToolbar(openAct, this);
    addToolBar(Qt::LeftToolBarArea, toolbar_);
    secondBar_ = new SecondToolbar(this);
    addToolBar(Qt::RightToolBarArea, secondBar_);
    buildAcquireMenu();
    buildBars();
    buildViewMenu();

    // The subject commands; "View Exams" only while a subject is selected.
    subjects_ = new SubjectUi(app_, *this);
    SubjectWorkflow& flow = subjects_->workflow();
    addCommands(menuBar()->addMenu("S&ubject"), this,
                {{.text = SubjectWorkflow::kSelectSubject,
                  .run = [&flow] { flow.selectSubject(); },
                  .tip = "Choose or add a subject and start or pick an examination"},
                 {.text = SubjectWorkflow::kViewExams,
                  .run = [&flow] { flow.viewExams(); },
                  .tip = "The subject's examinations and their results",
                  .enabled = [&flow] { return flow.viewExamsEnabled(); }},
                 {.text = SubjectWorkflow::kProcessResults,
                  .run = [&flow] { flow.processResults(); },
                  .tip = "Reopen every document of the current examination"}});

    addCommands(menuBar()->addMenu("&Window"), this,
                {{.text = "&Cascade", .run = [this] { mdi_->cascadeSubWindows(); }},
                 {.text = "&Tile", .run = [this] { mdi_->tileSubWindows(); }},
                 {.text = "Close All", .run = [this] { onCloseAll(); }},
                 section([this] { return windowEntries(); }, D::Before)});

    addCommands(menuBar()->addMenu("&Help"), this,
                {{.text = "User Manual", .run = [this] { onUserManual(); }, .shortcut = QKeySequence::HelpContents},
                 separator(),
                 {.text = "&About Ordavia...", .run = [this] { onAbout(); }}});
}

void MainFrame::buildViewMenu() {
    const auto popupAt = [this](QMenu* m) { m->popup(mapToGlobal(QPoint(100, 100))); };
    const Qt::ShortcutContext everywhere = Qt::ApplicationShortcut;
    QAction* bar = toolbar_->toggleViewAction();
    QAction* recordBar = recordBar_->toggleViewAction();
    const CommandTable table = {
        // Both toolbars together: the second follows the main one.
        {.text = kToolbar, .run = [bar] { bar->trigger(); }, .tip = "Show or hide the main toolbar", .checkable = true,
         .checked = [bar] { return bar->isChecked(); }},
        {.text = "Chart &editing buttons",
         .run = [this] { toolbar_->setChartEditingShown(!toolbar_->chartEditingShown()); },
         .tip = "Show or hide the toolbar's buttons from Cut to Hide trace",
         .checkable = true,
         .checked = [this] { return toolbar_->chartEditingShown(); }},
        {.text = kRecordBar, .run = [recordBar] { recordBar->trigger(); }, .tip = "Show or hide the record bar",
         .checkable = true, .checked = [recordBar] { return recordBar->isChecked(); }},
        {.text = "&Status", .run = [this] { statusWindow_->setVisible(!statusWindow_->isVisible()); },
         .tip = "Show or hide the floating status window", .checkable = true,
         .checked = [this] { return statusWindow_->isVisible(); }},
        separator(),
        {.text = "&Always on top", .run = [this] { setAlwaysOnTop(!onTop_); },
         .tip = "Keep the workstation above other windows", .checkable = true, .checked = [this] { return onTop_; }},
        {.text = "Expert Mode", .run = [this] { setExpertMode(!expert_); },
         .tip = "Show the toolbars and the record bar; turning it off asks for the subject", .checkable = true,
         .checked = [this] { return expert_; }},
        separator(),
        {.text = kViewPopup, .run = [this, popupAt] { popupAt(viewPopup()); },
         .shortcut = QKeySequence(Qt::SHIFT | Qt::Key_F10), .context = everywhere,
         .tip = "The commands of the window in front, as a popup menu"},
        {.text = kAcquirePopup, .run = [this, popupAt] { popupAt(acquirePopup()); },
         .shortcut = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F10), .context = everywhere,
         .tip = "The acquisition commands, as a popup menu"},
    };
    viewMenu_ = menuBar()->addMenu("&View");
    viewMenuAction_ = viewMenu_->menuAction();
    frameCommands_ << addCommands(viewMenu_, this, table);
    // In a view's own View menu the frame's commands start with a line.
    auto* lead = new QAction(this);
    lead->setSeparator(true);
    frameViewActions_ = QList<QAction*>{lead} + viewMenu_->actions();

    // The tool bar area's own menu names the bars as the View menu does;
    // hiding the main toolbar there hides the second one too.
    for (QAction* a : {bar, recordBar}) {
        const QAction* same = frameCommand(a == bar ? kToolbar : kRecordBar);
        a->setText(same->text());
        a->setStatusTip(same->statusTip());
    }
    connect(bar, &QAction::toggled, secondBar_, &QToolBar::setVisible);
}

void MainFrame::placeViewMenu(const QList<QMenu*>& viewMenus) {
    if (borrowedViewMenu_)
        for (QAction* a : frameViewActions_) borrowedViewMenu_->removeAction(a);
    borrowedViewMenu_ = nullptr;
    for (QMenu* m : viewMenus)
        if (m->title() == viewMenu_->title()) borrowedViewMenu_ = m;
    if (borrowedViewMenu_) {
        borrowedViewMenu_->addActions(frameViewActions_);
        connect(borrowedViewMenu_, &QMenu::aboutToShow, this, &MainFrame::refreshViewChecks, Qt::UniqueConnection);
    }
    viewMenuAction_->setVisible(!borrowedViewMenu_);
}

void MainFrame::refreshViewChecks() { emit viewMenu_->aboutToShow(); }

std::vector<MenuEntry> MainFrame::recentEntries() {
    std::vector<MenuEntry> out;
    for (const std::string& entry : app_.recentFiles().entries()) {
        if (out.size() == kRecentShown) break;
        const QString path = q(entry);
        out.push_back({.text = QString("&%1 %2").arg(out.size() + 1).arg(path),
                       .run = [this, path] { openFiles({path}); }});
    }
    return out;
}

std::vector<MenuEntry> MainFrame::windowEntries() {
    std::vector<MenuEntry> out;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        out.push_back({.text = QString("&%1 %2").arg(out.size() + 1).arg(w->windowTitle()),
                       .run = [this, w = QPointer<QMdiSubWindow>(w)] {
                           if (w) mdi_->setActiveSubWindow(w);
                       },
                       .checkable = true,
                       .checked = w == mdi_->activeSubWindow()});
    return out;
}

void MainFrame::buildAcquireMenu() {
    using FC = FrameCommands;
    FrameCommands& c = *commands_;
    // Every command brings the check marks of the others up to date; the
    // shortcuts work whichever window is in front.
    const auto then = [this](std::function<void()> run) {
        return [this, run = std::move(run)] {
            run();
            syncCommandChecks();
        };
    };
    const Qt::ShortcutContext everywhere = Qt::ApplicationShortcut;
    const CommandTable table = {
        {.text = FC::kLiveVideo,
         .run = then([&c] { c.liveVideo(); }),
         .icon = frameIcon("live"),
         .tip = "Show the live video window, opening it when needed",
         .checkable = true,
         .checked = [&c] { return c.liveVideoChecked(); }},
        {.text = FC::kMonitor,
         .run = then([&c] { c.monitor(); }),
         .icon = frameIcon("monitor"),
         .tip = "Show the Doppler monitor, opening it when needed",
         .checkable = true,
         .checked = [&c] { return c.monitorChecked(); }},
        separator(),
        {.text = FC::kStart,
         .run = then([&c] { c.start(); }),
         .shortcut = QKeySequence(Qt::Key_F5),
         .context = everywhere,
         .icon = frameIcon("start"),
         .tip = "Start the Doppler monitor and the camera"},
        {.text = FC::kStop,
         .run = then([&c] { c.stop(); }),
         .shortcut = QKeySequence(Qt::SHIFT | Qt::Key_F5),
         .context = everywhere,
         .icon = frameIcon("stop"),
         .tip = "Stop the camera and the Doppler monitor"},
        {.text = FC::kStartPause,
         .run = then([&c] { c.startPauseCamera(); }),
         .shortcut = QKeySequence(Qt::Key_Pause),
         .context = everywhere,
         .icon = frameIcon("hold"),
         .tip = "Stop what runs, or start",
         .checkable = true,
         .checked = [&c] { return c.startPauseChecked(); }},
        {.text = FC::kLaser, .run = then([&c] { c.laser(); }), .icon = frameIcon("laser"), .tip = "Switch the Doppler monitor's laser"},
        separator(),
        {.text = FC::kRecord,
         .run = then([&c] { c.recordSequence(); }),
         .shortcut = QKeySequence(Qt::Key_F12),
         .context = everywhere,
         .icon = frameIcon("record"),
         .tip = "Record a video from the live picture, or stop the recording",
         .checkable = true,
         .checked = [&c] { return c.recordChecked(); }},
        {.text = FC::kSaveImage,
         .run = then([&c] { c.saveImage(); }),
         .shortcut = QKeySequence(Qt::Key_F4),
         .context = everywhere,
         .icon = frameIcon("save-image"),
         .tip = "Freeze the live picture and save it into the recording folder"},
        {.text = FC::kTrigger,
         .run = then([&c] { c.trigger(); }),
         .shortcut = QKeySequence(Qt::Key_F3),
         .context = everywhere,
         .icon = frameIcon("trigger"),
         .tip = "Save a picture, or record when the trigger is set to record"},
        separator(),
        {.text = FC::kImageSequence,
         .run = then([&c] { c.imageSequence(); }),
         .icon = frameIcon("record"),
         .tip = "The recorder's frame count, skip, loop and folder"},
        {.text = FC::kOpenCytoscan,
         .run = then([&c] { c.openCytoscan(); }),
         .icon = frameIcon("open"),
         .tip = "Open a recording of a Cytoscan-type device"},
    };
    acquireMenu_ = menuBar()->addMenu("&Acquire");
    frameCommands_ << addCommands(acquireMenu_, this, table);
}

void MainFrame::buildBars() {
    recordBar_ = new RecordBar(app_.services().profile(), frameCommand(FrameCommands::kSaveImage),
                               frameCommand(FrameCommands::kRecord), frameCommand(FrameCommands::kTrigger), this);
    recordBar_->chooseFolder = [this](const QString& current) {
        auto dir = app_.services().prompter().chooseFolder("Recording folder", current.toStdString());
        return dir ? q(*dir) : QString();
    };
    addToolBar(Qt::TopToolBarArea, recordBar_);
    statusWindow_ = new StatusWindow(this);
    statusWindow_->move(app_.services().profile().GetInt("MainWindow", "statleft", 100),
                        app_.services().profile().GetInt("MainWindow", "stattop", 100));
    statusTimer_ = new QTimer(this);
    connect(statusTimer_, &QTimer::timeout, this, &MainFrame::refreshStatus);
    statusTimer_->start(500);
    refreshStatus();
}

}  // namespace ordavia
