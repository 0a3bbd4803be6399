#include "live/ZBasicfgDoc.h"

#include <cstdlib>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "framework/Timer.h"
#include "live/CameraSources.h"
#include "live/CaptureNames.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

using namespace ordavia;

ZBasicfgDoc::ZBasicfgDoc() { capturedBy = "Pseudo"; }

ZBasicfgDoc::~ZBasicfgDoc() {
    if (CameraSource* s = source()) s->stopGrab(this);
    if (CameraSources* all = CameraSources::of(services()); all && all->liveDocument() == this) all->setLiveDocument(nullptr);
}

void ZBasicfgDoc::setServices(AppServices* services) {
    ZBasicDoc::setServices(services);
    readFgSettings();
}

void ZBasicfgDoc::readFgSettings() {
    if (!services().profileStore) return;
    const ProfileStore& p = services().profile();
    grabRect_ = {p.GetInt(kSection, "srcleft", 0), p.GetInt(kSection, "srctop", 0), p.GetInt(kSection, "srcright", 0),
                 p.GetInt(kSection, "srcbottom", 0)};
    timedCount_ = p.GetInt(kSection, "timerN", 0);
    timedInterval_ = p.GetInt(kSection, "timerint", 2);
    focus_.settings.load(p);
    flash_.load(p);
}

// ---------------------------------------------------------------------------
// Source

CameraSource* ZBasicfgDoc::source() const {
    CameraSources* sources = CameraSources::of(services());
    return sources ? &sources->source() : nullptr;
}

bool ZBasicfgDoc::openSource() {
    CameraSource* s = source();
    if (s && s->open()) return true;
    debugLog("nofg\n");
    return false;
}

Status ZBasicfgDoc::startLive() {
    CameraSource* s = source();
    if (!s || !s->open()) return Status::failure(StatusCode::NotFound, kNoDevice);
    const CameraSettings& c = s->settings();
    s->setFrameSkip(frameSkip_);
    framesSeen_ = 0;
    const Status started = s->startGrab(pictureForPreview(), this, c.grabLeft, c.grabTop, c.grabWidth, c.grabHeight);
    live_ = started.ok();
    if (live_) capturedBy = s->deviceName();
    UpdateAllViews();
    return started;
}

void ZBasicfgDoc::stopLive() {
    if (CameraSource* s = source()) s->stopGrab(this);
    live_ = false;
    UpdateAllViews();
}

bool ZBasicfgDoc::isLive() const {
    const CameraSource* s = source();
    return live_ && s && s->isRunning();
}

int32_t ZBasicfgDoc::frameCounter() const {
    const CameraSource* s = source();
    return s ? s->frameCounter() : 0;
}

double ZBasicfgDoc::framesPerSecond() const {
    const CameraSource* s = source();
    return s ? s->framesPerSecond() / (1 + frameSkip_) : 0.0;
}

bool ZBasicfgDoc::startAutoFocus() {
    CameraSource* s = source();
    if (!s || !s->hasFocusDrive() || (!isLive() && !startLive())) return false;
    focus_.start(*s);
    return true;
}

void ZBasicfgDoc::frameDelivered(const CZVimage& target, int32_t frameNumber) {
    ++framesSeen_;
    if (CameraSource* s = source()) {
        if (focus_.state() == AutoFocus::State::Searching) focus_.frame(*s, target);
        if (autoFlash && s->hasFlash()) flash_.frame(*s, target);
    }
    for (size_t i = 0; i < captures_.size(); ++i) {
        Capture& c = *captures_[i];
        if (c.countdown > 0) {
            --c.countdown;
            continue;
        }
        c.countdown = c.skip;
        // A source that changed its frame size under the capture gives
        // what is left of the region.
        const ZRect r{c.region.left, c.region.top, std::min(c.region.right, target.width()),
                      std::min(c.region.bottom, target.rows())};
        if (r.isEmpty()) continue;
        const int bpp = target.bytesPerPixel();
        if (c.part.width() != r.width() || c.part.rows() != r.height() || c.part.colour() != target.colour())
            c.part = CZVimage(r.width(), r.height(), target.tag(), CZVimage::kFrame, target.colour());
        for (int y = 0; y < r.height(); ++y)
            std::memcpy(c.part.row(y), target.row(r.top + y) + ptrdiff_t(r.left) * bpp, size_t(r.width()) * size_t(bpp));
        // The receiver may stop its own capture (a full recording).
        LiveFrameReceiver* receiver = c.receiver;
        receiver->liveFrame(c.part, frameNumber);
        if (i >= captures_.size() || captures_[i]->receiver != receiver) --i;
    }
    UpdateAllViews(nullptr, kHintLiveFrame);
}

