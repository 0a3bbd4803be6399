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
#include "image/CapillaryCountStats.h"
#include "image/ImageFormats.h"
#include "synth/SyntheticCapillaroscope.h"
#include "synth/SyntheticNailfold.h"

using namespace ordavia;

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

// "X1,Y1,X2,Y2".
bool parseLine(const std::string& s, double (&v)[4]) {
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = i < 3 ? s.find(',', from) : s.size();
        if (comma == std::string::npos || !parseReal(s.substr(from, comma - from), v[i])) return false;
        from = comma + 1;
    }
    return true;
}

int runSynthImage(const CliArgs& a) {
    if (a.positional.size() != 1)
        return cliError("usage: ordavia-cli synth image OUT.bmp [--truth OUT.json] [options]");
    const std::string& out = a.positional[0];
    SyntheticNailfold::Params p;
    ordavia::CapillaroscopeLook look;
    bool scope = false;
    // A preset first, so that single options given with it refine it.
    if (auto v = a.get("--look")) {
        // The seed draws the number of loops of the condition.
        if (auto seed = a.get("--seed"); seed && !parseSeed(*seed, p.seed))
            return cliError("synth image: bad value '" + *seed + "' for --seed");
        if (!ordavia::applyCapillaroscopeCondition(*v, p, look, a.get("--loops").has_value()))
            return cliError("synth image: bad value '" + *v + "' for --look (typical or hard)");
        scope = true;
    }
    double line[4] = {0, 0, 0, 0};
    bool haveLine = false;
    for (const auto& [name, value] : a.options) {
        bool ok = true;
        const bool lookOption = name == "--contrast" || name == "--unevenness" || name == "--gradient" ||
                                name == "--glare" || name == "--dust" || name == "--jpeg" || name == "--grey";
        scope = scope || lookOption;
        if (name == "--look") continue;
        else if (name == "--contrast") ok = parseReal(value, look.contrast);
        else if (name == "--unevenness") ok = parseReal(value, look.unevenness);
        else if (name == "--gradient") ok = parseReal(value, look.gradient);
        else if (name == "--glare") ok = parseReal(value, look.glare);
        else if (name == "--dust") ok = parseReal(value, look.dust);
        else if (name == "--jpeg") ok = parseInt(value, look.jpegQuality);
        else if (name == "--grey") look.colour = false;
        else if (name == "--tilt") ok = parseReal(value, p.maxTilt);
        else if (name == "--overlap") p.mayOverlap = true;
        else if (name == "--darkness") ok = parseReal(value, p.darknessSpread);
        else if (name == "--nail-depth") ok = parseReal(value, p.nailDepth);
        else if (name == "--line") ok = haveLine = parseLine(value, line);
        else if (name == "--seed") ok = parseSeed(value, p.seed);
        else if (name == "--loops") ok = parseInt(value, p.loops) && p.loops >= 0;
        else if (name == "--noise") ok = parseReal(value, p.noiseSigma) && parseReal(value, look.noise);
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
    if (std::string why = look.validate(); scope && !why.empty()) return cliError(out + ": " + why);

    CZVimage img;
    SyntheticNailfold::Truth truth;
    std::string error;
    const bool made = scope ? ordavia::generateCapillaroscope(p, look, img, truth, &error)
                            : SyntheticNailfold::generate(p, img, truth, &error);
    if (!made) return cliError(out + ": " + error);
    if (const Status s = savePicture(img, out); !s) return cliError(s.reason());
    // The counting line: the one given, else for videocapillaroscope
    // pictures a millimetre across the distal row in the middle.
    ordavia::CountLineTruth lineTruth;
    const bool countLine = haveLine || scope;
    if (haveLine) lineTruth = ordavia::countLineTruth(truth, {line[0], line[1]}, {line[2], line[3]});
    else if (scope) lineTruth = ordavia::distalRowLine(truth, p.width / 2.0, std::min(1000.0, 0.8 * p.width * p.umPerPixelX));
    const auto truthPath = a.get("--truth");
    if (truthPath && !truthPath->empty()) {
        std::string json = SyntheticNailfold::truthJson(truth, p);
        if (countLine) {
            // One more member at the end of the object.
            const size_t close = json.rfind('}');
            json = json.substr(0, close) + ",\"countLine\":" + ordavia::countLineJson(lineTruth) + "}\n";
        }
        const ordavia::Status fr = writeFileAtomically(*truthPath, json);
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
        if (countLine) {
            j.key("countLine").beginArray();
            for (double v : {lineTruth.a.x, lineTruth.a.y, lineTruth.b.x, lineTruth.b.y}) j.value(std::round(v * 100) / 100);
            j.endArray();
            j.field("count", lineTruth.count);
        }
        j.endObject();
        cliOut(j.str());
    } else {
        cliOut(strprintf("%s: %dx%d pixels at %g x %g um/pixel, %d loops (%d tortuous, %d giant), seed %llu%s\n",
                         out.c_str(), p.width, p.height, p.umPerPixelX, p.umPerPixelY,
                         static_cast<int>(truth.loops.size()), tortuous, giant,
                         static_cast<unsigned long long>(p.seed),
                         truthPath ? (", truth in " + *truthPath).c_str() : ""));
        if (countLine)
            cliOut(strprintf("counting line %.1f,%.1f,%.1f,%.1f: %d capillaries cross it\n", lineTruth.a.x, lineTruth.a.y,
                             lineTruth.b.x, lineTruth.b.y, lineTruth.count));
    }
    return 0;
}

// "synth stats": the figures that set a picture beside real ones (what the
// synthetic conditions were measured with), on any picture.
int runSynthStats(const CliArgs& a) {
    const char* usage = "usage: ordavia-cli synth stats IMAGE --line X1,Y1,X2,Y2 [--count N] [--json]";
    if (a.positional.size() != 1) return cliError(usage);
    const std::string& path = a.positional[0];
    double line[4];
    const auto lineText = a.get("--line");
    if (!lineText) return cliError(usage);
    if (!parseLine(*lineText, line)) return cliError("synth stats: bad value '" + *lineText + "' for --line (X1,Y1,X2,Y2)");
    int count = 0;
    if (auto v = a.get("--count"); v && !(parseInt(*v, count) && count >= 0 && count <= 1000))
        return cliError("synth stats: bad value '" + *v + "' for --count");
    CZVimage img;
    img.setColour(CZVimage::kColour);
    if (const ordavia::Status st = loadPicture(path, img, cliGreyWeights()); !st.ok()) return cliError(st.reason());
    for (int i = 0; i < 4; i += 2)
        if (line[i] < 0 || line[i] > img.width() - 1 || line[i + 1] < 0 || line[i + 1] > img.height() - 1)
            return cliError(strprintf("synth stats: the line leaves the %dx%d picture", img.width(), img.rows()));
    if (line[0] == line[2] && line[1] == line[3]) return cliError("synth stats: the line has no length");
    const ordavia::CountPictureStats st = ordavia::countPictureStats(img, line[0], line[1], line[2], line[3], count);
    auto r3 = [](double v) { return std::round(v * 1000) / 1000; };
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("noise", r3(st.noise)).field("uneven_light", r3(st.unevenLight)).field("mean_green", r3(st.meanGreen));
        j.key("mean_colour").beginArray().value(r3(st.meanRed)).value(r3(st.meanGreen)).value(r3(st.meanBlue)).endArray();
        j.key("vessels").beginArray();
        for (size_t i = 0; i < st.position.size(); ++i) {
            j.beginObject();
            j.field("at_px", st.position[i]).field("darkening", r3(st.darkening[i]));
            j.field("prominence", r3(st.prominence[i])).field("width_px", r3(st.widthPx[i]));
            j.endObject();
        }
        j.endArray();
        j.key("spacing_px").beginArray();
        for (double v : st.spacingPx) j.value(r3(v));
        j.endArray();
        j.endObject();
        cliOut(j.str());
    } else {
        std::string t = strprintf("%s: noise %.2f grey levels, uneven light %.3f, mean green %.1f, mean colour %.0f, %.0f, %.0f\n",
                                  path.c_str(), st.noise, st.unevenLight, st.meanGreen, st.meanRed, st.meanGreen, st.meanBlue);
        for (size_t i = 0; i < st.position.size(); ++i)
            t += strprintf("  vessel at %.0f px: darkening %.3f, prominence %.3f, width %.1f px\n", st.position[i],
                           st.darkening[i], st.prominence[i], st.widthPx[i]);
        cliOut(t);
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth stats", "synth stats IMAGE --line X1,Y1,X2,Y2 [--count N] [--json]",
    "Measures what makes a nailfold picture hard to count on, on its green channel G (the\n"
    "grey of a grey picture), with B = Gaussian(G, sigma 40 px) and D = 1 - G / B:\n"
    "  noise         standard deviation of G - Gaussian(G, sigma 1 px), 200 x 200 px round the line\n"
    "  uneven_light  standard deviation / mean of B over the picture\n"
    "  mean_green, mean_colour (red, green, blue)\n"
    "  vessels       the N most prominent dips of D along the line (D averaged over +-3 px across\n"
    "                it, every pixel, smoothed with sigma 1 px): D at the dip, its prominence and\n"
    "                its width at half the prominence; spacing_px between neighbours\n"
    "  --count N     the number of vessels counted on the line (default 0: no vessel figures)",
    {"--line", "--count"},
    runSynthStats});

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth image",
    "synth image OUT.bmp [--truth OUT.json] [--seed N] [--loops N] [--noise S] [--size WxH] [--scale UM[,UMY]] "
    "[--tortuous F] [--giant N] [--blur S] [--vignetting V] [--plexus P] [--two-rows] [--look typical|hard] "
    "[--line X1,Y1,X2,Y2] [--json]",
    "Draws a synthetic nailfold capillaroscopy picture (grey; .bmp, .zvg, .tif or .tiff by the\n"
    "extension) whose loops are known, and writes their apexes, limb widths and outlines to\n"
    "the --truth file as JSON; each loop's \"limbs\" give the true width where the limb is in\n"
    "focus, a line across it there and its centre line. The same options and seed always give\n"
    "the same bytes.\n"
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
    "  --two-rows      a second, deeper row of loops in the gaps of the first\n"
    "  --tilt T        largest lean of a loop, tangent of the angle (default 0.21)\n"
    "  --overlap       loops may lean over their neighbours, so limbs cross\n"
    "  --darkness D    loops differ in darkness by up to this share, 0..0.8 (default 0)\n"
    "  --nail-depth F  the nailfold edge at this share of the height, 0..0.6 (default near the top)\n"
    "videocapillaroscope look (any of these makes the picture colour, unless --grey):\n"
    "  --look typical|hard  a 1280x1024 frame at 2.6 um/pixel like the middle (typical) or the\n"
    "                  difficult end (hard) of real 200x pictures; the options below refine it\n"
    "  --contrast C    vessel contrast, 0.01..1.5   --unevenness U  contrast change across, 0..1\n"
    "  --gradient G    lighting gradient, 0..0.8    --glare G       gel reflections, 0..2\n"
    "  --dust D        dark specks, 0..2            --jpeg Q        block compression quality, 0 none\n"
    "  --grey          grey instead of colour\n"
    "  --line X1,Y1,X2,Y2  the counting line whose crossing capillaries the truth counts (default\n"
    "                  for the look: 1 mm across the distal row in the middle)",
    {"--truth", "--seed", "--loops", "--noise", "--size", "--scale", "--tortuous", "--giant", "--blur",
     "--vignetting", "--plexus", "--look", "--contrast", "--unevenness", "--gradient", "--glare", "--dust", "--jpeg",
     "--tilt", "--darkness", "--nail-depth", "--line"},
    runSynthImage});
