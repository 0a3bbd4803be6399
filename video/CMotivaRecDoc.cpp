// CMotivaRecDoc and ZVcytoDoc: recording the live picture into the movie,
// and the Cytoscan document.
#include "video/CMotivaRecDoc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "live/CaptureNames.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

using namespace ordavia;

namespace {
constexpr const char* kDynamic = "Dynamic settings";
constexpr const char* kDirectories = "directories";
// The program-wide capture rate where no live document says otherwise.
constexpr double kDefaultCaptureFps = 25.0;
// While recording, the document shows every so many frames (the live
// window shows them all).
constexpr int kShowEvery = 5;
}  // namespace

CMotivaRecDoc::CMotivaRecDoc() { watch_.owner = this; }

CMotivaRecDoc::~CMotivaRecDoc() { watchLive(nullptr); }

void CMotivaRecDoc::watchLive(ZBasicfgDoc* live) {
    if (live_ == live) return;
    if (live_) {
        live_->stopCapture(this);
        live_->RemoveListener(&watch_);
    }
    live_ = live;
    if (live_) live_->AddListener(&watch_);
}

void CMotivaRecDoc::LiveWatch::OnUpdate(Document*, long hint) {
    if (hint != Document::kHintClosing) return;
    // The live document is being destroyed: nothing may be asked of it now.
    owner->live_ = nullptr;
    (void)owner->stopRecording();
}

void CMotivaRecDoc::readSequenceSettings() {
    const ProfileStore& p = profile();
    const StartupSettings* st = services().startupSettings;
    seq_.frames = std::max(1, p.GetInt(kDynamic, "no of frames", 300));
    seq_.skip = std::max(0, p.GetInt(kDynamic, "skip frames", 0));
    seq_.loop = p.GetInt(kDynamic, "loop", 1) != 0;
    seq_.direct2disc = p.GetInt(kDynamic, "direct2disc", st ? st->direct2disc : 1) != 0;
    seq_.folder = p.GetString(kDirectories, "recorddir", st ? st->recorddir : "");
    seq_.baseName = p.GetString(kDirectories, "basename", st ? st->basename : "");
}

bool CMotivaRecDoc::OnNewDocument() {
    if (!CMotivaDoc::OnNewDocument()) return false;
    readSequenceSettings();
    setRecordingCounts(seq_.frames, seq_.skip);
    captureFps_ = kDefaultCaptureFps;
    setFramesPerSecond(captureFps_);
    movie().loop = seq_.loop;
    SetModifiedFlag(false);
    return true;
}

void CMotivaRecDoc::setSequenceSettings(const SequenceSettings& s) {
    seq_ = s;
    seq_.frames = std::max(1, seq_.frames);
    seq_.skip = std::max(0, seq_.skip);
    setRecordingCounts(seq_.frames, seq_.skip);
    ProfileStore& p = profile();
    p.WriteInt(kDynamic, "no of frames", seq_.frames);
    p.WriteInt(kDynamic, "skip frames", seq_.skip);
    p.WriteInt(kDynamic, "loop", seq_.loop ? 1 : 0);
    p.WriteInt(kDynamic, "direct2disc", seq_.direct2disc ? 1 : 0);
    p.WriteString(kDirectories, "recorddir", seq_.folder);
    p.WriteString(kDirectories, "basename", seq_.baseName);
    movie().loop = seq_.loop;
    UpdateAllViews();
}

CMotivaRecDoc::SequenceFigures CMotivaRecDoc::figuresFor(const SequenceSettings& seq, const ZRect& region, int bytesPerPixel,
                                                         double captureFps) {
    SequenceFigures f;
    // Frames are stored four-pixel aligned, as the movie keeps them.
    const double frameBytes = double(region.width() & ~3) * region.height() * std::max(1, bytesPerPixel);
    const double perSecond = captureFps > 0 ? captureFps / (seq.skip + 1) : 0;
    f.memoryMB = frameBytes * seq.frames / (1024.0 * 1024.0);
    f.seconds = perSecond > 0 ? seq.frames / perSecond : 0;
    f.transferMBps = frameBytes * perSecond / (1024.0 * 1024.0);
    return f;
}

std::string CMotivaRecDoc::recordingFolder() const {
    if (const CSubjectDatabase* open = CSubjectDatabase::of(services())) {
        const CSubjectDatabase& db = *open;
        const std::string& exam = db.currentExamFolder();
        if (db.isOpen() && db.currentExamId() >= 0 && !exam.empty())
            return exam[0] == '/' ? exam : joinPath(db.dataFolder(), exam);
    }
    if (!seq_.folder.empty()) return seq_.folder;
    // No folder chosen yet: the user's home rather than wherever the
    // program happened to be started from.
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string();
}

std::string CMotivaRecDoc::directFileName(int64_t when) const {
    const std::time_t t = std::time_t(when);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "-%Y%m%d_%H%M%S", &tm);
    const std::string folder = recordingFolder();
    const std::string ext = movie().options.compressOutput ? ".avi" : ".mve";
    const std::string stem = (seq_.baseName.empty() ? captureBaseName(services()) : seq_.baseName) + stamp;
    const std::string base = folder.empty() ? stem : joinPath(folder, stem);
    // Two recordings started within one second must not share a file: the
    // second would wipe out the first.
    std::string name = base + ext;
    for (int n = 2; n < 1000 && ::access(name.c_str(), F_OK) == 0; ++n) name = base + "_" + std::to_string(n) + ext;
    return name;
}

