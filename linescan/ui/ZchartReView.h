#pragma once
// The chart review view: the chart view with "&Calculate velocity" for a
// two-dimensional active trace (a stack of scan lines), over its selected
// rows (all rows without a selection).
#include "chart/ui/ZchartView.h"

class ZchartReviewDoc;

class ZchartReView : public ZchartView {
    Q_OBJECT
public:
    explicit ZchartReView(ZchartReviewDoc* doc, QWidget* parent = nullptr);
    void cmdCalculateVelocity();

private:
    ZchartReviewDoc* review_;
};
