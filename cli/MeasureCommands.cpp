// ordavia-cli commands on image documents (.cs1): info, resave, dims, average.
#include <cstdio>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "measure/CDim.h"
#include "measure/SelectionAverage.h"
#include "measure/ZBasicDoc.h"
#include "measure/ZDimDoc.h"

using namespace ordavia;

namespace {

void writeRect(JsonWriter& j, const char* key, const ZRect& r) {
    j.key(key).beginArray().value(r.left).value(r.top).value(r.right).value(r.bottom).endArray();
}

bool loadDoc(ZBasicDoc& doc, const std::string& path, int& rc) {
    doc.setQuiet(true);
    if (const Status read = doc.readFile(path); !read) {
        rc = cliError(read);
        return false;
    }
    return true;
}

// The list chosen with --list N (0..4), else the document's current list.
bool chooseList(ZBasicDoc& doc, const CliArgs& a, int& rc) {
    const Result<int> list = a.number("--list", 0, ZBasicDoc::kListCount - 1, int(doc.currentList()));
    if (!list) {
        rc = cliError(list.status());
        return false;
    }
    doc.setCurrentList(*list);
    return true;
}

// Checks the argument count, reads the document named first and, when
// asked, applies --list.
bool openDocument(const CliArgs& a, size_t argCount, const char* usage, bool withList, ZBasicDoc& doc, int& rc) {
    if (a.positional.size() != argCount) {
        rc = cliError(std::string("usage: ordavia-cli ") + usage);
        return false;
    }
    return loadDoc(doc, a.positional[0], rc) && (!withList || chooseList(doc, a, rc));
}

int infoCs1(const std::string& path, const CliArgs& a) {
    ZBasicDoc doc;
    doc.setServices(&a.services());
    int rc = 0;
    if (!loadDoc(doc, path, rc)) return rc;
    if (!a.json()) {
        std::string t = strprintf("%s: image document, layout version %d\n", path.c_str(), doc.versionRead());
        t += "image file: " + doc.imageFileName() + "\n";
        t += strprintf("scales: %g x %g %s (%s)\n", doc.calibration().xScale, doc.calibration().yScale, doc.calibration().units.c_str(),
                       doc.calibration().calibrated ? "calibrated" : "not calibrated");
        t += "magnification: " + doc.calibration().magName + "\n";
        for (int i = 0; i < ZBasicDoc::kListCount; ++i)
            t += strprintf("list %d: %d objects\n", i, doc.lists()[static_cast<size_t>(i)].count());
        t += "subject: " + doc.subjectId + strprintf(", exam %lld\n", static_cast<long long>(doc.examId));
        if (!doc.notes().empty()) t += "notes:\n" + doc.notes() + "\n";
        cliOut(t);
        return 0;
    }
    JsonWriter j;
    j.beginObject();
    j.field("format", "cs1");
    j.field("version", doc.versionRead());
    j.key("target").beginArray().value(doc.marks().targetX).value(doc.marks().targetY).endArray();
    j.field("showTarget", doc.marks().showTarget);
    j.field("xScale", doc.calibration().xScale);
    j.field("yScale", doc.calibration().yScale);
    j.field("calibrated", doc.calibration().calibrated);
    j.field("units", doc.calibration().units);
    j.key("origin").beginArray().value(doc.marks().originX).value(doc.marks().originY).endArray();
    writeRect(j, "roi", doc.marks().roi);
    writeRect(j, "roi2", doc.marks().roi2);
    j.field("imageFileName", doc.imageFileName());
    j.field("imageTime", doc.imageTime());
    j.field("notes", doc.notes());
    j.field("gridStyle", doc.grid().style);
    j.field("gridUnits", doc.grid().units);
    j.field("gridShow", doc.grid().show);
    j.field("gridSpacing", doc.grid().spacing);
    j.field("gridColour", static_cast<int64_t>(doc.grid().colour));
    j.field("userGridFile", doc.grid().userFile);
    j.field("paletteIndex", doc.paletteIndex());
    j.field("zeroAsBlack", doc.zeroAsBlack());
    j.field("magName", doc.calibration().magName);
    j.field("magDate", doc.calibration().magDate);
    j.field("description", doc.description());
    j.key("document").beginObject();
    j.field("saveCount", doc.saveCount);
    j.field("subjectId", doc.subjectId);
    j.field("examId", doc.examId);
    j.field("ownerText", doc.ownerText);
    j.field("result", doc.result);
    j.field("stationText", doc.stationText);
    j.field("capturedBy", doc.capturedBy);
    j.endObject();
    j.key("lists").beginArray();
    for (const CDimList& l : doc.lists()) {
        j.beginArray();
        for (const auto& d : l.objects()) {
            j.beginObject();
            j.field("class", d->className());
            j.field("colour", static_cast<int64_t>(d->colour()));
            j.field("width", d->width());
            j.field("label", d->label());
            j.key("vertices").beginArray();
            for (const ZPoint& p : d->vertices()) j.beginArray().value(p.x).value(p.y).endArray();
            j.endArray();
            j.endObject();
        }
        j.endArray();
    }
    j.endArray();
    j.endObject();
    cliOut(j.str());
    return 0;
}

int resave(const CliArgs& a) {
    ZBasicDoc doc;
    doc.setServices(&a.services());
    int rc = 0;
    if (!openDocument(a, 2, "resave IN.cs1 OUT.cs1 [--image]", false, doc, rc)) return rc;
    if (a.has("--image")) {
        // Also write the picture beside OUT, as the workstation's Save As does.
        if (const Status st = doc.loadImage(); !st)
            return cliError(a.positional[0] + ": cannot load image file " + doc.imageFileName() + " (" + st.reason() + ")");
        doc.markImageForSave();
        if (const Status saved = doc.OnSaveDocument(a.positional[1]); !saved)
            return cliError(Document::failureReason(saved));
        return 0;
    }
    // A format rewrite is not a user's save: the save count stays, so that
    // a current-layout file comes back byte for byte.
    --doc.saveCount;
    if (const Status written = doc.writeFile(a.positional[1]); !written) return cliError(written);
    return 0;
}

int dims(const CliArgs& a) {
    ZBasicDoc doc;
    doc.setServices(&a.services());
    int rc = 0;
    if (!openDocument(a, 1, "dims FILE.cs1 [--list N]", true, doc, rc)) return rc;
    ZDimDoc table;
    table.subjectId = doc.subjectId;
    table.examId = doc.examId;
    table.Fill(doc.marks().originX, doc.marks().originY, doc.xScaleInEffect(), doc.yScaleInEffect(), doc.currentDimList(),
               doc.tortuosity());
    cliOut(table.text());
    return 0;
}

int average(const CliArgs& a) {
    ZBasicDoc doc;
    doc.setServices(&a.services());
    int rc = 0;
    if (!openDocument(a, 1, "average FILE.cs1 [--list N] [--json]", true, doc, rc)) return rc;
    if (const Status st = doc.loadImage(); !st)
        return cliError(a.positional[0] + ": cannot load image file " + doc.imageFileName() + " (" + st.reason() + ")");
    const ImageSelectionAverage row = computeSelectionAverage(doc);
    const auto& names = ImageSelectionAverage::valueColumns();
    const auto& decimals = ImageSelectionAverage::valueDecimals();
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("filename", row.filename);
        j.field("units", row.units);
        for (size_t i = 0; i < names.size(); ++i) j.field(names[i], row.values[i]);
        j.endObject();
        cliOut(j.str());
    } else {
        std::string t = "filename\t" + row.filename + "\nunits\t" + row.units + "\n";
        for (size_t i = 0; i < names.size(); ++i) t += names[i] + strprintf("\t%.*f\n", decimals[i], row.values[i]);
        cliOut(t);
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliInfoHandler{{".cs1"}, infoCs1});
ORDAVIA_CLI_REGISTER(CliCommand{"resave", "resave IN.cs1 OUT.cs1 [--image]",
                                "Reads an image document and writes it again in the current layout,\n"
                                "keeping its save count (a current-layout file comes back unchanged).\n"
                                "The image file is left alone unless --image is given; then it is\n"
                                "written beside OUT as the workstation's Save As does.",
                                {}, resave});
ORDAVIA_CLI_REGISTER(CliCommand{"dims", "dims FILE.cs1 [--list N]",
                                "Prints a dimension list (default: the current one) as the dimension\n"
                                "list document saves it: quoted comma-separated text.",
                                {"--list"}, dims});
ORDAVIA_CLI_REGISTER(CliCommand{"average", "average FILE.cs1 [--list N] [--json]",
                                "The \"Calculate average of selection\" row of a document: the region of\n"
                                "interest (or the whole image) and the measures of a dimension list.",
                                {"--list"}, average});