void CMotivaRecDoc::report(const Status& s) {
    lastStatus_ = s;
    showFailure(prompter(), s, quiet(), MsgIcon::Error);
}

Status CMotivaRecDoc::startRecording(ZBasicfgDoc* live) {
    if (!live || recording_) return Status::success();
    applyMovieSettings();
    readSequenceSettings();
    setRecordingCounts(seq_.frames, seq_.skip);
    movie().loop = seq_.loop;
    // The region of interest within the grab size (the whole grab without one).
    ZRect region = live->captureRegion();
    if (region.isEmpty()) region = ZRect{0, 0, live->grabWidth(), live->grabHeight()};
    setCalibration(live->calibration());
    setNotes("");
    SetTitle(kRecordingTitle);
    resetPairs();
    setSelection(-1, -1);
    startTime_ = int64_t(std::time(nullptr));
    framesRecorded_ = 0;
    const double liveFps = live->framesPerSecond();
    captureFps_ = (liveFps > 0 ? liveFps : kDefaultCaptureFps) / (seq_.skip + 1);
    movie().options.captureFrameRate = captureFps_;
    std::string name;
    if (!recordInto_.empty()) {
        name = recordInto_;
    } else if (seq_.direct2disc) {
        name = directFileName(startTime_);
        SetTitle(GetTitle() + name);
    }
    setMovieFileName(name);
    const int colour = live->image().colour();
    Status failure;
    // The capture hands frames of the region's own width; the movie keeps
    // them four-pixel aligned (642 wide records 640).
    if (!movie().Record(name, seq_.frames, region.width(), region.height(), colour)) {
        failure = movie().recordingError();
        if (failure) failure = Status::failure(name + ": the recording could not be prepared");
    } else if (!live->startCapture(this, seq_.skip, region)) {
        failure = Status::failure("the live video does not deliver frames");
        movie().Close();
    }
    if (onBeep) onBeep();
    if (!failure) {
        // Nothing records: say so and leave the document as it was.
        debugLog("CMotivaRecDoc::startRecording %s\n", failure.reason().c_str());
        SetTitle(kRecordedTitle);
        report(Status::failure(failure.code(), std::string(kFailedToStart) + "\n" + failure.reason()));
        return lastStatus_;
    }
    watchLive(live);
    recording_ = true;
    UpdateAllViews();
    return Status::success();
}

void CMotivaRecDoc::liveFrame(const CZVimage& frame, int32_t frameNumber) {
    if (!recording_ || stopping_) return;
    if (movie().AddFrame(frame, false, frameNumber) < 0) {
        (void)stopRecording();  // a frame the disc did not take
        return;
    }
    ++framesRecorded_;
    // Shown before the store moves on: the next slot holds an old frame or none.
    if (framesRecorded_ % kShowEvery == 1) {
        showCurrentFrame();
        UpdateAllViews();
    }
    if (movie().Advance() < 0) (void)stopRecording();  // full, and not looping
}

Status CMotivaRecDoc::stopRecording() {
    if (!recording_) return Status::success();
    stopping_ = true;
    if (live_) live_->stopCapture(this);
    ZBasicfgDoc* from = live_;
    setFramesPerSecond(captureFps_);
    movie().options.captureFrameRate = captureFps_;
    Status s = movie().finishRecording();
    recording_ = false;
    stopping_ = false;
    watchLive(nullptr);
    if (from) from->UpdateAllViews();
    setRecordingCounts(movie().count(), seq_.skip);
    goToFrame(0);
    SetTitle(kRecordedTitle);
    SetModifiedFlag(true);
    if (recordInto_.empty() && seq_.direct2disc && movie().isOpen() && !movie().fileName().empty()) {
        setMovieFileName(movie().fileName());
        // The movie file keeps no frame rate: the video document beside it
        // does, so the recording reopens at the rate it was taken at.
        const std::string dcs = withoutExtension(movie().fileName()) + ".dcs";
        // What the examination lists for the recording.
        if (result.empty()) result = strprintf("recording, %i frames at %g frames per second", movie().count(), captureFps_);
        if (const Status saved = OnSaveDocument(dcs); saved) {
            SetPathName(dcs, true);
            SetTitle(kSavedTitle + dcs);
            SetModifiedFlag(false);
        } else if (s) {
            s = Status::failure(saved.code(), dcs + ": the video document could not be written: " + saved.reason());
        }
    }
    if (onBeep) onBeep();
    UpdateAllViews();
    if (!s) report(s);
    return s;
}

Status CMotivaRecDoc::toggleRecording(ZBasicfgDoc* live) { return recording_ ? stopRecording() : startRecording(live); }

Status CMotivaRecDoc::OnSaveDocument(const std::string& path) {
    if (recording_) (void)stopRecording();
    return CMotivaDoc::OnSaveDocument(path);
}

void CMotivaRecDoc::OnCloseDocument() {
    if (recording_) (void)stopRecording();
    CMotivaDoc::OnCloseDocument();
}

Status ZVcytoDoc::openCytoscan(const std::string& headerPath) {
    Status s = importCytoscan(headerPath);
    if (s) SetTitle(fileNameOf(headerPath));
    return s;
}

void ZVcytoDoc::OnCloseDocument() {
    if (services().profileStore) {
        profile().WriteInt(kSection, "first", selectionFirst());
        profile().WriteInt(kSection, "last", selectionLast());
    }
    CMotivaRecDoc::OnCloseDocument();
}
