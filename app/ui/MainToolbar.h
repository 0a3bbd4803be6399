#pragma once
// The workstation's toolbars. The main toolbar: Open, Save, the clipboard,
// the chart editing buttons, the Doppler bandwidth pair, the live chart's
// hold, video playback, velocity and the flying spot. The second toolbar:
// the picture tools (origin, crosshair, pan, zoom, ROI, grid, timed saves,
// dust mask), the measuring tools and the image processing tools, each of
// the last two behind a button that shows or hides them. Every button but
// Open runs a command of the active view (see RoutedToolbar).
#include "app/ui/RoutedToolbar.h"

namespace ordavia {

class MainToolbar : public RoutedToolbar {
    Q_OBJECT
public:
    static const std::vector<Button>& buttons();
    // openAction is the frame's own "&Open...": always there.
    explicit MainToolbar(QAction* openAction, QWidget* parent = nullptr);
    // Shows or hides the ten chart editing buttons together.
    void setChartEditingShown(bool on) { setGroupShown(kChartEditing, on); }
    bool chartEditingShown() const { return groupShown(kChartEditing); }
};

class SecondToolbar : public RoutedToolbar {
    Q_OBJECT
public:
    static const std::vector<Button>& buttons();
    explicit SecondToolbar(QWidget* parent = nullptr);
};

}  // namespace ordavia
