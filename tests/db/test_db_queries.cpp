// The statements of the subject database against a real file: parameters
// bound at their numbers, the columns read and duplicates refused quietly.
#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "base/Text.h"
#include "db/SubjectQueries.h"

using namespace ordavia;
using namespace dbtest;

namespace {

// The value of a query that must succeed.
template <class R>
auto got(R&& r) {
    EXPECT_TRUE(r.ok()) << r.reason();
    return std::move(r).value();
}

struct Queries : DbTest {
    sqlite3* h = nullptr;
    void SetUp() override {
        openDb();
        h = db.handle();
    }
};

}  // namespace

TEST_F(Queries, SubjectsInsertReplaceBlanksAndRefuseDuplicates) {
    EXPECT_TRUE(insertSubject(h, "john smith"));
    EXPECT_TRUE(got(readSubject(h, "john_smith")));
    EXPECT_FALSE(got(readSubject(h, "john smith")));

    ASSERT_TRUE(updateSubject(h, "john_smith", "John", "Smith", "left-handed"));
    const auto before = readBytes(dbPath);
    EXPECT_FALSE(insertSubject(h, "john_smith"));
    EXPECT_FALSE(insertSubject(h, "john smith"));
    EXPECT_EQ(readBytes(dbPath), before);  // the duplicate changed nothing
    auto s = got(readSubject(h, "john_smith"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->name, "John");
    EXPECT_EQ(s->surname, "Smith");
    EXPECT_EQ(s->comments, "left-handed");
    EXPECT_EQ(prompter.messages().size(), 0u);

    // A new subject's details are empty until edited, never NULL text.
    EXPECT_TRUE(insertSubject(h, "AB12"));
    EXPECT_EQ(queryRows(dbPath, "SELECT name FROM patients WHERE id='AB12';")[0][0], "<null>");
    EXPECT_EQ(got(readSubject(h, "AB12"))->name, "");
    EXPECT_FALSE(updateSubject(h, "nobody", "a", "b", "c"));
}

TEST_F(Queries, IdListIsPrefixMatchCaseInsensitiveAtMostTwenty) {
    for (int i = 0; i < 25; ++i) EXPECT_TRUE(insertSubject(h, strprintf("ab%02d", i)));
    EXPECT_TRUE(insertSubject(h, "xab"));
    EXPECT_TRUE(insertSubject(h, "b1"));
    EXPECT_EQ(got(findSubjectIds(h, "ab")).size(), 20u);
    EXPECT_EQ(got(findSubjectIds(h, "AB")).size(), 20u);
    EXPECT_EQ(got(findSubjectIds(h, "ab2")).size(), 5u);  // ab20..ab24
    const auto b = got(findSubjectIds(h, "b"));
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0], "b1");
    // Quotes in the typed text are data, not SQL.
    EXPECT_TRUE(got(findSubjectIds(h, "a'; drop table patients; --")).empty());
    EXPECT_EQ(got(listSubjects(h)).size(), 27u);
}

TEST_F(Queries, ExamsBindTheirNumberedParameters) {
    EXPECT_TRUE(insertSubject(h, "AB12"));
    ASSERT_TRUE(insertExam(h, 42, "AB12", "left ring", "warm room", "42-AB12-left_ring"));
    ASSERT_TRUE(insertExam(h, 43, "AB12", "right ring", "", "43-AB12-right_ring"));
    ASSERT_TRUE(insertExam(h, 44, "CD34", "thumb", "", "44-CD34-thumb"));
    // The same second twice: the primary key refuses the second quietly.
    EXPECT_FALSE(insertExam(h, 42, "AB12", "other", "", "42-AB12-other"));

    const auto raw = queryRows(dbPath, "SELECT id, patientid, site, comment, folder, length(created) FROM exams WHERE id=42;");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0], (std::vector<std::string>{"42", "AB12", "left ring", "warm room", "42-AB12-left_ring", "19"}));

    const auto list = got(listExams(h, "AB12"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 42);
    EXPECT_EQ(list[0].site, "left ring");
    EXPECT_EQ(list[0].comment, "warm room");
    EXPECT_EQ(list[0].folder, "42-AB12-left_ring");
    EXPECT_EQ(list[1].id, 43);

    auto e = got(readExam(h, 44));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->site, "thumb");
    EXPECT_FALSE(got(readExam(h, 45)));

    EXPECT_EQ(got(findExamFolder(h, "AB12", 43)).value_or("?"), "43-AB12-right_ring");
    EXPECT_FALSE(got(findExamFolder(h, "CD34", 43)));  // exam of another subject
    EXPECT_FALSE(got(findExamFolder(h, "AB12", -1)));
}

