#pragma once
// ZlineScanBaseDoc: a line scan and its velocities, saved as ".zvl".
//
// A line scan is the grey values along a line inside a capillary, one
// column per sample period, kept in the two-dimensional trace "scan2D"
// (trace samples are time columns, components are points along the line,
// the per-sample extent is the column's point count, 0 = no data). The
// velocity traces ("correllogram", "correlation", "cbv-uncut", "cbv"),
// the high-pass "difference", the "Hough" transform and the two-line
// traces "line1", "line2" live beside it in the chart.
//
// ".zvl" layout: the chart document's layout, then version (int32, 11),
// slope count n (int32), n slopes of four doubles (x1, y1, x2, y2); from
// version 5 points per line sample (int32); from 6 the correlation limit
// (double), gap, points, method, filter (int32), high pass, 2D (int32
// 0/1), smoothing, x period factor (double); from 7 fields per sample and
// use interlace (int32); from 8 zero peak (int32); from 9 the Hough
// difference threshold (double); from 10 Hough peak window, correlation
// peak window (int32), Hough minimum (double), Hough threshold, Hough low
// pass (int32); from 11 correlation threshold, Hough tolerance and
// correlation tolerance (int32). A slope count of 1000 or more loads no
// slopes; fields a file does not have keep their present values.
//
// Trace kinds travel in the trace's y group, the one archived integer a
// trace has for it: 111 line-scan source, 112 scan, 113 difference,
// 114 Hough, 124 two-line time trace, 126 count.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/ZchartDoc.h"
#include "figures/MeasureValues.h"
#include "linescan/CbvParams.h"
#include "linescan/VelocityTrust.h"

namespace ordavia {

// A straight line drawn on the scan, in the scan trace's units (x seconds,
// y calibrated length along the line).
struct VelocitySlope {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // Length per second; 0 for a vertical line (no time between the ends).
    double velocity() const { return x2 != x1 ? (y2 - y1) / (x2 - x1) : 0.0; }
    friend bool operator==(const VelocitySlope&, const VelocitySlope&) = default;
};

// The numbers behind "Calculate all widths and velocities" for the marked
// part of the "cbv" trace.
struct CbvSummary {
    double mean = 0;            // calibrated velocity of the good columns
    double low = 0, high = 0;   // their range, outliers left out
    double percentGood = 0;     // good columns of the visited ones
    double meanCorrelation = 0; // squared coefficient (0..1) of the good columns
    uint32_t good = 0, visited = 0;
    uint32_t outliers = 0;      // good columns left out of the range and the mean
    std::string units;
    // Whether the mean lies in the band of speeds the correlation can see
    // with this gap and line, and how well the columns bear it out.
    VelocityTrust trust;
    // "line %i velocity = %.1f <units> %.3f to %.3f percent good = ..."
    std::string text(int lineNumber) const;
    // The figures of the summary (the "linescan" set of the measure
    // catalogue) for that line: with the diameter across it (the video's
    // length unit; none when negative) the flux in um^3/s, and the
    // velocity given instead of the mean where another method found it.
    ordavia::MeasureValues figures(int lineNumber, double diameter = -1,
                                   std::optional<double> velocity = std::nullopt) const;
};

// The velocity of the Hough transform's streaks: the median of the slopes
// (trace units per second; the strongest streaks come first, and the
// median keeps a stray line through noise from pulling the result), their
// range, and whether the transform could have seen it.
struct HoughSummary {
    bool valid = false;
    double velocity = 0, low = 0, high = 0;
    uint32_t streaks = 0;
    VelocityTrust trust;
    std::string units;
    // "Hough velocity = %.1f <units> (%u streaks) ..." with the range advice.
    std::string text() const;
};

// The "average cbv vs correlation limit" curves: 250 bins, bin i holds the
// columns whose correlation is at least (i + 1) x 4 on the 0..1000 scale.
struct CbvLimitCurves {
    static constexpr int kBins = 250;
    std::vector<double> average, n, min, max;
    std::vector<std::string> log;  // "cbvvcoef cf[%i]=%d\n" lines
};

}  // namespace ordavia

