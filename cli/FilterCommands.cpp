// Filter and detection subcommands: "filter" runs a chain of the image
// commands' filters over a whole picture, "detect" runs the capillary
// detector with the profile's "ProcessingArgs" and reports circles and
// density.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "image/ApexFilter.h"
#include "image/BoxFilter.h"
#include "image/CZVimage.h"
#include "image/CapillaryDetection.h"
#include "image/CustomKernel.h"
#include "image/GaussianBlur.h"
#include "image/ImageFilters.h"
#include "image/ImageFormats.h"
#include "image/MinimaFinder.h"
#include "framework/AppServices.h"
#include "image/ProcessingArgs.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

// "L,T,W,H" as a rectangle of at least one pixel.
bool parseRect(const std::string& s, ZRect& r) {
    const Result<std::vector<int>> v = parseList(s, -1000000000, 1000000000, 4);
    if (!v || (*v)[2] < 1 || (*v)[3] < 1) return false;
    const std::vector<int>& l = *v;
    r = ZRect{l[0], l[1], l[0] + l[2], l[1] + l[3]};
    return true;
}

// One step of the chain: returns an empty string on success, else why not.
std::string applyOp(CZVimage& img, const std::string& op, const CliArgs& a) {
    const ProfileStore& store = a.services().profile();
    const size_t colon = op.find(':');
    const std::string name = op.substr(0, colon);
    const bool hasArg = colon != std::string::npos;
    const std::string arg = hasArg ? op.substr(colon + 1) : std::string();
    const ZRect all;

    if (name == "equalise") {
        equalise(img, all);
    } else if (name == "negative") {
        negativeFilter(img, all);
    } else if (name == "lowpass" || name == "highpass") {
        int n = store.GetInt("WINDOWSZ", "w", 51);
        if (hasArg) {
            const Result<int> given = parseNumber(arg, int(kBoxWindowMin), int(kBoxWindowMax));
            if (!given) return name + " needs a window of 3 to 199 (got '" + arg + "')";
            n = *given;
        }
        if (!boxFilter(img, all, n, name == "lowpass" ? BoxMode::LowPass : BoxMode::HighPass))
            return strprintf("%s window %d does not fit the %d x %d picture", name.c_str(), n, img.width(),
                             img.rows());
    } else if (name == "laplacian") {
        laplacianFilter(img, all);
    } else if (name == "custom") {
        CustomKernel k;
        k.load(store);
        if (!convolve3x3(img, all, k)) return "custom filter gain is not a number";
    } else if (name == "blur") {
        double sigma = parseSigma(store.GetString("blur", "sigma", "1.0"));
        if (hasArg) {
            const Result<double> given = parseNumber<double>(arg);
            if (!given) return "blur needs a sigma (got '" + arg + "')";
            sigma = *given;
        }
        if (!gaussianBlur(img, all, sigma)) return strprintf("blur sigma %g is not usable", sigma);
    } else if (name == "bin") {
        CZVimage b = binImage(img);
        if (b.isEmpty()) return "bin needs a picture of at least 2 x 2";
        img = std::move(b);
    } else if (name == "threshold") {
        int level = loadSimpleThresholdLevel(store);
        if (hasArg) {
            const Result<int> given = parseNumber(arg, -1, 255);
            if (!given) return "threshold needs a level of 0 to 255 (got '" + arg + "')";
            level = *given;
        }
        simpleThreshold(img, all, level);
    } else if (name == "apex") {
        ProcessingArgs a;
        a.load(store);
        if (!apexFilter(img, all, a)) return "apex filter settings give no template (apexw, stddev)";
    } else if (name == "preprocess") {
        ProcessingArgs a;
        a.load(store);
        preprocessChain(img, all, a);
    } else if (name == "subtract") {
        if (!hasArg) return "subtract needs a picture: subtract:FILE";
        CZVimage other;
        if (!other.Load(arg, a.greyWeights())) return arg + ": could not load image";
        if (other.colour() != CZVimage::kGrey) return arg + ": not an 8-bit grey image";
        if (!subtractImage(img, other)) return arg + ": not the same size";
    } else if (name == "dust") {
        ZRect r;
        if (!hasArg || !parseRect(arg, r)) return "dust needs a mark: dust:L,T,W,H";
        removeDustMark(img, r);
    } else {
        return "unknown filter '" + name + "' (see ordavia-cli help filter)";
    }
    return {};
}

