#include "app/DicomExamExport.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "db/ExamStudy.h"
#include "db/Examinations.h"
#include "db/SubjectQueries.h"
#include "dicom/DicomUid.h"
#include "dicom/DicomWriter.h"
#include "figures/LengthUnits.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "measure/ZBasicDoc.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/fcfdoc.h"

namespace ordavia {

namespace {

// One series per kind of object, in this order.
enum class Kind { Picture, FcfPicture, Video, Recording, Report, None };
struct SeriesName {
    int number;
    const char* description;
};
SeriesName seriesOf(Kind k) {
    switch (k) {
        case Kind::Picture: return {1, "Pictures"};
        case Kind::FcfPicture: return {2, "FCF pictures"};
        case Kind::Video: return {3, "Videos"};
        case Kind::Recording: return {4, "Recordings"};
        default: return {5, "Report"};
    }
}

Kind kindOf(const std::string& path) {
    const std::string ext = toLower(extensionOf(path));
    if (ext == ".cs1" || ext == ".bmp" || ext == ".zvg" || ext == ".tif" || ext == ".tiff" || ext == ".png" ||
        ext == ".jpg" || ext == ".jpeg")
        return Kind::Picture;
    if (ext == ".zvfcf") return Kind::FcfPicture;
    if (ext == ".dcs") return Kind::Video;
    if (ext == ".mve" || ext == ".avi") return Kind::Recording;
    return Kind::None;
}

// Dates and times as DICOM writes them, in local time.
struct Moment {
    std::string date, time;
};
Moment momentOf(std::time_t t, int shiftDays) {
    t += std::time_t(shiftDays) * 86400;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    char d[16], h[16];
    std::strftime(d, sizeof d, "%Y%m%d", &tm);
    std::strftime(h, sizeof h, "%H%M%S", &tm);
    return {d, h};
}
// "YYYY-MM-DD HH:MM:SS" as SQLite's datetime('now') writes it (UTC).
std::time_t parseUtc(const std::string& s, std::time_t fallback) {
    std::tm tm{};
    if (std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                    &tm.tm_sec) != 6)
        return fallback;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    const std::time_t t = timegm(&tm);
    return t == std::time_t(-1) ? fallback : t;
}

// Frame rows top first, red first: what the objects hold.
Status copyFrame(const CZVimage& src, bool colour, uint8_t* dst) {
    const CZVimage* img = &src;
    CZVimage demosaiced;
    if (src.colour() == CZVimage::kBayer) {
        if (!src.demosaicTo(demosaiced)) return Status::failure(StatusCode::NoMemory, "not enough memory");
        img = &demosaiced;
    }
    const int w = img->width(), h = img->height(), bpp = img->bytesPerPixel();
    for (int y = 0; y < h; ++y) {
        const int stored = std::min(img->isField() ? y / 2 : y, img->rows() - 1);
        const uint8_t* s = img->row(stored);
        uint8_t* d = dst + size_t(y) * size_t(w) * (colour ? 3 : 1);
        for (int x = 0; x < w; ++x) {
            if (colour && bpp >= 3) d[3 * x] = s[bpp * x + 2], d[3 * x + 1] = s[bpp * x + 1], d[3 * x + 2] = s[bpp * x];
            else if (colour) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x];
            else d[x] = s[x * bpp];
        }
    }
    return Status::success();
}

DicomPixelSource pictureSource(const CZVimage& img) {
    DicomPixelSource p;
    p.width = img.width();
    p.height = img.height();
    p.colour = img.colour() != CZVimage::kGrey;
    p.frame = [&img, colour = p.colour](int, uint8_t* dst) { return copyFrame(img, colour, dst); };
    return p;
}

void applyCalibration(DicomPixelSource& p, const ImageCalibration& c) {
    const double um = micrometresPer(c.units);
    if (!c.calibrated || um <= 0 || c.xScale <= 0 || c.yScale <= 0) return;
    p.columnSpacingMm = c.xScale * um / 1000.0;
    p.rowSpacingMm = c.yScale * um / 1000.0;
}

template <class D>
Status openQuietly(D& doc, const std::string& path, AppServices& services) {
    doc.setServices(&services);
    doc.setQuiet(true);
    const Status opened = doc.OnOpenDocument(path);
    if (opened) return Status::success();
    return Status::failure(opened.code(), Document::failureReason(opened));
}

