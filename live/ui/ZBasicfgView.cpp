#include "live/ui/ZBasicfgView.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "framework/Timer.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/ViewRegistry.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "live/ui/DeviceWindows.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {
constexpr int kStatusMs = 500;
constexpr const char* kFg = ZBasicfgDoc::kSection;
}  // namespace

ZBasicfgView::ZBasicfgView(ZBasicfgDoc* doc, QWidget* parent) : ZBasicView(doc, parent), live_(doc) {
    AppServices& s = live_->services();
    // The window shows the live input, whatever number the framework gave it.
    live_->SetTitle(ZBasicfgDoc::kTitle);
    if (CameraSources* all = CameraSources::of(s)) all->setLiveDocument(live_);
    if (!live_->openSource()) {
        // The view stays, without frames.
        s.prompter().messageBox(ZBasicfgDoc::kNoDevice, MsgButtons::Ok, MsgIcon::Error);
    }
    live_->onBeep = [] { QApplication::beep(); };
    statusTimer_ = s.timers().create();
    statusTimer_->onTimeout = [this] { statusTick(); };
    grabTimer_ = s.timers().create();
    grabTimer_->onTimeout = [this] { grabCheck(); };
    if (live_->source()) {
        const ProfileStore& p = s.profile();
        if (p.GetInt("fgip", "show", 0)) toggleControlWindow(false);
        if (p.GetInt("fgip1", "show", 0)) toggleControlWindow(true);
        // A document that started its source before the view came runs on.
        if (live_->isLive()) statusTimer_->start(kStatusMs);
    }
}

ZBasicfgView::~ZBasicfgView() {
    clearStatusLine();
    if (const ProfileStore* p = live_->services().profileStore) {
        p->WriteInt("fgip", "show", control_ && control_->isVisible() ? 1 : 0);
        p->WriteInt("fgip1", "show", brightness_ && brightness_->isVisible() ? 1 : 0);
    }
    if (CameraSource* src = live_->source()) {
        live_->stopLive();
        src->close();
    }
    delete control_.data();
    delete brightness_.data();
    delete flashWindow_.data();
    delete focusWindow_.data();
}

DeviceControlWindow* ZBasicfgView::controlWindow() const { return control_; }
AutoFlashWindow* ZBasicfgView::autoFlashWindow() const { return flashWindow_; }

Prompter& ZBasicfgView::prompter() const { return live_->services().prompter(); }

void ZBasicfgView::sizeFrameWindow() {
    const ProfileStore& p = live_->services().profile();
    const int w = p.GetInt(kFg, "wright", 0), h = p.GetInt(kFg, "wbottom", 0);
    const int zx = p.GetInt(kFg, "zoomx", 1), zy = p.GetInt(kFg, "zoomy", 1);
    if (zx >= 1 && zy >= 1) tools().setZoom(zx, 1);
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) return;
    // Without a size of its own the window shows the whole live picture.
    if (w > 100 && h > 100) {
        sub->resize(w, h);
    } else if (!live_->image().isEmpty()) {
        const QSize frame = sub->size() - size();
        sub->resize(sizeHint() + frame);
    }
}

void ZBasicfgView::showEvent(QShowEvent* e) {
    ZBasicView::showEvent(e);
    if (!sized_ && !live_->image().isEmpty()) {
        sized_ = true;
        sizeFrameWindow();
    }
}

void ZBasicfgView::restartLive() {
    if (!live_->startLive()) prompter().messageBox(ZBasicfgDoc::kNoDevice, MsgButtons::Ok, MsgIcon::Error);
}