class ZlineScanBaseDoc : public ZchartDoc {
public:
    ZlineScanBaseDoc();
    ~ZlineScanBaseDoc() override;

    static constexpr int32_t kZvlVersion = 11;
    static constexpr int kMaxSlopes = 1000;
    static constexpr int32_t kKindSource = 111, kKindScan = 112, kKindDifference = 113, kKindHough = 114,
                             kKindTimeLine = 124, kKindCount = 126;
    static constexpr const char* kScanName = "scan2D";
    static constexpr const char* kCorrelogramName = "correllogram";
    static constexpr const char* kCorrelationName = "correlation";
    static constexpr const char* kCbvName = "cbv";
    static constexpr const char* kCbvUncutName = "cbv-uncut";
    static constexpr const char* kLine1Name = "line1";
    static constexpr const char* kLine2Name = "line2";
    static constexpr const char* kDifferenceName = "difference";
    static constexpr const char* kHoughName = "Hough";
    // Update hint of a new live column (views that follow the scan scroll).
    static constexpr long kHintLiveColumn = 0x15C1;

    const char* settingsClassName() const override { return "ZlineScanBaseDoc"; }

    // ---- parameters ----
    const ordavia::CbvParams& params() const { return params_; }
    // Takes the values (clamped) and, with writeProfile, writes every key.
    void setParams(const ordavia::CbvParams& p, bool writeProfile = true);
    // "CBV calculation &parameters..." accepted: the values as setParams
    // takes them, and a scan that is not running measured again with them.
    void applyParams(const ordavia::CbvParams& p);
    // Whether a live scan is taking samples now (never, for a file).
    virtual bool running() const { return false; }
    int32_t pointsPerLineSample() const { return pointsPerLineSample_; }
    double xPeriodFactor() const { return xPeriodFactor_; }
    void setXPeriodFactor(double f);
    int32_t fieldsPerSample() const { return fieldsPerSample_; }
    // Reads every setting from the document's profile (defaults without one).
    virtual void loadProfileSettings();

    // ---- traces (null when the document has none) ----
    const C2DTrace* scanTrace() const { return scan_; }
    const C2DTrace* sourceTrace() const { return source_; }
    const C2DTrace* correlogramTrace() const { return correlogram_; }
    const CTrace* correlationTrace() const { return correlation_; }
    const CTrace* cbvTrace() const { return cbv_; }
    const CTrace* cbvUncutTrace() const { return cbvUncut_; }
    const CTrace* line1Trace() const { return line1_; }
    const CTrace* line2Trace() const { return line2_; }
    const C2DTrace* differenceTrace() const { return difference_; }
    const C2DTrace* houghTrace() const { return hough_; }
    // Finds the traces again by name and kind (after loading, removing or
    // adding traces); settles points per line sample from scan and source.
    void findTraces();

    // ---- velocity slopes ----
    const std::vector<ordavia::VelocitySlope>& slopes() const { return slopes_; }
    int selectedSlope() const { return selected_; }
    // "Delete all &velocity slopes".
    void deleteAllSlopes();
    // Replaces the slopes (at most 1000 are kept) and clears the selection.
    void setSlopes(std::vector<ordavia::VelocitySlope> s);
    // The "&Delete" of the line-scan menu: slope `index` goes (the selected
    // one, as the view passes it); false when there is no such slope.
    bool deleteSlope(int index);
    // Mouse down on the scan at (x, y), trace units, with the pick
    // rectangle's half sizes: a slope whose first end lies strictly inside
    // is taken with its ends swapped (the picked end moves), else one whose
    // second end lies inside, else a new slope starts at (x, y). The index
    // taken (and selected), -1 when 1000 slopes exist already.
    int pickSlope(double x, double y, double halfWidth, double halfHeight);
    // Mouse drag: the selected slope's second end follows.
    void moveSlopeEnd(double x, double y);
    // Mouse up: a slope the last pick started whose ends lie less than
    // minWidth apart in time and minHeight along the line (a click, not a
    // drag) is dropped again.
    void finishSlope(double minWidth, double minHeight);
    // "&Interpolate...": the slopes as a velocity trace named `name`, one
    // value per column of the scan, straight between the slopes' middles
    // and held beyond the first and the last. Null (nothing added) without
    // a scan or a slope that spans time.
    const CTrace* interpolateSlopes(const std::string& name);
    bool canInterpolateSlopes() const;
    // "linescan slope velocities": "%i\n%7.2f" per slope.
    std::string slopeVelocitiesText() const;

