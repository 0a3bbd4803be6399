#pragma once
// The chart document: traces and markers, saved as ".zv1".
//
// ".zv1" layout: magic 0x5A5A (int32), version 32 (u16), the trace array
// (count, then each CTrace/C2DTrace/CDopTrace as an object reference),
// list version (int32, 2), listValue (double), and from list version 2 the
// marker list. A file without the magic starts with the trace array; a
// list block cut off at the end of the file counts as version 1.
//
// Settings block (the ".cfg" beside the program, named after the document
// class): version u16 (3), editNewMarks, linkYAxes, smoothChoice (int32),
// smoothTime (float), settingD, sampleCount (int32), settingC (double,
// from version 2), CdbDocument block (from version 3).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/AppServices.h"
#include "base/Result.h"
#include "chart/CMarker.h"
#include "chart/CTrace.h"
#include "chart/MarkerProperties.h"
#include "chart/TraceProperties.h"
#include "chart/TraceAlgorithms.h"
#include "db/CdbDocument.h"

namespace ordavia {
class Prompter;
}  // namespace ordavia

class ZchartDoc : public CdbDocument {
public:
    ZchartDoc();
    ~ZchartDoc() override;

    static constexpr int32_t kMagic = 0x5A5A;
    static constexpr uint16_t kVersion = 32;
    // docFlags bits.
    static constexpr uint32_t kNoDerived = 1, kNoDelete = 2, kAskOpenNew = 8;
    // View hints.
    static constexpr long kHintTraces = 1, kHintMarker = 2, kHintData = 3;

    // ---- State ----
    // docFlags bits (kNoDerived, kNoDelete, kAskOpenNew): what the chart
    // refuses and what it asks after a save.
    uint32_t docFlags() const { return docFlags_; }
    void setDocFlags(uint32_t flags) { docFlags_ = flags; }
    // The traces in display order (an entry may be empty after a removal)
    // and the markers, read-only: they change through the operations below.
    int traceCount() const { return static_cast<int>(traces_.size()); }
    const CTrace* trace(int index) const;
    // The position of a trace of this chart, or of the first trace of that
    // exact name; -1 when there is none.
    int traceIndex(const CTrace* t) const { return traces_.indexOf(t); }
    int traceIndex(const std::string& name) const { return traces_.indexOf(name); }
    const CTrace* findTrace(const std::string& name) const { return traces_.find(name); }
    const CTrace* longestTrace() const;
    const CMarkerList& markers() const { return markers_; }
    // Archived with the list.
    double listValue() const { return listValue_; }
    // The path of the last save.
    const std::string& pathName() const { return pathName_; }
    // The last choice of "Apply Smoothing" (0..3 the fixed time constants,
    // 4 "other") and the typed "other" time in seconds; kept with the
    // settings, not with the chart, so they do not mark it modified.
    uint32_t smoothChoice() const { return smoothChoice_; }
    float smoothTime() const { return smoothTime_; }
    // False (nothing kept) for a choice past 4 or a time that is negative
    // or not finite.
    bool setSmoothing(uint32_t choice, float time);
    double settingC() const { return settingC_; }
    void setSettingC(double v) { settingC_ = v; }
    uint32_t settingD() const { return settingD_; }
    void setSettingD(uint32_t v) { settingD_ = v; }
    // The length of every trace of a recording chart.
    uint32_t sampleCount() const { return sampleCount_; }
    // What smoothing and averages reject; modes outside off, reject and
    // replace are refused (false).
    const ordavia::ArtifactFilter& artifactFilter() const { return artifactFilter_; }
    bool setArtifactFilter(const ordavia::ArtifactFilter& f);

    // ---- Edits of the chart view: each checks the value, is one step of
    // the undo stack (which says whether the chart is modified) and tells
    // every view ----
    ordavia::TraceProperties traceProperties(int index) const;
    // False (trace unchanged) for a missing trace, a sample interval or a
    // display scale that is not a positive finite number, a calibration
    // that is not finite or a point size outside 1..50.
    bool setTraceProperties(int index, const ordavia::TraceProperties& p);
    // 0 would mean "chosen by the view": a chosen black is kept as 0x010101.
    bool setTraceColour(int index, uint32_t colour);
    // The intensity mapping of a two-dimensional trace. The range is held
    // inside the trace's own limits; the range kept is returned (negative
    // when there is no such trace).
    double setIntensityRange(int index, double range);
    bool invertPalette(int index);
    // The smallest value becomes black.
    bool minimumToBackground(int index);
    // Back to no offset, switching between the grey and the colour ramp.
    bool toggleLinearIntensity(int index);
    // Markers: the index of a marker of this chart (-1 when it is not one).
    int markerIndex(const CMarker* m) const;
    // Adds a marker at x (label from the program-wide counter when empty,
    // `extra` appended to its description) as the step "Insert Marker";
    // null, with the low-memory message, when there is no marker.
    const CMarker* AddMarker(std::unique_ptr<CMarker> m, double x, const std::string& label = {},
                             const std::string& extra = {});
    bool editMarker(int index, const ordavia::MarkerProperties& p);
    bool removeMarker(int index);
    // Selecting a marker (an image marker asks for its picture again).
    void activateMarker(int index);
    // A still copy of every trace, empty entries included, so that trace
    // indexes mean the same in the copy (a held view shows it).
    std::unique_ptr<ZchartDoc> stillCopy() const;

