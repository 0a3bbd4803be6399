#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "measure/ZBasicDoc.h"
#include "support/CliRun.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "tests/support/TinyDisc.h"

using namespace ordavia;

namespace fs = std::filesystem;
using clitest::cli;
using clitest::CliRun;

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ts.services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
        // A document with a picture, a region and a few dimensions.
        ZBasicDoc doc;
        ts.adopt(doc);
        doc.OnNewDocument();
        doc.setImage(CZVimage(200, 100, 0, CZVimage::kFrame, CZVimage::kGrey));
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) doc.pictureForPreview().row(y)[x] = static_cast<uint8_t>(x);
        doc.markImageForSave();
        doc.setCalibration({.xScale = 2.0, .yScale = 2.0, .calibrated = true});
        doc.addNewDimension(0, {10, 10});
        doc.addVertex(0, {40, 50});
        doc.addNewDimension(0, {60, 60});  // a counting mark
        doc.setNotes("first\r\n");
        ASSERT_TRUE(doc.OnSaveDocument((dir / "a.cs1").string()));
    }
    std::vector<uint8_t> bytes(const std::string& name) { return testsupport::readBytes((dir / name).string()); }
    testsupport::ScratchDir scratch{std::string("cli-") + ::testing::UnitTest::GetInstance()->current_test_info()->name()};
    fs::path dir = scratch.dir;
    ordavia::test::TestServices ts;
};

}  // namespace

TEST_F(CliTest, ResaveOfACurrentLayoutFileIsByteForByte) {
    CliRun r = cli("resave " + (dir / "a.cs1").string() + " " + (dir / "b.cs1").string(), dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(bytes("a.cs1"), bytes("b.cs1"));
}

TEST_F(CliTest, InfoDimsAndAverageDescribeTheDocument) {
    CliRun info = cli("info " + (dir / "a.cs1").string() + " --json", dir);
    ASSERT_EQ(info.code, 0) << info.out;
    EXPECT_NE(info.out.find("\"version\": 10"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"class\": \"CDimLine\""), std::string::npos);
    EXPECT_NE(info.out.find("\"notes\": \"first\\r\\n\""), std::string::npos);
    EXPECT_NE(info.out.find("\"saveCount\": 1"), std::string::npos);

    CliRun dims = cli("dims " + (dir / "a.cs1").string(), dir);
    ASSERT_EQ(dims.code, 0) << dims.out;
    EXPECT_EQ(dims.out.rfind("\"Line\",\"X\",", 0), 0u);
    // 30 x 40 pixels at 2 units per pixel: 100 units long.
    EXPECT_NE(dims.out.find("\" 100.00\","), std::string::npos) << dims.out;
    EXPECT_NE(dims.out.find("\"Exam ID\",\"-1\"\r\n"), std::string::npos);

    CliRun avg = cli("average " + (dir / "a.cs1").string() + " --json", dir);
    ASSERT_EQ(avg.code, 0) << avg.out;
    EXPECT_NE(avg.out.find("\"ROI area\": 80000"), std::string::npos) << avg.out;
    EXPECT_NE(avg.out.find("\"N\": 2"), std::string::npos);
    EXPECT_NE(avg.out.find("\"Av. Level\": 99.5"), std::string::npos);
}

TEST_F(CliTest, DamagedDocumentsFailWithOneLineNamingTheFile) {
    std::vector<uint8_t> b = bytes("a.cs1");
    b.resize(b.size() / 2);
    ASSERT_TRUE(writeFileAtomically((dir / "half.cs1").string(), b).ok());
    for (const char* cmd : {"info", "dims", "average"}) {
        CliRun r = cli(std::string(cmd) + " " + (dir / "half.cs1").string(), dir);
        EXPECT_EQ(r.code, 1) << cmd;
        EXPECT_NE(r.out.find("half.cs1"), std::string::npos) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    CliRun r = cli("dims " + (dir / "a.cs1").string() + " --list 7", dir);
    EXPECT_EQ(r.code, 1);
}

// A picture that does not load is one line naming it, with the reader's
// reason, whichever command met it.
TEST_F(CliTest, APictureThatDoesNotLoadIsNamedWithItsReason) {
    ASSERT_TRUE(writeFileAtomically((dir / "a.bmp").string(), std::vector<uint8_t>{'B', 'M', 1, 2, 3}).ok());
    const std::string cs1 = (dir / "a.cs1").string(), bmp = (dir / "a.bmp").string();
    for (const std::string& cmd : {"average " + cs1, "loops " + cs1, "width " + bmp + " --line 1,1,5,5"}) {
        CliRun r = cli(cmd, dir);
        EXPECT_EQ(r.code, 1) << cmd;
        EXPECT_NE(r.out.find("a.bmp"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" ("), std::string::npos) << "the reason is printed: " << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
}

// A picture that cannot be written fails the whole resave, with the
// system's reason said once, and the document file keeps naming the old
// picture.
TEST_F(CliTest, ResaveWithAnUnwritablePictureFailsAndKeepsTheDocument) {
    // The picture's name is taken by a folder.
    fs::create_directories(dir / "c.bmp");
    CliRun r = cli("resave " + (dir / "a.cs1").string() + " " + (dir / "c.cs1").string() + " --image", dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("c.bmp: Is a directory"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_FALSE(fs::exists(dir / "c.cs1"));

    testsupport::TinyDisc disc(256 * 1024);
    if (!disc.ok()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string out = disc.path("d.cs1");
    fs::copy_file(dir / "a.cs1", out);
    const std::vector<uint8_t> before = bytes("a.cs1");
    disc.fill();
    r = cli("resave " + (dir / "a.cs1").string() + " " + out + " --image", dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("d.bmp: No space left on device"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    std::vector<uint8_t> after;
    ASSERT_TRUE(readFileBytes(out, after).ok());
    EXPECT_EQ(after, before);
}

// "db init" on a full disc fails with the database's reason and leaves no
// half-built file that a later open would take for complete; once there is
// room, the same command makes the whole database.
TEST_F(CliTest, DbInitOnAFullDiscFailsAndARerunCompletesIt) {
    testsupport::TinyDisc disc(48 * 1024);
    if (!disc.ok()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    disc.fill();
    const std::string data = disc.path("data");
    CliRun r = cli("db init " + data, dir);
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("full"), std::string::npos) << r.out;
    fs::remove(disc.path("filler"));
    r = cli("db init " + data, dir);
    EXPECT_EQ(r.code, 0) << r.out;
    r = cli("db subjects " + data, dir);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "[]\n");
}

TEST_F(CliTest, DbListingOfADamagedDatabaseFails) {
    const fs::path data = dir / "data";
    ASSERT_EQ(cli("db init " + data.string(), dir).code, 0);
    {
        std::fstream f(data / "orda.db", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 + 8);
        f.write(std::string(1000, '\xA5').data(), 1000);
    }
    for (const char* cmd : {"db subjects ", "db init "}) {
        CliRun r = cli(cmd + data.string(), dir);
        EXPECT_EQ(r.code, 1) << cmd;
        EXPECT_NE(r.out.find("malformed"), std::string::npos) << r.out;
    }
}
