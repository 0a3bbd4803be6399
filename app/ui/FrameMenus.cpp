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
#include "framework/ui/CommandTable.h"
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

}  // namespace

void MainFrame::buildMenus() {
    fileMenu_ = menuBar()->addMenu("&File");
    QAction* newAct = fileMenu_->addAction("&New", this, &MainFrame::onFileNew);
    newAct->setShortcut(QKeySequence::New);
    newAct->setStatusTip("Write the start-up settings to the profile");
    QAction* newChart = fileMenu_->addAction("New chart", this, &MainFrame::onNewChart);
    newChart->setStatusTip("Open an empty chart to import traces into");
    QAction* openAct = fileMenu_->addAction("&Open...", this, &MainFrame::onFileOpen);
    openAct->setShortcut(QKeySequence::Open);
    openAct->setStatusTip("Open one or more existing documents");
    fileInsertPoint_ = fileMenu_->addSeparator();
    for (int i = 0; i < 4; ++i) {
        QAction* a = fileMenu_->addAction(QString());
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, a] { openFiles({a->data().toString()}); });
        recentActions_ << a;
    }
    recentSeparator_ = fileMenu_->addSeparator();
    QAction* exitAct = fileMenu_->addAction("E&xit", this, &QWidget::close);
    exitAct->setShortcut(QKeySequence::Quit);
    connect(fileMenu_, &QMenu::aboutToShow, this, &MainFrame::updateRecentMenu);

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

    windowMenu_ = menuBar()->addMenu("&Window");
    windowMenuAction_ = windowMenu_->menuAction();
    connect(windowMenu_, &QMenu::aboutToShow, this, &MainFrame::updateWindowMenu);
    updateWindowMenu();

    addCommands(menuBar()->addMenu("&Help"), this,
                {{.text = "User Manual", .run = [this] { onUserManual(); }, .shortcut = QKeySequence::HelpContents},
                 separator(),
                 {.text = "&About Ordavia...", .run = [this] { onAbout(); }}});
}

void MainFrame::buildViewMenu() {
    viewMenu_ = menuBar()->addMenu("&View");
    viewMenuAction_ = viewMenu_->menuAction();
    QAction* bar = toolbar_->toggleViewAction();
    bar->setText("&Toolbar");
    bar->setStatusTip("Show or hide the main toolbar");
    auto* chartButtons = new QAction("Chart &editing buttons", this);
    chartButtons->setCheckable(true);
    chartButtons->setChecked(toolbar_->chartEditingShown());
    chartButtons->setStatusTip("Show or hide the toolbar's buttons from Cut to Hide trace");
    connect(chartButtons, &QAction::toggled, toolbar_, &ordavia::MainToolbar::setChartEditingShown);
    // "&Toolbar" shows or hides both toolbars together.
    connect(bar, &QAction::toggled, secondBar_, &QToolBar::setVisible);
    QAction* recordBar = recordBar_->toggleViewAction();
    recordBar->setText("&Record bar");
    recordBar->setStatusTip("Show or hide the record bar");
    auto* status = new QAction("&Status", this);
    status->setCheckable(true);
    status->setStatusTip("Show or hide the floating status window");
    connect(status, &QAction::toggled, statusWindow_, &QWidget::setVisible);
    connect(viewMenu_, &QMenu::aboutToShow, status, [this, status] { status->setChecked(statusWindow_->isVisible()); });
    auto* onTop = new QAction("&Always on top", this);
    onTop->setCheckable(true);
    onTop->setStatusTip("Keep the workstation above other windows");
    connect(onTop, &QAction::toggled, this, &MainFrame::setAlwaysOnTop);
    auto* expert = new QAction("Expert Mode", this);
    expert->setCheckable(true);
    expert->setStatusTip("Show the toolbars and the record bar; turning it off asks for the subject");
    connect(expert, &QAction::toggled, this, &MainFrame::setExpertMode);
    auto* sep = new QAction(this);
    sep->setSeparator(true);
    auto* sep2 = new QAction(this);
    sep2->setSeparator(true);
    auto* sep3 = new QAction(this);
    sep3->setSeparator(true);
    auto* popupView = new QAction(kViewPopup, this);
    popupView->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    popupView->setStatusTip("The commands of the window in front, as a popup menu");
    connect(popupView, &QAction::triggered, this, [this] { viewPopup()->popup(mapToGlobal(QPoint(100, 100))); });
    auto* popupAcquire = new QAction(kAcquirePopup, this);
    popupAcquire->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F10));
    popupAcquire->setStatusTip("The acquisition commands, as a popup menu");
    connect(popupAcquire, &QAction::triggered, this, [this] { acquirePopup()->popup(mapToGlobal(QPoint(100, 100))); });
    for (QAction* a : {popupView, popupAcquire}) {
        a->setShortcutContext(Qt::ApplicationShortcut);
        addAction(a);
    }
    frameViewActions_ = {sep, bar, chartButtons, recordBar, status, sep2, onTop, expert, sep3, popupView, popupAcquire};
    viewMenu_->addActions({bar, chartButtons, recordBar, status, sep2, onTop, expert, sep3, popupView, popupAcquire});
    frameCommands_ << bar << chartButtons << recordBar << status << onTop << expert << popupView << popupAcquire;
}

void MainFrame::placeViewMenu(const QList<QMenu*>& viewMenus) {
    if (borrowedViewMenu_)
        for (QAction* a : frameViewActions_) borrowedViewMenu_->removeAction(a);
    borrowedViewMenu_ = nullptr;
    for (QMenu* m : viewMenus)
        if (m->title() == viewMenu_->title()) borrowedViewMenu_ = m;
    if (borrowedViewMenu_) borrowedViewMenu_->addActions(frameViewActions_);
    viewMenuAction_->setVisible(!borrowedViewMenu_);
}

void MainFrame::updateRecentMenu() {
    const auto& entries = app_.recentFiles().entries();
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction* a = recentActions_[i];
        if (i < static_cast<int>(entries.size())) {
            const QString path = q(entries[static_cast<size_t>(i)]);
            a->setText(QString("&%1 %2").arg(i + 1).arg(path));
            a->setData(path);
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    recentSeparator_->setVisible(!entries.empty());
}

void MainFrame::updateWindowMenu() {
    windowMenu_->clear();
    windowMenu_->addAction("&Cascade", mdi_, &QMdiArea::cascadeSubWindows);
    windowMenu_->addAction("&Tile", mdi_, &QMdiArea::tileSubWindows);
    windowMenu_->addAction("Close All", this, &MainFrame::onCloseAll);
    const auto windows = mdi_->subWindowList();
    if (!windows.isEmpty()) windowMenu_->addSeparator();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(++n).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w] { mdi_->setActiveSubWindow(w); });
    }
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
