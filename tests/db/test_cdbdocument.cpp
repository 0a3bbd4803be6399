// The database-linked document base: its file block byte by byte, title
// suffixes, the result row written at each save, and the path proposed in
// the examination folder.
#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "tests/support/ArchiveBytes.h"
#include "base/Archive.h"
#include "base/Text.h"
#include "db/CdbDocument.h"
#include "db/SubjectQueries.h"
#include "framework/DocTemplate.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"

using namespace ordavia;
using namespace dbtest;

namespace {

class TestDoc : public CdbDocument {};

// The services a database-linked document needs; the results tables live
// above this layer.
struct Linked : DbTest {
    ProfileStore profile;
    ordavia::AppServices services;
    DocTemplate tmpl{10024, "\nChart\nChart\nChart files (*.zv1)\n.zv1\nZV.chart\nZV chart", "TestDoc", "TestView"};
    std::string data;

    void SetUp() override {
        profile.SetPath(tmp / "ordavia.ini");
        profile.WriteString("Settings", "owner", "Lab 3");
        profile.WriteString("Settings", "station", "scope-pc");
        services.profileStore = &profile;
        services.prompterPtr = &prompter;
        services.provide<CSubjectDatabase>(&db);
        data = tmp.dir.string() + "/";
        openDb();
        EXPECT_TRUE(insertSubject(db.handle(), "AB12"));
        EXPECT_TRUE(insertExam(db.handle(), 42, "AB12", "left ring", "", "42-AB12-left_ring"));
        EXPECT_TRUE(insertExam(db.handle(), 43, "AB12", "right ring", "", "43-AB12-right_ring"));
        std::filesystem::create_directories(data + "42-AB12-left_ring");
        std::filesystem::create_directories(data + "43-AB12-right_ring");
    }
    std::unique_ptr<TestDoc> newDoc(const std::string& title) {
        auto d = std::make_unique<TestDoc>();
        d->setServices(&services);
        d->setDocTemplate(&tmpl);
        d->OnNewDocument();
        d->SetTitle(title);
        return d;
    }
    void select(int exam) {
        db.setCurrentSubject("AB12", "Ann Berg");
        db.setCurrentExam(exam, strprintf("%d-AB12", exam));
    }
    std::vector<StoredResult> results(int exam) { return listResults(db.handle(), exam).value(); }
};

}  // namespace

TEST(CdbDocumentBlock, WritesFormatTwoByteForByte) {
    TestDoc d;
    d.saveCount = 6;
    d.subjectId = "AB12";
    d.examId = 42;
    d.ownerText = "Lab";
    d.result = "r";
    d.stationText = "pc";
    d.capturedBy = "Pseudo";
    Archive ar;
    d.Serialize(ar);
    const Bytes want = Bytes().i32(2).i32(7).str("AB12").i32(42).str("Lab").str("r").str("pc").str("Pseudo");
    EXPECT_EQ(ar.bytes(), want.b);
    EXPECT_EQ(d.saveCount, 7);

    // A count that a file brought in at the top stays there (found by fuzzing).
    d.saveCount = INT32_MAX;
    Archive again;
    d.Serialize(again);
    EXPECT_EQ(d.saveCount, INT32_MAX);
}

TEST(CdbDocumentBlock, ExaminationsStartedAfter2038KeepTheirId) {
    TestDoc d;
    d.subjectId = "AB12";
    d.examId = 2209075200;  // 2040-01-01
    Archive ar;
    d.Serialize(ar);
    const Bytes want = Bytes().i32(3).i32(1).str("AB12").i32(-1).str("").str("").str("").str("").i32(static_cast<int32_t>(0x83ABD000u)).i32(0);
    EXPECT_EQ(ar.bytes(), want.b);
    TestDoc back;
    Archive in(ar.bytes());
    back.Serialize(in);
    EXPECT_EQ(back.examId, 2209075200);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(back.titleSuffix(), " [AB12 2209075200]");
}

