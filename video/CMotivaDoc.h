#pragma once
// The document of a video examination: an image document whose picture is
// the current frame of its movie, with the frame selection, the frame rate,
// the link to the movie file (".mve" or a foreign video) and the commands
// that run over all frames. Its ".dcs" file holds the image-document fields
// and then the video's own (layout version 6; every older version reads).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "figures/MeasureValues.h"
#include "measure/ZBasicDoc.h"
#include "video/CZVMovie.h"
#include "video/FineOffsets.h"

class CResultDoc;
namespace ordavia {

class Prompter;
class AppServices;

class MovementRun;
struct MovementParams;
struct FluxParams;
}  // namespace ordavia

class CMotivaDoc : public ZBasicDoc {
public:
    static constexpr int32_t kVideoVersion = 6;
    static constexpr const char* kMovieFilter = "ZV videos (*.mve)|*.mve|All files|*.*||";
    static constexpr const char* kImportFilter = "Movies (*.mve)|*.mve|All files (*.*)|*.*||";
    static constexpr const char* kAviFilter = "Movies (*.avi)|*.avi|All files (*.*)|*.*||";
    static constexpr const char* kDcsFilter = "Videos (*.dcs)|*.dcs||";
    static constexpr const char* kLinkQuestion = " yes = keep link to this movie file, no = make a copy with new name.";

    CMotivaDoc();
    ~CMotivaDoc() override;

    // ---- Framework ----
    void Serialize(ordavia::Archive& ar) override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    bool OnSaveDocument(const std::string& path) override;
    bool OnFileSave() override;
    bool OnFileSaveAs() override;
    void DeleteContents() override;
    void OnCloseDocument() override;

    // ---- State ----
    CZVMovie& movie() { return *movie_; }
    const CZVMovie& movie() const { return *movie_; }
    bool hasFrames() const;
    int playbackInterval() const { return playbackInterval_; }
    void setPlaybackInterval(int ms);
    int32_t numberOfFrames() const { return numberOfFrames_; }
    int32_t skipFrames() const { return skipFrames_; }
    int32_t flag() const { return flag_; }
    const std::vector<std::pair<int32_t, int32_t>>& pairs() const { return pairs_; }
    const std::string& movieFileName() const { return movieFileName_; }
    // The one rate every analysis, the playback and the exports use; the
    // movie's rate/scale follow it.
    double framesPerSecond() const { return fps_; }
    void setFramesPerSecond(double fps);
    // The rate a video document gives a movie it opens on its own: a
    // foreign video's stream rate; for a movie file (which keeps no rate)
    // the rate of the video document of the same name beside it that links
    // it, else the program's capture rate.
    static double frameRateOfMovie(const std::string& moviePath, const CZVMovie& movie,
                                   ordavia::AppServices* services = nullptr);
    // The program-wide capture rate a movie without a rate of its own is taken at.
    static constexpr double kCaptureRate = 25.0;
    const std::string& resultsFileName() const { return resultsFileName_; }
    // The results table that belongs to this video: the ".rst" named in
    // the document is opened with it, and whichever table is attached is
    // saved beside the document as B.rst. Cleared when the table closes.
    CResultDoc* results() const { return results_; }
    void setResults(CResultDoc* table);
    int selectionFirst() const { return selFirst_; }
    int selectionLast() const { return selLast_; }
    // -1, -1 selects the whole video.
    void setSelection(int first, int last);
    bool calculateVelocities() const { return calcVelocities_ != 0; }
    void toggleCalculateVelocities();
    const std::vector<double>& flyingSpot() const { return flyingSpot_; }
    // The flying-spot values made as long as the movie (all 0.0 when the
    // length differed), and one of them set (the document modified).
    void fitFlyingSpot();
    void setFlyingSpotValue(int frame, double v);
    int32_t videoVersion() const { return videoVersionRead_; }
    // The frame table as read from the file (offsets of movement correction).
    const FrameInfoList& storedFrameTable() const { return loadedTable_; }

