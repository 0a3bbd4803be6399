// Subjects and examinations as the dialogs work them, against a real
// database and real folders: the id field's limits, examinations started
// in the same second, a row never without its folder or a folder without
// its row, and a deleted examination folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "DbTestSupport.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "db/SubjectQueries.h"
#include "settings/ProfileStore.h"

using namespace ordavia;
using namespace dbtest;
namespace fs = std::filesystem;

namespace {

struct Exams : DbTest {
    ProfileStore profile{tmp / "p.ini"};
    void SetUp() override { openDb(); }
    // Adds and selects a subject through the dialog's model.
    void addSubject(const std::string& id, const std::string& name = {}) {
        SelectSubjectModel m(db, prompter);
        m.open();
        m.id = id;
        m.addNewId();
        m.name = name;
        m.saveDetails();
    }
    static unsigned mode(const std::string& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 0777;
    }
};

}  // namespace

TEST_F(Exams, SubjectIdFieldKeepsNineteenCharactersAndRefusesSeparators) {
    SelectSubjectModel m(db, prompter);
    m.open();
    m.typeId("abcdefghijklmnopqrstuvwxy");  // 25 characters
    EXPECT_EQ(m.id, "abcdefghijklmnopqrs");
    // Another alphabet is cut by characters, never inside one.
    m.typeId("\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96"
             "\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96\xD0\x96");
    EXPECT_EQ(m.id.size(), 38u);
    m.addNewId();
    EXPECT_EQ(m.selectedId(), m.id);

    m.id = "O'Brien \"x\"";
    m.name = "Ann";
    m.addNewId();
    m.name = "Ann";
    m.surname = "O'Brien";
    m.saveDetails();
    EXPECT_EQ(db.currentSubjectId(), "O'Brien_\"x\"");
    EXPECT_EQ(db.currentSubjectName(), "Ann O'Brien");
    EXPECT_TRUE(prompter.messages().empty());

    // An id names folders: a separator is refused in words, nothing stored.
    m.id = "a/b";
    m.addNewId();
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_NE(prompter.messages()[0].find("cannot hold"), std::string::npos);
    EXPECT_TRUE(queryRows(dbPath, "SELECT id FROM patients WHERE id LIKE 'a/%';").empty());
}

TEST_F(Exams, AddingAnIdStoresTheDetailsTypedBeforeIt) {
    SelectSubjectModel m(db, prompter);
    m.open();
    m.id = "john smith";
    m.name = "John";
    m.surname = "Smith";
    m.comment = "left-handed";
    m.addNewId();
    EXPECT_EQ(queryRows(dbPath, "SELECT * FROM patients;"),
              (std::vector<std::vector<std::string>>{{"john_smith", "John", "Smith", "left-handed"}}));
    EXPECT_EQ(m.name, "John");
    EXPECT_EQ(db.currentSubjectName(), "John Smith");
    EXPECT_TRUE(prompter.messages().empty());

    // Other details typed for an id that exists change nothing stored, say
    // so, and stay in the fields for "Save / Update Details".
    m.name = "Jon";
    m.addNewId();
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_NE(prompter.messages()[0].find("exists already"), std::string::npos);
    EXPECT_EQ(queryRows(dbPath, "SELECT name FROM patients;")[0][0], "John");
    EXPECT_EQ(m.name, "Jon");
    EXPECT_EQ(m.surname, "Smith");
}

TEST_F(Exams, ChoosingAnotherSubjectDropsTheOtherSubjectsExamination) {
    addSubject("AB12", "Ann");
    auto made = createExamination(db, "AB12", "left ring", "", 42);
    ASSERT_TRUE(made) << made.reason();
    ASSERT_TRUE(makeCurrentExamination(db, profile, made->id, made->folder));
    addSubject("CD34", "Bob");
    EXPECT_EQ(db.currentSubjectId(), "CD34");
    EXPECT_EQ(db.currentExamId(), -1);
    EXPECT_EQ(selectionSummary(db), "CD34 Bob");
}

TEST_F(Exams, SameSecondTakesTheNextFreeOneAndFoldersAreTheUsersOnly) {
    addSubject("AB12");
    auto first = createExamination(db, "AB12", "left ring", "c", 42);
    auto second = createExamination(db, "AB12", "left ring", "c", 42);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->folder, "42-AB12-left_ring");
    EXPECT_EQ(second->id, 43);
    EXPECT_EQ(second->folder, "43-AB12-left_ring");
    EXPECT_EQ(mode(tmp / "42-AB12-left_ring"), 0700u);
    EXPECT_EQ(mode(dbPath), 0600u);
    EXPECT_EQ(queryRows(dbPath, "SELECT id FROM exams;").size(), 2u);

    // A folder with files in it at the next id is not taken over.
    fs::create_directory(tmp / "44-AB12-left_ring");
    testsupport::writeBytes(tmp / "44-AB12-left_ring/a.bmp", {1});
    auto third = createExamination(db, "AB12", "left ring", "", 44);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->id, 45);

    ASSERT_TRUE(makeCurrentExamination(db, profile, third->id, third->folder));
    EXPECT_EQ(profile.GetString("directories", "recorddir", ""), tmp / "45-AB12-left_ring");
    EXPECT_EQ(selectionSummary(db), "AB12 \xC2\xB7 45-AB12-left_ring");
}