int runFilter(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli filter IN OUT --op NAME[:ARGS] ...");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const std::vector<std::string> ops = a.getAll("--op");
    if (ops.empty()) return cliError(in + ": no --op given");
    if (int refused = cliRefuseOutputOverInput(in, out)) return refused;
    CZVimage img;
    if (!img.Load(in, a.greyWeights())) return cliError(in + ": could not load image");
    if (img.colour() != CZVimage::kGrey) return cliError(in + ": the filters work on 8-bit grey images");
    for (const std::string& op : ops) {
        const std::string why = applyOp(img, op, a);
        if (!why.empty()) return cliError(in + ": " + why);
    }
    if (const Status s = savePicture(img, out); !s) return cliError(s.reason());
    return 0;
}

int runDetect(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli detect IMAGE [--scale SX,SY] [--json]");
    const std::string& in = a.positional[0];
    const Result<std::pair<double, double>> scale = a.point("--scale", "SX,SY", kNoMin<double>, kNoMax<double>, {1.0, 1.0});
    if (!scale) return cliError(scale.status().context(in));
    const auto [sx, sy] = *scale;
    CZVimage img;
    if (!img.Load(in, a.greyWeights())) return cliError(in + ": could not load image");
    if (img.colour() != CZVimage::kGrey) return cliError(in + ": detection works on 8-bit grey images");
    ProcessingArgs args;
    args.load(a.services().profile());
    const DetectionResult r = detectCapillaries(img, ZRect{}, args);
    const auto density = densityReport(int64_t(r.regions.size()), r.windowWidth, r.windowHeight, sx, sy);
    const std::string filed = strprintf("%7i, capillaries", static_cast<int>(r.regions.size())) + (density ? ", " + density->text : "");

    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("count", static_cast<long long>(r.regions.size()));
        j.key("circles").beginArray();
        for (const CapillaryRegion& c : r.regions) {
            j.beginObject();
            j.field("x", c.cx);
            j.field("y", c.cy);
            j.field("r", std::sqrt(double(c.area) / M_PI));
            j.endObject();
        }
        j.endArray();
        if (density) {
            j.field("density", density->density);
            j.field("area", density->area);
        } else {
            j.key("density").null();
            j.key("area").null();
        }
        j.endObject();
        cliOut(j.str() + "\n");
        return fileUnderExam(a, in, filed, "detect");
    }
    std::string text = strprintf("%s: %zu capillaries (threshold %d, %.3f s)\n", in.c_str(), r.regions.size(),
                                 r.threshold, r.seconds);
    for (size_t i = 0; i < r.regions.size(); ++i) {
        const CapillaryRegion& c = r.regions[i];
        text += strprintf("  %3zu  centre (%.1f, %.1f)  area %lld px  radius %.2f\n", i + 1, c.cx, c.cy,
                          static_cast<long long>(c.area), std::sqrt(double(c.area) / M_PI));
    }
    text += density ? density->text + "\n" : std::string("no density (no capillaries or no area)\n");
    cliOut(text);
    return fileUnderExam(a, in, filed, "detect");
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "filter", "filter IN OUT --op NAME[:ARGS] ...",
    "Applies filters to the whole picture IN, in the order given, and saves OUT (the\n"
    "format follows OUT's extension). Grey pictures only. Each --op is one of:\n"
    "  equalise           stretch the grey range to 0..255\n"
    "  negative           255 - p\n"
    "  lowpass[:N]        box mean over an N x N window (3..199; default WINDOWSZ/w)\n"
    "  highpass[:N]       p - mean of the other pixels of the window + 128\n"
    "  laplacian          3 x 3 Laplacian (-1 around, 4 in the centre)\n"
    "  custom             3 x 3 kernel, gain and offset from ProcessingArgs/custom0..8,\n"
    "                     customfactor, customoffset\n"
    "  blur[:SIGMA]       Gaussian blur (default blur/sigma)\n"
    "  bin                2 x 2 reduction to half width and height\n"
    "  threshold[:LEVEL]  255 above LEVEL, else 0 (default settings/simpleimagethreshold)\n"
    "  apex               apex matched filter with the ProcessingArgs template\n"
    "  preprocess         the detector's preprocessing chain with the ProcessingArgs values\n"
    "  subtract:FILE      p - q with another picture of the same size\n"
    "  dust:L,T,W,H       interpolate over a dust mark from its border",
    {"--op"}, runFilter});

ORDAVIA_CLI_REGISTER(CliCommand{
    "detect", "detect IMAGE [--scale SX,SY] [--json]",
    "Runs \"Threshold Capillaries\" on the whole grey picture with the profile's\n"
    "ProcessingArgs and lists the capillaries found (centre and the radius of the\n"
    "circle of equal area) with the density per square millimetre. --scale gives the\n"
    "micrometres per pixel in x and y (default 1,1). With --json:\n"
    "{\"count\", \"circles\": [{\"x\", \"y\", \"r\"}], \"density\", \"area\"}; density and area are\n"
    "null when nothing was found.",
    {"--scale"}, runDetect});