    // ---- Frames ----
    int currentFrame() const;
    int frameCount() const;
    // Makes frame i current and shows it.
    void goToFrame(int i);
    void stepFrame(int delta);
    // Points the displayed picture at the movie's current frame again.
    // A frame there is no memory for is not shown (see frameMemoryFailed).
    void showCurrentFrame();
    // A frame could not be given memory since the document opened (the
    // picture or the movie's own frame): the reason is in lastStatus().
    bool frameMemoryFailed() const { return frameMemoryFailed_ || movie_->outOfMemory(); }
    // "Image# %03i/%03i", "Field# %3li", "%02i:%05.2f".
    std::string frameText() const;
    std::string fieldText() const;
    std::string elapsedText();

    // ---- Commands ----
    ordavia::Status importMovie(const std::string& path);  // "&Import..."
    ordavia::Status importAvi(const std::string& path);    // "Import AVI..."
    // A movie file or another program's video, imported as the one of the
    // two commands above that reads it: the one place that decides how a
    // video path becomes a video document (window, command line, requests).
    ordavia::Status importVideoFile(const std::string& path);
    // Cytoscan: WIDTH, HEIGHT, NUMBER_OF_FRAMES, MAGNIFICATION in the header
    // file, 16-bit frames in the ".raw" file of the same name.
    ordavia::Status importCytoscan(const std::string& headerPath);
    // "Export as AVI..." (a codec; empty = uncompressed) of the selection.
    // `corrected`: the frames placed at their movement offsets.
    ordavia::Status exportAvi(const std::string& path, const std::string& codec, int every = 1, bool corrected = false);
    // "Export uncompressed avi": movie file name without extension + "-export.avi".
    ordavia::Result<std::string> exportUncompressed();
    // A per-frame pass with an image operation on the region of interest.
    ordavia::Status framePass(const std::string& history, const std::function<void(CZVimage&, const ordavia::ZRect&)>& op,
                              const std::function<bool(int)>& progress = {});
    // "Convert to &grey": Bayer frames to grey in place of the mosaic,
    // colour frames to 8-bit grey with the import weights; grey videos are
    // left alone.
    ordavia::Status convertToGrey(const std::function<bool(int)>& progress = {});
    // "&Colour Planes to RGB": Bayer frames demosaiced into 24-bit colour.
    ordavia::Status colourPlanesToRgb(const std::function<bool(int)>& progress = {});
    ordavia::Status subtractTrace();
    ordavia::Status subtractImage(const std::string& imagePath);
    ordavia::Status squareOfDifferences();
    // "FFT per pixel sequence" of 2n frames from the current one, and the
    // "FCF of " speed picture of "&Calculate Flux conc & speed" (with the
    // concentration and flux pictures when asked): CMotivaDocFcf.cpp.
    ordavia::Status fftPerPixel(int points, const std::function<bool(int)>& progress = {});
    ordavia::Result<std::vector<std::unique_ptr<ZBasicDoc>>> fluxConcSpeedDocuments(const ordavia::FluxParams& p,
                                                                                    bool concAndFlux);
    ordavia::Status deleteSelected();
    ordavia::Status deleteNonSelected();
    // New image results: the document to show (calibration and settings
    // copied), titled as the commands title them.
    ordavia::Result<std::unique_ptr<ZBasicDoc>> averageDocument();
    ordavia::Result<std::unique_ptr<ZBasicDoc>> rmsDocument();
    ordavia::Result<std::unique_ptr<ZBasicDoc>> speedByRmsDocument(double threshold, double gain,
                                                                  const std::function<bool(const std::string&)>& progress);
    std::unique_ptr<ZBasicDoc> duplicateFrame() const;
    // Frame operations whose effect is not settled: wait for the frames,
    // mark modified, refresh.
    void touchFrames();

    // The profile and prompter this document uses (the services' when given).
    ProfileStore& profile() const;
    ordavia::Prompter& prompter() const;
    // Movie options from the settings ("compressoutput", "tempdir").
    void applyMovieSettings();

    // Reads the .dcs fields only (no movie), for tools that inspect files.
    ordavia::Status readDcs(const std::string& path);