void ZBasicfgView::startLiveVideo() {
    sizeFrameWindow();
    statusTicks_ = 0;
    if (!live_->startLive()) {
        prompter().messageBox(ZBasicfgDoc::kNoDevice, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    statusTimer_->start(kStatusMs);
    const ProfileStore& p = live_->services().profile();
    if (p.GetInt(kFg, "dograbchk", 0)) grabTimer_->start(std::max(100, p.GetInt(kFg, "grabchkmsecs", 5000)));
}

void ZBasicfgView::stopLiveVideo() {
    const ProfileStore& p = live_->services().profile();
    p.WriteInt(kFg, "zoomx", tools().zoomNumerator());
    p.WriteInt(kFg, "zoomy", tools().zoomNumerator());
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        p.WriteInt(kFg, "wright", sub->width());
        p.WriteInt(kFg, "wbottom", sub->height());
    }
    statusTimer_->stop();
    grabTimer_->stop();
    live_->stopLive();
    clearStatusLine();
}

void ZBasicfgView::clearStatusLine() {
    // The read-out is of a running camera: it goes when the camera does,
    // unless something else has written the line since.
    auto* main = qobject_cast<QMainWindow*>(window());
    if (main && !status_.empty() && main->statusBar()->currentMessage() == QString::fromStdString(status_))
        main->statusBar()->clearMessage();
}

void ZBasicfgView::refreshTimedSaves() {
    if (!timedSaves_) return;
    // A series needs a count from "&Timer..."; while it runs the command stops it.
    timedSaves_->setEnabled(live_->timedCount() > 0 || live_->seriesRunning());
    timedSaves_->setChecked(live_->seriesRunning());
}

void ZBasicfgView::statusTick() {
    refreshTimedSaves();
    // Over the whole run: a half-second window of 40 ms frames would swing
    // between 24 and 26.
    ++statusTicks_;
    const double fps = live_->framesSeen() * 1000.0 / (double(statusTicks_) * kStatusMs);
    const CameraSource* c = live_->source();
    if (!c) return;
    const CameraSettings& s = c->settings();
    const double g = s.currentGainFactor();
    status_ = strprintf("fps=%3.1f", fps) + "  " + strprintf("ip=%1.2f:%1.2fV", s.lowVolts() / g, s.highVolts() / g);
    if (showAllErrors_)
        if (const Status grab = c->grabState(); !grab) status_ += "  " + grab.reason();
    if (auto* main = qobject_cast<QMainWindow*>(window())) main->statusBar()->showMessage(QString::fromStdString(status_));
}

void ZBasicfgView::grabCheck() {
    CameraSource* c = live_->source();
    const Status grab = c ? c->grabState() : Status::success();
    if (grab) return;
    switch (prompter().messageBox(grab.reason(), MsgButtons::YesNoCancel, MsgIcon::Warning)) {
        case MsgResult::Yes:
            c->setPixelClock(std::max(c->pixelClockMin(), c->pixelClock() * 9 / 10));
            live_->stopLive();
            restartLive();
            break;
        case MsgResult::Cancel:
            live_->services().profile().WriteInt(kFg, "dograbchk", 0);
            grabTimer_->stop();
            break;
        default: break;
    }
}

void ZBasicfgView::OnUpdate(Document* doc, long hint) {
    ZBasicView::OnUpdate(doc, hint == ZBasicfgDoc::kHintLiveFrame ? 0 : hint);
    // The first frame gives the window its size.
    if (!sized_ && isVisible() && !live_->image().isEmpty()) {
        sized_ = true;
        sizeFrameWindow();
    }
}

// ---------------------------------------------------------------------------
// Commands

void ZBasicfgView::freezeAndSave() {
    if (!live_->freezeAndSave()) showDocumentFailure(live_->services().prompter(), live_->lastStatus(), live_->quiet());
}

void ZBasicfgView::cmdTimer() {
    auto n = prompter().promptInt("Timer", "Number of pictures in a timed series", live_->timedCount(), 0, 100000);
    if (!n) return;
    auto s = prompter().promptInt("Timer", "Interval between pictures (seconds)", live_->timedInterval(), 1, 86400);
    if (!s) return;
    live_->setTimer(*n, *s);
    refreshTimedSaves();
}

void ZBasicfgView::cmdFrameSkip() {
    if (auto n = prompter().promptInt("Frame skip", "Frames to skip between frames shown", live_->frameSkip(), 0, 1000))
        live_->setFrameSkip(*n);
}

void ZBasicfgView::cmdSelectCamera() {
    CameraSource* c = live_->source();
    if (!c) return;
    if (auto n = prompter().promptInt("Select camera", "Camera number", c->settings().camera, 0, 15))
        c->settings().camera = *n;
}

void ZBasicfgView::cmdVideoInput() {
    CameraSource* c = live_->source();
    if (!c) return;
    if (auto n = prompter().promptInt("Video Input", "Input channel", c->settings().inputChannel, 0, 15))
        c->settings().inputChannel = *n;
}

void ZBasicfgView::cmdGrabSize() {
    CameraSource* c = live_->source();
    if (!c) return;
    CameraSettings& s = c->settings();
    auto w = prompter().promptInt("Set grab image size", "Width (pixels)", s.grabWidth, 4, 8192);
    if (!w) return;
    auto h = prompter().promptInt("Set grab image size", "Height (pixels)", s.grabHeight, 4, 8192);
    if (!h) return;
    const bool running = live_->isLive();
    if (running) live_->stopLive();
    s.grabWidth = *w;
    s.grabHeight = *h;
    live_->setGrabRect({s.grabLeft, s.grabTop, s.grabLeft + *w, s.grabTop + *h});
    if (running) restartLive();
}

void ZBasicfgView::cmdPixelClock() {
    CameraSource* c = live_->source();
    if (!c || !c->hasPixelClock()) {
        prompter().messageBox("The pixel clock is not supported by this video input.", MsgButtons::Ok,
                              MsgIcon::Information);
        return;
    }
    const std::string label = std::string(kPixelClockPrompt) +
                              strprintf(kPixelClockLimits, c->pixelClockMin(), c->pixelClockMax(), c->pixelClockIncrement());
    auto text = prompter().promptText(kPixelClockTitle, label, std::to_string(c->pixelClock()));
    if (!text) return;
    const bool running = live_->isLive();
    if (running) live_->stopLive();
    c->setPixelClock(std::atoi(text->c_str()));
    live_->services().profile().WriteInt(kFg, "dograbchk", 1);
    if (running) restartLive();
}

void ZBasicfgView::cmdSimulatedSource() {
    CameraSources* all = CameraSources::of(live_->services());
    if (!all) return;
    std::vector<std::string> labels;
    for (const CameraSources::Kind& k : all->kinds()) labels.push_back(k.label);
    labels.push_back("Cancel");
    const size_t i = prompter().chooseButton("Which simulated camera should the live video show?", labels);
    if (i >= all->kinds().size()) return;
    const std::string key = all->kinds()[i].key;
    std::string file;
    if (key != CameraSources::kPicture) {
        auto chosen = prompter().openFile("Video to play", "Videos|*.mve;*.avi;*.mp4;*.mkv;*.mov|All files (*.*)|*.*||",
                                          all->currentFile());
        // No file chosen: the video shipped with the program.
        if (chosen) file = *chosen;
    }
    all->select(key, file);
    const bool running = live_->isLive();
    if (running) live_->stopLive();
    if (running) restartLive();
}

void ZBasicfgView::toggleControlWindow(bool big) {
    QDialog* w = big ? static_cast<QDialog*>(brightness_.data()) : static_cast<QDialog*>(control_.data());
    if (!w) {
        if (big)
            w = brightness_ = new BrightnessWindow(live_, this);
        else
            w = control_ = new DeviceControlWindow(live_, this);
    }
    w->setVisible(!w->isVisible());
}

void ZBasicfgView::showAutoFlash() {
    if (!flashWindow_) flashWindow_ = new AutoFlashWindow(live_, this);
    flashWindow_->show();
    flashWindow_->raise();
}

void ZBasicfgView::showAutoFocus() {
    if (!focusWindow_) focusWindow_ = new AutoFocusWindow(live_, this);
    focusWindow_->show();
    focusWindow_->raise();
}

void ZBasicfgView::adjustBrightness() {
    if (!control_) control_ = new DeviceControlWindow(live_, this);
    control_->refresh();
    control_->show();
    control_->raise();
}

QList<QMenu*> ZBasicfgView::documentMenus() {
    QList<QMenu*> out = ZBasicView::documentMenus();
    if (!liveMenu_) buildLiveMenu();
    out.prepend(liveMenu_);
    return out;
}

void ZBasicfgView::buildLiveMenu() {
    liveMenu_ = new QMenu(kMenuTitle, this);
    const auto shown = [](const QWidget* w) { return w && w->isVisible(); };
    addCommands(
        liveMenu_, this,
        {{.text = "Start live video", .run = [this] { startLiveVideo(); }},
         {.text = "stop", .run = [this] { stopLiveVideo(); }},
         // F4 belongs to the main window's "Sa&ve Image", which saves into the
         // examination's folder from whichever window is in front.
         {.text = "Sa&ve Image", .run = [this] { freezeAndSave(); }, .tip = "Freeze the live picture and save it (F4)"},
         separator(),
         {.text = "&Timer...", .run = [this] { cmdTimer(); }},
         // Kept up to date by refreshTimedSaves (its toolbar button too).
         {.text = kTimedSavesText,
          .run = [this] { freezeAndSave(); },
          .tip = "Save the timer's series of pictures (Timer...); again to stop the series",
          .checkable = true,
          .action = &timedSaves_},
         {.text = "&Frame skip", .run = [this] { cmdFrameSkip(); }},
         {.text = "&Select camera...", .run = [this] { cmdSelectCamera(); }},
         {.text = "Set grab image si&ze", .run = [this] { cmdGrabSize(); }},
         {.text = "&Video Input", .run = [this] { cmdVideoInput(); }},
         {.text = "Show all &errors",
          .run = [this] { showAllErrors_ = !showAllErrors_; },
          .checkable = true,
          .checked = [this] { return showAllErrors_; }},
         {.text = "&Half resolution",
          .run = [this] { live_->setBinning(!live_->binning()); },
          .checkable = true,
          .checked = [this] { return live_->binning(); }},
         {.text = "Set pixel clock", .run = [this] { cmdPixelClock(); }},
         {.text = "Simulated camera...", .run = [this] { cmdSimulatedSource(); }},
         separator(),
         {.text = "&Video Input Control",
          .run = [this] { toggleControlWindow(false); },
          .checkable = true,
          .checked = [this, shown] { return shown(control_); }},
         {.text = "&Big Brightness slider",
          .run = [this] { toggleControlWindow(true); },
          .checkable = true,
          .checked = [this, shown] { return shown(brightness_); }},
         {.text = "&Adjust brightness/contrast", .run = [this] { adjustBrightness(); }},
         {.text = "Auto flash control", .run = [this] { showAutoFlash(); }},
         {.text = "Auto focus control", .run = [this] { showAutoFocus(); }}});
    refreshTimedSaves();
    connect(liveMenu_, &QMenu::aboutToShow, this, &ZBasicfgView::refreshTimedSaves);
}

void ordavia::registerLiveViews() {
    registerViewMaker("ZBasicfgView", [](Document* d, QWidget* parent) -> QWidget* {
        if (auto* live = dynamic_cast<ZBasicfgDoc*>(d)) return new ZBasicfgView(live, parent);
        auto* doc = dynamic_cast<ZBasicDoc*>(d);
        return doc ? new ZBasicView(doc, parent) : nullptr;
    });
}
