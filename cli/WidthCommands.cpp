// "width": a capillary's width across a line by every width measure;
// "loops": apex, loop and limb widths of nailfold loops.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/PictureLine.h"
#include "figures/MeasureCatalogue.h"
#include "figures/MeasureValues.h"
#include "framework/AppServices.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CapillaryWidth.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"

using namespace ordavia;

namespace {

bool parseLine(const std::string& s, ZPoint& a, ZPoint& b) {
    Result<std::vector<double>> v = parseList<double>(s, -1e6, 1e6, 4);
    if (!v) return false;
    a = {static_cast<int>(std::lround(v.value()[0])), static_cast<int>(std::lround(v.value()[1]))};
    b = {static_cast<int>(std::lround(v.value()[2])), static_cast<int>(std::lround(v.value()[3]))};
    return true;
}

// The document the workstation would show: a .cs1 with its picture, or a
// picture imported into a new document.
bool openImageDocument(const std::string& cmd, const std::string& path, ZBasicDoc& doc, AppServices& services, int& rc) {
    doc.setServices(&services);
    doc.setQuiet(true);
    std::string ext = extensionOf(path);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".cs1") {
        if (const Status s = doc.readFile(path); !s) {
            rc = cliError(s.reason());
            return false;
        }
        if (const Status st = doc.loadImage(); !st) {
            rc = cliError(cmd + ": " + path + ": its picture " + doc.imageFileName() + " cannot be read (" + st.reason() + ")");
            return false;
        }
    } else if (const Status st = doc.importImage(path); !st) {
        rc = cliError(cmd + ": " + path + ": cannot read the picture (" + st.reason() + ")");
        return false;
    }
    if (doc.image().isEmpty()) {
        rc = cliError(cmd + ": " + path + ": the picture is empty");
        return false;
    }
    return true;
}

std::string lineError(const char* cmd, const ZBasicDoc& doc, ZPoint a, ZPoint b) {
    return pictureLineError(cmd, a.x, a.y, b.x, b.y, doc.image().width(), doc.image().height());
}

int runWidth(const CliArgs& a) {
    const char* usage = "usage: ordavia-cli width IMAGE --line X1,Y1,X2,Y2 [--scale UM] [--json]";
    const auto lineText = a.get("--line");
    if (a.positional.size() != 1 || !lineText) return cliError(usage);
    ZPoint p0, p1;
    if (!parseLine(*lineText, p0, p1)) return cliError("width: bad value '" + *lineText + "' for --line (X1,Y1,X2,Y2)");
    const Result<double> scaleValue = a.number<double>("--scale", kAboveZero, 1000.0, 0.0);
    if (!scaleValue) return cliError("width: " + scaleValue.reason());
    const double scale = scaleValue.value();
    ZBasicDoc doc;
    int rc = 0;
    if (!openImageDocument("width", a.positional[0], doc, a.services(), rc)) return rc;
    if (const std::string bad = lineError("width", doc, p0, p1); !bad.empty()) return cliError(bad);
    // Micrometres per pixel: the option, else the document's calibration
    // when it is in micrometres.
    double xs = scale, ys = scale;
    if (!a.has("--scale") && doc.calibration().calibrated && doc.unitsInEffect() == "um") {
        xs = doc.xScaleInEffect();
        ys = doc.yScaleInEffect();
    }
    CDimLine line;
    line.addVertex(p0);
    line.addVertex(p1);
    WidthSettings ws = WidthSettings::read(a.services().profile());
    std::vector<double> profile;
    JsonWriter j;
    j.beginObject().key("measures").beginObject();
    std::string text;
    for (const WidthMeasureName& m : kWidthMeasures) {
        ws.method = static_cast<int>(m.method);
        const LineWidth w = measureLineWidth(doc.image(), line, xs > 0 ? xs : 1, ys > 0 ? ys : 1, ws, doc.importWeights());
        if (profile.empty()) profile = w.profile;
        // Every measure's width in pixels and, with a scale, micrometres;
        // null where no capillary was found.
        MeasureValues f(widthMeasures(), "um");
        if (w.found()) f.set("width_px", w.samples).set("width_um", xs > 0 ? std::optional<double>(w.units) : std::nullopt);
        j.key(m.name).beginObject();
        f.json(j, {"width_px", "width_um"});
        cliFigures(f, {"width_px", "width_um"}, m.name);
        j.endObject();
        const std::string name = std::string(m.name) + ":";
        if (!w.found())
            text += strprintf("%-21s no capillary found\n", name.c_str());
        else
            text += strprintf("%-21s %9s", name.c_str(), f.withUnit("width_px").c_str()) +
                    (xs > 0 ? strprintf("  %10s\n", f.withUnit("width_um").c_str()) : std::string("\n"));
    }
    j.endObject().key("profile").beginArray();
    for (double v : profile) j.value(v);
    j.endArray().endObject();
    cliOut(a.json() ? j.str() + "\n" : text);
    return fileUnderExam(a, a.positional[0], trim(text), "width");
}