// ---------------------------------------------------------------------------
// Captures for others

int ZBasicfgDoc::grabWidth() const {
    const CameraSource* s = source();
    if (!s) return image().width();
    const CameraSettings& c = s->settings();
    return s->width() > 0 ? std::min(c.grabWidth, s->width() - c.grabLeft) : c.grabWidth;
}

int ZBasicfgDoc::grabHeight() const {
    const CameraSource* s = source();
    if (!s) return image().rows();
    const CameraSettings& c = s->settings();
    return s->height() > 0 ? std::min(c.grabHeight, s->height() - c.grabTop) : c.grabHeight;
}

ZRect ZBasicfgDoc::captureRegion() const {
    const ZRect whole{0, 0, grabWidth(), grabHeight()};
    const ZRect roi = marks().roi.normalized();
    if (roi.isEmpty()) return whole;
    const ZRect r{std::max(roi.left, 0), std::max(roi.top, 0), std::min(roi.right, whole.right),
                  std::min(roi.bottom, whole.bottom)};
    return r.isEmpty() ? whole : r;
}

bool ZBasicfgDoc::startCapture(LiveFrameReceiver* receiver, int skip, const ZRect& region) {
    if (!receiver) return false;
    stopCapture(receiver);
    if (!isLive() && !startLive()) return false;
    auto c = std::make_unique<Capture>();
    c->receiver = receiver;
    c->skip = std::max(0, skip);
    const ZRect whole{0, 0, grabWidth(), grabHeight()};
    const ZRect r = region.normalized();
    c->region = r.isEmpty() ? whole
                            : ZRect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, whole.right),
                                    std::min(r.bottom, whole.bottom)};
    if (c->region.isEmpty()) c->region = whole;
    captures_.push_back(std::move(c));
    return true;
}

void ZBasicfgDoc::stopCapture(LiveFrameReceiver* receiver) {
    std::erase_if(captures_, [receiver](const std::unique_ptr<Capture>& c) { return c->receiver == receiver; });
}

bool ZBasicfgDoc::capturing(const LiveFrameReceiver* receiver) const {
    return std::any_of(captures_.begin(), captures_.end(),
                       [receiver](const std::unique_ptr<Capture>& c) { return c->receiver == receiver; });
}

// ---------------------------------------------------------------------------
// Settings

void ZBasicfgDoc::setGrabRect(const ZRect& r) {
    grabRect_ = r;
    SetModifiedFlag();
}

void ZBasicfgDoc::setFrameSkip(int n) {
    frameSkip_ = std::max(0, n);
    if (CameraSource* s = source()) s->setFrameSkip(frameSkip_);
}

void ZBasicfgDoc::setTimer(int count, int intervalSeconds) {
    timedCount_ = std::max(0, count);
    timedInterval_ = std::max(1, intervalSeconds);
    const ProfileStore& p = services().profile();
    p.WriteInt(kSection, "timerN", timedCount_);
    p.WriteInt(kSection, "timerint", timedInterval_);
}

bool ZBasicfgDoc::binning() const {
    const CameraSource* s = source();
    return s && s->settings().binning;
}

void ZBasicfgDoc::setBinning(bool on) {
    CameraSource* s = source();
    if (!s || s->settings().binning == on) return;
    s->settings().binning = on;
    ImageCalibration c = calibration();
    const double k = on ? 2.0 : 0.5;
    c.xScale *= k;
    c.yScale *= k;
    setCalibration(c);
    setNotes(notes() + (on ? "binning on" : "binning off") + "\r\n");
    UpdateAllViews();
}

// ---------------------------------------------------------------------------
// Capture record

