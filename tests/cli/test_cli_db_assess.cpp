// The examination's assessment from the command line: "db assess" gives
// the finger grid and pattern with the documented keys, and "db report"
// gains the assessment page (read back from the PDF's text) and the grid
// as CSV beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "framework/ScriptedPrompter.h"
#include "measure/StoredAssessmentOf.h"
#include "support/CliRun.h"
#include "support/MveBytes.h"

namespace fs = std::filesystem;
using namespace ordavia;

namespace {

// A row of `n` loops across a 768-pixel picture at 1.6 um per pixel, the
// first `giants` of them giant.
CapillaryAssessment row(int n, int giants) {
    CapillaryAssessment a;
    a.umPerPixel = 1.6;
    a.calibrated = true;
    a.lineFrom = {10, 200};
    a.lineTo = {758, 200};
    for (int i = 0; i < n; ++i) {
        AssessedCapillary c;
        c.apex = {10 + 748.0 * (i + 0.5) / n, 200};
        c.apexUm = i < giants ? 60 : 12;
        a.capillaries.push_back(c);
    }
    a.pictureQuality = {1, 1, 1, 1, 1, 1};
    recomputeAssessment(a, a.umPerPixel);
    return a;
}

std::string textOf(const fs::path& p) {
    const auto b = testsupport::readBytes(p.string());
    return std::string(b.begin(), b.end());
}

// A data folder in `dir` with one subject and an examination of both hands:
// the examination's id and folder.
std::pair<std::string, fs::path> handsExam(const fs::path& dir, const std::string& subject) {
    const std::string data = (dir / "data").string();
    EXPECT_EQ(clitest::cli("db init " + data, dir).code, 0);
    EXPECT_EQ(clitest::cli("db subject add " + data + " --id " + subject + " --name Ann", dir).code, 0);
    const clitest::CliRun r =
        clitest::cli("db exam new " + data + " --subject " + subject + " --site \"fingers 2-5 of both hands\" --json", dir);
    std::smatch id, folder;
    if (!std::regex_search(r.out, id, std::regex(R"re("id": (\d+))re")) ||
        !std::regex_search(r.out, folder, std::regex(R"re("folder": "([^"]+)")re")))
        ADD_FAILURE() << r.out;
    return {id[1].str(), dir / "data" / folder[1].str()};
}

}  // namespace

TEST(CliDbAssess, FingerGridPatternAndReportPage) {
    testsupport::ScratchDir scratch{"cli-db-assess"};
    const fs::path dir = scratch.dir;
    const std::string data = (dir / "data").string();
    const auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const auto [exam, folder] = handsExam(dir, "AB12");
    ASSERT_FALSE(exam.empty());

    // No picture assessed yet: no pattern.
    clitest::CliRun r = run("db assess " + data + " --exam " + exam + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(R"("pattern": null)"), std::string::npos) << r.out;

    {
        CSubjectDatabase db;
        ScriptedPrompter prompter;
        ASSERT_TRUE(db.openPath(data + "/orda.db"));
        CapillaryAssessment healthy = row(10, 0), sclero = row(8, 2);
        healthy.finger = "R2";
        sclero.finger = "L4";
        // Blurred: its giants decide and are trusted, its diameters and shapes are not.
        sclero.pictureWarnings = {kAssessOutOfFocus};
        recomputeAssessment(sclero, sclero.umPerPixel);
        ASSERT_EQ(run("synth image " + (folder / "r2.bmp").string()).code, 0);
        ASSERT_TRUE(fileAssessment(db.handle(), std::stoll(exam), storedAssessmentOf(healthy, "r2.bmp", {})));
        ASSERT_TRUE(fileAssessment(db.handle(), std::stoll(exam), storedAssessmentOf(sclero, "l4.bmp", {"giants"})));
    }
    r = run("db assess " + data + " --exam " + exam + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* key : {R"("fingers": {)", R"("L4": {)", R"("R2": {)", R"("density_per_mm": )", R"("giants": 2)",
                            R"("pattern": "scleroderma",)", R"("rule": 2)", R"("by_hand": [)", R"("pictures": 2)"})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
    EXPECT_LT(r.out.find(R"("L4")"), r.out.find(R"("R2")")) << "the grid's order";
    r = run("db assess " + data + " --exam " + exam);
    EXPECT_NE(r.out.find("Scleroderma pattern, shown by L4."), std::string::npos) << r.out;
    EXPECT_EQ(run("db assess " + data + " --exam 12").code, 1);

    const fs::path pdf = dir / "report.pdf";
    r = run("db report " + data + " --exam " + exam + " " + pdf.string() + " --json");
#ifdef ORDAVIA_NO_PDF_REPORT
    return;
#endif
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("report-assessment.csv"), std::string::npos) << r.out;
    const std::string csv = textOf(dir / "report-assessment.csv");
    EXPECT_NE(csv.find("subject,examid,finger,pictures,density (per mm)"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",L4,1,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",scleroderma,2,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("examination,"), std::string::npos) << csv;
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
    const fs::path txt = dir / "report.txt";
    ASSERT_EQ(std::system(("pdftotext " + pdf.string() + " " + txt.string()).c_str()), 0);
    const std::string text = textOf(txt);
    for (const char* words : {"Capillaroscopy assessment", "Scleroderma pattern, shown by L4.", "L4: l4.bmp", "R2: r2.bmp",
                              "Corrected by hand: giants", "rule 2", "missing from the examination folder",
                              "Warnings: out of focus", "Not trusted: apical diameters, abnormal shapes"})
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
}

TEST(CliDbAssess, EightFingersAssessedAndFiledGiveTheExaminationsAnswer) {
    testsupport::ScratchDir scratch{"cli-db-assess8"};
    const fs::path dir = scratch.dir;
    const std::string data = (dir / "data").string();
    const auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const auto [exam, folder] = handsExam(dir, "S1");
    ASSERT_FALSE(exam.empty());
    clitest::CliRun r = run("synth nailfold " + (folder / "f.png").string() + " --pattern active --seed 3 --json");
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* f : {"L2", "L3", "L4", "L5", "R2", "R3", "R4", "R5"}) {
        r = run("assess " + (folder / (std::string("f-") + f + ".png")).string() + " --scale 2.6 --finger " + f +
                " --exam " + exam + " --db " + data);
        ASSERT_EQ(r.code, 0) << r.out;
    }
    r = run("db assess " + data + " --exam " + exam + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(R"("pictures": 8)"), std::string::npos) << r.out;
    for (const char* f : {"L2", "L3", "L4", "L5", "R2", "R3", "R4", "R5"})
        EXPECT_NE(r.out.find("\"" + std::string(f) + "\": {"), std::string::npos) << f;
    EXPECT_NE(r.out.find(R"("pattern": "scleroderma",)" "\n" R"(  "pictures")"), std::string::npos) << r.out;
    // Assessing a picture again keeps one row for it.
    ASSERT_EQ(run("assess " + (folder / "f-R2.png").string() + " --scale 2.6 --finger R2 --exam " + exam + " --db " + data).code, 0);
    EXPECT_NE(run("db assess " + data + " --exam " + exam + " --json").out.find(R"("pictures": 8)"), std::string::npos);
    // A picture from elsewhere is filed as its copy in the examination's
    // folder, where the report finds it; the original stays where it was.
    fs::copy_file(folder / "f-R5.png", dir / "camera-R5.png");
    ASSERT_EQ(run("assess " + (dir / "camera-R5.png").string() + " --scale 2.6 --exam " + exam + " --db " + data).code, 0);
    EXPECT_TRUE(fs::exists(folder / "camera-R5.png"));
    EXPECT_TRUE(fs::exists(dir / "camera-R5.png"));
    EXPECT_NE(run("db assess " + data + " --exam " + exam + " --json").out.find(R"("pictures": 9)"), std::string::npos);
}
