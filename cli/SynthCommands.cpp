// "synth image": a synthetic nailfold picture with known loops, for checking
// detection settings and measurement accuracy, and its truth as JSON.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "image/CZVimage.h"
#include "image/SyntheticNailfold.h"

namespace {

// Whole-text numbers only: "12abc", "", "nan" and out-of-range values are
// refused rather than read as whatever prefix parses.
bool parseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || v < -1000000000L || v > 1000000000L) return false;
    out = static_cast<int>(v);
    return true;
}

bool parseReal(const std::string& s, double& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (errno || *end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parseSeed(const std::string& s, uint64_t& out) {
    if (s.empty() || s[0] == '-' || s[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    if (errno || *end) return false;
    out = v;
    return true;
}

// "WxH" (an upper-case X is accepted too).
bool parseSize(const std::string& s, int& w, int& h) {
    const auto x = s.find_first_of("xX");
    return x != std::string::npos && parseInt(s.substr(0, x), w) && parseInt(s.substr(x + 1), h);
}

// "UM" for square pixels or "UMX,UMY".
bool parseScale(const std::string& s, double& sx, double& sy) {
    const auto c = s.find(',');
    if (c == std::string::npos) return parseReal(s, sx) && parseReal(s, sy = sx);
    return parseReal(s.substr(0, c), sx) && parseReal(s.substr(c + 1), sy);
}

int runSynthImage(const CliArgs& a) {
    if (a.positional.size() != 1)
        return cliError("usage: ordavia-cli synth image OUT.bmp [--truth OUT.json] [options]");
    const std::string& out = a.positional[0];
    SyntheticNailfold::Params p;
    for (const auto& [name, value] : a.options) {
        bool ok = true;
        if (name == "--seed") ok = parseSeed(value, p.seed);
        else if (name == "--loops") ok = parseInt(value, p.loops) && p.loops >= 0;
        else if (name == "--noise") ok = parseReal(value, p.noiseSigma);
        else if (name == "--size") ok = parseSize(value, p.width, p.height);
        else if (name == "--scale") ok = parseScale(value, p.umPerPixelX, p.umPerPixelY);
        else if (name == "--tortuous") ok = parseReal(value, p.tortuousFraction);
        else if (name == "--giant") ok = parseInt(value, p.giantLoops);
        else if (name == "--blur") ok = parseReal(value, p.blurSigma);
        else if (name == "--vignetting") ok = parseReal(value, p.vignetting);
        else if (name == "--plexus") ok = parseReal(value, p.plexus);
        else if (name == "--two-rows") p.secondRow = true;
        else if (name == "--truth" || name == "--json") continue;
        else return cliError("synth image: unknown option " + name);
        if (!ok) return cliError("synth image: bad value '" + value + "' for " + name);
    }
    if (std::string why = p.validate(); !why.empty()) return cliError(out + ": " + why);

    CZVimage img;
    SyntheticNailfold::Truth truth;
    std::string error;
    if (!SyntheticNailfold::generate(p, img, truth, &error)) return cliError(out + ": " + error);
    if (!img.Save(out)) return cliError(out + ": cannot write the picture (extension .bmp, .zvg, .tif or .tiff)");
    const auto truthPath = a.get("--truth");
    if (truthPath && !truthPath->empty()) {
        const ordavia::Status fr = writeFileAtomically(*truthPath, SyntheticNailfold::truthJson(truth, p));
        if (!fr.ok()) return cliError(fr.reason());
    }

    int tortuous = 0, giant = 0;
    for (const auto& L : truth.loops) {
        tortuous += L.tortuous;
        giant += L.giant;
    }
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("image", out);
        j.key("truth");
        if (truthPath) j.value(*truthPath);
        else j.null();
        j.field("seed", static_cast<unsigned long long>(p.seed));
        j.field("width", p.width).field("height", p.height);
        j.field("umPerPixelX", p.umPerPixelX).field("umPerPixelY", p.umPerPixelY);
        j.field("loops", static_cast<int>(truth.loops.size()));
        j.field("tortuous", tortuous).field("giant", giant);
        j.endObject();
        cliOut(j.str());
    } else {
        cliOut(strprintf("%s: %dx%d pixels at %g x %g um/pixel, %d loops (%d tortuous, %d giant), seed %llu%s\n",
                         out.c_str(), p.width, p.height, p.umPerPixelX, p.umPerPixelY,
                         static_cast<int>(truth.loops.size()), tortuous, giant,
                         static_cast<unsigned long long>(p.seed),
                         truthPath ? (", truth in " + *truthPath).c_str() : ""));
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth image",
    "synth image OUT.bmp [--truth OUT.json] [--seed N] [--loops N] [--noise S] [--size WxH] [--scale UM[,UMY]] "
    "[--tortuous F] [--giant N] [--blur S] [--vignetting V] [--plexus P] [--two-rows] [--json]",
    "Draws a synthetic nailfold capillaroscopy picture (grey; .bmp, .zvg, .tif or .tiff by the\n"
    "extension) whose loops are known, and writes their apexes, limb widths and outlines to\n"
    "the --truth file as JSON. The same options and seed always give the same bytes.\n"
    "  --seed N        random seed (default 1)\n"
    "  --loops N       number of loops (default about 8 per millimetre of width)\n"
    "  --noise S       sensor noise, grey levels (default 4)\n"
    "  --size WxH      picture size in pixels (default 768x576)\n"
    "  --scale UM      micrometres per pixel, or UMX,UMY (default 1.6)\n"
    "  --tortuous F    share of loops with meandering or crossing limbs, 0..1 (default 0)\n"
    "  --giant N       number of giant loops, widths above 50 um (default 0)\n"
    "  --blur S        optical blur sigma in pixels (default 1.2)\n"
    "  --vignetting V  darkening of the corners, 0..0.9 (default 0.3)\n"
    "  --plexus P      strength of the deep venous plexus, 0..2 (default 0.5)\n"
    "  --two-rows      a second, deeper row of loops in the gaps of the first",
    {"--truth", "--seed", "--loops", "--noise", "--size", "--scale", "--tortuous", "--giant", "--blur",
     "--vignetting", "--plexus"},
    runSynthImage});
