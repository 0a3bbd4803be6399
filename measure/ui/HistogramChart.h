#pragma once
// "&Histogram": the number of pixels at each grey level of a picture's
// region, as bars over 0..255 with the count, mean and range written above.
#include <QWidget>
#include <array>
#include <cstdint>

namespace ordavia {

class HistogramChart : public QWidget {
    Q_OBJECT
public:
    explicit HistogramChart(const std::array<int64_t, 256>& bins, QWidget* parent = nullptr);
    const std::array<int64_t, 256>& bins() const { return bins_; }
    // "N=%lld  mean=%.2f  min=%d  max=%d", or a note that the region is empty.
    QString summary() const;
    QSize sizeHint() const override { return {560, 320}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::array<int64_t, 256> bins_;
};

}  // namespace ordavia
