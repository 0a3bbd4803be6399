#include "measure/ui/MagnificationDialog.h"

#include <ctime>

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "measure/CalibrationTexts.h"
#include "measure/MagnificationTable.h"

namespace ordavia {

namespace {
QDoubleSpinBox* scaleBox(double value) {
    auto* b = new QDoubleSpinBox;
    b->setDecimals(6);
    b->setRange(-1e9, 1e9);
    b->setValue(value);
    return b;
}
}  // namespace

MagnificationDialog::MagnificationDialog(const Magnification& shown, const std::string& unitName,
                                         const ProfileStore& store, QWidget* parent)
    : QDialog(parent), store_(store), date_(shown.date) {
    setWindowTitle(tr("Magnification"));
    x_ = scaleBox(shown.xScale);
    y_ = scaleBox(shown.yScale);
    name_ = new QLineEdit(QString::fromStdString(shown.name));
    const QString perPixel = QString::fromStdString(unitName) + QString::fromUtf8(CalibrationTexts::perPixelSuffix);

    auto* form = new QFormLayout;
    form->addRow(tr("x (%1)").arg(perPixel), x_);
    form->addRow(tr("y (%1)").arg(perPixel), y_);
    form->addRow(tr("name"), name_);

    // The list lines are laid out in columns by their format.
    list_ = new QListWidget;
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setMinimumWidth(560);
    default_ = new QLabel;

    // Values typed here are new: they carry today's date into the table
    // and the default, not the date of the entry they were typed over.
    const auto edited = [this] { date_ = static_cast<int32_t>(std::time(nullptr)); };
    connect(x_, &QDoubleSpinBox::valueChanged, this, edited);
    connect(y_, &QDoubleSpinBox::valueChanged, this, edited);
    connect(name_, &QLineEdit::textEdited, this, edited);

    auto* add = new QPushButton(QString::fromUtf8(CalibrationTexts::addToList));
    auto* select = new QPushButton(QString::fromUtf8(CalibrationTexts::select));
    auto* remove = new QPushButton(QString::fromUtf8(CalibrationTexts::remove));
    auto* setDefault = new QPushButton(QString::fromUtf8(CalibrationTexts::setAsDefault));
    connect(add, &QPushButton::clicked, this, &MagnificationDialog::addToList);
    connect(select, &QPushButton::clicked, this, &MagnificationDialog::selectEntry);
    connect(list_, &QListWidget::itemDoubleClicked, this, &MagnificationDialog::selectEntry);
    connect(remove, &QPushButton::clicked, this, &MagnificationDialog::removeEntry);
    connect(setDefault, &QPushButton::clicked, this, &MagnificationDialog::setAsDefault);
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {add, select, remove, setDefault}) row->addWidget(b);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(list_);
    layout->addLayout(row);
    layout->addWidget(default_);
    layout->addWidget(buttons);
    refresh();
}

Magnification MagnificationDialog::shown() const {
    Magnification m;
    m.xScale = x_->value();
    m.yScale = y_->value();
    m.name = name_->text().toStdString();
    m.date = date_;
    return m;
}

void MagnificationDialog::refresh() {
    const MagnificationTable table(store_);
    list_->clear();
    for (const Magnification& m : table.entries()) list_->addItem(QString::fromStdString(m.listLine()));
    const Magnification d = table.readDefault();
    default_->setText(tr("default: %1 %2 %3  %4")
                          .arg(d.xScale, 0, 'f', 3)
                          .arg(d.yScale, 0, 'f', 3)
                          .arg(QString::fromStdString(d.name))
                          .arg(QString::fromStdString(Magnification::formatDate(d.date))));
}

void MagnificationDialog::addToList() {
    MagnificationTable(store_).add(shown());
    refresh();
}

void MagnificationDialog::selectEntry() {
    const int i = list_->currentRow();
    Magnification m;
    if (i < 0 || !MagnificationTable(store_).get(i, m)) return;
    x_->setValue(m.xScale);
    y_->setValue(m.yScale);
    name_->setText(QString::fromStdString(m.name));
    date_ = m.date;
}

void MagnificationDialog::removeEntry() {
    const int i = list_->currentRow();
    if (i < 0) return;
    MagnificationTable(store_).remove(i);
    refresh();
}

void MagnificationDialog::setAsDefault() {
    MagnificationTable(store_).writeDefault(shown());
    refresh();
}

}  // namespace ordavia
