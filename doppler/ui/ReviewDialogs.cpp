#include "doppler/ui/ReviewDialogs.h"
#include "doppler/ui/TrvDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ordavia::dopplerui {

std::optional<int> calculateCbvDialog(QWidget* parent, const std::vector<std::pair<int, std::string>>& velocities) {
    QDialog d(parent);
    d.setObjectName("calculateCbvDialog");
    d.setWindowTitle("Calculate CBV");
    auto* lay = new QVBoxLayout(&d);
    lay->addWidget(new QLabel("Calculate the velocity from the Doppler spectrum into:", &d));
    auto* list = new QListWidget(&d);
    list->addItem("a new CBV trace");
    for (const auto& [index, name] : velocities)
        list->addItem(QString::asprintf("%2i:", index) + QString::fromStdString(name));
    list->setCurrentRow(0);
    lay->addWidget(list);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
    lay->addWidget(okCancel(d));
    if (d.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
    const int row = list->currentRow();
    return row == 0 ? -1 : velocities[static_cast<size_t>(row - 1)].first;
}

std::optional<int> halfWidthDialog(QWidget* parent, int current) {
    QDialog d(parent);
    d.setObjectName("halfWidthDialog");
    d.setWindowTitle("Pulse analysis");
    auto* form = new QFormLayout(&d);
    auto* w = new QSpinBox(&d);
    w->setRange(1, 1000000);
    w->setValue(current);
    form->addRow("Half-width (samples):", w);
    form->addRow(new QLabel("A peak is the largest value within this many samples on either side.", &d));
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return w->value();
}

std::optional<LevelContour> levelContourDialog(QWidget* parent, const LevelContour& current) {
    QDialog d(parent);
    d.setObjectName("levelContourDialog");
    d.setWindowTitle("Level contour");
    auto* form = new QFormLayout(&d);
    auto* interval = new QDoubleSpinBox(&d);
    interval->setRange(0.001, 1e9);
    interval->setDecimals(3);
    interval->setValue(current.interval);
    auto* count = new QSpinBox(&d);
    count->setRange(1, 20);
    count->setValue(current.count);
    form->addRow("Interval:", interval);
    form->addRow("Number of traces:", count);
    form->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return LevelContour{interval->value(), count->value()};
}

}  // namespace ordavia::dopplerui