TEST_F(Exams, FailuresLeaveNeitherAFolderWithoutItsRowNorSilence) {
    addSubject("AB12");
    // A statement the database refuses: the folder made for it goes again.
    sqlite3_exec(db.handle(), "CREATE TRIGGER no_exams BEFORE INSERT ON exams BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                 nullptr, nullptr, nullptr);
    auto refused = createExamination(db, "AB12", "left ring", "", 42);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.reason().find("refused"), std::string::npos);
    EXPECT_FALSE(fs::exists(tmp / "42-AB12-left_ring"));

    // A folder that cannot be made (its name is too long) is said in words.
    sqlite3_exec(db.handle(), "DROP TRIGGER no_exams;", nullptr, nullptr, nullptr);
    auto tooLong = createExamination(db, "AB12", std::string(300, 's'), "", 42);
    ASSERT_FALSE(tooLong);
    EXPECT_NE(tooLong.reason().find("too long"), std::string::npos) << tooLong.reason();
    EXPECT_TRUE(queryRows(dbPath, "SELECT id FROM exams;").empty());
}

TEST_F(Exams, ExaminationsWindowSelectsAndShowsResultsOfADeletedFolder) {
    addSubject("AB12", "Ann");
    auto made = createExamination(db, "AB12", "left ring", "first", 42);
    ASSERT_TRUE(made);
    ASSERT_TRUE(storeResult(db, 42, "D:\\data\\scan1.zvl", "velocity 1"));
    ASSERT_TRUE(storeResult(db, 42, "scan1.zvl", ""));  // an empty result keeps the stored one
    ASSERT_TRUE(storeResult(db, 42, "n1.cs1", "Capillaries: 7"));

    ExaminationsModel w(db, profile, prompter);
    w.fill();
    ASSERT_EQ(w.exams().size(), 1u);
    w.selectExam(0);
    EXPECT_EQ(db.currentExamId(), 42);
    EXPECT_EQ(profile.GetString("directories", "recorddir", ""), tmp / "42-AB12-left_ring");
    ASSERT_EQ(w.results().size(), 2u);
    EXPECT_EQ(w.results()[0].filename, "scan1.zvl");
    EXPECT_EQ(w.results()[0].result, "velocity 1");

    {
        std::FILE* f = std::fopen((tmp / "42-AB12-left_ring/n1.cs1").c_str(), "wb");
        ASSERT_TRUE(f);
        std::fclose(f);
    }
    EXPECT_EQ(w.resultPath(1), tmp / "42-AB12-left_ring/n1.cs1");
    fs::remove_all(tmp / "42-AB12-left_ring");
    w.fill();
    EXPECT_EQ(w.currentRow(), 0);
    EXPECT_EQ(w.results().size(), 2u);  // the rows stay readable
    EXPECT_EQ(w.resultPath(1), "");
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("missing"), std::string::npos);
}

TEST_F(Exams, AStoppedStartsEmptyFolderGoesAtTheNextStart) {
    addSubject("AB12");
    fs::create_directory(tmp / "41-AB12-left_ring");  // folder made, row never written
    fs::create_directory(tmp / "40-AB12-kept");       // not empty: somebody's files
    testsupport::writeBytes(tmp / "40-AB12-kept/a.bmp", {1});
    fs::create_directory(tmp / "notes");
    ASSERT_TRUE(createExamination(db, "AB12", "left ring", "", 50));
    EXPECT_FALSE(fs::exists(tmp / "41-AB12-left_ring"));
    EXPECT_TRUE(fs::exists(tmp / "40-AB12-kept/a.bmp"));
    EXPECT_TRUE(fs::exists(tmp / "notes"));
    EXPECT_TRUE(fs::exists(tmp / "50-AB12-left_ring"));
}

TEST_F(Exams, TextWithControlCharactersOrThatIsNotUtf8IsRefusedInWords) {
    EXPECT_EQ(textProblem("Zo\xC3\xAB \xE5\xB1\xB1\xE7\x94\xB0 \xF0\x9F\x98\x80", "name"), "");
    for (const std::string bad : {"a\nb", "a\tb", "\xC2\x85", "\xFF", "\xC0\xAF", "\xED\xA0\x80", "ab\xE5\xB1"})
        EXPECT_NE(textProblem(bad, "name"), "") << bad;
    EXPECT_NE(subjectIdProblem("AB\xFF"), "");

    addSubject("AB12");
    for (const std::string site : {"left\nring", "\xFF"}) {
        const auto made = createExamination(db, "AB12", site, "", 42);
        ASSERT_FALSE(made);
        EXPECT_NE(made.reason().find("measurement site"), std::string::npos) << made.reason();
    }
    EXPECT_FALSE(createExamination(db, "AB12", "ring", "warm\x1b[2Jroom", 42));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.dir), {}), 1);  // orda.db alone
    EXPECT_TRUE(queryRows(dbPath, "SELECT id FROM exams;").empty());

    SelectSubjectModel m(db, prompter);
    m.open();
    m.id = "CD34";
    m.name = "Bob\r\nDROP";
    m.addNewId();
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_NE(prompter.messages()[0].find("control characters"), std::string::npos);
    EXPECT_TRUE(queryRows(dbPath, "SELECT id FROM patients WHERE id='CD34';").empty());
}