std::string ZBasicfgDoc::captureBlock() const {
    const CameraSource* s = source();
    if (!s) return {};
    const CameraSettings& c = s->settings();
    std::string t = strprintf("\r\nflash=%i\r\nbright=%i\r\ncont=%i\r\nexp=%i\r\ngain=%i\r\nfps=%.2f\r\n", s->flash(),
                              c.blackLevel, c.whiteLevel, s->exposure(), c.gain, s->framesPerSecond());
    if (autoFlash) t += "auto flash\r\n";
    if (c.colourMode != 0) t += strprintf("red=%i\r\ngreen=%i\r\nblue=%i\r\n", c.redPercent(), c.greenPercent(), c.bluePercent());
    if (c.gammaEnabled) t += "Gamma on\r\n";
    if (c.lutEnabled) t += strprintf("LUT=%i\r\n", c.lutIndex);
    return t;
}

void ZBasicfgDoc::recordCapture() {
    if (captureTime_ == 0) {
        captureTime_ = int64_t(std::time(nullptr));
        const std::time_t now = std::time_t(captureTime_);
        std::tm tm{};
        localtime_r(&now, &tm);
        char when[96];
        // The long form: "Monday, December 07, 2026 05:30:12".
        std::strftime(when, sizeof when, "%A, %B %d, %Y %H:%M:%S", &tm);
        setNotes(std::string("Captured ") + when);
        setImageFile(imageFileName(), int32_t(captureTime_));
    }
    setNotes(notes() + captureBlock());
}

// ---------------------------------------------------------------------------
// Saving

ordavia::Status ZBasicfgDoc::saveWhileStopped(const std::function<ordavia::Status()>& save) {
    const bool wasLive = isLive();
    if (wasLive) stopLive();
    recordCapture();
    markImageForSave();
    ordavia::Status ok = save();
    // A series and marker pictures are taken from a running source; a save
    // by hand leaves the saved picture on the screen.
    if (wasLive && timedFlag_) (void)startLive();  // a source that fails now shows as a still picture
    return ok;
}

ordavia::Status ZBasicfgDoc::OnSaveDocument(const std::string& path) {
    if (ordavia::Status saved = ZBasicDoc::OnSaveDocument(path); !saved) return saved;
    savedPath_ = path;
    // The next capture starts a record of its own.
    saveCount = 0;
    setNotes({});
    captureTime_ = 0;
    return ordavia::Status::success();
}

ordavia::Status ZBasicfgDoc::OnFileSave() {
    savedPath_.clear();
    // Every save by hand is a new capture: the file of the last one is
    // never written over, the next free name is proposed instead.
    if (!GetPathName().empty() && fileExists(GetPathName())) SetPathName(nextFreePictureName(GetPathName()), true);
    ordavia::Status ok = saveWhileStopped([this] { return ZBasicDoc::OnFileSave(); });
    afterSaveByHand();
    return ok;
}

void ZBasicfgDoc::afterSaveByHand() {
    if (savedPath_.empty()) return;
    if (services().prompter().messageBox(kOpenNewFile, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) {
        auto doc = std::make_unique<ZBasicDoc>();
        lendServicesTo(*doc);
        if (DocTemplate* t = services().findTemplate("ZBasicDoc")) doc->setDocTemplate(t);
        if (const ordavia::Status opened = doc->OnOpenDocument(savedPath_); !opened) {
            showDocumentFailure(services().prompter(), opened);
        } else {
            doc->SetPathName(savedPath_);
            services().openDocument(std::move(doc));
        }
    }
    if (onSaved) onSaved(savedPath_);
}

ordavia::Status ZBasicfgDoc::OnFileSaveAs() {
    savedPath_.clear();
    ordavia::Status ok = saveWhileStopped([this] { return ZBasicDoc::OnFileSaveAs(); });
    afterSaveByHand();
    return ok;
}

std::string ZBasicfgDoc::proposedSaveName() const {
    if (!GetPathName().empty()) return GetPathName();
    const std::string folder = savingFolder();
    const std::string name = examFileName(GetTitle());
    return folder.empty() ? name : joinPath(folder, name);
}

std::string ZBasicfgDoc::savingFolder() const {
    if (const CSubjectDatabase* open = CSubjectDatabase::of(services())) {
        const CSubjectDatabase& db = *open;
        const std::string& exam = db.currentExamFolder();
        if (db.isOpen() && db.currentExamId() >= 0 && !exam.empty())
            return exam[0] == '/' ? exam : joinPath(db.dataFolder(), exam);
    }
    std::string folder;
    if (services().profileStore) folder = services().profile().GetString("directories", "recorddir", "");
    if (folder.empty() && services().startupSettings) folder = services().settings().recorddir;
    // Without any folder the pictures go to the user's home folder, never to
    // wherever the program happened to be started from.
    if (folder.empty()) {
        if (const char* home = std::getenv("HOME"); home && *home) folder = home;
    }
    return folder;
}

void ZBasicfgDoc::newTimedBase() {
    const std::string base = captureBaseName(services());
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "-%y%m%d%H%M%S", &tm);
    timedBase_ = base + stamp;
}

