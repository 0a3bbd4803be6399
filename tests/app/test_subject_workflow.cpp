// The "Select Subject..." flow, "Process Results" and the linking of new
// documents, with the dialogs answered by a script and a real database,
// real folders and real image documents.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/CBasicApp.h"
#include "base/FileIO.h"
#include "app/ResultTexts.h"
#include "app/SubjectWorkflow.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectDialogs.h"
#include "db/SubjectQueries.h"
#include "measure/AssessmentFiling.h"
#include "measure/CDimLine.h"
#include "measure/CapillaryAssessment.h"
#include "measure/ExamAssessment.h"
#include "figures/MeasureCatalogue.h"
#include "measure/AssessmentFigures.h"
#include "measure/ZBasicDoc.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"

using namespace ordavia;
namespace fs = std::filesystem;

namespace {

// Answers the dialogs from a script and records what the flow asked of
// the windows.
struct ScriptedWindows : SubjectWindows {
    std::deque<std::function<SubjectDialogEnd(SelectSubjectModel&)>> subjectDialogs;
    std::deque<std::optional<std::string>> examSites;  // nothing: "Cancel"
    std::vector<std::string> calls;

    SubjectDialogEnd runSelectSubject(SelectSubjectModel& m) override {
        calls.push_back("subjectDialog");
        auto step = subjectDialogs.front();
        subjectDialogs.pop_front();
        return step(m);
    }
    bool runNewExam(NewExamModel& m) override {
        calls.push_back("examDialog:" + m.heading);
        auto site = examSites.front();
        examSites.pop_front();
        if (site) m.site = *site;
        return site.has_value();
    }
    void showExaminations() override { calls.push_back("showExams"); }
    bool examinationsOpen() const override { return false; }
    void closeExaminations() override { calls.push_back("closeExams"); }
    void closeLiveVideo() override { calls.push_back("closeLive"); }
    void applyExpertMode() override { calls.push_back("expertBars"); }
    void closeAllDocuments() override { calls.push_back("closeAll"); }
    void startLiveVideo() override { calls.push_back("startLive"); }
    void applyRecordingSettings() override {}
    void selectionChanged() override {}
    void postCommand(const std::string& c) override { calls.push_back("post:" + c); }
    void tileWindows() override { calls.push_back("tile"); }
};

SubjectDialogEnd addAnn(SelectSubjectModel& m, SubjectDialogEnd end) {
    m.id = "AB12";
    m.addNewId();
    m.name = "Ann";
    m.surname = "Smith";
    m.saveDetails();
    return end;
}

class Workflow : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        svc.services.provide<CSubjectDatabase>(&db);
        svc.services.resultText = composeResultText;
        svc.prompter.pushFolder(dir_.string());
        app = std::make_unique<CBasicApp>(svc.services, (dir_ / "ordavia").string());
        ASSERT_TRUE(app->InitInstance(nullptr, ""));
        flow = std::make_unique<SubjectWorkflow>(*app, win, [this] { return now; });
    }
    void TearDown() override {
        flow.reset();
        app.reset();
        DebugLog::setEnabled(false);
        DebugLog::setFile("zv.log");
        TempFolderTest::TearDown();
    }
    void startExam(const std::string& site) {
        win.subjectDialogs.push_back([](SelectSubjectModel& m) { return addAnn(m, SubjectDialogEnd::StartNewExamination); });
        win.examSites.push_back(site);
        flow->selectSubject();
    }
    test::TestServices svc;
    CSubjectDatabase db;
    std::unique_ptr<CBasicApp> app;
    ScriptedWindows win;
    std::unique_ptr<SubjectWorkflow> flow;
    int64_t now = 1700000000;
};

}  // namespace

TEST_F(Workflow, StartingAnExaminationMakesItCurrentAndLogsNoName) {
    startExam("left ring");
    EXPECT_EQ(db.currentSubjectId(), "AB12");
    EXPECT_EQ(db.currentExamId(), now);
    EXPECT_EQ(db.currentExamFolder(), "1700000000-AB12-left_ring");
    EXPECT_TRUE(fs::is_directory(dir_ / "1700000000-AB12-left_ring"));
    EXPECT_EQ(svc.profile.GetString("directories", "recorddir", ""), (dir_ / "1700000000-AB12-left_ring").string());
    EXPECT_EQ(win.calls, (std::vector<std::string>{"closeLive", "expertBars", "subjectDialog", "examDialog:Subject AB12: Ann Smith",
                                                   "closeExams", "closeAll", "startLive"}));
    EXPECT_TRUE(svc.prompter.messages().empty());
    // Names are personal data: the log knows the subject by id only.
    const std::string log = readFile(path("ordavia.log"));
    EXPECT_NE(log.find("new exam 1700000000 for subject AB12"), std::string::npos) << log;
    EXPECT_EQ(log.find("Smith"), std::string::npos);
}

