// "dicom export" and "dicom send": an examination as DICOM objects for the
// hospital's archive, and "info" on DICOM files.
#include <string>

#include "app/DicomExamExport.h"
#include "app/ExamReport.h"
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/CSubjectDatabase.h"
#include "dicom/DicomPicture.h"
#include "dicom/PacsNode.h"
#include "image/FileKinds.h"

using namespace ordavia;

namespace {

// The examination's report, as "db report" writes it.
DicomExportOptions exportOptions(CSubjectDatabase& db, int64_t id, const CliArgs& a) {
    DicomExportOptions o;
    o.anonymise = a.has("--anonymise");
#ifndef ORDAVIA_NO_PDF_REPORT
    o.writeReport = [&db, id, &a](const std::string& pdf) -> Status {
        const auto report = collectExamReport(db, id, a.services());
        if (!report) return report.status();
        return writeExamReportPdf(*report, pdf);
    };
#endif
    return o;
}

std::string firstFailure(const std::vector<DicomRefusal>& list, const char* what) {
    return strprintf("%zu object(s) not %s; the first, ", list.size(), what) + list.front().file + ": " +
           list.front().reason;
}

int runExport(const CliArgs& a) {
    const auto exam = a.get("--exam");
    if (a.positional.size() != 2 || !exam)
        return cliError("usage: ordavia-cli dicom export FOLDER --exam ID OUTDIR [--anonymise] [--json]");
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    CSubjectDatabase db;
    if (int rc = openForWriting(a.positional[0], db)) return rc;
    const auto done = exportExamToDicom(db, id, a.positional[1], a.services(), exportOptions(db, id, a));
    if (!done) return cliError(db.databasePath() + ": " + done.reason());
    if (a.json()) {
        JsonWriter w;
        w.beginObject().key("files").beginArray();
        for (const DicomExportedFile& f : done->files) w.value(f.path);
        w.endArray().field("study_uid", done->studyUid).endObject();
        cliOut(w.str() + "\n");
    } else {
        for (const DicomExportedFile& f : done->files) cliOut(f.path + "  (" + f.source + ")\n");
        for (const std::string& s : done->skipped) cliOut("not exported (no DICOM form): " + s + "\n");
        for (const DicomRefusal& r : done->failed) cliOut("not exported: " + r.file + ": " + r.reason + "\n");
        cliOut("study " + done->studyUid + "\n");
    }
    if (!done->failed.empty()) return cliError(firstFailure(done->failed, "exported"));
    return 0;
}

int runSend(const CliArgs& a) {
    const auto exam = a.get("--exam");
    const auto pacs = a.get("--pacs");
    if (a.positional.size() != 1 || !exam || !pacs)
        return cliError("usage: ordavia-cli dicom send FOLDER --exam ID --pacs AET@HOST:PORT [--calling AET] [--json]");
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    auto node = parsePacsNode(*pacs);
    if (!node) return cliError("--pacs: " + node.reason());
    if (const auto calling = a.get("--calling")) {
        node->callingAeTitle = *calling;
        if (Status s = checkAeTitle(*calling, "the calling AE title"); !s) return cliError("--calling: " + s.reason());
    }
    CSubjectDatabase db;
    if (int rc = openForWriting(a.positional[0], db)) return rc;
    const auto done = sendExamToPacs(db, id, *node, a.services(), exportOptions(db, id, a));
    if (!done) return cliError(db.databasePath() + ": " + done.reason());
    if (a.json()) {
        JsonWriter w;
        w.beginObject().field("sent", static_cast<int>(done->sent.size())).key("refused").beginArray();
        for (const DicomRefusal& r : done->refused)
            w.beginObject().field("file", r.file).field("reason", r.reason).endObject();
        w.endArray().field("study_uid", done->studyUid).endObject();
        cliOut(w.str() + "\n");
    } else {
        for (const std::string& s : done->sent) cliOut("sent: " + s + "\n");
        for (const DicomRefusal& r : done->refused) cliOut("refused: " + r.file + ": " + r.reason + "\n");
        cliOut(strprintf("%zu sent, %zu refused, study ", done->sent.size(), done->refused.size()) + done->studyUid +
               "\n");
    }
    if (!done->refused.empty()) return cliError(firstFailure(done->refused, "stored by the archive"));
    return 0;
}

int runInfo(const std::string& path, const CliArgs& a) {
    DicomPicture pic;
    if (Status s = readDicomFileHeader(path, pic); !s) return cliError(s.reason());
    if (pic.frames == 0) {
        // A document (the examination's report): what it is, no pixels.
        if (a.json()) {
            JsonWriter j;
            j.beginObject().field("file", path).field("format", "dicom").field("sop_class", pic.sopClassUid);
            j.field("modality", pic.modality).field("frames", 0).field("document", pic.documentMime);
            j.field("study_uid", pic.studyUid).field("sop_instance_uid", pic.sopInstanceUid).endObject();
            cliOut(j.str() + "\n");
        } else {
            cliOut(path + ": DICOM " + pic.modality + " document (" + pic.documentMime + ")\n");
        }
        return 0;
    }
    if (Status s = readDicomFile(path, pic); !s) return cliError(s.reason());
    const bool spacing = pic.rowSpacingMm > 0;
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("file", path).field("format", "dicom").field("sop_class", pic.sopClassUid);
        j.field("modality", pic.modality).field("width", pic.width).field("height", pic.height);
        j.field("frames", pic.frames).field("colour", pic.colour ? 1 : 0).field("bits_stored", pic.bitsStored);
        j.key("pixel_spacing_mm");
        if (spacing) j.beginArray().value(pic.rowSpacingMm).value(pic.columnSpacingMm).endArray();
        else j.null();
        j.key("frame_time_ms");
        if (pic.frameTimeMs > 0) j.value(pic.frameTimeMs);
        else j.null();
        j.field("photometric", pic.photometric).field("transfer_syntax", pic.transferSyntax);
        j.field("study_uid", pic.studyUid).field("sop_instance_uid", pic.sopInstanceUid).endObject();
        cliOut(j.str() + "\n");
        return 0;
    }
    cliOut(strprintf("%s: DICOM %s, %d x %d, %d frame(s), %s, %d bits stored\n", path.c_str(), pic.modality.c_str(),
                     pic.width, pic.height, pic.frames, pic.colour ? "colour" : "grey", pic.bitsStored));
    if (spacing) cliOut(strprintf("pixel spacing: %g mm (rows) x %g mm (columns)\n", pic.rowSpacingMm, pic.columnSpacingMm));
    if (pic.frameTimeMs > 0) cliOut(strprintf("frame time: %g ms\n", pic.frameTimeMs));
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "dicom export", "dicom export FOLDER --exam ID OUTDIR [--anonymise] [--json]",
    "Writes the examination as DICOM files into OUTDIR (made when missing): pictures as VL\n"
    "Photographic Image with Pixel Spacing from the calibration, videos and recordings as\n"
    "multi-frame Secondary Capture with the frame time, and the PDF report as Encapsulated PDF\n"
    "(one NAME.dcm per file, report.dcm). All are one study, whose UID is kept in the database\n"
    "so that exporting again gives the same UIDs. --anonymise replaces the patient's name and id\n"
    "by one pseudonym, shifts every date by the same number of days and leaves the report out.\n"
    "JSON: {\"files\": [...], \"study_uid\"}.",
    {"--exam"}, runExport});

ORDAVIA_CLI_REGISTER(CliCommand{
    "dicom send", "dicom send FOLDER --exam ID --pacs AET@HOST:PORT [--calling AET] [--json]",
    "Sends the examination's DICOM objects (as \"dicom export\" writes them) to the archive with\n"
    "C-STORE, calling as AET (ORDAVIA when not given). Sending again replaces the archive's\n"
    "objects in the same study. Writes no files. Only acknowledged objects count as sent; every\n"
    "other one is listed with the archive's reason and the exit code is 1.\n"
    "JSON: {\"sent\", \"refused\": [{\"file\", \"reason\"}], \"study_uid\"}.",
    {"--exam", "--pacs", "--calling"}, runSend});

ORDAVIA_CLI_REGISTER(CliInfoHandler{dicomExtensions(), runInfo});