Status writeMovie(CZVMovie& movie, double fps, const std::string& out, const DicomStudyInfo& study,
                  const DicomObjectInfo& object) {
    if (movie.count() <= 0) return Status::failure("the video has no frames");
    const CZVimage& format = movie.formatImage();
    DicomPixelSource p;
    p.width = format.width();
    p.height = format.height();
    p.frames = movie.count();
    p.colour = format.colour() != CZVimage::kGrey;
    p.frameTimeMs = fps > 0 ? 1000.0 / fps : 0;
    MovieFrameImage scratch;
    p.frame = [&](int i, uint8_t* dst) -> Status {
        const CZVimage& img = movie.peekFrame(i, scratch);
        if (movie.isDamaged(i) || img.isEmpty()) return Status::failure(strprintf("frame %d cannot be read", i + 1));
        if (img.width() != p.width || img.height() != p.height)
            return Status::failure(strprintf("frame %d differs in size from the first", i + 1));
        return copyFrame(img, p.colour, dst);
    };
    if (p.frames == 1) {
        // One frame is a picture; the writer makes it one.
        p.frameTimeMs = 0;
    }
    return writeDicomPicture(out, study, object, p);
}

struct Plan {
    std::string source, path, created;
    Kind kind;
};

std::string outputName(const std::string& source, std::map<std::string, int>& taken) {
    std::string base;
    for (char c : fileNameOf(source)) base += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    const int n = taken[base]++;
    return (n ? base + "_" + std::to_string(n) : base) + ".dcm";
}

}  // namespace

