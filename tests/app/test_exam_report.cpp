// The examination report's contents against a real database and real
// files: damaged files named, a folder outside the data folder refused,
// the marks of a picture, and CSV cells that a spreadsheet would run.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ExamReport.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "measure/CDimLine.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"

using namespace ordavia;
namespace fs = std::filesystem;

namespace {

class Report : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_TRUE(db.openPath(path("orda.db")));
        ASSERT_TRUE(insertSubject(db.handle(), "AB12"));
        ASSERT_TRUE(insertExam(db.handle(), 42, "AB12", "left ring", "", "42-AB12"));
        fs::create_directories(dir_ / "42-AB12");
    }
    std::string inExam(const std::string& name) const { return (dir_ / "42-AB12" / name).string(); }
    test::TestServices svc;
    CSubjectDatabase db;
};

}  // namespace

TEST_F(Report, DamagedFilesAreNamedAndPicturesCarryTheirMarks) {
    ZBasicDoc pic;
    svc.adopt(pic);
    pic.OnNewDocument();
    CZVimage img(640, 480, 0, CZVimage::kFrame, CZVimage::kGrey);
    ASSERT_TRUE(img.Save(inExam("pic.bmp")));
    pic.setImageFile(inExam("pic.bmp"), 0);
    pic.setImage(std::move(img));
    auto line = std::make_unique<CDimLine>();
    line->addVertex({100, 40});
    line->addVertex({300, 440});
    pic.addObject(std::move(line));
    ASSERT_TRUE(pic.DoSave(inExam("pic.cs1"), true));
    writeFile(inExam("bad.cs1"), std::string(200, '\x7f'));
    writeFile(inExam("bad.bmp"), "BM not really a picture");
    for (const char* name : {"pic.cs1", "bad.cs1", "bad.bmp", "gone.zvl"}) ASSERT_TRUE(insertResult(db.handle(), 42, name, "r"));

    auto report = collectExamReport(db, 42, svc.services);
    ASSERT_TRUE(report) << report.reason();
    ASSERT_EQ(report->items.size(), 4u);
    const ReportItem& good = report->items[0];
    EXPECT_EQ(good.damaged, "");
    ASSERT_EQ(good.thumbnail.width, kThumbnailSide);
    ASSERT_EQ(good.thumbnail.marks.size(), 1u);
    // 640 pixels drawn as 320: every mark at half its place.
    EXPECT_EQ(good.thumbnail.marks[0].points, (std::vector<std::pair<double, double>>{{50, 20}, {150, 220}}));
    EXPECT_NE(report->items[1].damaged, "");
    EXPECT_NE(report->items[2].damaged, "");
    EXPECT_TRUE(report->items[3].missing);
}

TEST_F(Report, AnExaminationFolderOutsideTheDataFolderIsRefused) {
    const fs::path outside = dir_.parent_path() / ("outside-" + dir_.filename().string());
    fs::create_directories(outside);
    ASSERT_TRUE(insertExam(db.handle(), 43, "AB12", "x", "", "../" + outside.filename().string()));
    ASSERT_TRUE(insertExam(db.handle(), 44, "AB12", "x", "", "/etc"));
    fs::create_directory_symlink("/etc", dir_ / "45-link");
    ASSERT_TRUE(insertExam(db.handle(), 45, "AB12", "x", "", "45-link"));
    for (int exam : {43, 44, 45}) {
        ASSERT_TRUE(insertResult(db.handle(), exam, "passwd", "r"));
        const auto report = collectExamReport(db, exam, svc.services);
        ASSERT_FALSE(report) << exam;
        EXPECT_NE(report.reason().find("outside the data folder"), std::string::npos) << report.reason();
    }
    fs::remove_all(outside);
}

TEST_F(Report, CsvCellsThatASpreadsheetWouldRunAreKeptAsText) {
    ExamReport r;
    r.subject = {"AB12", "=HYPERLINK(\"x\")", "+1", "@SUM(A1)"};
    r.exam.id = 42;
    r.exam.site = "-2";
    r.exam.created = "@now";
    ReportItem item;
    item.row = {"1", "2024-01-01 10:00:00", "a.zvl", "=1+2", ""};
    r.items.push_back(item);
    const std::string csv = examReportCsv(r);
    EXPECT_NE(csv.find("AB12,\"'=HYPERLINK(\"\"x\"\")\",'+1,42,'-2,'@now,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",a.zvl,'=1+2\r\n"), std::string::npos) << csv;
}
