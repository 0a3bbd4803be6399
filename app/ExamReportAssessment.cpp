#include "app/ExamReportAssessment.h"

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "figures/MeasureCatalogue.h"
#include "figures/MeasureValues.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "measure/AssessmentMarks.h"
#include "measure/AssessmentRecord.h"
#include "measure/ZBasicDoc.h"

namespace ordavia {

namespace {

// The thumbnail of the picture an assessment was made on (a picture file,
// or the picture of an image document) and the picture's width.
std::string readPicture(const std::string& path, AppServices& services, ReportThumbnail& t, int& width) {
    if (!fileExists(path)) return "the picture is missing from the examination folder";
    if (toLower(extensionOf(path)) == ".cs1") {
        ZBasicDoc doc;
        doc.setServices(&services);
        doc.setQuiet(true);
        if (const Status opened = doc.OnOpenDocument(path); !opened) return Document::failureReason(opened);
        t = reportThumbnail(doc.image());
        width = doc.image().width();
        return {};
    }
    CZVimage img;
    img.setColour(CZVimage::kColour);
    if (!img.Load(path, GreyWeights{})) return "the picture cannot be read";
    t = reportThumbnail(img);
    width = img.width();
    return {};
}

void addMarks(ReportThumbnail& t, const CapillaryAssessment& a, int pictureWidth) {
    if (t.width <= 0 || pictureWidth <= 0) return;
    const double f = double(t.width) / pictureWidth;
    for (const AssessmentMark& m : assessmentMarks(a)) {
        ReportMark r;
        r.colour = m.colour;
        r.dashed = m.byHand;
        r.bold = m.bold;
        if (m.kind == AssessmentMark::kRing) {
            const AssessPoint c = m.points[0];
            r.circle = true;
            r.points = {{(c.x - m.radius) * f, c.y * f}, {(c.x + m.radius) * f, c.y * f}};
        } else {
            for (const AssessPoint& p : m.points) r.points.emplace_back(p.x * f, p.y * f);
            r.closed = m.kind == AssessmentMark::kOutline;
        }
        t.marks.push_back(std::move(r));
    }
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos &&
        (text.empty() || std::string("=+-@").find(text[0]) == std::string::npos))
        return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

Status collectAssessmentPage(ExamReport& report, CSubjectDatabase& db, AppServices& services) {
    const auto rows = listAssessments(db.handle(), report.exam.id);
    if (!rows) return rows.status();
    report.assessment = summariseExamination(*rows);
    for (const StoredAssessment& stored : *rows) {
        ReportAssessment item;
        item.stored = stored;
        const MeasureValues figures = [&] {
            MeasureValues v(assessmentMeasures());
            for (const auto& [key, value] : stored.figures)
                if (v.set().find(key)) v.set(key, value);
            return v;
        }();
        item.figures = figures.reportLines();
        const auto at = [&](const char* key) { return static_cast<int>(figures.value(key).value_or(0)); };
        item.pattern = patternWords(at(kSclerodermaKey) != 0, at(kRuleKey), at(kPhaseKey));
        // What the picture said about itself, and a pattern that cannot be
        // trusted, stand beside the figures.
        const auto a = readAssessmentRecord(stored.findings);
        if (a && !a->patternTrusted) item.pattern += kPatternNotTrusted;
        if (a) {
            for (const std::string& w : a->warnings) item.warnings += (item.warnings.empty() ? "" : ", ") + w;
            item.untrusted = untrustedFiguresLine(*a);
        }
        int width = 0;
        const std::string path = resultFilePath(db, report.exam.folder, stored.filename);
        item.problem = readPicture(path, services, item.thumbnail, width);
        if (item.problem.empty()) {
            if (a) addMarks(item.thumbnail, *a, width);
            else item.problem = a.reason();
        }
        report.assessed.push_back(std::move(item));
    }
    return Status::success();
}

std::string examAssessmentCsv(const ExamReport& report) {
    const MeasureValues names(fingerMeasures());
    std::string out = "subject,examid,finger," + names.csvHeader() + ",pattern,rule,phase,corrected by hand\r\n";
    const std::string head = csvCell(report.subject.id) + "," + strprintf("%lld", static_cast<long long>(report.exam.id)) + ",";
    for (const FingerSummary& f : report.assessment.fingers) {
        std::string hand;
        for (const std::string& k : f.byHand) hand += (hand.empty() ? "" : " ") + k;
        out += head + csvCell(f.finger) + "," + f.figures.csvRow() + "," + patternKey(f.scleroderma) + "," +
               (f.rule > 0 ? std::to_string(f.rule) : "") + "," + (f.scleroderma ? phaseWord(f.phase) : "") + "," +
               csvCell(hand) + "\r\n";
    }
    out += head + "examination," + std::string(fingerMeasures().measures.size() - 1, ',') + "," +
           (report.assessment.hasPattern() ? patternKey(report.assessment.scleroderma()) : "") + ",,,\r\n";
    return out;
}

std::string assessmentCsvPath(const std::string& pdfPath) { return withoutExtension(pdfPath) + "-assessment.csv"; }

}  // namespace ordavia