    // ---- commands ----
    // "&Use Interlace": toggles and writes "useinterlace" (the file keeps
    // it too).
    void toggleUseInterlace();
    // "Set trace as linescan": marks a 2D trace as the line-scan source.
    bool setTraceAsLinescan(int index);
    // "correlate": a new trace of n = min(len A, len B) / 2 doubles with the
    // correlogram of A against B shifted 0 .. n - 1; null when refused.
    const CTrace* correlateTraces(int a, int b);
    // "Calculate &Hough Velocities": the slopes found (replacing the
    // earlier ones); -1 when there is nothing to transform. The visible
    // column range [from, to) of the input sets the threshold (from == to:
    // all columns).
    int calculateHoughVelocities(uint32_t visibleFrom = 0, uint32_t visibleTo = 0);
    // "Draw velocity lines from correlation peaks" ("correl2velo"): one
    // slope per accepted column (at most 1000), through the column's time at
    // the first point, replacing the slopes. The number drawn.
    int drawVelocityLinesFromCorrelation();
    // The same after a run of the workstation: one slope per good column of
    // "cbv" through the middle of the line, at most 1000 spread evenly over
    // the columns, replacing the slopes. The number drawn.
    int drawVelocityLinesFromPeaks();
    // What follows a run inside the document: the Hough velocities with
    // "dohough", the lines from the correlation peaks with "correl2velo";
    // the views then show the results whole.
    void runFollowUpAnalyses();
    // "average cbv vs correlation limit".
    ordavia::CbvLimitCurves averageCbvVsLimit() const;
    // Fills a chart with the curves ("average cbv vs correlation limit "
    // + title, traces average, "n", "min", "max").
    void fillAverageCbvChart(ZchartDoc& chart) const;
    // "cvb vs correlation points": the chart's first trace takes the
    // "correlation" values, its second the "cbv-uncut" values; false when
    // the chart has fewer than two traces or there are no results.
    bool fillCbvCorrelationChart(ZchartDoc& chart) const;
    // The run summary over the ring range [from, to) of "cbv" (whole ring
    // when equal).
    // Outlying columns stay out of the mean as well as the range.
    ordavia::CbvSummary summary(uint32_t from, uint32_t to) const;
    // The slopes' velocity (after "Calculate &Hough Velocities"), judged
    // against the transform's angle band and the scan's own correlogram.
    ordavia::HoughSummary houghSummary() const;
    // The summary the user accepted from this scan; none until then, and
    // none again once the scan's velocities are calculated anew.
    void setAcceptedSummary(const ordavia::CbvSummary& s);
    const std::optional<ordavia::CbvSummary>& acceptedSummary() const { return accepted_; }
    // The velocity the scan's window shows in its header: the accepted one
    // once there is one, else the whole scan's summary named as such (the
    // same number "Calculate all widths and velocities" offers); "" with
    // no "cbv" trace.
    std::string velocityHeader() const;