TEST_F(Workflow, CancelReturnsToTheSubjectDialogAndCancelThereClearsTheSelection) {
    win.subjectDialogs.push_back([](SelectSubjectModel& m) { return addAnn(m, SubjectDialogEnd::StartNewExamination); });
    win.examSites.push_back(std::nullopt);
    flow->selectSubject();
    EXPECT_EQ(win.calls.back(), "post:Select Subject...");
    EXPECT_TRUE(listExams(db.handle(), "AB12")->empty());
    EXPECT_EQ(db.currentSubjectId(), "AB12");
    EXPECT_TRUE(flow->viewExamsEnabled());

    win.calls.clear();
    win.subjectDialogs.push_back([](SelectSubjectModel&) { return SubjectDialogEnd::Cancel; });
    flow->selectSubject();
    EXPECT_EQ(db.currentSubjectId(), "");
    EXPECT_EQ(db.currentExamId(), -1);
    EXPECT_FALSE(flow->viewExamsEnabled());
    EXPECT_EQ(win.calls, (std::vector<std::string>{"closeLive", "expertBars", "subjectDialog", "closeExams"}));
}

TEST_F(Workflow, NewDocumentsJoinTheExaminationAndFileTheirMeasurements) {
    startExam("left ring");
    DocTemplate* t = app->templates().findByClass("ZBasicDoc");
    ASSERT_TRUE(t);
    auto* doc = dynamic_cast<ZBasicDoc*>(app->OpenNewDocument(t));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->subjectId, "AB12");
    EXPECT_EQ(doc->examId, now);

    CZVimage img(64, 48, 0, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < img.rows(); ++y) std::memset(img.row(y), 90, 64);
    doc->setImage(std::move(img));
    auto line = std::make_unique<CDimLine>();
    line->addVertex({10, 10});
    line->addVertex({40, 50});
    doc->addObject(std::move(line));
    doc->ProposeExamPath();
    const std::string path = doc->GetPathName();
    EXPECT_EQ(fs::path(path).parent_path(), dir_ / "1700000000-AB12-left_ring");
    ASSERT_TRUE(doc->DoSave(path, true));
    auto stored = listResults(db.handle(), static_cast<int32_t>(now));
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_EQ(stored->front().filename, fs::path(path).filename().string());
    EXPECT_EQ(stored->front().result, "Dimensions: 1, lengths 50.0 pixel");

    // Reopened from the examination, with postprocessing: read and saved again.
    app->CloseDocument(doc);
    svc.profile.WriteInt("settings", "postprocess", 1);
    win.calls.clear();
    flow->processResults();
    ASSERT_EQ(app->documents().size(), 1u);
    auto* again = dynamic_cast<CdbDocument*>(app->documents().front().get());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->saveCount, 2);
    EXPECT_EQ(win.calls, (std::vector<std::string>{"closeLive", "tile", "showExams"}));

    // Its file deleted: said in words, the row stays.
    app->CloseDocument(again);
    fs::remove(path);
    flow->processResults();
    ASSERT_FALSE(svc.prompter.messages().empty());
    EXPECT_NE(svc.prompter.messages().back().find("missing"), std::string::npos);
    EXPECT_EQ(listResults(db.handle(), static_cast<int32_t>(now))->size(), 1u);
}

