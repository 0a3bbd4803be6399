// Subjects, examinations, filed results and the report from the command
// line, on the same database and folders as the workstation: the JSON keys
// are a contract with scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/CliRun.h"
#include "support/MveBytes.h"

namespace fs = std::filesystem;
using clitest::CliRun;

namespace {

struct CliDb : ::testing::Test {
    testsupport::ScratchDir scratch{"cli-db"};
    fs::path dir = scratch.dir;
    std::string data = (scratch.dir / "data").string();
    CliRun run(const std::string& args) { return clitest::cli(args, dir); }
    void SetUp() override {
        ASSERT_EQ(run("db init " + data).code, 0);
        ASSERT_EQ(run("db subject add " + data + " --id \"AB 12\" --name Ann --surname Smith").code, 0);
    }
    // "id" of a one-object reply.
    static long idOf(const std::string& json) {
        std::smatch m;
        if (!std::regex_search(json, m, std::regex(R"re("id": (\d+))re"))) return -1;
        return std::stol(m[1].str());
    }
    long newExam(const std::string& site) {
        const CliRun r = run("db exam new " + data + " --subject AB_12 --site \"" + site + "\" --json");
        EXPECT_EQ(r.code, 0) << r.out;
        return idOf(r.out);
    }
};

}  // namespace

TEST_F(CliDb, SubjectsAndExaminationsAddListAndRefuseWhatTheDialogWouldNot) {
    // The data folder names subjects in its examination folders: the user's only.
    EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
    CliRun r = run("db subject list " + data + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(R"("subjects": [)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("id": "AB_12",)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("surname": "Smith",)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("comments": "")"), std::string::npos) << r.out;

    r = run("db subject add " + data + " --id AB_12 --name Other");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("exists already"), std::string::npos) << r.out;
    r = run("db subject add " + data + " --id AB_12 --name Anne --update --json");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(R"("surname": "Smith")"), std::string::npos) << r.out;  // kept

    EXPECT_EQ(run("db subject add " + data + " --id abcdefghijklmnopqrstuvwxy --name X").code, 1);
    EXPECT_EQ(run("db subject add " + data + " --id a/b --name X").code, 1);
    r = run("db subject add " + data + " --id CD34 --name \"$(printf 'Bob\\tSmith')\"");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("control characters"), std::string::npos) << r.out;
    EXPECT_EQ(run("db subject add " + data + " --id \"$(printf '\\377')\" --name X").code, 1);
    EXPECT_EQ(run("db subject add " + data + " --id \"O'Brien\" --name \"Ann \\\"Q\\\"\"").code, 0);
    r = run("db subject list " + data + " --match ab --json");
    EXPECT_NE(r.out.find("AB_12"), std::string::npos);
    EXPECT_EQ(r.out.find("O'Brien"), std::string::npos);

    // Examinations: their ids and user-only folders are the Exams suite's.
    ASSERT_GT(newExam("left ring"), 0);
    r = run("db exam list " + data + " --subject AB_12 --json");
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("exams": \[\s*\{\s*"id": \d+,\s*"site": "left ring",\s*"created": "[-0-9: ]{19}",\s*"comment": "",\s*"folder": "\d+-AB_12-left_ring"\s*\})re")))
        << r.out;
    EXPECT_EQ(run("db exam new " + data + " --subject nobody --site x").code, 1);
}

TEST_F(CliDb, AnalysesFileTheirRowsUnderTheExaminationAndTheReportShowsThem) {
    const long exam = newExam("left ring");
    const fs::path folder = fs::path(data) / (std::to_string(exam) + "-AB_12-left_ring");
    const std::string on = " --exam " + std::to_string(exam) + " --db " + data;

    const std::string pic = (folder / "frame.bmp").string();
    CliRun r = run("synth image " + pic + " --look typical --seed 7 --json");
    ASSERT_EQ(r.code, 0) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"re("countLine": \[\s*([-0-9.]+),\s*([-0-9.]+),\s*([-0-9.]+),\s*([-0-9.]+))re"))) << r.out;
    const std::string line = m[1].str() + "," + m[2].str() + "," + m[3].str() + "," + m[4].str();
    r = run("count " + pic + " --line " + line + on);
    ASSERT_EQ(r.code, 0) << r.out;

    const std::string mve = (folder / "s.mve").string();
    ASSERT_EQ(run("synth video " + mve + " --frames 30 --fps 50 --seed 4").code, 0);
    r = run("linescan " + mve + " --line 100,200,140,230 --method hough --zvl " + (folder / "scan.zvl").string() + on);
    ASSERT_EQ(r.code, 0) << r.out;
    r = run("fcf " + mve + " --out " + (folder / "flow.zvfcf").string() + on);
    ASSERT_EQ(r.code, 0) << r.out;
    // Analyses of one file that write nothing keep a row each, never an
    // empty one, and never replace another analysis' row.
    ASSERT_EQ(run("fcf " + mve + on).code, 0);
    ASSERT_EQ(run("stabilise " + mve + on).code, 0);
    ASSERT_EQ(run("detect " + pic + on).code, 0);
    const std::string raw = (folder / "trv.bin").string();
    ASSERT_EQ(run("synth doppler " + raw + " --truth " + (dir / "trv.json").string() + " --seconds 4").code, 0);
    ASSERT_EQ(run("doppler " + raw + on).code, 0);
    ASSERT_EQ(run("focus " + mve + on).code, 0);
    // A command that makes no result does not pretend to have filed one.
    r = run("frame " + mve + " 0 " + (folder / "other.bmp").string() + on);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("files no result under an examination"), std::string::npos) << r.out;

    r = run("db results " + data + on.substr(0, on.find(" --db")) + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "frame.bmp",\s*"result": "Capillaries: \d+ along)re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "scan.zvl",\s*"result": "line 1 velocity = )re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "flow.zvfcf",\s*"result": "FCF )re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "s.mve",\s*"result": "FCF [0-9])re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "s.mve",\s*"result": "movement corrected)re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "frame.bmp",\s*"result": "\s*\d+, capillaries)re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "trv.bin",\s*"result": "mean [0-9.]+ mm/s)re"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"re("filename": "s.mve",\s*"result": "best)re"))) << r.out;
    EXPECT_EQ(r.out.find(R"("result": "")"), std::string::npos) << r.out;

    // An examination that is not there files nothing and says so.
    r = run("count " + pic + " --line " + line + " --exam 12 --db " + data);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("no examination 12"), std::string::npos) << r.out;

    const std::string pdf = (dir / "report.pdf").string();
    r = run("db report " + data + " --exam " + std::to_string(exam) + " " + pdf);
#ifdef ORDAVIA_NO_PDF_REPORT
    // A build without Qt says that it cannot write the report, and writes nothing.
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("has no PDF writer"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(pdf));
    return;
#endif
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(fs::status(pdf).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(dir / "report.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(testsupport::readBytes(pdf).size() > 1000, true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(testsupport::readBytes(pdf).data()), 5), "%PDF-");
    const auto csv = testsupport::readBytes((dir / "report.csv").string());
    EXPECT_NE(std::string(csv.begin(), csv.end()).find("AB_12,Ann,Smith," + std::to_string(exam) + ",left ring,"),
              std::string::npos);

    // The folder deleted: the rows still list, the report names the files missing.
    fs::remove_all(folder);
    r = run("db results " + data + " --exam " + std::to_string(exam));
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("scan.zvl"), std::string::npos);
    r = run("db report " + data + " --exam " + std::to_string(exam) + " " + pdf + " --json");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find(R"("missing": 8)"), std::string::npos) << r.out;
}