    // The chart flags every chart of the run shares (archived with the
    // settings); a chart run headless keeps its own.
    bool editNewMarks() const { return runState().editNewMarks != 0; }
    void setEditNewMarks(bool on) { runState().editNewMarks = on ? 1 : 0; }
    bool linkYAxes() const { return runState().linkYAxes != 0; }
    void setLinkYAxes(bool on);

    // The class name the settings file is named after.
    virtual const char* settingsClassName() const { return "ZchartDoc"; }
    // The ".cfg" file in the program folder (the services' program folder,
    // else the folder of the running executable).
    std::string settingsPath() const;

    // Building the chart: a trace made and filled by its maker is handed
    // over whole and is the chart's from then on. Null (with the low-memory
    // message unless there is no prompter) when it has no data. The program
    // builds charts this way: the chart is modified, with no undo step
    // (the user's operations below each add theirs as one).
    const CTrace* addTrace(std::unique_ptr<CTrace> t, bool quiet = false);
    const CTrace* duplicateTrace(const CTrace& t, bool quiet = false);
    // Taking a trace out outside the undo stack drops the recorded steps.
    void removeTrace(int index, bool update = true);
    std::unique_ptr<CTrace> detachTrace(int index, bool update = true);
    // The user's deletion of a whole trace, as the step "Delete trace";
    // false for a missing trace or a chart that refuses deletions.
    bool deleteTrace(int index);
    // An analysis refilling a trace it made before: the samples, ring and
    // head of `source`, and the x unit when given. A recalculation, not an
    // edit: the chart is modified and its recorded steps are dropped (they
    // would put back samples of the old calculation). False for a missing
    // trace or without the memory (the trace is then unchanged).
    bool refillTrace(int index, const CTrace& source, const std::string* xUnits = nullptr);
    void setSampleCount(uint32_t n);

    void DeleteContents() override;
    bool OnNewDocument() override;
    void Serialize(ordavia::Archive& ar) override;
    virtual void SerializeSettings(ordavia::Archive& ar);
    virtual void ResetSettings();
    // Reads the settings file (logging as it goes); defaults on failure.
    void loadSettings();
    ordavia::Status saveSettings() const;