    // ---- Movement correction (CMotivaDocMovement.cpp) ----
    // "&Automatic Movement Correction" over the selection; refused while a
    // run is going on or without frames. The caller drives the steps.
    ordavia::Status startMovementCorrection(const ordavia::MovementParams& p);
    // One frame of the run; false when nothing was left (the run is over).
    bool movementStep();
    // The end of a run, done or cancelled: frame 0 shown, document modified.
    void endMovementCorrection();
    const ordavia::MovementRun* movementRun() const { return movementRun_.get(); }
    // "&Reset offsets to zero": the offsets of the selection.
    void resetOffsets();
    // Moves the current frame by hand; `onwards` moves every later frame
    // of the selection with it (tracking a drift).
    void shiftCurrentFrame(int dx, int dy, bool onwards = false);
    // The end of a drag of the current frame: its moves were one undo
    // step, and the next shift starts another.
    void endFrameShift() { ++shiftDrag_; }
    // "Export Movement correction results...": the proposed name (movie
    // file name + "-offsets") and the export of the selection in
    // calibrated units.
    std::string offsetsExportName() const;
    ordavia::Status exportOffsets(const std::string& path);
    // Offsets of frame i with their fraction where a sub-pixel run found one.
    void frameOffset(int i, double& x, double& y);
    // The figures of the movement correction: the frames and the furthest
    // offset (the "stabilise" set of the measure catalogue).
    ordavia::MeasureValues movementFigures();
    const ordavia::FineOffsets& fineOffsets() const { return fine_; }

protected:
    // What a recording sets beside the movie itself.
    void setRecordingCounts(int32_t frames, int32_t skip) {
        numberOfFrames_ = frames;
        skipFrames_ = skip;
    }
    void setMovieFileName(const std::string& name) { movieFileName_ = name; }
    void resetPairs() { pairs_.assign(1, {0, 0}); }

private:
    // Opens the document's movie: its stored path, else the same name
    // beside the document. NotFound when it is at neither place; a damaged
    // one fails with its reason. The open reports and asks.
    ordavia::Status linkMovie();
    // Opens the movie the user pointed at instead.
    ordavia::Status linkMovieAt(const std::string& path);
    // Takes the opened movie into the document (rate, offsets, first frame).
    void movieLinked();
    // Gives the movie the document's rate (as rate/1000), unless it already
    // holds exactly that rate (a foreign video's own rate/scale stays).
    void syncMovieRate();
    void openStoredResults();
    void afterPass(const std::string& history, const ordavia::Status& s);
    std::unique_ptr<ZBasicDoc> newImageResult(CZVimage&& img, const std::string& titleSuffix) const;
    void afterDelete();

    int32_t playbackInterval_ = 20;
    int32_t numberOfFrames_ = 300;
    int32_t skipFrames_ = 0;
    std::vector<std::pair<int32_t, int32_t>> pairs_;
    int32_t flag_ = 0;
    std::string movieFileName_;
    std::unique_ptr<CZVMovie> movie_;
    double fps_ = 30.0;
    std::string resultsFileName_;
    CResultDoc* results_ = nullptr;
    int32_t selFirst_ = -1, selLast_ = -1;
    int32_t calcVelocities_ = 1;
    std::vector<double> flyingSpot_;
    int32_t videoVersionRead_ = kVideoVersion;
    FrameInfoList loadedTable_;
    std::unique_ptr<ordavia::MovementRun> movementRun_;
    ordavia::FineOffsets fine_;
    ordavia::Status saveFineOffsets(const std::string& dcsPath) const;
    void loadFineOffsets(const std::string& dcsPath);
    // Offsets edits (a run, a reset, a frame moved by hand) as undo steps:
    // the offsets, fractions and result text before the edit, compared
    // with those after it (CMotivaDocMovement.cpp).
    class OffsetsEdit;
    struct OffsetsState {
        FrameInfoList table;
        ordavia::FineOffsets fine;
        std::string result;
    };
    OffsetsState offsetsState() const;
    // dragKey >= 0: merges with the step before it of the same drag.
    void recordOffsetsEdit(const char* name, const OffsetsState& before, int dragKey = -1);
    OffsetsState beforeRun_;
    int shiftDrag_ = 0;
    // How the last attempt to open the document's movie went.
    ordavia::Status linkStatus_;
    bool frameMemoryFailed_ = false;
};