    // ---- velocity of one column (method 0 and 1) ----
    // Runs binning, high pass, correlogram, smoothing, peak and velocity for
    // scan column k. Missing traces skip the column.
    void columnVelocity(uint32_t k);
    // Two-line velocity for the present positions of "line1" and "line2".
    void twoLineVelocity(uint32_t k);
    // Forgets the background vector and the smoothing history (a new scan).
    void restartVelocity();
    // Creates (or resizes) "correllogram", "correlation", "cbv", "cbv-uncut"
    // and, with high pass on, "difference" for a source of `rows` points and
    // `columns` samples. False on low memory.
    bool makeResultTraces(uint32_t rows, uint32_t columns);
    void removeResultTraces();
    // Every column of the scan again, oldest first (after a load or a
    // parameter change); the number of columns with a velocity.
    uint32_t recalculate();
    // "&Import...": a space-time picture of another instrument as the scan
    // (values[t * points + i], clamped to 0..65535), one column per
    // `seconds`, `lengthPerPoint` `units` along the line; the velocities
    // follow. False (the document unchanged) on low memory or no data.
    bool importScan(const std::vector<double>& values, uint32_t times, uint32_t points, double seconds,
                    double lengthPerPoint, const std::string& units);

    // A column without a velocity holds -1 in "correlation", "cbv-uncut"
    // and "cbv".
    bool isMissingSample(const CTrace& trace, double raw) const override;

    // ---- framework ----
    void DeleteContents() override;
    bool OnNewDocument() override;
    ordavia::Status OnOpenDocument(const std::string& path) override;
    void Serialize(ordavia::Archive& ar) override;
    // Reads a ".zvl" from bytes without prompts (tests, fuzzing, the CLI).
    ordavia::Status loadZvlBytes(const std::vector<uint8_t>& bytes);

protected:
    // The line-scan block after the chart part.
    void serializeLineScan(ordavia::Archive& ar);
    C2DTrace* make2D(const char* name, int typeCode, uint32_t rows, uint32_t columns, int32_t kind);
    // The four display fields of a two-dimensional trace.
    static void setDisplay(C2DTrace& t, double range, double step, double lowest, double highest) {
        t.intensityRange = range;
        t.rangeStep = step;
        t.rangeMin = lowest;
        t.rangeMax = highest;
    }
    CTrace* make1D(const char* name, uint32_t columns);

    ordavia::CbvParams params_;
    int32_t pointsPerLineSample_ = 1;
    double xPeriodFactor_ = 1.0;
    int32_t fieldsPerSample_ = 1;
    std::vector<ordavia::VelocitySlope> slopes_;
    int selected_ = -1;
    // Whether the last pick started a new slope (finishSlope may drop it).
    bool newSlope_ = false;
    // The slopes before the drag under way; the drag is one undo step.
    std::vector<ordavia::VelocitySlope> slopesBefore_;
    bool slopeEditOpen_ = false;
    void beginSlopeEdit();
    void endSlopeEdit(const std::string& text);
    // Records the change from `before` to the slopes as they are now.
    void recordSlopes(std::vector<ordavia::VelocitySlope> before, const std::string& text);

    C2DTrace* scan_ = nullptr;
    C2DTrace* source_ = nullptr;
    C2DTrace* correlogram_ = nullptr;
    CTrace* correlation_ = nullptr;
    CTrace* cbv_ = nullptr;
    CTrace* cbvUncut_ = nullptr;
    CTrace* line1_ = nullptr;
    CTrace* line2_ = nullptr;
    C2DTrace* difference_ = nullptr;
    C2DTrace* hough_ = nullptr;

    // The chart's own commands add and remove traces; each change of the
    // trace list finds the traces again so that no pointer outlives its trace.
    struct TraceWatch : ordavia::DocumentView {
        ZlineScanBaseDoc* doc = nullptr;
        void OnUpdate(ordavia::Document*, long hint) override;
    } watch_;
    // False (after finding the traces again) when a result trace no longer
    // has the scan's column count.
    bool shapesFit();

    // Velocity state: the high-pass background, whether the next column is
    // the first of a scan (no smoothing), scratch rows.
    std::vector<double> background_;
    bool firstColumn_ = true;
    double thetaMin_ = 0.0;
    int32_t columnsToSample_ = 0;  // "NoPtsToSample" of the live document
    std::optional<ordavia::CbvSummary> accepted_;
};
