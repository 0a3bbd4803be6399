#include "app/ExamReport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/ExamReportAssessment.h"
#include "app/ResultTexts.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "chart/ZchartDoc.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "doppler/SavedDopplerSummary.h"
#include "figures/MeasureValues.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "measure/CDimCircle.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "measure/ZBasicDoc.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/fcfdoc.h"

namespace ordavia {

namespace {

// Nearest-neighbour reduction to at most kThumbnailSide: a thumbnail only
// has to show which capillaries were measured.
ReportThumbnail thumbnailOf(const CZVimage& img) {
    ReportThumbnail t;
    if (img.isEmpty() || img.width() <= 0 || img.height() <= 0) return t;
    const int side = std::max(img.width(), img.height());
    const double f = side > kThumbnailSide ? double(kThumbnailSide) / side : 1.0;
    t.width = std::max(1, int(img.width() * f));
    t.height = std::max(1, int(img.height() * f));
    t.rgb.resize(size_t(t.width) * size_t(t.height) * 3);
    const int bpp = img.bytesPerPixel();
    for (int y = 0; y < t.height; ++y) {
        // A field stores every other frame row.
        int sy = std::min(img.height() - 1, int(y / f));
        if (img.isField()) sy /= 2;
        const uint8_t* src = img.row(std::min(sy, img.rows() - 1));
        uint8_t* dst = &t.rgb[size_t(y) * size_t(t.width) * 3];
        for (int x = 0; x < t.width; ++x) {
            const int sx = std::min(img.width() - 1, int(x / f));
            if (bpp >= 3) {
                const uint8_t* p = src + sx * bpp;
                dst[3 * x] = p[2], dst[3 * x + 1] = p[1], dst[3 * x + 2] = p[0];
            } else {
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[sx * std::max(bpp, 1)];
            }
        }
    }
    return t;
}

// The figures as the report lists them: "FCF: 0.412; FCD: 61.300 %; ...".
std::string reportText(const MeasureValues& figures) {
    std::string t;
    for (const std::string& line : figures.reportLines()) t += (t.empty() ? "" : "; ") + line;
    return t;
}

// The measurements of a picture over its thumbnail: every object of every
// dimension list (the count's line and marks among them).
void addMarks(ReportThumbnail& t, const ZBasicDoc& doc) {
    const CZVimage& img = doc.image();
    if (t.width <= 0 || img.width() <= 0) return;
    const double f = double(t.width) / img.width();
    for (const CDimList& list : doc.lists()) {
        for (const auto& obj : list.objects()) {
            if (!obj || obj->vertexCount() < 1) continue;
            ReportMark m;
            for (int i = 0; i < obj->vertexCount(); ++i) {
                const ZPoint p = obj->getVertex(i);
                m.points.emplace_back(p.x * f, p.y * f);
            }
            m.closed = dynamic_cast<const CDimPolygon*>(obj.get()) || dynamic_cast<const CDimRect*>(obj.get());
            m.circle = dynamic_cast<const CDimCircle*>(obj.get()) != nullptr && m.points.size() == 2;
            t.marks.push_back(std::move(m));
        }
    }
}

// Charts beyond this are not charts.
constexpr uint64_t kMaxChartBytes = uint64_t(1) << 31;

// Why a document of a kind the report does not draw cannot be read.
std::string unreadable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    char c;
    const bool read = std::fread(&c, 1, 1, f) == 1 || !std::ferror(f);
    const int err = errno;
    std::fclose(f);
    return read ? std::string() : std::string(std::strerror(err));
}

template <class D>
std::string openQuietly(D& doc, const std::string& path, AppServices& services) {
    doc.setServices(&services);
    doc.setQuiet(true);
    return Document::failureReason(doc.OnOpenDocument(path));
}

// Reads the result's file for its picture and measurements; the reason
// when it is there but cannot be read.
std::string readDocument(ReportItem& item, AppServices& services) {
    const std::string ext = toLower(extensionOf(item.path));
    std::string problem;
    if (ext == ".dcs") {
        CMotivaDoc doc;
        if (problem = openQuietly(doc, item.path, services); !problem.empty()) return problem;
        if (doc.hasFrames()) item.thumbnail = thumbnailOf(doc.movie().GoTo(0));
        item.measurements = composeResultText(doc, {});
    } else if (ext == ".mve" || ext == ".avi") {
        // A recording: its first frame and its size.
        CZVMovie movie;
        if (Status s = movie.Open(item.path); !s) return s.reason();
        if (movie.count() > 0) item.thumbnail = thumbnailOf(movie.GoTo(0));
        item.measurements = strprintf("%i frames of %i x %i pixels", movie.count(), movie.formatImage().width(),
                                      movie.formatImage().height());
    } else if (ext == ".zvfcf") {
        fcfdoc doc;
        if (problem = openQuietly(doc, item.path, services); !problem.empty()) return problem;
        item.thumbnail = thumbnailOf(doc.image());
        item.measurements = reportText(doc.figures());
    } else if (ext == ".bmp" || ext == ".zvg" || ext == ".tif" || ext == ".tiff" || ext == ".png") {
        // A picture filed by a command (a count on the command line).
        CZVimage img;
        img.setColour(CZVimage::kColour);
        if (!img.Load(item.path, GreyWeights{})) return "the picture cannot be read";
        item.thumbnail = thumbnailOf(img);
    } else if (ext == ".zv1") {
        // A chart: a Doppler recording's pulse figures, or why there are none.
        // Read from its bytes: a chart that cannot be read asks nobody.
        std::vector<uint8_t> bytes;
        if (Status s = readFileBytes(item.path, bytes, kMaxChartBytes); !s) return s.reason();
        ZchartDoc doc;
        doc.setServices(&services);
        if (Status s = doc.loadFromBytes(bytes); !s) return "not a chart (" + s.reason() + ")";
        if (const auto d = summariseSavedDoppler(doc)) {
            item.measurements = reportText(d->figures());
            if (!d->measured()) item.measurements += "; " + d->why();
        }
    } else if (ext == ".cs1") {
        ZBasicDoc doc;
        if (problem = openQuietly(doc, item.path, services); !problem.empty()) return problem;
        item.thumbnail = thumbnailOf(doc.image());
        addMarks(item.thumbnail, doc);
        item.measurements = composeResultText(doc, {});
    } else {
        return unreadable(item.path);
    }
    if (item.measurements == item.row.result) item.measurements.clear();
    return {};
}

std::string csvField(const std::string& text) {
    // A spreadsheet runs a cell that begins like a formula: a quote in
    // front keeps it text.
    const std::string s = !text.empty() && std::string("=+-@").find(text[0]) != std::string::npos ? "'" + text : text;
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

ReportThumbnail reportThumbnail(const CZVimage& img) { return thumbnailOf(img); }

Result<ExamReport> collectExamReport(CSubjectDatabase& db, int64_t examId, AppServices& services) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    ExamReport r;
    r.dataFolder = db.dataFolder();
    const auto exam = readExam(db.handle(), examId);
    if (!exam) return exam.status();
    if (!*exam) return Status::failure(StatusCode::NotFound, strprintf("no examination %lld in ", static_cast<long long>(examId)) + db.databasePath());
    r.exam = **exam;
    // Pictures are read from the examination's folder only.
    if (Status s = checkExamFolder(db, r.exam.folder); !s) return s;
    const auto subject = readSubject(db.handle(), r.exam.patientId);
    if (!subject) return subject.status();
    r.subject = *subject ? **subject : SubjectRecord{r.exam.patientId, {}, {}, {}};
    const auto rows = listResults(db.handle(), examId);
    if (!rows) return rows.status();
    for (const StoredResult& row : *rows) {
        ReportItem item;
        item.row = row;
        item.path = resultFilePath(db, r.exam.folder, row.filename);
        item.missing = !fileExists(item.path);
        if (!item.missing) item.damaged = readDocument(item, services);
        r.items.push_back(std::move(item));
    }
    if (Status s = collectAssessmentPage(r, db, services); !s) return s;
    return r;
}

std::string examReportCsv(const ExamReport& report) {
    std::string out = "subject,name,surname,examid,site,date,id,created,filename,result\r\n";
    const std::string head = csvField(report.subject.id) + "," + csvField(report.subject.name) + "," +
                             csvField(report.subject.surname) + "," + strprintf("%lld", static_cast<long long>(report.exam.id)) + "," +
                             csvField(report.exam.site) + "," + csvField(report.exam.created) + ",";
    for (const ReportItem& i : report.items)
        out += head + csvField(i.row.id) + "," + csvField(i.row.created) + "," + csvField(i.row.filename) + "," +
               csvField(i.row.result) + "\r\n";
    return out;
}

}  // namespace ordavia