int runLoops(const CliArgs& a) {
    const char* usage = "usage: ordavia-cli loops IMAGE.cs1|IMAGE [--line X1,Y1,X2,Y2]... [--json]";
    if (a.positional.size() != 1) return cliError(usage);
    ZBasicDoc doc;
    int rc = 0;
    if (!openImageDocument("loops", a.positional[0], doc, a.services(), rc)) return rc;
    CDimList& list = doc.currentDimList();
    for (const std::string& s : a.getAll("--line")) {
        ZPoint p0, p1;
        if (!parseLine(s, p0, p1)) return cliError("loops: bad value '" + s + "' for --line (X1,Y1,X2,Y2)");
        if (const std::string bad = lineError("loops", doc, p0, p1); !bad.empty()) return cliError(bad);
        auto l = std::make_unique<CDimLine>();
        l->addVertex(p0);
        l->addVertex(p1);
        list.add(std::move(l));
    }
    if (list.count() == 0)
        return cliError("loops: " + a.positional[0] + ": no apex lines (draw them in the workstation or give --line)");
    list.setCurrent(-1);
    CapillaryWidthTool tool(doc);
    const CapillaryWidthTool::LoopResult r = tool.measureLoops(true, nullptr, false);
    const std::string units = doc.unitsInEffect();
    auto figures = [&](const CapillaryWidthTool::LoopRow& x, bool fitted) {
        return CapillaryWidthTool::loopFigures(x, units, fitted);
    };
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("units", units).key("rows").beginArray();
        for (const auto& x : r.rows) {
            j.beginObject();
            figures(x, false).json(j);
            j.endObject();
        }
        j.endArray().key("summary").beginObject();
        figures(r.summary, r.hasFit).json(j);
        j.endObject().endObject();
        cliOut(j.str() + "\n");
        return fileUnderExam(a, a.positional[0], figures(r.summary, r.hasFit).text(), "loops");
    }
    std::string t = "line  apex width  loop width  left width  right width        x        y  (" + units + ")\n";
    for (const auto& x : r.rows) {
        const MeasureValues f = figures(x, false);
        t += strprintf("%4s  %10s  %10s  %10s  %11s  %7s  %7s\n", f.number("line").c_str(), f.number("apex width").c_str(),
                       f.number("loop width").c_str(), f.number("left width").c_str(), f.number("right width").c_str(),
                       f.number("x").c_str(), f.number("y").c_str());
    }
    // The summary line is the text the workstation puts on the picture.
    const MeasureValues s = figures(r.summary, r.hasFit);
    t += s.text() + "\n";
    if (r.hasFit)
        t += "density " + s.withUnit("density") + " along " + s.withUnit("cord") + ", fit " + s.number("fit") + "\n";
    cliOut(t);
    return fileUnderExam(a, a.positional[0], s.text(), "loops");
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "width", "width IMAGE --line X1,Y1,X2,Y2 [--scale UM] [--json]",
    "The width of the capillary that a short line crosses, by each width measure of the\n"
    "workstation's \"Find capillary width\" (threshold at \"capwidth\"/\"pointonrise\", edge\n"
    "detection, outer edge detection). IMAGE is a picture or an image document (.cs1).\n"
    "  --line X1,Y1,X2,Y2  the line across the capillary, in pixels\n"
    "  --scale UM          micrometres per pixel (default: the document's calibration in\n"
    "                      micrometres; none gives \"width_um\": null)\n"
    "  --json              {\"measures\": {\"NAME\": {\"width_px\", \"width_um\"}, ...}, \"profile\": [...]}\n"
    "                      (null widths where no capillary was found)",
    {"--line", "--scale"},
    runWidth,
});

ORDAVIA_CLI_REGISTER(CliCommand{
    "loops", "loops IMAGE.cs1|IMAGE [--line X1,Y1,X2,Y2]... [--json]",
    "Measures nailfold loops as the workstation's \"Measure nailfold loops\" does: each line of\n"
    "the document's current list (and each --line) is a short line across a loop's apex. Gives\n"
    "one row per loop (apex, loop, left and right widths, apex x and y) and a summary row (the\n"
    "number of loops, the mean widths, density per mm, fit and cord of the apex row). Writes\n"
    "no file.\n"
    "  --line X1,Y1,X2,Y2  an apex line, in pixels (repeatable); a line that leaves the picture or\n"
    "                      has no length is an error\n"
    "  --json              {\"units\", \"rows\": [{\"line\", \"apex width\", ...}], \"summary\": {...}}",
    {"--line"},
    runLoops,
});
