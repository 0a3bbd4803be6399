// Line scans: "linescan" measures the blood velocity along a line of a
// video; "kymograph" measures a space-time image made by another
// instrument with the same methods.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/CliVideo.h"
#include "figures/LengthUnits.h"
#include "figures/MeasureValues.h"
#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/LineScanRun.h"
#include "settings/ProfileStore.h"
#include "linescan/LineScanSettings.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"

using namespace ordavia;

namespace {

// The options over the settings a scan in the workstation would use.
bool optionsOver(const CliArgs& a, CbvParams& p, VelocityMethod& method, std::string& error) {
    p.subpixel = a.has("--subpixel") || p.subpixel;
    if (auto m = a.get("--method")) {
        if (*m == "correlation") method = VelocityMethod::Correlation;
        else if (*m == "hough") method = VelocityMethod::Hough;
        else return (error = "--method must be correlation or hough (got '" + *m + "')"), false;
    }
    const Result<int> gap = a.number("--gap", 1, 100000, p.gap);
    // A squared coefficient.
    const Result<double> limit = a.number("--limit", 0.0, 1.0, p.coefLimit);
    if (Status bad = firstFailure(gap, limit); !bad) return (error = bad.reason()), false;
    p.gap = *gap;
    p.coefLimit = *limit;
    return true;
}

// The profile's settings (the same keys and defaults as the workstation's),
// then the options.
bool paramsFrom(const CliArgs& a, CbvParams& p, VelocityMethod& method, std::string& error) {
    if (ProfileStore* store = a.services().profileStore) p.load(*store);
    return optionsOver(a, p, method, error);
}

// The trust of a velocity in readable words: the range advice first, then
// the quality.
std::string trustText(const VelocityTrust& t, bool hough) {
    const std::string advice = rangeAdvice(t, hough);
    std::string text = strprintf(", quality %.2f", t.quality);
    if (!advice.empty()) return text + "\n" + advice;
    if (t.quality < kTrustedQuality) text += " (doubtful)";
    return text;
}

// "trusted" is what the workstation's summary goes by: in range and of a
// quality that a wrong peak rarely reaches. A velocity that is in range but
// untrusted is a wrong match more often than not (a fast flow aliased to a
// slow one says so only through its quality).
void trustFields(JsonWriter& j, const VelocityTrust& t) {
    j.field("in_range", t.inRange).field("quality", t.quality).field("trusted", trusted(t));
}

void printOutcome(const LineScanOutcome& r, const CliArgs& a, double umPerPoint, double fps, bool calibrated,
                  bool kymograph, bool hough) {
    const double ums = r.pxPerFrame * umPerPoint * fps;
    if (!a.json()) {
        if (!r.valid) {
            cliOut(strprintf("%u columns: no velocity found\n", r.columns));
            return;
        }
        cliOut(strprintf("%u columns: %.4f points per frame (%.4f to %.4f), %.1f %% good, mean correlation %.2f", r.columns,
                         r.pxPerFrame, r.low, r.high, r.percentGood, r.meanCorrelation));
        if (calibrated) cliOut(strprintf(", %.1f um/s", ums));
        cliOut(trustText(r.trust, hough) + "\n");
        return;
    }
    JsonWriter j;
    j.beginObject();
    j.field("columns", r.columns);
    j.key("px_per_frame");
    if (r.valid) j.value(r.pxPerFrame);
    else j.null();
    j.key("um_per_s");
    if (r.valid && calibrated) j.value(ums);
    else j.null();
    if (kymograph) {
        j.key("mm_per_s");
        if (r.valid && calibrated) j.value(ums * 0.001);
        else j.null();
    }
    j.key("range").beginArray();
    if (r.valid) j.value(r.low).value(r.high);
    j.endArray();
    j.field("percent_good", r.percentGood).field("mean_correlation", r.meanCorrelation);
    trustFields(j, r.trust);
    j.key("cbv").beginArray();
    for (double v : r.cbv) {
        if (std::isfinite(v)) j.value(v);
        else j.null();
    }
    j.endArray();
    j.endObject();
    cliOut(j.str() + "\n");
}

// The velocity of a scan the way the workstation's "Calculate all widths
// and velocities" offers it: the run summary of the "cbv" trace.
struct VideoVelocity {
    uint32_t columns = 0;
    CbvSummary summary;
    double sign = 1.0;      // -1 when the flow runs from the last point towards the first
    double perPoint = 1.0;  // calibrated length between line points
    double fps = 25.0;
    std::vector<double> cbv;  // per column, points per frame, NaN when rejected
    bool hough = false;
    std::vector<double> slopes;  // Hough: points per frame of every streak found
    VelocityTrust trust;
    double diameter = -1;  // across the line's middle, in the video's units; -1 when not found
};

// Prints the run's outcome; `velocity` gets the velocity it reports.
int printVideoVelocity(const VideoVelocity& v, const std::string& units, const CliArgs& a, double& velocity) {
    const CbvSummary& s = v.summary;
    const double toPoints = 1.0 / (v.perPoint * v.fps);  // calibrated per second -> points per frame
    double pxPerFrame = v.sign * s.mean * toPoints, low = v.sign * s.low * toPoints, high = v.sign * s.high * toPoints;
    velocity = v.sign * s.mean;
    if (v.hough) {
        std::vector<double> sorted = v.slopes;
        std::sort(sorted.begin(), sorted.end());
        // The strongest streaks come first; the median keeps a stray line
        // through noise from pulling the result.
        pxPerFrame = sorted[sorted.size() / 2];
        low = sorted.front();
        high = sorted.back();
        velocity = pxPerFrame * v.perPoint * v.fps;
    }
    if (low > high) std::swap(low, high);
    const double um = micrometresPer(units);
    if (!a.json()) {
        cliOut(strprintf("%u columns: %.4f points per frame (%.4f to %.4f), %.1f %% good, mean correlation %.2f, "
                         "velocity %.1f %s/s",
                         v.columns, pxPerFrame, low, high, s.percentGood, s.meanCorrelation, velocity, units.c_str()));
        if (um > 0 && units != "um") cliOut(strprintf(" (%.1f um/s)", velocity * um));
        cliOut(trustText(v.trust, v.hough) + "\n");
        return 0;
    }
    JsonWriter j;
    j.beginObject();
    j.field("columns", v.columns);
    j.field("px_per_frame", pxPerFrame);
    j.key("um_per_s");
    if (um > 0) j.value(velocity * um);
    else j.null();
    // The figures the workstation files for the line (flux in um^3/s),
    // with the velocity this command reports.
    CbvSummary summary = s;
    summary.units = units + "/s";
    summary.trust = v.trust;
    const MeasureValues f = summary.figures(1, v.diameter, velocity);
    cliFigures(f, {"velocity", "percent_good", "mean_correlation", "in_range", "quality", "diameter_um", "flux"});
    f.json(j, {"velocity"});
    j.field("units", units + "/s");
    j.key("range").beginArray().value(low).value(high).endArray();
    f.json(j, {"percent_good", "mean_correlation", "in_range", "quality"});
    j.field("trusted", trusted(v.trust));
    f.json(j, {"diameter_um", "flux"});
    j.key("cbv").beginArray();
    for (double x : v.hough ? v.slopes : v.cbv) {
        if (std::isfinite(x)) j.value(x);
        else j.null();
    }
    j.endArray();
    j.endObject();
    cliOut(j.str() + "\n");
    return 0;
}

int runLinescan(const CliArgs& a) {
    if (a.positional.size() != 1 || !a.get("--line"))
        return cliError("usage: ordavia-cli linescan VIDEO --line X1,Y1,X2,Y2[,X3,Y3...] [--method correlation|hough] "
                        "[--gap N] [--limit R] [--subpixel] [--fps F] [--scale UM_PER_PX] [--zvl OUT.zvl] --json");
    const std::string& path = a.positional[0];
    std::vector<ZPoint> vertices;
    {
        // Whole pixel coordinates X1,Y1,X2,Y2...
        const Result<std::vector<int>> v = a.list("--line", -1000000, 1000000);
        if (!v) return cliError(v.status());
        if (v->size() < 4 || v->size() % 2) return cliError("--line needs at least two points: X1,Y1,X2,Y2");
        for (size_t i = 0; i < v->size(); i += 2) vertices.push_back(ZPoint{(*v)[i], (*v)[i + 1]});
    }
    // Frames per second and micrometres per pixel; 0 when not given.
    const Result<double> fpsOption = a.number("--fps", kAboveZero, kNoMax<double>, 0.0);
    const Result<double> scaleOption = a.number("--scale", kAboveZero, kNoMax<double>, 0.0);
    if (Status bad = firstFailure(fpsOption, scaleOption); !bad) return cliError(bad);
    const double fps = *fpsOption, scale = *scaleOption;
    const std::vector<ZPoint> pts = linePoints(vertices);
    if (pts.size() < 4) return cliError("--line is shorter than 4 points");
    if (pts.size() > 65535) return cliError("--line is longer than 65535 points");

    CMotivaDoc video;
    if (Status s = openVideoDocument(path, video, a.services()); !s) return cliError(s.reason());
    // The options stand for what a user would set in the video window.
    if (fps > 0) video.setFramesPerSecond(fps);
    if (scale > 0) {
        ImageCalibration c = video.calibration();
        c.xScale = c.yScale = scale;
        c.units = "um";
        c.calibrated = true;
        if (!video.setCalibration(c)) return cliError(path + ": --scale cannot be used as the calibration");
    }
    const CZVimage& shape = video.movie().formatImage();
    for (const ZPoint& p : vertices)
        if (p.x < 0 || p.y < 0 || p.x >= shape.width() || p.y >= shape.height())
            return cliError(strprintf("%s: the --line point (%d, %d) lies outside the %d x %d frame", path.c_str(), p.x,
                                      p.y, shape.width(), shape.height()));
    auto dim = std::make_unique<CDimLine>();
    for (const ZPoint& p : vertices) dim->addVertex(p);
    const int index = video.addObject(std::move(dim));
    const CDim* line = video.currentDimList().at(index);
    if (!line) return cliError(path + ": the line could not be added to the video");

    // The profile's settings, as a scan in the workstation takes them, then the options.
    LineScanSettings run = lineScanSettings(video, *line, &a.services());
    VelocityMethod method = VelocityMethod::Correlation;
    std::string error;
    if (!optionsOver(a, run.params, method, error)) return cliError(error);
    if (run.params.method == 2)
        return cliError("the profile asks for the two-line method (linescan/cbvmethod = 2); linescan follows one line");
    if (run.last <= run.first) return cliError(path + ": the selection holds no frames");

    AppServices* services = &a.services();
    std::unique_ptr<ZlineScanDoc> scan;
    VideoVelocity v;
    if (method == VelocityMethod::Correlation) {
        bool reversed = false;
        scan = scanBothWays(video, index, services, {}, &reversed, &run.params);
        v.sign = reversed ? -1.0 : 1.0;
    } else {
        // Streaks only vote for lines that rise in the scan: the direction
        // with the stronger line is the direction of flow, also where the
        // flow is too slow for the correlation to tell.
        double best = -1;
        for (bool reversed : {false, true}) {
            auto one = scanWholeVideo(video, index, services, {}, reversed, &run.params);
            if (!one) continue;
            const double score = one->calculateHoughVelocities() > 0 && one->houghTrace()
                                     ? one->houghTrace()->data->maximum()
                                     : 0.0;
            if (score > best) {
                best = score;
                scan = std::move(one);
                v.sign = reversed ? -1.0 : 1.0;
            }
        }
        v.hough = true;
    }
    // A frame there was no memory for reads as damaged too: say which it was.
    if (video.movie().outOfMemory()) return cliError(path + ": not enough memory for a frame of the video");
    // One column per frame: a frame that did not decode cannot be left out
    // without bending the scan's time base, so the scan fails, skipping or not.
    if (const int bad = damagedCount(video.movie(), run.first, run.last); bad > 0)
        return cliError(strprintf("%s: %d frames cannot be decoded (%s); a line scan needs every frame of its selection",
                                  path.c_str(), bad,
                                  frameRuns(video.movie().damagedFrames(), run.first, run.last).c_str()));
    if (!scan) return cliError(path + ": the line scan could not start");
    if (auto z = a.get("--zvl")) {
        if (Status s = writeFileAtomically(*z, scan->saveToBytes()); !s) return cliError(*z + ": " + s.reason());
    }
    const C2DTrace* scanTrace = scan->scanTrace();
    v.columns = scanTrace ? scanTrace->sampleCount() : 0;
    v.perPoint = run.lengthPerPoint;
    v.fps = video.framesPerSecond() > 0 ? video.framesPerSecond() : run.framesPerSecond;
    if (!scan->cbvTrace())
        return cliError(path + ": the scan has no \"cbv\" trace: \"&Calculate cbv\" is off in the profile "
                        "(linescan/cbvON = 0)");
    v.summary = scan->summary(0, 0);
    v.diameter = lineDiameter(video, index);
    const CTrace& cbv = *scan->cbvTrace();
    for (uint32_t i = 0; i < cbv.sampleCount(); ++i) {
        const double x = cbv.data->getD(i);
        v.cbv.push_back(x == -1.0 ? NAN : v.sign * x / v.fps);
    }
    if (v.hough) {
        for (const VelocitySlope& sl : scan->slopes())
            if (sl.x2 != sl.x1 && std::isfinite(sl.velocity())) v.slopes.push_back(v.sign * sl.velocity() / (v.perPoint * v.fps));
        if (v.slopes.empty()) return cliError(path + ": no velocity found: the Hough transform found no streak");
        v.trust = scan->houghSummary().trust;
    } else if (v.summary.good == 0) {
        return cliError(strprintf("%s: no velocity found: no column of %u correlated above the limit %.3f", path.c_str(),
                                  v.columns, run.params.coefLimit));
    } else {
        v.trust = v.summary.trust;
    }
    double velocity = 0;
    if (const int rc = printVideoVelocity(v, run.units, a, velocity); rc != 0) return rc;
    // The text the workstation files for the scan: its summary (a Hough
    // run's velocity where no column correlated).
    CbvSummary filed = v.summary;
    if (filed.good == 0) filed.units = run.units + "/s", filed.trust = v.trust;
    return fileUnderExam(a, a.get("--zvl").value_or(path),
                         filed.good > 0 ? filed.text(1) : filed.figures(1, -1, velocity).text(),
                         a.has("--zvl") ? "" : "linescan");
}

int runKymograph(const CliArgs& a) {
    if (a.positional.size() != 1 || !a.get("--line-period") || !a.get("--pixel-size"))
        return cliError("usage: ordavia-cli kymograph IMAGE --line-period SECONDS --pixel-size UM [--time-axis x|y] "
                        "[--method correlation|hough] [--subpixel] --json");
    const std::string& path = a.positional[0];
    // Seconds and micrometres.
    const Result<double> periodOption = a.number("--line-period", kAboveZero, kNoMax<double>, 0.0);
    const Result<double> pixelOption = a.number("--pixel-size", kAboveZero, kNoMax<double>, 0.0);
    if (Status bad = firstFailure(periodOption, pixelOption); !bad) return cliError(bad);
    const double period = *periodOption, pixel = *pixelOption;
    bool timeAlongX = false;
    if (auto t = a.get("--time-axis")) {
        if (*t == "x") timeAlongX = true;
        else if (*t != "y") return cliError("--time-axis must be x or y (got '" + *t + "')");
    }
    CbvParams p;
    VelocityMethod method = VelocityMethod::Correlation;
    std::string error;
    if (!paramsFrom(a, p, method, error)) return cliError(error);
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(path, bytes, size_t(1) << 30); !s) return cliError(path + ": " + s.reason());
    Result<Kymograph> k = loadKymograph(bytes, timeAlongX);
    if (!k) return cliError(path + ": " + k.reason());
    if (k->points < 4) return cliError(path + ": fewer than 4 points along the line");
    LineScanSetup setup;
    setup.frameSeconds = period;
    setup.lengthPerPoint = pixel;
    setup.units = "um";
    const Kymograph& ky = k.value();
    const LineScanOutcome r = runLineScan(
        ky.times, ky.points,
        [&](uint32_t s, std::vector<double>& out) {
            out.assign(ky.values.begin() + long(size_t(s) * ky.points),
                       ky.values.begin() + long(size_t(s + 1) * ky.points));
        },
        p, method, setup);
    if (!r.valid) return cliError(strprintf("%s: no velocity found in %u lines", path.c_str(), r.columns));
    printOutcome(r, a, pixel, 1.0 / period, true, true, method == VelocityMethod::Hough);
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "linescan",
    "linescan VIDEO --line X1,Y1,X2,Y2[,X3,Y3...] [--method correlation|hough] [--gap N] [--limit R] [--subpixel] "
    "[--fps F] [--scale UM_PER_PX] [--zvl OUT.zvl] [--json]",
    "Blood velocity along a line laid inside a capillary: every frame adds one column of grey values to a\n"
    "line scan, and the streaks of the moving cells give the velocity (cross-correlation of columns \"gap\"\n"
    "frames apart, or a Hough transform of the whole scan). px_per_frame is signed: positive from the first\n"
    "point of the line towards the last. The scan is the workstation's \"Calculate all widths and\n"
    "velocities\" over every frame: a .dcs brings its frame rate, calibration and movement offsets, a movie\n"
    "file or foreign video is imported as the workstation opens it, and the calculation parameters come\n"
    "from the profile; --fps, --scale, --gap, --limit and --subpixel override them. velocity is the\n"
    "workstation's summary in the video's units per second (um_per_s when calibrated in a length).\n"
    "in_range says whether the velocity lies in the band of speeds the method can see (false: the number is\n"
    "no measurement; the text says what to try), quality (0..1) how well the scan bears it out.\n"
    "diameter_um is the capillary's width across the middle of the line on the mean picture of the scanned\n"
    "frames (the workstation's diameter), flux = pi x diameter^2 x |velocity| / 4 in um^3/s.\n"
    "A line outside the frame, a scan that cannot start or that finds no velocity is an error.\n"
    "--zvl OUT.zvl writes the line scan document.",
    {"--line", "--method", "--gap", "--limit", "--fps", "--scale", "--zvl"}, runLinescan});
ORDAVIA_CLI_REGISTER(CliCommand{
    "kymograph",
    "kymograph IMAGE --line-period SECONDS --pixel-size UM [--time-axis x|y] [--method correlation|hough] [--subpixel] "
    "[--json]",
    "Blood velocity from a space-time image of another instrument (8- or 16-bit grey TIFF), taken as the line\n"
    "scan itself. --time-axis y (the default): each picture row is one line; x: each column is one line.",
    {"--line-period", "--pixel-size", "--time-axis", "--method", "--gap", "--limit"}, runKymograph});