TEST_F(Queries, ResultsInsertFindAndUpdate) {
    ASSERT_TRUE(insertResult(h, 42, "scan1.zv1", "v=1.2"));
    ASSERT_TRUE(insertResult(h, 42, "scan2.zv1", ""));
    ASSERT_TRUE(insertResult(h, 43, "scan1.zv1", "other exam"));
    EXPECT_TRUE(got(resultExists(h, 42, "scan1.zv1")));
    EXPECT_FALSE(got(resultExists(h, 42, "SCAN1.zv1")));
    EXPECT_FALSE(got(resultExists(h, 44, "scan1.zv1")));

    // Age the row so that the update's new time shows.
    sqlite3_exec(h, "UPDATE results SET created='2000-01-01 00:00:00' WHERE examid=42;", nullptr, nullptr, nullptr);
    ASSERT_TRUE(updateResult(h, "v=2.5", 42, "scan1.zv1"));
    EXPECT_FALSE(updateResult(h, "x", 42, "missing.zv1"));

    const auto list = got(listResults(h, 42));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].filename, "scan1.zv1");
    EXPECT_EQ(list[0].result, "v=2.5");
    EXPECT_NE(list[0].created, "2000-01-01 00:00:00");
    EXPECT_EQ(list[1].created, "2000-01-01 00:00:00");
    EXPECT_EQ(list[1].result, "");
    EXPECT_EQ(got(listResults(h, 43))[0].result, "other exam");

    const auto raw = queryRows(dbPath, "SELECT examid, typeof(examid) FROM results WHERE filename='scan2.zv1';");
    EXPECT_EQ(raw[0], (std::vector<std::string>{"42", "integer"}));
}

TEST_F(Queries, EachAnalysisOfAFileKeepsItsOwnRowBesideTheDocumentsRow) {
    EXPECT_FALSE(got(hasAnalysisColumn(h)));  // a new database has the four tables as they were
    ASSERT_TRUE(insertResult(h, 42, "pic.bmp", "Dimensions: 1"));
    EXPECT_FALSE(fileAnalysisResult(h, 42, "pic.bmp", "count", ""));  // never an empty row
    EXPECT_EQ(got(listResults(h, 42)).size(), 1u);

    ASSERT_TRUE(fileAnalysisResult(h, 42, "pic.bmp", "count", "Capillaries: 9"));
    ASSERT_TRUE(fileAnalysisResult(h, 42, "pic.bmp", "detect", "12, capillaries"));
    ASSERT_TRUE(fileAnalysisResult(h, 42, "pic.bmp", "count", "Capillaries: 10"));  // the same analysis again
    // The document's own save touches its row only.
    ASSERT_TRUE(updateResult(h, "Dimensions: 2", 42, "pic.bmp"));
    EXPECT_TRUE(got(resultExists(h, 42, "pic.bmp")));
    EXPECT_FALSE(got(resultExists(h, 42, "other.bmp")));
    ASSERT_TRUE(fileAnalysisResult(h, 42, "other.bmp", "count", "Capillaries: 3"));
    EXPECT_FALSE(got(resultExists(h, 42, "other.bmp")));  // a count is not the document's row

    const auto rows = got(listResults(h, 42));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].result, "Dimensions: 2");
    EXPECT_EQ(rows[0].analysis, "");
    EXPECT_EQ(rows[1].result, "Capillaries: 10");
    EXPECT_EQ(rows[1].analysis, "count");
    EXPECT_EQ(rows[2].result, "12, capillaries");
    EXPECT_EQ(rows[2].analysis, "detect");

    // The first five columns are what they always were: older programs
    // reading them by place see every row.
    const auto raw = queryRows(dbPath, "SELECT * FROM results WHERE examid=42 AND filename='pic.bmp';");
    ASSERT_EQ(raw.size(), 3u);
    EXPECT_EQ(raw[1].size(), 6u);
    EXPECT_EQ(raw[1][3], "pic.bmp");
    EXPECT_EQ(raw[1][4], "Capillaries: 10");
}
