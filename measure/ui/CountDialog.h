#pragma once
// "Capillary count settings": the few parameters of counting along a line,
// in micrometres, with a live preview of the ridge image (what the counter
// sees as vessels) and of the profile along the line with its peaks.
#include <QDialog>
#include <QImage>
#include <vector>

#include "base/Geometry.h"
#include "image/CapillaryCount.h"

class QComboBox;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QTimer;

namespace ordavia {

class CapillaryCountTool;

// The profile with its level and peaks, as a small chart.
class CountProfileChart : public QWidget {
public:
    explicit CountProfileChart(QWidget* parent = nullptr);
    void setResult(const CountResult& r);
    QSize sizeHint() const override { return {420, 150}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    CountResult result_;
};

class CountDialog : public QDialog {
public:
    // Works on `tool` (its settings change only when the dialog is
    // accepted); the preview follows the line a-b when it has a length.
    CountDialog(CapillaryCountTool& tool, ZPoint a, ZPoint b, QWidget* parent = nullptr);
    CountSettings settings() const;

    static constexpr const char* kTitle = "Capillary count settings";

private:
    void schedule();
    void refresh();

    CapillaryCountTool& tool_;
    CountSettings original_;
    ZPoint a_, b_;
    QDoubleSpinBox *minLimb_, *maxLimb_, *background_, *band_, *spacing_, *threshold_, *singleLimb_;
    QComboBox *side_, *channel_;
    QCheckBox* apexes_;
    QLabel* ridgeView_;
    QLabel* summary_;
    CountProfileChart* chart_;
    QTimer* timer_;
};

}  // namespace ordavia
