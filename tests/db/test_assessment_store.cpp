// Assessments filed in the subject database: a database of an older
// program opens as it was and gains the table only with the first
// assessment, keeping every row it had; a picture assessed again keeps one
// row; figures come back exactly.
#include <gtest/gtest.h>

#include <cmath>

#include "DbTestSupport.h"
#include "db/AssessmentStore.h"
#include "db/SubjectQueries.h"

using namespace ordavia;
using namespace dbtest;

namespace {

struct AssessStore : DbTest {
    void SetUp() override {
        openDb();
        ASSERT_TRUE(insertSubject(db.handle(), "AB12"));
        ASSERT_TRUE(insertExam(db.handle(), 42, "AB12", "fingers 2-5 of both hands", "", "42-AB12-x"));
        ASSERT_TRUE(insertResult(db.handle(), 42, "a.bmp", "Capillaries: 7"));
    }
    static StoredAssessment picture(const std::string& file, const std::string& finger, double density) {
        StoredAssessment a;
        a.filename = file;
        a.finger = finger;
        a.figures = {{"density_per_mm", density}, {"giants", 2}, {"pattern", 1}, {"rule", 2}};
        a.byHand = {"giants", "pattern"};
        a.findings = "scale 2.5 1 1\nline 0 0 100 0 1\n";
        return a;
    }
};

TEST_F(AssessStore, OlderDatabaseOpensUnchangedAndUpgradesWithoutLoss) {
    db.close();
    const auto before = readBytes(dbPath);
    openDb();
    EXPECT_EQ(readBytes(dbPath), before) << "opening must not write an older database";
    auto none = listAssessments(db.handle(), 42);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(*hasAssessmentTable(db.handle()));

    ASSERT_TRUE(fileAssessment(db.handle(), 42, picture("a.bmp", "R2", 6.25)));
    EXPECT_TRUE(*hasAssessmentTable(db.handle()));
    const auto results = listResults(db.handle(), 42);
    ASSERT_TRUE(results);
    ASSERT_EQ(results->size(), 1u);
    EXPECT_EQ((*results)[0].result, "Capillaries: 7");
    EXPECT_EQ(queryRows(dbPath, "SELECT count(*) FROM exams;")[0][0], "1");

    // The upgraded file still opens read-only as a complete database.
    db.close();
    CSubjectDatabase ro;
    ASSERT_TRUE(ro.openReadOnly(dbPath));
    const auto back = listAssessments(ro.handle(), 42);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 1u);
}

TEST_F(AssessStore, RoundTripAndOneRowPerPicture) {
    const double density = 1.0 / 3.0;
    ASSERT_TRUE(fileAssessment(db.handle(), 42, picture("a.bmp", "R2", density)));
    ASSERT_TRUE(fileAssessment(db.handle(), 42, picture("b.bmp", "L3", 8)));
    ASSERT_TRUE(fileAssessment(db.handle(), 42, picture("a.bmp", "R3", 5)));  // assessed again
    ASSERT_TRUE(fileAssessment(db.handle(), 7, picture("a.bmp", "R2", 9)));   // another examination
    const auto rows = listAssessments(db.handle(), 42);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].filename, "a.bmp");
    EXPECT_EQ((*rows)[0].finger, "R3");
    EXPECT_EQ((*rows)[0].figures.at("density_per_mm"), 5);
    EXPECT_EQ((*rows)[0].byHand, (std::vector<std::string>{"giants", "pattern"}));
    EXPECT_EQ((*rows)[0].findings, "scale 2.5 1 1\nline 0 0 100 0 1\n");
    EXPECT_FALSE((*rows)[0].created.empty());
    ASSERT_TRUE(fileAssessment(db.handle(), 42, picture("c.bmp", "L4", density)));
    EXPECT_EQ(listAssessments(db.handle(), 42)->back().figures.at("density_per_mm"), density) << "figures kept exactly";
    EXPECT_FALSE(fileAssessment(db.handle(), 42, picture("", "L4", 1))) << "a row without its picture";
}

TEST(AssessFigures, TextSkipsWhatIsNotAFigure) {
    const auto f = parseFiguresText("a=1;b=x;=3;c=;d=2.5e1;e=nan;f=1e400");
    EXPECT_EQ(f, (std::map<std::string, double>{{"a", 1}, {"d", 25}}));
    EXPECT_EQ(figuresText({{"k", NAN}, {"bad;key", 1}, {"m", -0.5}}), "m=-0.5");
}

}  // namespace
