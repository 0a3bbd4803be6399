#pragma once
// The main window's acquisition commands (start, stop, record, trigger,
// save the live picture) as plain logic over the devices the window can
// reach, so that the routing is tested without a window. The Qt frame
// implements FrameDevices by finding the open live video, recorder and
// Doppler monitor documents; the menus and toolbars only call in here.
#include <memory>
#include <string>

namespace ordavia {

class AppServices;
class Timer;

// What the frame can reach. "show" activates the window when it exists and
// opens one from its document type otherwise (false when it cannot).
class FrameDevices {
public:
    virtual ~FrameDevices() = default;
    // Live video.
    virtual bool liveTypeAvailable() const = 0;
    virtual bool liveWindowOpen() const = 0;
    virtual bool showLiveWindow() = 0;
    virtual bool cameraGrabbing() const = 0;
    virtual void startCamera() = 0;
    virtual void stopCamera() = 0;
    // Freezes the live picture and saves it under `name`, or a name of its
    // own when empty; false when there is no live video window.
    virtual bool freezeAndSave(const std::string& name) = 0;
    // Doppler monitor.
    virtual bool monitorTypeAvailable() const = 0;
    virtual bool monitorOpen() const = 0;
    virtual bool showMonitor() = 0;
    virtual bool monitorRunning() const = 0;
    virtual void startMonitor() = 0;
    virtual void stopMonitor() = 0;
    virtual void laser() = 0;
    // The monitor's own recording: its window is the one in front, and
    // whether it records now. Toggling ends a recording by saving it.
    virtual bool monitorInFront() const = 0;
    virtual bool monitorRecording() const = 0;
    virtual void toggleMonitorRecording() = 0;
    // Recorder.
    virtual bool recording() const = 0;
    virtual bool showRecorder() = 0;
    virtual void startRecording() = 0;
    virtual void stopRecording() = 0;
    virtual void imageSequenceSettings() = 0;
    virtual void openCytoscanFile() = 0;
    // The recording folder and base name of the current examination.
    virtual void prepareRecordingFolder() = 0;
    // Tells the user a command has nothing to act on.
    virtual void say(const std::string& text) = 0;
};

class FrameCommands {
public:
    static constexpr const char* kLiveVideo = "Live &Video";
    static constexpr const char* kMonitor = "TRV2 &Monitor";
    static constexpr const char* kStart = "Start";
    static constexpr const char* kStop = "stop";
    static constexpr const char* kStartPause = "Start/Pause camera";
    static constexpr const char* kLaser = "&Laser";
    static constexpr const char* kRecord = "&Record sequence";
    static constexpr const char* kSaveImage = "Sa&ve Image";
    static constexpr const char* kTrigger = "&Trigger";
    static constexpr const char* kImageSequence = "&Image sequence...";
    static constexpr const char* kOpenCytoscan = "Open C&ytoscan file...";
    // The camera starts this long after the Doppler monitor.
    static constexpr int kCameraDelayMs = 500;

    FrameCommands(FrameDevices& devices, AppServices& services);
    ~FrameCommands();

    void liveVideo();
    void monitor();
    void start();
    void stop();
    void startPauseCamera();
    void laser();
    void recordSequence();
    void saveImage();
    void trigger();
    void imageSequence();
    void openCytoscan();

    // Check marks of the menu items.
    bool liveVideoChecked() const { return devices_.liveTypeAvailable(); }
    bool monitorChecked() const { return devices_.monitorTypeAvailable(); }
    bool startPauseChecked() const { return devices_.cameraGrabbing() || devices_.monitorRunning(); }
    // Record and stop act on the window in front: with the Doppler monitor
    // there, on its recording; else on the video recorder.
    bool recordChecked() const {
        return devices_.monitorInFront() ? devices_.monitorRecording() : devices_.recording();
    }
    // A camera start is waiting for the monitor's head start.
    bool cameraStartPending() const;

private:
    void startLiveVideo();

    FrameDevices& devices_;
    AppServices& services_;
    std::unique_ptr<Timer> cameraDelay_;
};

}  // namespace ordavia
