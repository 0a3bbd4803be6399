// Line scans: "linescan" measures the blood velocity along a line of a
// video; "kymograph" measures a space-time image made by another
// instrument with the same methods.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/CliVideo.h"
#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "linescan/LineScanRun.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"

using namespace ordavia;

namespace {

bool realOf(const std::string& s, double& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return !errno && !*end && std::isfinite(out);
}

bool wholeOf(const std::string& s, int lo, int hi, int& out) {
    double v;
    if (!realOf(s, v) || v != std::floor(v) || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

// The settings a scan in the workstation would use, then the options.
bool paramsFrom(const CliArgs& a, CbvParams& p, VelocityMethod& method, std::string& error) {
    ProfileStore* store = cliServices().profileStore;
    if (store) {
        p.load(*store);
        // Without a stored "houghmin" the fastest streak is not limited: the
        // workstation's default of 50 allows 1 / (50 x sample period²) rows
        // per second only, too slow for most capillaries.
        if (store->GetString("linescan", "houghmin", "").empty()) p.houghMin = 0.0;
    }
    p.subpixel = a.has("--subpixel") || p.subpixel;
    if (auto m = a.get("--method")) {
        if (*m == "correlation") method = VelocityMethod::Correlation;
        else if (*m == "hough") method = VelocityMethod::Hough;
        else return (error = "--method must be correlation or hough (got '" + *m + "')"), false;
    }
    if (auto g = a.get("--gap"); g && !wholeOf(*g, 1, 100000, p.gap))
        return (error = "--gap needs a whole number of 1 or more"), false;
    if (auto l = a.get("--limit")) {
        double v;
        if (!realOf(*l, v) || v < 0 || v > 1) return (error = "--limit needs a squared coefficient from 0 to 1"), false;
        p.coefLimit = v;
    }
    return true;
}

void printOutcome(const LineScanOutcome& r, const CliArgs& a, double umPerPoint, double fps, bool calibrated,
                  bool kymograph) {
    const double ums = r.pxPerFrame * umPerPoint * fps;
    if (!a.json()) {
        if (!r.valid) {
            cliOut(strprintf("%u columns: no velocity found\n", r.columns));
            return;
        }
        cliOut(strprintf("%u columns: %.4f points per frame (%.4f to %.4f), %.1f %% good, mean correlation %.2f", r.columns,
                         r.pxPerFrame, r.low, r.high, r.percentGood, r.meanCorrelation));
        if (calibrated) cliOut(strprintf(", %.1f um/s", ums));
        cliOut("\n");
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
    j.key("cbv").beginArray();
    for (double v : r.cbv) {
        if (std::isfinite(v)) j.value(v);
        else j.null();
    }
    j.endArray();
    j.endObject();
    cliOut(j.str() + "\n");
}

int runLinescan(const CliArgs& a) {
    if (a.positional.size() != 1 || !a.get("--line"))
        return cliError("usage: ordavia-cli linescan VIDEO --line X1,Y1,X2,Y2[,X3,Y3...] [--method correlation|hough] "
                        "[--gap N] [--limit R] [--subpixel] [--fps F] [--scale UM_PER_PX] [--zvl OUT.zvl] --json");
    const std::string& path = a.positional[0];
    std::vector<ZPoint> vertices;
    {
        std::vector<std::string> parts(1);
        const std::string line = *a.get("--line");
        for (const char c : line) {
            if (c == ',') parts.emplace_back();
            else parts.back() += c;
        }
        std::vector<int> v;
        for (const std::string& s : parts) {
            int x;
            if (!wholeOf(trim(s), -1000000, 1000000, x)) return cliError("--line needs whole pixel coordinates X1,Y1,X2,Y2...");
            v.push_back(x);
        }
        if (v.size() < 4 || v.size() % 2) return cliError("--line needs at least two points: X1,Y1,X2,Y2");
        for (size_t i = 0; i < v.size(); i += 2) vertices.push_back(ZPoint{v[i], v[i + 1]});
    }
    CbvParams p;
    VelocityMethod method = VelocityMethod::Correlation;
    std::string error;
    if (!paramsFrom(a, p, method, error)) return cliError(error);
    double fps = 0, scale = 0;
    if (auto f = a.get("--fps"); f && (!realOf(*f, fps) || fps <= 0)) return cliError("--fps needs a positive number");
    if (auto s = a.get("--scale"); s && (!realOf(*s, scale) || scale <= 0))
        return cliError("--scale needs a positive number of micrometres per pixel");

    CZVMovie m;
    CMotivaDoc doc;
    doc.setServices(&cliServices());
    doc.setQuiet(true);
    if (Status s = openAnyMovie(path, m, &doc); !s) return cliError(s.reason());
    if (m.count() <= 0) return cliError(path + ": the movie holds no frames");
    // Movie files keep no frame rate: a video document's own rate, a foreign
    // video's stream rate, else the capture rate the workstation assumes.
    if (fps <= 0) {
        const bool dcs = toLower(extensionOf(path)) == ".dcs";
        if (dcs && doc.framesPerSecond() > 0) fps = doc.framesPerSecond();
        else if (m.aviReader() && m.scale() > 0 && m.rate() > 0) fps = double(m.rate()) / m.scale();
        else fps = m.options.captureFrameRate;
    }
    const std::vector<ZPoint> pts = linePoints(vertices);
    if (pts.size() < 4) return cliError("--line is shorter than 4 points");
    if (pts.size() > 65535) return cliError("--line is longer than 65535 points");
    const double umPerPoint = pixelsPerLinePoint(vertices) * (scale > 0 ? scale : 1.0);

    std::vector<uint8_t> zvl;
    LineScanSetup setup;
    setup.frameSeconds = 1.0 / fps;
    setup.lengthPerPoint = umPerPoint;
    setup.units = scale > 0 ? "um" : "pixel";
    if (a.get("--zvl")) setup.zvl = &zvl;
    const LineScanOutcome r = runLineScan(
        static_cast<uint32_t>(m.count()), static_cast<uint32_t>(pts.size()),
        [&](uint32_t s, std::vector<double>& out) { sampleLine(m.GoTo(static_cast<int>(s)), pts, out); }, p, method,
        setup);
    if (auto z = a.get("--zvl")) {
        if (zvl.empty()) return cliError(*z + ": no line scan to save");
        if (Status s = writeFileAtomically(*z, zvl); !s) return cliError(*z + ": " + s.reason());
    }
    printOutcome(r, a, umPerPoint, fps, scale > 0, false);
    return fileUnderExam(a, a.get("--zvl").value_or(path), !r.valid ? std::string("no velocity found") :
        strprintf("velocity = %.1f %s/s, %.1f %% good", r.pxPerFrame * umPerPoint * fps, setup.units.c_str(), r.percentGood));
}

int runKymograph(const CliArgs& a) {
    double period = 0, pixel = 0;
    if (a.positional.size() != 1 || !a.get("--line-period") || !a.get("--pixel-size"))
        return cliError("usage: ordavia-cli kymograph IMAGE --line-period SECONDS --pixel-size UM [--time-axis x|y] "
                        "[--method correlation|hough] [--subpixel] --json");
    const std::string& path = a.positional[0];
    if (!realOf(*a.get("--line-period"), period) || period <= 0)
        return cliError("--line-period needs a positive number of seconds");
    if (!realOf(*a.get("--pixel-size"), pixel) || pixel <= 0)
        return cliError("--pixel-size needs a positive number of micrometres");
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
    printOutcome(r, a, pixel, 1.0 / period, true, true);
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
    "point of the line towards the last. Settings not given come from the profile, as in the workstation.",
    {"--line", "--method", "--gap", "--limit", "--fps", "--scale", "--zvl"}, runLinescan});
ORDAVIA_CLI_REGISTER(CliCommand{
    "kymograph",
    "kymograph IMAGE --line-period SECONDS --pixel-size UM [--time-axis x|y] [--method correlation|hough] [--subpixel] "
    "[--json]",
    "Blood velocity from a space-time image of another instrument (8- or 16-bit grey TIFF), taken as the line\n"
    "scan itself. --time-axis y (the default): each picture row is one line; x: each column is one line.",
    {"--line-period", "--pixel-size", "--time-axis", "--method", "--gap", "--limit"}, runKymograph});
