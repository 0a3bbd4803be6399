#pragma once
// A plain chart of the grey levels along a line ("&Grey level"): the values
// against their position in pixels, with both axes labelled and ticked.
#include <QWidget>
#include <vector>

namespace ordavia {

class GreyLevelChart : public QWidget {
    Q_OBJECT
public:
    explicit GreyLevelChart(std::vector<int> values, QWidget* parent = nullptr);
    const std::vector<int>& values() const { return values_; }
    QSize sizeHint() const override { return {520, 300}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<int> values_;
};

}  // namespace ordavia