TEST(CdbDocumentBlock, ReadsFormatOneAndWritesItBackAsTwo) {
    const std::vector<uint8_t> v1 = Bytes().i32(1).i32(3).str("").i32(-1).str("old owner").str("res").b;
    TestDoc d;
    Archive in(v1);
    d.Serialize(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_TRUE(d.linked);
    EXPECT_EQ(d.saveCount, 3);
    EXPECT_EQ(d.examId, -1);
    EXPECT_EQ(d.ownerText, "old owner");
    EXPECT_EQ(d.result, "res");
    EXPECT_EQ(d.stationText, "old file. unknown.");
    EXPECT_EQ(d.capturedBy, "old file. unknown.");

    Archive out;
    d.Serialize(out);
    EXPECT_EQ(out.bytes()[0], 2);
    TestDoc back;
    Archive again(out.bytes());
    back.Serialize(again);
    EXPECT_EQ(back.saveCount, 4);
    EXPECT_EQ(back.stationText, "old file. unknown.");
    EXPECT_EQ(again.remaining(), 0u);
}

TEST(CdbDocumentBlock, TruncatedBlockLeavesDocumentUnchanged) {
    TestDoc src;
    src.subjectId = "AB12";
    src.examId = 42;
    src.result = "some result";
    src.capturedBy = "raw ops";
    Archive full;
    src.Serialize(full);
    const auto bytes = full.bytes();
    for (size_t n = 0; n < bytes.size(); ++n) {
        TestDoc d;
        d.subjectId = "keep";
        Archive ar(bytes.data(), n);
        EXPECT_THROW(d.Serialize(ar), ArchiveError) << n;
        EXPECT_EQ(d.subjectId, "keep");
        EXPECT_FALSE(d.linked);
    }
}

TEST(CdbDocumentTitle, SuffixAddedOnceAndOnlyWithSubject) {
    TestDoc d;
    d.SetTitle("scan1");
    EXPECT_EQ(d.GetTitle(), "scan1");
    d.subjectId = "AB12";
    d.examId = 42;
    d.SetTitle("scan1");
    EXPECT_EQ(d.GetTitle(), "scan1 [AB12 42]");
    d.SetTitle(d.GetTitle());
    EXPECT_EQ(d.GetTitle(), "scan1 [AB12 42]");
    d.examId = -1;
    d.SetTitle("scan1 [AB12 42]");  // another examination's suffix is not its own
    EXPECT_EQ(d.GetTitle(), "scan1 [AB12 42] [AB12 -1]");
}

TEST(CdbDocumentPath, ExamFileNameRules) {
    const std::pair<const char*, const char*> cases[] = {{"my scan #2", "my_scan_"}, {"a%b", "a"}, {"a;b", "a"},
                                                         {"a/b", "a"}, {"a\\b", "a"}, {"#1", ""}, {"plain", "plain"},
                                                         {"scan1 [AB12 42]", "scan1_[AB12_42]"}};
    for (const auto& [title, name] : cases) EXPECT_EQ(CdbDocument::examFileName(title), name) << title;
}

TEST_F(Linked, FirstSaveInsertsRowAndStoresIdsSecondUpdates) {
    select(42);
    auto d = newDoc("scan1");
    d->result = "v=1.0";
    const std::string path = data + "42-AB12-left_ring/scan1.zv1";
    ASSERT_TRUE(d->OnSaveDocument(path));
    EXPECT_EQ(d->subjectId, "AB12");
    EXPECT_EQ(d->examId, 42);
    EXPECT_EQ(d->ownerText, "Lab 3");
    EXPECT_EQ(d->stationText, "scope-pc");
    EXPECT_EQ(d->saveCount, 1);
    auto rows = results(42);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].filename, "scan1.zv1");
    EXPECT_EQ(rows[0].result, "v=1.0");

    sqlite3_exec(db.handle(), "UPDATE results SET created='2000-01-01 00:00:00';", nullptr, nullptr, nullptr);
    d->result = "v=2.0";
    ASSERT_TRUE(d->OnSaveDocument(path));
    rows = results(42);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].result, "v=2.0");
    EXPECT_NE(rows[0].created, "2000-01-01 00:00:00");
    EXPECT_EQ(d->saveCount, 2);
}

TEST_F(Linked, SavesUpdateTheRowOfTheirNameButNeverWithAnEmptyResult) {
    select(42);
    auto d = newDoc("scan1");
    d->result = "kept";
    const std::string path = data + "scan1.zv1";
    ASSERT_TRUE(d->OnSaveDocument(path));
    d->result.clear();
    ASSERT_TRUE(d->OnSaveDocument(path));
    ASSERT_EQ(results(42).size(), 1u);
    EXPECT_EQ(results(42)[0].result, "kept");

    // Another document saved as that name updates the same row.
    auto b = newDoc("b");
    b->result = "from b";
    prompter.pushSaveFile(path);
    ASSERT_TRUE(b->OnFileSaveAs());
    ASSERT_EQ(results(42).size(), 1u);
    EXPECT_EQ(results(42)[0].result, "from b");

    // A first save with an empty result does insert its row.
    auto e = newDoc("scan2");
    ASSERT_TRUE(e->OnSaveDocument(data + "scan2.zv1"));
    EXPECT_EQ(results(42).size(), 2u);
}