TEST_F(Workflow, FilesOpenedAndMeasuresMadeWhileAnExaminationIsCurrentAreFiledUnderIt) {
    // A picture saved before any examination, in a folder of its own.
    DocTemplate* t = app->templates().findByClass("ZBasicDoc");
    ASSERT_TRUE(t);
    auto* loose = dynamic_cast<ZBasicDoc*>(app->OpenNewDocument(t));
    ASSERT_TRUE(loose);
    loose->setImage(CZVimage(32, 24, 0, CZVimage::kFrame, CZVimage::kGrey));
    fs::create_directories(dir_ / "elsewhere");
    const std::string outside = (dir_ / "elsewhere" / "pic.cs1").string();
    ASSERT_TRUE(loose->DoSave(outside, true));
    app->CloseDocument(loose);
    const auto before = readFile(outside);

    startExam("left ring");
    auto* opened = dynamic_cast<ZBasicDoc*>(app->OpenDocumentFile(outside));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->examId, now);
    EXPECT_NE(opened->GetTitle().find("[AB12 1700000000]"), std::string::npos);
    // Save puts it into the examination's folder under its own name; the
    // original stays as it was.
    const fs::path filed = dir_ / "1700000000-AB12-left_ring" / "pic.cs1";
    svc.prompter.pushSaveFile(filed.string());
    ASSERT_TRUE(opened->OnFileSave());
    EXPECT_EQ(svc.prompter.lastProposedName, filed.string());
    EXPECT_TRUE(fs::exists(filed));
    EXPECT_EQ(readFile(outside), before);

    // A width measured on it: its row in the width table is filed at once.
    svc.results.setMaker([this]() -> CResultDoc* {
        return dynamic_cast<CResultDoc*>(app->OpenNewDocument(app->templates().findByClass("CResultDoc")));
    });
    CResultDoc* table = ResultTables::in(svc.services).open(ResultTitles::kDiameter);
    ASSERT_TRUE(table);
    ASSERT_TRUE(table->addRow(ResultRecord{"pic.cs1 [AB12 1700000000]", "um", {1, 8.3}}));
    ASSERT_TRUE(table->addRow(ResultRecord{"pic.cs1", "um", {2, 9.5}}));
    ASSERT_TRUE(table->addRow(ResultRecord{"Image3", "um", {1, 7}}));  // never saved: no file to name
    const auto rows = listResults(db.handle(), static_cast<int32_t>(now)).value();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].filename, "pic.cs1");
    EXPECT_EQ(rows[1].analysis, ResultTitles::kDiameter);
    EXPECT_EQ(rows[1].result, "units um, line 1, width 8.3; units um, line 2, width 9.5");
}

TEST_F(Workflow, APictureAssessedAgainKeepsOneResultsRowAndOneTableRow) {
    startExam("fingers 2-5 of both hands");
    svc.results.setMaker([this]() -> CResultDoc* {
        return dynamic_cast<CResultDoc*>(app->OpenNewDocument(app->templates().findByClass("CResultDoc")));
    });
    CapillaryAssessment a;
    a.calibrated = true;
    a.finger = "R3";
    a.count = 20;
    a.densityPerMm = 6.5;
    ResultTables& tables = ResultTables::in(svc.services);
    // A picture from elsewhere is filed as its copy in the examination's
    // folder, where the report finds it; the original stays.
    fs::create_directories(dir_ / "camera");
    const std::string outside = (dir_ / "camera" / "f-R3.zvg").string();
    ASSERT_TRUE(writeFileAtomically(outside, std::string("pixels one")));
    const Result<std::string> placed = placeInExamFolder(db, now, outside);
    ASSERT_TRUE(placed) << placed.reason();
    EXPECT_EQ(*placed, "f-R3.zvg");
    const fs::path examFolder = dir_ / "1700000000-AB12-fingers_2-5_of_both_hands";
    EXPECT_EQ(readFile((examFolder / "f-R3.zvg").string()), "pixels one");
    EXPECT_EQ(placeInExamFolder(db, now, outside).value(), "f-R3.zvg") << "the same picture again: the same copy";
    EXPECT_EQ(placeInExamFolder(db, now, (examFolder / "f-R3.zvg").string()).value(), "f-R3.zvg");
    ASSERT_TRUE(writeFileAtomically(outside, std::string("another picture")));
    EXPECT_EQ(placeInExamFolder(db, now, outside).value(), "f-R3 (2).zvg");
    EXPECT_EQ(readFile((examFolder / "f-R3.zvg").string()), "pixels one") << "a filed picture is never overwritten";

    ASSERT_TRUE(fileAssessmentUnderExam(db, now, *placed, a, {}, &tables));
    a.densityPerMm = 7.0;  // corrected by hand, filed again
    ASSERT_TRUE(fileAssessmentUnderExam(db, now, *placed, a, {"count"}, &tables));
    const auto rows = listResults(db.handle(), static_cast<int32_t>(now)).value();
    ASSERT_EQ(rows.size(), 1u) << "the table must not file a second row beside the analysis' own";
    EXPECT_EQ(rows[0].analysis, kAssessAnalysis);
    EXPECT_NE(rows[0].result.find("7.0 per mm"), std::string::npos) << rows[0].result;
    CResultDoc* table = tables.find(assessmentMeasures().table);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows().size(), 1u);
    EXPECT_EQ(fingerInFileName("/x/f-R3.zvg"), "R3");
    EXPECT_EQ(fingerInFileName("SSC01 l5 200x.png"), "L5");
    EXPECT_EQ(fingerInFileName("R2-to-R3.zvg"), "") << "two fingers named: none chosen";
    EXPECT_EQ(fingerInFileName("PR2X.zvg"), "") << "only a word of its own names a finger";
}
