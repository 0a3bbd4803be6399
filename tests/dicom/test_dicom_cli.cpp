// The headless contract: "dicom export" and "dicom send" with --json, and
// "info" on what they write.
#include <gtest/gtest.h>

#include "tests/support/CliRun.h"
#include "tests/support/DicomExam.h"
#include "tests/support/OrthancServer.h"

using namespace dicomtest;

namespace {
struct Cli : DicomExamTest {
    clitest::CliRun run(const std::string& args) { return clitest::cli(args, dir_); }
};
}  // namespace

TEST_F(Cli, ExportAndSendAnswerWithTheirJsonKeys) {
    db.close();
    const std::string folder = dir_.string();
    auto r = run("dicom export " + folder + " --exam 42 " + path("out") + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"files\": ["), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"study_uid\": \"2.25."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(path("out/pic_cs1.dcm")), std::string::npos) << r.out;
    const std::string exported = r.out;

    r = run("info " + path("out/pic_cs1.dcm") + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"pixel_spacing_mm\": [\n    0.002,\n    0.0025\n  ]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"frames\": 1"), std::string::npos) << r.out;

    // A build without the window libraries writes no PDF report to wrap.
    if (exported.find("report.dcm") != std::string::npos) {
        r = run("info " + path("out/report.dcm"));
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("DICOM DOC document (application/pdf)"), std::string::npos) << r.out;
    }

    // Nobody listens: every object refused, exit code 1, nothing sent.
    r = run("dicom send " + folder + " --exam 42 --pacs NOBODY@127.0.0.1:" + std::to_string(freePort()) + " --json");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("\"sent\": 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"refused\": ["), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"file\": \"pic.cs1\""), std::string::npos) << r.out;
}
