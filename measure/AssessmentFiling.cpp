#include "measure/AssessmentFiling.h"

#include "base/Paths.h"
#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "figures/MeasureCatalogue.h"
#include "measure/AssessmentFigures.h"
#include "measure/StoredAssessmentOf.h"
#include "measure/CapillaryCountTool.h"
#include "measure/CDim.h"
#include "measure/CDimLine.h"
#include "measure/ZBasicDoc.h"
#include "results/MeasureColumns.h"
#include "results/ResultTables.h"
#include "settings/DebugLog.h"

namespace ordavia {

AssessOptions assessOptionsOf(const ZBasicDoc& doc) {
    AssessOptions o;
    double sx = 0, sy = 0;
    if (CapillaryCountTool::micrometresPerPixel(doc, sx, sy)) o.umPerPixel = (sx + sy) / 2;
    const CDim* d = doc.currentDimList().currentObject();
    if (d && dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2) {
        const ZPoint a = d->getVertex(0), b = d->getVertex(d->vertexCount() - 1);
        o.lineFrom = AssessPoint{double(a.x), double(a.y)};
        o.lineTo = AssessPoint{double(b.x), double(b.y)};
    }
    return o;
}

Status fileAssessmentUnderExam(CSubjectDatabase& db, int64_t examId, const std::string& fileName,
                               const CapillaryAssessment& a, const std::vector<std::string>& byHand,
                               ResultTables* tables) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    if (examId < 0) return Status::failure(StatusCode::NotFound, "no examination is selected");
    const std::string name = fileNameOf(fileName);
    if (name.empty()) return Status::failure(StatusCode::Failed, "the picture has no file name: save it first");
    const MeasureValues figures = assessmentFigures(a);
    if (Status s = fileAssessment(db.handle(), examId, storedAssessmentOf(a, name, byHand)); !s) return s;
    if (Status s = fileAnalysisResult(db.handle(), examId, name, kAssessAnalysis, figures.text()); !s) return s;
    if (tables) {
        const auto cols = resultColumnsOf(assessmentMeasures());
        CResultDoc* table = tables->open(assessmentMeasures().table, cols.data(), cols.size());
        if (!table || !table->addRow(resultRecordOf(figures, name, a.calibrated ? "um" : "pixel")))
            debugLog("assessment row refused for %s\n", name.c_str());
    }
    return Status::success();
}

}  // namespace ordavia
