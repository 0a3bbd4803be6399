// Start-up settings written back at exit, and the debug log.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"
#include "tests/support/TempFolderTest.h"

using namespace ordavia;

namespace {

class StartupSettingsTest : public TempFolderTest {};

// Exit writes exactly the rows "cbvMethod" to "expertmode", in the order
// of the table, and nothing read only at start-up.
TEST_F(StartupSettingsTest, SaveWritesTheExitRowsInOrder) {
    ProfileStore store(path("ordavia.ini"));
    StartupSettings s;
    s.recorddir = "D:\\rec";
    s.FSthreshold = 0.25;
    s.autonoise = true;
    s.save(store);
    EXPECT_EQ(readFile(store.path()),
              "[TRVcalcs]\ncbvMethod=0\nminThreshold=50\nthreshOfAv2=30\nnOverThresh=4\nLoCutOff=10\nnoisefloorRC=1\n"
              "autonoise=1\nped1=10\nped2=60\nped3=90\nkeepDop=1\ncutDopTop=0\nFFTwindow=0\nFSlinkthreshold=1\n"
              "FSthreshold=0.250000\n[Dynamic settings]\ndirect2disc=1\ntriggermovie=0\n"
              "[directories]\nrecorddir=D:\\rec\nbasename=\n[Settings]\nexpertmode=1\n");
}

TEST_F(StartupSettingsTest, SaveThenLoadRoundTripsAndKeepsOtherKeys) {
    ProfileStore store(path("ordavia.ini"));
    writeFile(store.path(), "[Settings]\ndatabase=/data/orda.db\nred=0.2\n");
    StartupSettings a;
    a.ped1 = -3;
    a.FSlinkthreshold = false;
    a.FSthreshold = 1.23456789;
    a.basename = "base name";
    a.red = 0.9;  // not written by the exit sequence
    a.save(store);
    StartupSettings b;
    b.load(store);
    EXPECT_EQ(b.ped1, -3);
    EXPECT_FALSE(b.FSlinkthreshold);
    EXPECT_EQ(b.FSthreshold, 1.234568);
    EXPECT_EQ(b.basename, "base name");
    EXPECT_EQ(b.red, 0.2);
    EXPECT_EQ(store.GetString("Settings", "database", ""), "/data/orda.db");
}

class DebugLogTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        savedFile_ = DebugLog::file();
        savedEnabled_ = DebugLog::enabled();
    }
    void TearDown() override {
        DebugLog::setFile(savedFile_);
        DebugLog::setEnabled(savedEnabled_);
        TempFolderTest::TearDown();
    }
    std::string savedFile_;
    bool savedEnabled_ = false;
};

TEST_F(DebugLogTest, OffWritesNothingOnAppendsAndMissingFolderIsHarmless) {
    const std::string log = path("ordavia.log");
    DebugLog::setFile(log);
    DebugLog::setEnabled(false);
    const char* fmt = "CZVMovie::stopRecording %i\n";
    EXPECT_EQ(debugLog(fmt, 1), fmt);
    EXPECT_FALSE(std::filesystem::exists(log));

    writeFile(log, "earlier run\n");
    DebugLog::setEnabled(true);
    EXPECT_EQ(debugLog(fmt, 2), fmt);
    debugLog("no newline");
    debugLog(" then more\n");
    EXPECT_EQ(readFile(log), "earlier run\nCZVMovie::stopRecording 2\nno newline then more\n");

    DebugLog::setFile(path("no/such/folder/ordavia.log"));
    EXPECT_STREQ(debugLog("initinst ok\n"), "initinst ok\n");
    EXPECT_FALSE(std::filesystem::exists(path("no")));
}

}  // namespace
