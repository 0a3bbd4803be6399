#pragma once
// The video view's per-frame trace commands: "Focus check video" (its
// dialog, then the chart with progress and cancel), the "Flying Spot"
// window and "Chart flying spot velocities".
#include <QWidget>

#include "framework/Document.h"
#include "video/FocusCheck.h"

class CMotivaView;
class CMotivaDoc;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;

namespace ordavia {

// The focus check's dialog on `values`; false when cancelled.
bool focusCheckDialog(QWidget* parent, FocusCheckSettings& values);
void focusCheckVideo(CMotivaView* view);
// "Flying Spot": shows the window, or hides it when shown.
void toggleFlyingSpot(CMotivaView* view);
bool flyingSpotShown(const CMotivaView* view);
void chartFlyingSpot(CMotivaView* view);

// The small window of the flying spot. Every frame change shows the value
// kept for the frame or, in edit mode, keeps the window's value for it.
class FlyingSpotWindow : public QWidget, public DocumentView {
    Q_OBJECT
public:
    explicit FlyingSpotWindow(CMotivaView* view);
    ~FlyingSpotWindow() override;
    void OnUpdate(Document* doc, long hint) override;
    bool editing() const;
    void setEditing(bool on);
    double value() const;
    void setValue(double v);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void refresh(bool frameChanged);
    CMotivaDoc* doc_;
    QLabel* frame_;
    QDoubleSpinBox* value_;
    QCheckBox* edit_;
    QLabel* length_;
    int shownFrame_ = -1;
    bool updating_ = false;
};

}  // namespace ordavia
