#pragma once
// The recording document: records the current live video into its movie,
// in memory or straight to a ".mve" or AVI file named with the date and
// time, and afterwards is an ordinary video document (play, line scans,
// movement correction, save). `ZVcytoDoc` is the same document for
// Cytoscan-type recordings and imports; it remembers its frame selection.
#include <cstdint>
#include <functional>
#include <string>

#include "base/Geometry.h"
#include "base/Result.h"
#include "live/ZBasicfgDoc.h"
#include "video/CMotivaDoc.h"

class CMotivaRecDoc : public CMotivaDoc, private ordavia::LiveFrameReceiver {
public:
    static constexpr const char* kRecordingTitle = "Recording Video Sequence ";
    static constexpr const char* kRecordedTitle = "Recorded Video Sequence ";
    static constexpr const char* kSavedTitle = "video saved as ";
    static constexpr const char* kFailedToStart = "failed to start recording!";

    // What "Image Sequence Settings" edits.
    struct SequenceSettings {
        int frames = 300;      // "no of frames": the movie's capacity
        int skip = 0;          // "skip frames": frames skipped between saved ones
        bool loop = true;      // "loop": record until stopped
        bool direct2disc = true;
        std::string folder;    // "recorddir"
        std::string baseName;  // "basename"
    };
    // The dialog's read-outs for a live picture of the given region and
    // bytes per pixel at the given capture rate.
    struct SequenceFigures {
        double memoryMB = 0;           // frames in memory
        double seconds = 0;            // duration of a full store
        double transferMBps = 0;       // bytes a second to disc
    };

    CMotivaRecDoc();
    ~CMotivaRecDoc() override;

    bool OnNewDocument() override;
    ordavia::Status OnSaveDocument(const std::string& path) override;
    void OnCloseDocument() override;

    const SequenceSettings& sequenceSettings() const { return seq_; }
    // OK of the dialog: keeps the values, writes them to the settings, sets
    // the movie's loop flag and refreshes the views.
    void setSequenceSettings(const SequenceSettings& s);
    static SequenceFigures figuresFor(const SequenceSettings& s, const ordavia::ZRect& region, int bytesPerPixel,
                                      double captureFps);

    // Where a recording straight to disc goes: the current examination's
    // folder when one is selected, else the recording folder (the home
    // folder while none is set).
    std::string recordingFolder() const;
    // The file a recording started at `when` (seconds since 1970) is written to.
    std::string directFileName(int64_t when) const;
    // The next recordings go straight into this movie file instead of one
    // named by the clock, and the caller writes the video document itself
    // (empty: back to the settings).
    void recordInto(const std::string& movieFile) { recordInto_ = movieFile; }

    // ---- Recording ----
    // Starts recording `live` (the current live-video document); nothing
    // happens without one. A start that fails says "failed to start
    // recording!" with the reason and leaves nothing running.
    ordavia::Status startRecording(ZBasicfgDoc* live);
    // Stops and finishes the recording; the failure of a recording that
    // could not be completed is returned and shown (the frames written are
    // kept). Nothing happens when not recording.
    ordavia::Status stopRecording();
    // One command toggles.
    ordavia::Status toggleRecording(ZBasicfgDoc* live);
    bool recording() const { return recording_; }
    ZBasicfgDoc* recordingFrom() const { return live_; }
    int64_t startTime() const { return startTime_; }
    // Frames stored since the start.
    int framesRecorded() const { return framesRecorded_; }

    // The beep at start and stop (the workstation's sound; none in tests).
    std::function<void()> onBeep;

private:
    void liveFrame(const CZVimage& frame, int32_t frameNumber) override;
    void readSequenceSettings();
    void report(const ordavia::Status& s);

    // Hears the live document go: a recording from it ends there.
    struct LiveWatch : ordavia::DocumentView {
        CMotivaRecDoc* owner = nullptr;
        void OnUpdate(ordavia::Document* doc, long hint) override;
    };
    void watchLive(ZBasicfgDoc* live);

    LiveWatch watch_;
    SequenceSettings seq_;
    bool recording_ = false;
    ZBasicfgDoc* live_ = nullptr;
    int64_t startTime_ = 0;
    int framesRecorded_ = 0;
    double captureFps_ = 25.0;
    bool stopping_ = false;
    std::string recordInto_;
};

class ZVcytoDoc : public CMotivaRecDoc {
public:
    static constexpr const char* kSection = "cyto settings";
    // "Open C&ytoscan file...": the header file with the frames in the
    // ".raw" of the same name.
    ordavia::Status openCytoscan(const std::string& headerPath);
    // Writes "first" and "last" (the selection) to "cyto settings".
    void OnCloseDocument() override;
};
