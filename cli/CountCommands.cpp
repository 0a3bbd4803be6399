// "count": capillaries crossing a line across the distal row, per millimetre.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/PictureLine.h"
#include "cli/ExamFiling.h"
#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "image/ImageFormats.h"
#include "measure/CapillaryCountTool.h"

using namespace ordavia;

namespace {

// The picture with the line, its crossings and apexes drawn in, for a look
// at what was counted.
void drawOverlay(const CZVimage& src, const ordavia::CountResult& r, double (&line)[4], CZVimage& out) {
    out = CZVimage(src.width(), src.rows(), -1, CZVimage::kFrame, CZVimage::kColour);
    if (out.isEmpty()) return;
    CZVimage colour;
    const CZVimage* s = &src;
    if (src.colour() == CZVimage::kBayer && src.demosaicTo(colour)) s = &colour;
    for (int y = 0; y < out.rows(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const uint8_t* p = s->row(y) + x * s->bytesPerPixel();
            for (int c = 0; c < 3; ++c) out.row(y)[3 * x + c] = s->bytesPerPixel() == 3 ? p[c] : p[0];
        }
    auto dot = [&](double cx, double cy, int radius, uint8_t b, uint8_t g, uint8_t rr) {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                const int x = static_cast<int>(std::lround(cx)) + dx, y = static_cast<int>(std::lround(cy)) + dy;
                if (x < 0 || y < 0 || x >= out.width() || y >= out.rows() || dx * dx + dy * dy > radius * radius) continue;
                uint8_t* p = out.row(y) + 3 * x;
                p[0] = b;
                p[1] = g;
                p[2] = rr;
            }
    };
    const double len = std::hypot(line[2] - line[0], line[3] - line[1]);
    for (double t = 0; t <= len; t += 0.5)
        dot(line[0] + (line[2] - line[0]) * t / len, line[1] + (line[3] - line[1]) * t / len, 0, 255, 255, 0);
    for (const auto& c : r.crossings) dot(c.x, c.y, 3, 0, 255, 255);
    for (const auto& a : r.apexes) dot(a.x, a.y, 2, 255, 0, 255);
}

int runCount(const CliArgs& a) {
    const char* usage = "usage: ordavia-cli count IMAGE --line X1,Y1,X2,Y2 [--scale UM] [--distal left|right] [--json]";
    if (a.positional.size() != 1) return cliError(usage);
    const std::string& path = a.positional[0];
    if (!a.has("--line")) return cliError(usage);
    const Result<std::vector<double>> ends = a.list("--line", kNoMin<double>, kNoMax<double>, 4);
    if (!ends) return cliError("count: " + ends.reason());
    double line[4] = {(*ends)[0], (*ends)[1], (*ends)[2], (*ends)[3]};
    // Micrometres per pixel: above a twentieth, at most a hundred.
    const Result<double> scaleOption = a.number("--scale", std::nextafter(0.05, 1.0), 100.0, 2.6);
    if (!scaleOption) return cliError("count: " + scaleOption.reason());
    const double scale = *scaleOption;
    // The workstation's count settings, so that both count the same.
    ordavia::CountSettings s = ordavia::CapillaryCountTool::storedSettings(a.services().profile());
    if (auto v = a.get("--distal")) {
        if (*v == "left") s.distal = 1;
        else if (*v == "right") s.distal = 2;
        else return cliError("count: bad value '" + *v + "' for --distal (left or right)");
    }

    CZVimage img;
    // Colour files stay colour so that the green channel can be used.
    img.setColour(CZVimage::kColour);
    if (const ordavia::Status st = loadPicture(path, img, a.greyWeights()); !st.ok()) return cliError(st.reason());
    if (const std::string bad = pictureLineError("count", line[0], line[1], line[2], line[3], img.width(), img.height());
        !bad.empty())
        return cliError(bad);

    const ordavia::RidgeImage ridge = ordavia::ridgeImage(img, scale, scale, s);
    ordavia::CountResult r = ordavia::countAlongLine(ridge, {line[0], line[1]}, {line[2], line[3]}, s);
    // Without a scale the sizes in micrometres rest on a guess.
    if (!a.has("--scale")) r.warnings.push_back(ordavia::kCountUncalibrated);

    if (auto overlay = a.get("--overlay")) {
        CZVimage out;
        drawOverlay(img, r, line, out);
        if (!out.Save(*overlay)) return cliError(*overlay + ": cannot write the overlay picture");
    }
    auto r2 = [](double v) { return std::round(v * 100) / 100; };
    const ordavia::MeasureValues f = ordavia::CapillaryCountTool::figures(r, s, 0, 0);
    cliFigures(f, {"count", "per_mm", "length_um", "quality"});
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        f.json(j, {"count", "per_mm", "length_um"});
        j.key("crossings").beginArray();
        for (const auto& c : r.crossings) j.beginArray().value(r2(c.x)).value(r2(c.y)).endArray();
        j.endArray();
        f.json(j, {"quality"});
        j.key("warnings").beginArray();
        for (const std::string& w : r.warnings) j.value(w);
        j.endArray();
        j.endObject();
        cliOut(j.str());
        if (r.distalDecided)
            cliNote(std::string("the nail taken to lie on the ") + (r.distalLeft ? "left" : "right") + " of the line");
    } else {
        std::string t = path + ": " + f.number("count") + " capillaries along " + f.withUnit("length_um", 0) + ", " +
                        f.withUnit("per_mm", 1) + "\n";
        t += strprintf("nail side: %s of the line%s; channel: %s; %g um per pixel\n", r.distalLeft ? "left" : "right",
                       r.distalDecided ? " (decided from the picture)" : "",
                       img.colour() == CZVimage::kGrey ? "grey" : (r.green ? "green" : "grey mix"), scale);
        t += "quality " + f.number("quality") + (r.warnings.empty() ? "" : "; warnings: ") +
             ordavia::countWarningText(r) + "\n";
        for (size_t i = 0; i < r.crossings.size(); ++i) {
            t += strprintf("  %zu: crossing %.1f, %.1f", i + 1, r.crossings[i].x, r.crossings[i].y);
            if (i < r.apexes.size()) t += strprintf("  apex %.1f, %.1f", r.apexes[i].x, r.apexes[i].y);
            if (i > 0 && i - 1 < r.apexDistancesUm.size()) t += strprintf("  %.0f um from the previous apex", r.apexDistancesUm[i - 1]);
            t += "\n";
        }
        cliOut(t);
    }
    // The row the workstation files for the same count.
    return fileUnderExam(a, path, ordavia::CapillaryCountTool::resultText(r, s), "count");
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "count", "count IMAGE --line X1,Y1,X2,Y2 [--scale UM] [--distal left|right] [--json]",
    "Counts the capillaries that cross a line drawn across the distal row and gives their\n"
    "density per millimetre. Colour pictures are read in colour; the green channel is used\n"
    "where it shows the vessels better.\n"
    "  --line X1,Y1,X2,Y2  the line, in pixels\n"
    "  --scale UM          micrometres per pixel (default 2.6, a 200x capillaroscope at 1280x1024,\n"
    "                      with the warning \"uncalibrated\")\n"
    "  --distal left|right the nail's side, walking from (X1, Y1) to (X2, Y2) as the picture is\n"
    "                      shown; without it the side where the loops end is taken, and named\n"
    "  --overlay OUT.bmp   also write the picture with the line, crossings and apexes drawn in\n"
    "  --json              {\"count\", \"per_mm\", \"length_um\", \"crossings\": [[x, y], ...], \"quality\",\n"
    "                      \"warnings\": [...]}: quality is the median prominence of the counted peaks\n"
    "                      against the picture's ridge background; warnings are \"low contrast\",\n"
    "                      \"glare on the line\", \"line shorter than 0.5 mm\" and \"uncalibrated\"\n"
    "The settings are the workstation's (profile section \"capillary count\").",
    {"--line", "--scale", "--distal", "--overlay"},
    runCount});
