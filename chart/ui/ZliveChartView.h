#pragma once
// The live chart's view: a chart view over the one trace a producer keeps
// refilling. It can hold its picture: the view shows a still copy of the
// trace as it was while the producer goes on feeding the document, so that
// a passing profile can be read, zoomed and measured; releasing the hold
// shows the live trace again.
#include <memory>
#include <string>

#include "chart/ui/ZchartView.h"

class QLabel;
class ZliveChartDoc;

class ZliveChartView : public ZchartView {
    Q_OBJECT
public:
    // The main toolbar's button for the hold, enabled while a live chart is
    // the active view.
    static constexpr int kHoldCommand = 10008;
    static constexpr const char* kHoldText = "&Hold live picture";
    static constexpr const char* kHoldTip =
        "Hold the live picture: the chart keeps showing the trace as it is now while the producer goes on "
        "feeding it; press again to follow the live trace";

    explicit ZliveChartView(ZliveChartDoc* doc, QWidget* parent = nullptr);
    ~ZliveChartView() override;

    void OnUpdate(ordavia::Document* doc, long hint) override;

    bool isHeld() const { return held_ != nullptr; }
    void setHeld(bool on);
    QAction* holdAction() const { return hold_; }

private:
    void refreshUnitLabel();

    ZliveChartDoc* live_;
    std::unique_ptr<ZchartDoc> held_;
    QAction* hold_ = nullptr;
    QLabel* heldLabel_ = nullptr;
    // The x extent of the live trace when the view last fitted it: a feed
    // of another extent (a longer line, a new unit) fits the chart again,
    // while equal feeds keep the user's zoom.
    double fittedSpan_ = -1;
    std::string fittedUnits_;
};
