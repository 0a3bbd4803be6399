#pragma once
// The live video view: the image view over a live document, with the
// capture commands, the status read-out (frames per second and the input
// range), the grab check and the two device control windows.
#include <QPointer>
#include <memory>
#include <string>

#include "measure/ui/ZBasicView.h"

class QMenu;
class ZBasicfgDoc;

namespace ordavia {
class AutoFlashWindow;
class AutoFocusWindow;
class DeviceControlWindow;
class BrightnessWindow;
class Timer;
}  // namespace ordavia

class ZBasicfgView : public ZBasicView {
    Q_OBJECT
public:
    static constexpr const char* kMenuTitle = "&Capture";
    // The command the toolbar's timed-saves button runs.
    static constexpr const char* kTimedSavesText = "Start timed saves";
    static constexpr const char* kPixelClockTitle = "Set pixel clock";
    static constexpr const char* kPixelClockPrompt =
        "Set Pixel Clock (MHz)\n\nUse a lower value if the computer cannot handle the USB data, or with problematic "
        "Intel USB3 controllers.  A lower pixel clock will also mean a lower maximum frame rate.  Alternatively use "
        "half resolution, or a reduced grab image size to increase frame rate.\n";
    static constexpr const char* kPixelClockLimits = "min clk = %i MHz\nmax clk = %i MHz\ninc = %i MHz";

    explicit ZBasicfgView(ZBasicfgDoc* doc, QWidget* parent = nullptr);
    ~ZBasicfgView() override;

    ZBasicfgDoc* live() const { return live_; }

    // "Start live video" and "stop".
    void startLiveVideo();
    void stopLiveVideo();
    // One tick of the status timer: the read-out of the last half second.
    void statusTick();
    // One tick of the grab check.
    void grabCheck();
    // Starts the source again after a change; says so when it cannot.
    void restartLive();
    const std::string& statusText() const { return status_; }

    // The commands that ask for values.
    void cmdTimer();
    // Freeze and save as a command: a picture that could not be saved is
    // shown once.
    void freezeAndSave();
    void cmdFrameSkip();
    void cmdSelectCamera();
    void cmdGrabSize();
    void cmdVideoInput();
    void cmdPixelClock();
    void cmdSimulatedSource();
    void toggleControlWindow(bool big);
    void showAutoFlash();
    void showAutoFocus();
    void adjustBrightness();

    ordavia::DeviceControlWindow* controlWindow() const;
    ordavia::AutoFlashWindow* autoFlashWindow() const;

    void OnUpdate(ordavia::Document* doc, long hint) override;
    QList<QMenu*> documentMenus() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void buildLiveMenu();
    void refreshTimedSaves();
    void clearStatusLine();
    void sizeFrameWindow();
    ordavia::Prompter& prompter() const;

    ZBasicfgDoc* live_;
    QMenu* liveMenu_ = nullptr;
    QAction* timedSaves_ = nullptr;
    std::unique_ptr<ordavia::Timer> statusTimer_;
    std::unique_ptr<ordavia::Timer> grabTimer_;
    int statusTicks_ = 0;
    std::string status_;
    bool showAllErrors_ = false;
    bool sized_ = false;
    QPointer<ordavia::DeviceControlWindow> control_;
    QPointer<ordavia::BrightnessWindow> brightness_;
    QPointer<ordavia::AutoFlashWindow> flashWindow_;
    QPointer<ordavia::AutoFocusWindow> focusWindow_;
};

namespace ordavia {
// Makes live documents open in the live view.
void registerLiveViews();
}  // namespace ordavia