Result<DicomExport> exportExamToDicom(CSubjectDatabase& db, int64_t examId, const std::string& outDir,
                                      AppServices& services, const DicomExportOptions& options) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    const auto exam = readExam(db.handle(), examId);
    if (!exam) return exam.status();
    if (!*exam)
        return Status::failure(StatusCode::NotFound,
                               strprintf("no examination %lld in ", static_cast<long long>(examId)) + db.databasePath());
    const ExamRecord& e = **exam;
    if (Status s = checkExamFolder(db, e.folder); !s) return s;
    const auto subject = readSubject(db.handle(), e.patientId);
    if (!subject) return subject.status();
    const SubjectRecord who = *subject ? **subject : SubjectRecord{e.patientId, {}, {}, {}};
    const auto rows = listResults(db.handle(), examId);
    if (!rows) return rows.status();
    const auto uid = keepStudyUid(db, examId, newDicomUid());
    if (!uid) return uid.status();
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) return Status::failure(outDir + ": " + ec.message());

    DicomExport result;
    DicomStudyInfo study;
    int shiftDays = 0;
    if (options.anonymise) {
        std::random_device rd;
        shiftDays = -int(1 + rd() % 365);
        const std::string pseudonym = strprintf("ANON%08X", unsigned(rd()));
        study.patientName = pseudonym;
        study.patientId = pseudonym;
        study.studyUid = derivedDicomUid(*uid + "/anonymised/" + pseudonym + std::to_string(rd()));
    } else {
        study.patientName = who.surname.empty() ? who.name : who.surname + (who.name.empty() ? "" : "^" + who.name);
        study.patientId = who.id;
        study.studyUid = *uid;
        study.studyId = std::to_string(e.id);
    }
    result.studyUid = study.studyUid;
    const Moment when = momentOf(std::time_t(e.id), shiftDays);
    study.studyDate = when.date;
    study.studyTime = when.time;
    study.studyDescription = "Capillaroscopy" + (e.site.empty() ? std::string() : " " + e.site) +
                             (options.anonymise || e.comment.empty() ? std::string() : " (" + e.comment + ")");

    // The site as typed: "left ring", "R4".
    const std::string site = toLower(e.site);
    if (site.find("left") != std::string::npos) study.laterality = "L";
    else if (site.find("right") != std::string::npos) study.laterality = "R";

    std::vector<Plan> plans;
    std::map<std::string, int> taken;
    for (const StoredResult& row : *rows) {
        const std::string path = resultFilePath(db, e.folder, row.filename);
        const Kind k = kindOf(row.filename);
        if (k == Kind::None) {
            result.skipped.push_back(row.filename);
            continue;
        }
        if (path.empty() || !fileExists(path)) {
            result.failed.push_back({row.filename, "the file has gone from the examination folder"});
            continue;
        }
        plans.push_back({row.filename, path, row.created, k});
    }
    const bool report = options.writeReport && !options.anonymise;
    const int total = int(plans.size()) + (report ? 1 : 0);
    std::map<Kind, int> instances;
    for (size_t i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        if (options.progress && !options.progress(int(i), total, plan.source)) {
            result.cancelled = true;
            return result;
        }
        const SeriesName series = seriesOf(plan.kind);
        DicomObjectInfo object;
        object.seriesNumber = series.number;
        object.seriesDescription = series.description;
        object.seriesUid = derivedDicomUid(study.studyUid + "/series/" + std::to_string(series.number));
        object.sopUid = derivedDicomUid(study.studyUid + "/file/" + plan.source);
        object.instanceNumber = ++instances[plan.kind];
        const Moment made = momentOf(parseUtc(plan.created, std::time_t(e.id)), shiftDays);
        object.date = made.date;
        object.time = made.time;
        const std::string out = joinPath(outDir, outputName(plan.source, taken));
        Status s;
        if (plan.kind == Kind::Picture && toLower(extensionOf(plan.path)) == ".cs1") {
            ZBasicDoc doc;
            s = openQuietly(doc, plan.path, services);
            if (s && doc.image().isEmpty()) s = Status::failure("the document's picture cannot be read");
            if (s) {
                DicomPixelSource p = pictureSource(doc.image());
                applyCalibration(p, doc.calibration());
                s = writeDicomPicture(out, study, object, p);
            }
        } else if (plan.kind == Kind::Picture) {
            CZVimage img;
            img.setColour(CZVimage::kColour);
            s = loadPictureAsIs(plan.path, img, GreyWeights{});
            if (s) s = writeDicomPicture(out, study, object, pictureSource(img));
        } else if (plan.kind == Kind::FcfPicture) {
            fcfdoc doc;
            s = openQuietly(doc, plan.path, services);
            if (s && doc.image().isEmpty()) s = Status::failure("the document's picture cannot be read");
            if (s) s = writeDicomPicture(out, study, object, pictureSource(doc.image()));
        } else if (plan.kind == Kind::Video) {
            CMotivaDoc doc;
            s = openQuietly(doc, plan.path, services);
            if (s && !doc.hasFrames()) s = Status::failure("the video has no frames");
            if (s) s = writeMovie(doc.movie(), doc.framesPerSecond(), out, study, object);
        } else {
            CZVMovie movie;
            s = movie.Open(plan.path);
            if (s) s = writeMovie(movie, CMotivaDoc::frameRateOfMovie(plan.path, movie, &services), out, study, object);
        }
        if (s) result.files.push_back({out, plan.source});
        else result.failed.push_back({plan.source, s.reason()});
    }
    if (report) {
        if (options.progress && !options.progress(total - 1, total, kDicomReportSource)) {
            result.cancelled = true;
            return result;
        }
        DicomObjectInfo object;
        const SeriesName series = seriesOf(Kind::Report);
        object.seriesNumber = series.number;
        object.seriesDescription = series.description;
        object.seriesUid = derivedDicomUid(study.studyUid + "/series/" + std::to_string(series.number));
        object.sopUid = derivedDicomUid(study.studyUid + "/report");
        const Moment now = momentOf(std::time(nullptr), shiftDays);
        object.date = now.date;
        object.time = now.time;
        const std::string pdf = joinPath(outDir, ".report.pdf");
        const std::string out = joinPath(outDir, outputName("report", taken));
        Status s = options.writeReport(pdf);
        std::vector<uint8_t> bytes;
        if (s) s = readFileBytes(pdf, bytes, kMaxDicomObjectBytes);
        std::remove(pdf.c_str());
        if (s) s = writeDicomPdf(out, study, object, bytes, "Capillaroscopy report");
        if (s) result.files.push_back({out, kDicomReportSource});
        else result.failed.push_back({kDicomReportSource, s.reason()});
    }
    if (options.progress) (void)options.progress(total, total, {});
    return result;
}

}  // namespace ordavia
