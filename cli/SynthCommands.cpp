// "synth image": a synthetic nailfold picture with known loops, for checking
// detection settings and measurement accuracy, and its truth as JSON.
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>

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
        const Result<uint64_t> seed = a.number<uint64_t>("--seed", 0, kNoMax<uint64_t>, p.seed);
        if (!seed) return cliError("synth image: " + seed.reason());
        p.seed = *seed;
        if (!ordavia::applyCapillaroscopeCondition(*v, p, look, a.get("--loops").has_value()))
            return cliError("synth image: bad value '" + *v + "' for --look (typical or hard)");
        scope = true;
    }
    static const char* const flags[] = {"--grey", "--overlap", "--two-rows", "--look", "--truth", "--json"};
    struct RealOption {
        const char* name;
        double* to;
    };
    const RealOption reals[] = {{"--contrast", &look.contrast},      {"--unevenness", &look.unevenness},
                                {"--gradient", &look.gradient},      {"--glare", &look.glare},
                                {"--dust", &look.dust},              {"--tilt", &p.maxTilt},
                                {"--darkness", &p.darknessSpread},   {"--nail-depth", &p.nailDepth},
                                {"--tortuous", &p.tortuousFraction}, {"--blur", &p.blurSigma},
                                {"--vignetting", &p.vignetting},     {"--plexus", &p.plexus},
                                {"--noise", &p.noiseSigma}};
    struct WholeOption {
        const char* name;
        int* to;
        int min;
    };
    const WholeOption wholes[] = {
        {"--jpeg", &look.jpegQuality, -1000000000}, {"--loops", &p.loops, 0}, {"--giant", &p.giantLoops, -1000000000}};
    for (const auto& option : a.options) {
        const std::string& name = option.first;
        const auto named = [&name](const auto& o) { return name == o.name; };
        const bool known = std::find(std::begin(flags), std::end(flags), name) != std::end(flags) ||
                           std::any_of(std::begin(reals), std::end(reals), named) ||
                           std::any_of(std::begin(wholes), std::end(wholes), named) || name == "--line" ||
                           name == "--seed" || name == "--size" || name == "--scale";
        if (!known) return cliError("synth image: unknown option " + name);
    }
    // The look of a capillaroscope: any of its options asks for one.
    for (const char* o : {"--contrast", "--unevenness", "--gradient", "--glare", "--dust", "--jpeg", "--grey"})
        scope = scope || a.has(o);
    if (a.has("--grey")) look.colour = false;
    p.mayOverlap = p.mayOverlap || a.has("--overlap");
    p.secondRow = p.secondRow || a.has("--two-rows");
    for (const RealOption& o : reals) {
        const Result<double> v = a.number(o.name, kNoMin<double>, kNoMax<double>, *o.to);
        if (!v) return cliError("synth image: " + v.reason());
        *o.to = *v;
    }
    if (a.has("--noise")) look.noise = p.noiseSigma;
    for (const WholeOption& o : wholes) {
        const Result<int> v = a.number(o.name, o.min, 1000000000, *o.to);
        if (!v) return cliError("synth image: " + v.reason());
        *o.to = *v;
    }
    const Result<std::vector<double>> line = a.list("--line", kNoMin<double>, kNoMax<double>, 4);
    const Result<uint64_t> seed = a.number<uint64_t>("--seed", 0, kNoMax<uint64_t>, p.seed);
    const Result<std::pair<int, int>> size = a.point("--size", "WxH", -1000000000, 1000000000, {p.width, p.height});
    // "UM" for square pixels or "UMX,UMY".
    const auto scaleText = a.get("--scale");
    Result<std::pair<double, double>> scale =
        a.point("--scale", "UMX,UMY", kNoMin<double>, kNoMax<double>, {p.umPerPixelX, p.umPerPixelY});
    if (scaleText && scaleText->find(',') == std::string::npos) {
        const Result<double> side = a.number("--scale", kNoMin<double>, kNoMax<double>, p.umPerPixelX);
        scale = side ? Result<std::pair<double, double>>(std::pair<double, double>(*side, *side)) : side.status();
    }
    if (Status bad = firstFailure(line, seed, size, scale); !bad) return cliError("synth image: " + bad.reason());
    p.seed = *seed;
    std::tie(p.width, p.height) = *size;
    std::tie(p.umPerPixelX, p.umPerPixelY) = *scale;
    const bool haveLine = !line->empty();
    if (const Status valid = p.validate(); !valid) return cliError(valid.context(out));
    if (const Status valid = look.validate(); scope && !valid) return cliError(valid.context(out));

    CZVimage img;
    SyntheticNailfold::Truth truth;
    const Status made =
        scope ? ordavia::generateCapillaroscope(p, look, img, truth) : SyntheticNailfold::generate(p, img, truth);
    if (!made) return cliError(made.context(out));
    if (const Status s = savePicture(img, out); !s) return cliError(s.reason());
    // The counting line: the one given, else for videocapillaroscope
    // pictures a millimetre across the distal row in the middle.
    ordavia::CountLineTruth lineTruth;
    const bool countLine = haveLine || scope;
    if (haveLine) lineTruth = ordavia::countLineTruth(truth, {(*line)[0], (*line)[1]}, {(*line)[2], (*line)[3]});
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
    if (!a.has("--line")) return cliError(usage);
    const Result<std::vector<double>> ends = a.list("--line", kNoMin<double>, kNoMax<double>, 4);
    const Result<int> vessels = a.number("--count", 0, 1000, 0);
    if (Status bad = firstFailure(ends, vessels); !bad) return cliError("synth stats: " + bad.reason());
    const double line[4] = {(*ends)[0], (*ends)[1], (*ends)[2], (*ends)[3]};
    const int count = *vessels;
    CZVimage img;
    img.setColour(CZVimage::kColour);
    if (const ordavia::Status st = loadPicture(path, img, a.greyWeights()); !st.ok()) return cliError(st.reason());
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
