#include "measure/AssessmentFiling.h"

#include <filesystem>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "figures/MeasureCatalogue.h"
#include "framework/AppServices.h"
#include "measure/AssessmentFigures.h"
#include "measure/StoredAssessmentOf.h"
#include "measure/CapillaryCountTool.h"
#include "measure/CDim.h"
#include "measure/CDimLine.h"
#include "measure/ZBasicDoc.h"
#include "results/MeasureColumns.h"
#include "results/ResultTables.h"

namespace ordavia {

AssessOptions assessOptionsOf(const ZBasicDoc& doc) {
    AssessOptions o;
    double sx = 0, sy = 0;
    if (CapillaryCountTool::micrometresPerPixel(doc, sx, sy)) o.umPerPixel = (sx + sy) / 2;
    const CDim* d = doc.currentDimList().currentObject();
    if (d && dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2) {
        // The document's points stand at the picture's origin (a part cut
        // out of a larger frame keeps its place); the assessment reads the
        // picture's own pixels, as the count tool does.
        const ZPoint a = d->getVertex(0), b = d->getVertex(d->vertexCount() - 1);
        const double ox = doc.image().originX(), oy = doc.image().originY();
        o.lineFrom = AssessPoint{a.x - ox, a.y - oy};
        o.lineTo = AssessPoint{b.x - ox, b.y - oy};
    }
    // A line of the user's is counted as the count tool counts it.
    o.lineCount = CapillaryCountTool::storedSettings(doc.services().profile());
    return o;
}

Result<std::string> placeInExamFolder(CSubjectDatabase& db, int64_t examId, const std::string& picture) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string name = fileNameOf(picture);
    if (!db.isOpen() || picture.empty() || !fs::is_regular_file(picture, ec)) return name;
    auto exam = readExam(db.handle(), examId);
    if (!exam) return exam.status();
    if (!*exam) return Status::failure(StatusCode::NotFound, strprintf("no examination %lld", (long long)examId));
    const fs::path folder = fs::path(db.dataFolder()) / (*exam)->folder;
    if ((*exam)->folder.empty() || !fs::is_directory(folder, ec)) return name;
    if (fs::equivalent(fs::path(picture).parent_path(), folder, ec)) return name;
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(picture, bytes); !s) return s;
    const fs::path from(picture);
    const std::string stem = from.stem().string(), ext = from.extension().string();
    for (int k = 1; k < 1000; ++k) {
        const std::string candidate = k == 1 ? name : strprintf("%s (%d)%s", stem.c_str(), k, ext.c_str());
        const fs::path to = folder / candidate;
        if (fs::exists(to, ec)) {
            // The same bytes filed before: that copy is the picture.
            std::vector<uint8_t> there;
            if (readFileBytes(to.string(), there) && there == bytes) return candidate;
            continue;
        }
        if (Status s = writeFileAtomically(to.string(), bytes); !s) return s;
        return candidate;
    }
    return Status::failure("the examination folder holds too many pictures named " + name);
}

Status fileAssessmentUnderExam(CSubjectDatabase& db, int64_t examId, const std::string& fileName,
                               const CapillaryAssessment& a, const std::vector<std::string>& byHand,
                               ResultTables* tables) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    if (examId < 0) return Status::failure(StatusCode::NotFound, "no examination is selected");
    const std::string name = fileNameOf(fileName);
    if (name.empty()) return Status::failure(StatusCode::Failed, "the picture has no file name: save it first");
    const MeasureValues figures = assessmentFigures(a);
    // The table first: a table that refuses the row leaves nothing filed.
    if (tables) {
        const auto cols = resultColumnsOf(assessmentMeasures());
        CResultDoc* table = tables->open(assessmentMeasures().table, cols.data(), cols.size());
        if (!table) return Status::failure(StatusCode::Failed, "the assessment table cannot be opened");
        // The "assess" row below is the picture's one results row.
        table->setFilesRowsUnderExam(false);
        if (Status s = table->putRowOf(resultRecordOf(figures, name, a.calibrated ? "um" : "pixel")); !s) return s;
    }
    if (Status s = fileAssessment(db.handle(), examId, storedAssessmentOf(a, name, byHand)); !s) return s;
    if (Status s = fileAnalysisResult(db.handle(), examId, name, kAssessAnalysis, figures.text()); !s) return s;
    return Status::success();
}

}  // namespace ordavia
