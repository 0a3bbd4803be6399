#include "app/ui/ExamReportUi.h"

#include <QApplication>
#include <QCursor>

#include "app/CBasicApp.h"
#include "app/ExamReport.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"

namespace ordavia {

void exportExaminationReport(CBasicApp& app, int64_t examId, QWidget*) {
    AppServices& sv = app.services();
    Prompter& prompter = sv.prompter();
    auto report = collectExamReport(CSubjectDatabase::in(sv), examId, sv);
    if (!report) {
        prompter.messageBox("The report cannot be made:\n" + report.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const std::string proposed = report->dataFolder + report->exam.folder + "/" + report->exam.folder + "-report.pdf";
    const auto path = prompter.saveFile("Export examination report", "PDF report (*.pdf)|*.pdf||", proposed);
    if (!path) return;
    std::string pdf = *path;
    if (toLower(extensionOf(pdf)) != ".pdf") pdf += ".pdf";
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Status s = writeExamReportPdf(*report, pdf);
    if (s) s = writeFileAtomically(withoutExtension(pdf) + ".csv", examReportCsv(*report), kPrivateFileMode);
    if (s && report->assessment.hasPattern())
        s = writeFileAtomically(assessmentCsvPath(pdf), examAssessmentCsv(*report), kPrivateFileMode);
    QApplication::restoreOverrideCursor();
    if (!s) prompter.messageBox("The report was not written:\n" + s.reason(), MsgButtons::Ok, MsgIcon::Error);
}

}  // namespace ordavia
