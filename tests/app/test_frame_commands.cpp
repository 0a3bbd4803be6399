// The main window's acquisition commands, routed to stand-in devices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace {

// Devices that write down what was asked of them.
struct FakeDevices : FrameDevices {
    bool liveType = true, liveOpen = false, grabbing = false, monitorType = true, monitorOpened = false,
         monitorRuns = false, isRecording = false, recorderAvailable = true, monitorFront = false, monitorRecords = false;
    std::vector<std::string> log;

    bool liveTypeAvailable() const override { return liveType; }
    bool liveWindowOpen() const override { return liveOpen; }
    bool showLiveWindow() override {
        log.push_back("show live");
        if (!liveType) return false;
        liveOpen = true;
        return true;
    }
    bool cameraGrabbing() const override { return grabbing; }
    void startCamera() override { log.push_back("camera on"), grabbing = true; }
    void stopCamera() override { log.push_back("camera off"), grabbing = false; }
    bool freezeAndSave(const std::string& name) override {
        log.push_back("freeze " + name);
        return liveOpen;
    }
    bool monitorTypeAvailable() const override { return monitorType; }
    bool monitorOpen() const override { return monitorOpened; }
    bool showMonitor() override {
        log.push_back("show monitor");
        monitorOpened = monitorType;
        return monitorType;
    }
    bool monitorRunning() const override { return monitorRuns; }
    void startMonitor() override { log.push_back("monitor on"), monitorRuns = true; }
    void stopMonitor() override { log.push_back("monitor off"), monitorRuns = false; }
    void laser() override { log.push_back("laser"); }
    bool monitorInFront() const override { return monitorFront; }
    bool monitorRecording() const override { return monitorRecords; }
    void toggleMonitorRecording() override {
        monitorRecords = !monitorRecords;
        log.push_back(monitorRecords ? "doppler record on" : "doppler record off");
    }
    bool recording() const override { return isRecording; }
    bool showRecorder() override {
        log.push_back("show recorder");
        return recorderAvailable;
    }
    void startRecording() override { log.push_back("record on"), isRecording = true; }
    void stopRecording() override { log.push_back("record off"), isRecording = false; }
    void imageSequenceSettings() override { log.push_back("sequence settings"); }
    void openCytoscanFile() override { log.push_back("cytoscan"); }
    void prepareRecordingFolder() override { log.push_back("folder"); }
    void say(const std::string& text) override { log.push_back("say: " + text); }

    std::string take() {
        std::string s;
        for (const auto& l : log) s += (s.empty() ? "" : ", ") + l;
        log.clear();
        return s;
    }
};

struct FrameCommandsTest : ::testing::Test {
    testsupport::ScratchDir dir{"frame-commands"};
    test::TestServices svc;
    FrameCommandsTest() { svc.profile.SetPath(dir / "p.ini"); }
    FakeDevices dev;
    FrameCommands c{dev, svc.services};
};

}  // namespace

TEST_F(FrameCommandsTest, StartGivesTheMonitorItsHeadStartThenTheCamera) {
    // Without a monitor "Start" is the camera alone.
    c.start();
    EXPECT_EQ(dev.take(), "show live, camera on");
    c.stop();
    EXPECT_EQ(dev.take(), "camera off");

    dev.monitorOpened = true;
    c.start();
    EXPECT_EQ(dev.take(), "show monitor, monitor on");
    EXPECT_TRUE(c.cameraStartPending());
    svc.timers.advance(FrameCommands::kCameraDelayMs - 1);
    EXPECT_EQ(dev.take(), "");
    svc.timers.advance(1);
    EXPECT_EQ(dev.take(), "show live, camera on");
    svc.timers.advance(5000);
    EXPECT_EQ(dev.take(), "") << "one camera start per Start";

    // Start/Pause stops both while either runs, and starts otherwise.
    EXPECT_TRUE(c.startPauseChecked());
    c.startPauseCamera();
    EXPECT_EQ(dev.take(), "camera off, monitor off");
    EXPECT_FALSE(c.startPauseChecked());
    // A stop before the head start ends cancels the camera's start.
    c.start();
    c.stop();
    svc.timers.advance(1000);
    EXPECT_EQ(dev.take(), "show monitor, monitor on, camera off, monitor off");
    EXPECT_FALSE(dev.grabbing);
}

TEST_F(FrameCommandsTest, RecordSaveAndTriggerFollowTheSettingsAndSayWhenNothingCanAct) {
    c.recordSequence();
    EXPECT_EQ(dev.take(), "show live, camera on, folder, show recorder, record on");
    EXPECT_TRUE(c.recordChecked());
    c.recordSequence();
    EXPECT_EQ(dev.take(), "record off");

    c.saveImage();
    EXPECT_EQ(dev.take(), "folder, freeze ");
    // Trigger saves a picture unless the profile asks for a movie.
    c.trigger();
    EXPECT_EQ(dev.take(), "folder, folder, freeze ");
    svc.profile.WriteInt("Dynamic settings", "triggermovie", 1);
    c.trigger();
    EXPECT_EQ(dev.take(), "folder, show live, camera on, folder, show recorder, record on");

    // Nothing to act on: the user is told, nothing else happens.
    FakeDevices none;
    none.liveType = none.monitorType = none.recorderAvailable = false;
    FrameCommands bare(none, svc.services);
    bare.saveImage();
    bare.recordSequence();
    bare.laser();
    bare.imageSequence();
    EXPECT_EQ(none.take(),
              "folder, freeze , say: There is no live video window to save a picture from., "
              "show live, say: Live video is not available: no camera source could be opened., "
              "show monitor, say: The laser belongs to the Doppler monitor, which is not available., "
              "show recorder, say: The recorder is not available.");
    EXPECT_FALSE(bare.liveVideoChecked());
    EXPECT_FALSE(bare.monitorChecked());
}

// With the Doppler monitor in front, Record and stop act on its recording,
// not on the video recorder; the Record check mark follows the window in front.
TEST_F(FrameCommandsTest, RecordAndStopActOnTheDopplerMonitorInFront) {
    dev.monitorOpened = dev.monitorFront = true;
    c.recordSequence();
    EXPECT_EQ(dev.take(), "doppler record on");
    EXPECT_TRUE(c.recordChecked());
    EXPECT_FALSE(dev.isRecording);
    c.stop();
    EXPECT_EQ(dev.take(), "doppler record off, monitor off");
    EXPECT_FALSE(c.recordChecked());
}
