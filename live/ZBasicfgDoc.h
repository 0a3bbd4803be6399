#pragma once
// The live video document: an image document whose picture is refreshed by
// the camera source, with the device settings, the capture record that
// every saved picture carries, saves by hand, timed series and marker
// images. It is also where others take live frames from: a recorder or a
// live line scan starts a capture with its own frame skip and region and
// is handed every frame it asked for on the user-interface thread.
//
// Use from a recorder:
//   ZBasicfgDoc* live = ...;                  // the current live document
//   ZRect r = live->captureRegion();          // region of interest within the grab size
//   live->startCapture(&receiver, skip, r);   // receiver->liveFrame(img, n)
//   ...
//   live->stopCapture(&receiver);
// `liveFrame` gets a picture of exactly r's size; the live picture itself
// keeps running for the view.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "live/AutoFocus.h"
#include "live/CameraSource.h"
#include "measure/ZBasicDoc.h"

namespace ordavia {

class Timer;

// Takes live frames from a live video document.
class LiveFrameReceiver {
public:
    virtual ~LiveFrameReceiver() = default;
    // `frame` holds the captured region only; `frameNumber` is the source's
    // field counter.
    virtual void liveFrame(const CZVimage& frame, int32_t frameNumber) = 0;
};

}  // namespace ordavia

class ZBasicfgDoc : public ZBasicDoc, private ordavia::FrameReceiver {
public:
    static constexpr const char* kTitle = "Live Video Input";
    static constexpr const char* kNoDevice = "Could not initialise video input device.";
    static constexpr const char* kOpenNewFile = "Open the new file?";
    static constexpr const char* kMarkerLabel = "Marker Image";
    static constexpr const char* kSection = "fgdoc";
    // The hint views get with each new live frame.
    static constexpr long kHintLiveFrame = 0x11FE;

    ZBasicfgDoc();
    ~ZBasicfgDoc() override;

    // ---- Source ----
    // The services' camera source; null when the run has none.
    ordavia::CameraSource* source() const;
    // Opens the source; false (with "nofg" in the log) when there is none.
    bool openSource();
    // Starts frames into the picture; fails with the reason when there is no
    // source or it has no picture.
    ordavia::Status startLive();
    void stopLive();
    bool isLive() const;
    // The field counter of the source (0 without one).
    int32_t frameCounter() const;
    double framesPerSecond() const;
    // Frames seen since startLive (the view's frame-rate read-out).
    int framesSeen() const { return framesSeen_; }

    // ---- Captures for others ----
    // The region a capture takes: the region of interest limited to the
    // grab size, or the whole grab size when there is none.
    ordavia::ZRect captureRegion() const;
    int grabWidth() const;
    int grabHeight() const;
    // Hands every (skip + 1)-th live frame, cut to `region` (limited to
    // the grab size), to `receiver`; starts the source when it is not
    // running. False when the source cannot start.
    bool startCapture(ordavia::LiveFrameReceiver* receiver, int skip, const ordavia::ZRect& region);
    void stopCapture(ordavia::LiveFrameReceiver* receiver);
    bool capturing(const ordavia::LiveFrameReceiver* receiver) const;

    // ---- Settings ----
    const ordavia::ZRect& grabRect() const { return grabRect_; }
    void setGrabRect(const ordavia::ZRect& r);
    int frameSkip() const { return frameSkip_; }
    void setFrameSkip(int n);
    int timedCount() const { return timedCount_; }
    int timedInterval() const { return timedInterval_; }
    // "&Timer...": writes "timerN" and "timerint".
    void setTimer(int count, int intervalSeconds);
    // "&Half resolution": scales the calibration once per change of state.
    void setBinning(bool on);
    bool binning() const;

    // ---- Capture record ----
    // Stamps the picture as taken now (first time only) and appends the
    // device settings block to the notes.
    void recordCapture();
    // The settings block alone, as recordCapture appends it.
    std::string captureBlock() const;
    // Automatic flash is on (the record says so): every frame goes to the
    // flash control.
    bool autoFlash = false;
    ordavia::AutoFlash& flashControl() { return flash_; }
    // The autofocus: a search started here runs on the following frames.
    ordavia::AutoFocus& autoFocus() { return focus_; }
    bool startAutoFocus();

    // ---- Saving ----
    const std::string& savedPath() const { return savedPath_; }
    bool timedFlag() const { return timedFlag_; }
    ordavia::Status OnFileSave() override;
    ordavia::Status OnFileSaveAs() override;
    ordavia::Status OnSaveDocument(const std::string& path) override;
    // A live picture without an examination is proposed in the recording
    // folder, under the window's title.
    std::string proposedSaveName() const override;
    // Saves under `name` (the timed base + "_000" when empty) without a
    // question, into the saving folder unless the name has a folder.
    bool DoTimedSave(const std::string& name = {});
    // Labels the picture "Marker Image" and makes one timed save.
    bool saveMarkerImage(const std::string& name = {});
    // The freeze-and-save request: with a name one marker image; without,
    // a marker image under a new timed base, then the series when the
    // timed count is above 0 (a running series is stopped instead). False
    // when the picture could not be saved (lastStatus() says why).
    bool freezeAndSave(const std::string& name = {});
    bool seriesRunning() const;
    // The base of timed names; newTimedBase sets it from "basename" and now.
    const std::string& timedBase() const { return timedBase_; }
    void newTimedBase();
    // Where timed and marker pictures go: the examination's folder when one
    // is selected, else the recording folder.
    std::string savingFolder() const;
    // Told of each saved file (the workstation posts "WM_SAVING").
    std::function<void(const std::string& path)> onSaved;
    // Plays the information sound after a timed save.
    std::function<void()> onBeep;

    // ---- Framework ----
    bool OnNewDocument() override;
    void OnCloseDocument() override;
    void setServices(ordavia::AppServices* services) override;

private:
    void frameDelivered(const CZVimage& target, int32_t frameNumber) override;
    void seriesTick();
    // "Open the new file?" and the notice to a cooperating program.
    void afterSaveByHand();
    ordavia::Status saveWhileStopped(const std::function<ordavia::Status()>& save);
    void readFgSettings();

    struct Capture {
        ordavia::LiveFrameReceiver* receiver = nullptr;
        int skip = 0;
        int countdown = 0;
        ordavia::ZRect region;
        CZVimage part;
    };
    std::vector<std::unique_ptr<Capture>> captures_;

    ordavia::ZRect grabRect_;
    int timedCount_ = 0;
    int timedInterval_ = 2;
    std::string timedBase_ = "timed";
    int frameSkip_ = 0;
    std::string savedPath_;
    bool timedFlag_ = false;
    int64_t captureTime_ = 0;
    int framesSeen_ = 0;
    bool live_ = false;
    std::unique_ptr<ordavia::Timer> seriesTimer_;
    ordavia::AutoFocus focus_;
    ordavia::AutoFlash flash_;
    int seriesCounter_ = 0;
};