TEST_F(Linked, LoadedDocumentKeepsItsOwnExamination) {
    select(43);
    auto d = newDoc("scan1");
    d->result = "first";
    const std::string path = data + "scan1.zv1";
    ASSERT_TRUE(d->OnSaveDocument(path));

    select(42);
    TestDoc loaded;
    loaded.setServices(&services);
    ASSERT_TRUE(loaded.OnOpenDocument(path));
    loaded.result = "second";
    ASSERT_TRUE(loaded.OnSaveDocument(path));
    EXPECT_TRUE(results(42).empty());
    ASSERT_EQ(results(43).size(), 1u);
    EXPECT_EQ(results(43)[0].result, "second");
    EXPECT_EQ(loaded.examId, 43);
}

TEST_F(Linked, NoSelectionNoDatabaseOrAFailedWriteStoresNoRow) {
    auto d = newDoc("loose");
    d->result = "x";
    ASSERT_TRUE(d->OnSaveDocument(data + "loose.zv1"));
    EXPECT_TRUE(d->linked);
    EXPECT_EQ(d->examId, -1);
    EXPECT_TRUE(queryRows(data + "orda.db", "SELECT * FROM results;").empty());
    // A failed write stores no row and keeps the copy number.
    select(42);
    auto failed = newDoc("scan1");
    failed->result = "x";
    EXPECT_FALSE(failed->OnSaveDocument(data + "no/such/folder/scan1.zv1"));
    EXPECT_EQ(failed->saveCount, 0);
    EXPECT_TRUE(results(42).empty());

    db.close();
    auto e = newDoc("nodb");
    e->result = "x";
    ASSERT_TRUE(e->OnSaveDocument(data + "nodb.zv1"));
    EXPECT_TRUE(std::filesystem::exists(data + "nodb.zv1"));
    EXPECT_EQ(e->examId, 42);  // linked to the selection even without a database
}

TEST_F(Linked, SaveProposesPathInExaminationFolder) {
    select(42);
    auto d = newDoc("my scan #2");
    d->result = "r";
    const std::string want = data + "42-AB12-left_ring/my_scan_.zv1";
    prompter.pushSaveFile(want);
    ASSERT_TRUE(d->OnFileSave());
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().kind, "save");  // the proposal is confirmed in the dialog
    EXPECT_TRUE(std::filesystem::exists(want));
    EXPECT_EQ(d->GetPathName(), want);
    EXPECT_EQ(d->GetTitle(), "my_scan_.zv1 [AB12 42]");
    EXPECT_EQ(results(42).size(), 1u);

    // The file exists now: Save writes it without asking.
    const size_t before = prompter.asked.size();
    ASSERT_TRUE(d->OnFileSave());
    EXPECT_EQ(prompter.asked.size(), before);
    EXPECT_EQ(d->saveCount, 2);
}

TEST_F(Linked, ProposeExamPathOnlyWithDatabaseSubjectAndExam) {
    auto d = newDoc("scan");
    d->ProposeExamPath();
    EXPECT_EQ(d->GetPathName(), "");  // nothing selected
    EXPECT_FALSE(d->linked);

    select(43);
    d->ProposeExamPath();
    EXPECT_EQ(d->GetPathName(), data + "43-AB12-right_ring/scan.zv1");
    EXPECT_TRUE(d->linked);
    EXPECT_EQ(d->GetTitle(), "scan");  // the title is kept

    // A document with a path is left alone.
    select(42);
    d->ProposeExamPath();
    EXPECT_EQ(d->GetPathName(), data + "43-AB12-right_ring/scan.zv1");

    // An examination of another subject proposes nothing.
    auto e = newDoc("scan");
    e->subjectId = "ZZ99";
    e->examId = 42;
    e->ProposeExamPath();
    EXPECT_EQ(e->GetPathName(), "");
}


// A document made without the application runs on defaults of its own:
// questions take their proposed answers and there is no profile. A document
// it makes gets the application's services through it, never a pointer into
// its defaults, so that either may close first.
TEST(HeadlessDocument, AnswersWithDefaultsAndLendsOnlyTheApplicationsServices) {
    auto maker = std::make_unique<TestDoc>();
    TestDoc made;
    maker->lendServicesTo(made);
    EXPECT_NE(&made.services(), &maker->services());
    maker.reset();
    AppServices& own = made.services();
    EXPECT_EQ(own.profileStore, nullptr);
    EXPECT_EQ(own.prompter().messageBox("?", MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(own.prompter().messageBox("?", MsgButtons::YesNoDefaultNo), MsgResult::No);
    EXPECT_EQ(own.openDocument(std::make_unique<TestDoc>()), nullptr) << "no window to go to";

    AppServices app;
    TestDoc linked;
    linked.setServices(&app);
    linked.lendServicesTo(made);
    EXPECT_EQ(&made.services(), &app);
}