    // Loads a ".zv1" from bytes / saves to bytes (no prompts, no views).
    ordavia::Status loadFromBytes(const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> saveToBytes();
    ordavia::Status OnSaveDocument(const std::string& path) override;

    // ---- operations of the chart view (ChartOperations.cpp) ----
    // "&Calculate Power Spectrum...": the "Calculated PSD" trace added, or
    // null (a one-dimensional trace of fewer than kMinSpectrumSamples is
    // refused with kSpectrumTooShort; low memory with its own message).
    const CTrace* powerSpectrum(int index, double viewXScale);
    static constexpr const char* kSpectrumTooShort =
        "The power spectrum needs a one-dimensional trace of at least %u samples.";
    // The operations that change a trace's samples (smooth, fir, normalise,
    // the row operations, clearTraces, deleteData) and those that add or
    // replace traces are each one undo step named after the command.
    bool smooth(int index, uint32_t from, uint32_t to, double tau, bool useFilter = true);
    bool fir(int index, uint32_t from, uint32_t to, const std::vector<double>& coefficients);
    const CTrace* differentiate(int index);
    ordavia::SelectionAverage averageSelection(int index, uint32_t from, uint32_t to);
    bool normaliseToSelection(int index, uint32_t from, uint32_t to);
    const CTrace* combine(int index, int other, bool subtract);
    const CTrace* squareTrace(int index);
    const CTrace* halvePoints(int index);
    bool rowOperation(int index, uint32_t from, uint32_t to, ordavia::RowOp op);
    // "&PSD profile": the mean of the selected rows of a two-dimensional
    // trace that hold data, over the row's components; null for a plain
    // trace or a selection without data.
    const CTrace* rowProfile(int index, uint32_t from, uint32_t to);
    // "create image from trace": the rows of a two-dimensional trace as
    // columns of an 8-bit grey picture (component 0 at the bottom, as the
    // chart draws it), scaled by the trace's intensity range and offset.
    // width x rows grey bytes, row 0 at the top; empty for a plain trace.
    struct GreyPicture {
        int width = 0, height = 0;
        std::vector<uint8_t> pixels;
    };
    GreyPicture pictureOf(int index) const;
    bool clearTraces();
    // Removes [from, to) from the trace, or the whole trace when from == to.
    bool deleteData(int index, uint32_t from, uint32_t to);

    // The clipboard's "CTrace" bytes: the trace (or its selection) and the
    // markers inside its x range.
    std::vector<uint8_t> copyBytes(int index, uint32_t from, uint32_t to) const;
    // Adds the pasted trace starting at xStart seconds; null on bad bytes.
    const CTrace* pasteBytes(const std::vector<uint8_t>& bytes, double xStart);

    // Whether a stored value stands for "no sample" in one of this chart's
    // traces: exports leave such cells empty. A plain chart has no such
    // value; documents whose traces mark gaps say which.
    virtual bool isMissingSample(const CTrace& trace, double raw) const { return false; }

    // Traces from a foreign data file.
    // `why`, when given, receives the reason the reader stopped (success
    // when it read the whole file).
    int importTraces(const std::vector<uint8_t>& bytes, class DataFileFormat& fmt, ordavia::Status* why = nullptr);

    // Documents that record (live charts, Doppler) start and stop here.
    virtual bool canRun() const { return false; }
    virtual void run(bool on) {}

    static void registerClasses();

    // The prompter of the document's services.
    ordavia::Prompter* prompter() const;

protected:
    // The chart's own way in for the documents built on it: their analyses
    // fill and recalculate the traces they keep.
    CTrace* editableTrace(int index);
    CTrace* editableTrace(const std::string& name) { return editableTrace(traceIndex(name)); }
    CTraceArray& traceArray() { return traces_; }
    const CTraceArray& traces() const { return traces_; }
    // A new trace of zero samples, kept by the chart; null when the memory
    // is not there.
    CTrace* newTrace(int typeCode, uint32_t count, bool quiet = false);
    C2DTrace* new2DTrace(int typeCode, uint32_t rows, uint32_t width, bool quiet = false);
    CTrace* adoptTrace(std::unique_ptr<CTrace> t, bool quiet = false);
    // A data operation of the traces at `indexes` as the undo step `text`
    // (ChartDataEdits.cpp): a copy of each (samples, row extents and every
    // attribute) is taken before `change` runs, and the step exchanges the
    // copy with the trace on undo and redo; traces `change` adds belong to
    // the step. False when `change` refuses and added nothing (no step);
    // without the memory for the copy the change is made unrecorded.
    bool pushDataEdit(const std::vector<int>& indexes, const std::string& text, const std::function<bool()>& change,
                      long hint = kHintData);
    // Adds a trace the user's operation made as the step `text`.
    const CTrace* appendTrace(std::unique_ptr<CTrace> t, const std::string& text);

private:
    // Writes a trace's properties; exactStart (milliseconds) puts back a
    // start as it was, which a start in seconds may not.
    static void applyTraceProperties(CTrace& t, const ordavia::TraceProperties& p, const double* exactStart);
    ordavia::ChartRunState& runState() const;
    C2DTrace* twoD(int index);
    // A display edit of one trace as an undo step named `text`: `change`
    // shows what it does, the step puts the values back and forth.
    void pushLookEdit(int index, const std::string& text, const std::function<void(CTrace&)>& change);
    // The traces and markers appended since the counts given, as one step
    // that takes them out on undo and puts them back on redo.
    void pushAppended(const std::string& text, size_t tracesBefore, size_t markersBefore);
    struct Appended {
        std::function<void()> putBack, takeOut;
    };
    Appended appended(size_t tracesBefore, size_t markersBefore);
    // Puts `replacement` in the slot `index` as the step `text` (the old
    // trace is kept by the step); a null replacement deletes the slot.
    void pushSlotEdit(int index, std::unique_ptr<CTrace> replacement, const std::string& text);

    uint32_t docFlags_ = 0;
    // Inside a data step: traces the program adds belong to the step.
    bool inStep_ = false;
    CMarkerList markers_;
    CTraceArray traces_;
    double listValue_ = 0.0;
    std::string pathName_;
    uint32_t smoothChoice_ = 0;
    float smoothTime_ = 1.0f;
    double settingC_ = 3.0;
    uint32_t settingD_ = 0;
    uint32_t sampleCount_ = 500;
    ordavia::ArtifactFilter artifactFilter_;

protected:
    void notify(long hint) { UpdateAllViews(nullptr, hint); }
};