bool ZBasicfgDoc::DoTimedSave(const std::string& name) {
    std::string file = name.empty() ? timedBase_ + "_000" : name;
    const DocTemplate* t = GetDocTemplate();
    file += t && !t->filterExt.empty() ? t->filterExt : std::string(".cs1");
    if (folderOf(file).empty()) {
        const std::string folder = savingFolder();
        if (!folder.empty()) file = joinPath(folder, file);
    }
    debugLog("ZBasicfgDoc::DoTimedSave=%s\n", file.c_str());
    timedFlag_ = true;
    const bool wasQuiet = quiet();
    setQuiet(true);
    savedPath_.clear();
    // A timed save asks nothing and shows nothing: why it failed is kept
    // for the request that asked for it.
    lastStatus_ = saveWhileStopped([this, &file] {
        if (ordavia::Status saved = OnSaveDocument(file); !saved) return saved;
        SetPathName(file, true);
        SetModifiedFlag(false);
        return ordavia::Status::success();
    });
    const bool ok = lastStatus_.ok();
    setQuiet(wasQuiet);
    timedFlag_ = false;
    if (ok) {
        if (onBeep) onBeep();
        if (onSaved) onSaved(file);
    }
    return ok;
}

bool ZBasicfgDoc::saveMarkerImage(const std::string& name) {
    setDescription(kMarkerLabel);
    return DoTimedSave(name);
}

bool ZBasicfgDoc::seriesRunning() const { return seriesTimer_ && seriesTimer_->isActive(); }

bool ZBasicfgDoc::freezeAndSave(const std::string& name) {
    if (!name.empty()) return saveMarkerImage(name);
    if (seriesRunning()) {
        seriesTimer_->stop();
        return true;
    }
    newTimedBase();
    const bool saved = saveMarkerImage();
    if (timedCount_ > 0) {
        seriesCounter_ = 1;
        if (seriesCounter_ >= timedCount_) return saved;
        if (!seriesTimer_) {
            seriesTimer_ = services().timers().create();
            seriesTimer_->onTimeout = [this] { seriesTick(); };
        }
        seriesTimer_->start(timedInterval_ * 1000);
    }
    return saved;
}

void ZBasicfgDoc::seriesTick() {
    // A failed save leaves its number out; the series goes on.
    DoTimedSave(timedBase_ + strprintf("_%03i", seriesCounter_));
    ++seriesCounter_;
    if (seriesCounter_ >= timedCount_ && seriesTimer_) seriesTimer_->stop();
}

// ---------------------------------------------------------------------------
// Framework

bool ZBasicfgDoc::OnNewDocument() {
    if (!ZBasicDoc::OnNewDocument()) return false;
    SetTitle(kTitle);
    setNotes({});
    capturedBy = "Pseudo";
    captureTime_ = 0;
    if (CameraSources* all = CameraSources::of(services())) all->setLiveDocument(this);
    // Without a source the window opens on a still picture; its view's
    // start command says why.
    (void)startLive();
    UpdateAllViews();
    return true;
}

void ZBasicfgDoc::OnCloseDocument() {
    if (seriesTimer_) seriesTimer_->stop();
    captures_.clear();
    stopLive();
    if (CameraSources* all = CameraSources::of(services()); all && all->liveDocument() == this)
        all->setLiveDocument(nullptr);
    if (services().profileStore) {
        const ProfileStore& p = services().profile();
        p.WriteInt(kSection, "srcleft", grabRect_.left);
        p.WriteInt(kSection, "srctop", grabRect_.top);
        p.WriteInt(kSection, "srcright", grabRect_.right);
        p.WriteInt(kSection, "srcbottom", grabRect_.bottom);
    }
    ZBasicDoc::OnCloseDocument();
}
