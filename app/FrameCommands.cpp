#include "app/FrameCommands.h"

#include "framework/AppServices.h"
#include "framework/Timer.h"
#include "settings/ProfileStore.h"

namespace ordavia {

FrameCommands::FrameCommands(FrameDevices& devices, AppServices& services) : devices_(devices), services_(services) {}

FrameCommands::~FrameCommands() = default;

bool FrameCommands::cameraStartPending() const { return cameraDelay_ && cameraDelay_->isActive(); }

void FrameCommands::liveVideo() {
    if (!devices_.showLiveWindow()) devices_.say("Live video is not available: no camera source could be opened.");
}

void FrameCommands::monitor() {
    if (!devices_.showMonitor()) devices_.say("The Doppler monitor is not available.");
}

void FrameCommands::startLiveVideo() {
    if (!devices_.showLiveWindow()) {
        devices_.say("Live video is not available: no camera source could be opened.");
        return;
    }
    devices_.startCamera();
}

void FrameCommands::start() {
    if (!devices_.monitorOpen()) {
        startLiveVideo();
        return;
    }
    devices_.showMonitor();
    devices_.startMonitor();
    // The camera follows the monitor after a head start, so that the two
    // do not begin in the same moment.
    if (!cameraDelay_) {
        cameraDelay_ = services_.timers().create();
        cameraDelay_->onTimeout = [this] {
            cameraDelay_->stop();
            startLiveVideo();
        };
    }
    cameraDelay_->start(kCameraDelayMs);
}

void FrameCommands::stop() {
    if (cameraDelay_) cameraDelay_->stop();
    // A Doppler recording in front ends as a recording does: saved.
    if (devices_.monitorInFront() && devices_.monitorRecording()) devices_.toggleMonitorRecording();
    if (devices_.liveWindowOpen()) devices_.stopCamera();
    if (devices_.monitorOpen()) devices_.stopMonitor();
}

void FrameCommands::startPauseCamera() {
    if (startPauseChecked())
        stop();
    else
        start();
}

void FrameCommands::laser() {
    if (!devices_.monitorOpen() && !devices_.showMonitor()) {
        devices_.say("The laser belongs to the Doppler monitor, which is not available.");
        return;
    }
    devices_.showMonitor();
    devices_.laser();
}

void FrameCommands::recordSequence() {
    if (devices_.monitorInFront()) {
        devices_.toggleMonitorRecording();
        return;
    }
    if (devices_.recording()) {
        devices_.stopRecording();
        return;
    }
    startLiveVideo();
    if (!devices_.liveWindowOpen()) return;
    devices_.prepareRecordingFolder();
    if (!devices_.showRecorder()) {
        devices_.say("Recording is not available in this window.");
        return;
    }
    devices_.startRecording();
}

void FrameCommands::saveImage() {
    devices_.prepareRecordingFolder();
    // Without a live video window there is nothing to freeze.
    if (!devices_.freezeAndSave({})) devices_.say("There is no live video window to save a picture from.");
}

void FrameCommands::trigger() {
    devices_.prepareRecordingFolder();
    if (services_.profile().GetInt("Dynamic settings", "triggermovie", 0) != 0)
        recordSequence();
    else
        saveImage();
}

void FrameCommands::imageSequence() {
    if (!devices_.showRecorder()) {
        devices_.say("The recorder is not available.");
        return;
    }
    devices_.imageSequenceSettings();
}

void FrameCommands::openCytoscan() { devices_.openCytoscanFile(); }

}  // namespace ordavia
