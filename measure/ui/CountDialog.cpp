#include "measure/ui/CountDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "measure/CapillaryCountTool.h"

namespace ordavia {

CountProfileChart::CountProfileChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 120);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void CountProfileChart::setResult(const CountResult& r) {
    result_ = r;
    update();
}

void CountProfileChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = QRectF(rect()).adjusted(8, 8, -8, -22);
    p.setPen(Qt::gray);
    p.drawRect(plot);
    const auto& v = result_.profile;
    if (v.size() < 2) {
        p.drawText(plot, Qt::AlignCenter, "No line to show the profile of");
        return;
    }
    float top = std::max(result_.level * 1.5f, *std::max_element(v.begin(), v.end()));
    if (!(top > 0)) top = 1;
    auto at = [&](size_t i, float y) {
        return QPointF(plot.left() + plot.width() * double(i) / double(v.size() - 1),
                       plot.bottom() - plot.height() * std::clamp(double(y / top), 0.0, 1.0));
    };
    QPainterPath path(at(0, v[0]));
    for (size_t i = 1; i < v.size(); ++i) path.lineTo(at(i, v[i]));
    p.setPen(QPen(QColor(40, 40, 160), 1.2));
    p.drawPath(path);
    p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
    p.drawLine(at(0, result_.level), at(v.size() - 1, result_.level));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 170, 0));
    for (int k : result_.peaks)
        if (k >= 0 && size_t(k) < v.size()) p.drawEllipse(at(size_t(k), v[size_t(k)]), 3.5, 3.5);
    p.setPen(Qt::black);
    p.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 18), Qt::AlignLeft | Qt::AlignVCenter, "0 um");
    p.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 18), Qt::AlignRight | Qt::AlignVCenter,
               QString("%1 um along the line").arg(result_.lengthUm, 0, 'f', 0));
}

namespace {

QDoubleSpinBox* spin(double lo, double hi, double value, double step, int decimals, const char* suffix) {
    auto* s = new QDoubleSpinBox;
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setSingleStep(step);
    s->setValue(value);
    s->setSuffix(QString::fromUtf8(suffix));
    return s;
}

}  // namespace

CountDialog::CountDialog(CapillaryCountTool& tool, ZPoint a, ZPoint b, QWidget* parent)
    : QDialog(parent), tool_(tool), original_(tool.settings()), a_(a), b_(b) {
    setWindowTitle(kTitle);
    const CountSettings& s = original_;
    minLimb_ = spin(1, 200, s.minLimbUm, 1, 1, " \xc2\xb5m");
    maxLimb_ = spin(1, 400, s.maxLimbUm, 1, 1, " \xc2\xb5m");
    background_ = spin(10, 5000, s.backgroundUm, 10, 0, " \xc2\xb5m");
    band_ = spin(0, 1000, s.bandUm, 5, 0, " \xc2\xb5m");
    spacing_ = spin(1, 1000, s.minSpacingUm, 5, 0, " \xc2\xb5m");
    singleLimb_ = spin(0, 400, s.limbUm, 1, 1, " \xc2\xb5m");
    singleLimb_->setToolTip("Sparse rows of a sharp picture are counted by single limbs up to this width; 0 counts whole loops only");
    threshold_ = spin(0, 100, s.threshold, 0.005, 3, "");
    threshold_->setToolTip("How far a peak of the profile must stand out, as a share of the picture's strongest ridges");
    side_ = new QComboBox;
    side_->addItems({"Where the loops end", "Left of the line", "Right of the line"});
    side_->setCurrentIndex(tool.nailSideFor(a, b));
    channel_ = new QComboBox;
    channel_->addItems({"Green or grey, whichever shows more", "Green", "Grey"});
    channel_->setCurrentIndex(s.channel);
    apexes_ = new QCheckBox("Mark the apex of each capillary");
    apexes_->setChecked(s.apexes);

    auto* form = new QFormLayout;
    form->addRow("Narrowest vessel", minLimb_);
    form->addRow("Widest vessel", maxLimb_);
    form->addRow("Lighting background", background_);
    form->addRow("Band towards the nail", band_);
    form->addRow("Closest capillaries", spacing_);
    form->addRow("Widest single limb", singleLimb_);
    form->addRow("Least prominence (share)", threshold_);
    form->addRow("Nail side", side_);
    form->addRow("Channel", channel_);
    form->addRow(apexes_);

    ridgeView_ = new QLabel;
    ridgeView_->setMinimumSize(320, 240);
    ridgeView_->setAlignment(Qt::AlignCenter);
    ridgeView_->setToolTip("Ridge image: the brighter, the more a place looks like a capillary limb");
    chart_ = new CountProfileChart;
    summary_ = new QLabel;
    summary_->setWordWrap(true);

    auto* right = new QVBoxLayout;
    right->addWidget(ridgeView_, 1);
    right->addWidget(chart_);
    right->addWidget(summary_);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addLayout(right, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addWidget(buttons);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(150);
    connect(timer_, &QTimer::timeout, this, &CountDialog::refresh);
    for (QDoubleSpinBox* b : {minLimb_, maxLimb_, background_, band_, spacing_, threshold_, singleLimb_})
        connect(b, &QDoubleSpinBox::valueChanged, this, &CountDialog::schedule);
    connect(side_, &QComboBox::currentIndexChanged, this, &CountDialog::schedule);
    connect(channel_, &QComboBox::currentIndexChanged, this, &CountDialog::schedule);
    // The dialog leaves the tool as it found it unless accepted.
    connect(this, &QDialog::rejected, this, [this] { (void)tool_.setSettings(original_); });
    refresh();
}

CountSettings CountDialog::settings() const {
    CountSettings s;
    s.minLimbUm = minLimb_->value();
    s.maxLimbUm = maxLimb_->value();
    s.backgroundUm = background_->value();
    s.bandUm = band_->value();
    s.minSpacingUm = spacing_->value();
    s.limbUm = singleLimb_->value();
    s.threshold = threshold_->value();
    s.distal = side_->currentIndex();
    s.channel = channel_->currentIndex();
    s.apexes = apexes_->isChecked();
    return s;
}

void CountDialog::schedule() { timer_->start(); }

void CountDialog::refresh() {
    const CountSettings s = settings();
    if (const Status valid = s.validate(); !valid) {
        summary_->setText(QString::fromStdString("The settings cannot be used: " + valid.reason()));
        return;
    }
    (void)tool_.setSettings(s);
    Result<const RidgeImage*> ridge = tool_.ridge();
    if (!ridge) {
        summary_->setText(QString::fromStdString(ridge.reason()));
        ridgeView_->setText("No ridge image");
        return;
    }
    const RidgeImage& r = **ridge;
    QImage img(r.width, r.height, QImage::Format_Grayscale8);
    const float scale = 255.0f / std::max(1e-6f, 1.5f * r.top);
    for (int y = 0; y < r.height; ++y) {
        uchar* row = img.scanLine(y);
        const float* src = r.r.data() + size_t(y) * size_t(r.width);
        for (int x = 0; x < r.width; ++x) row[x] = uchar(std::clamp(src[x] * scale, 0.0f, 255.0f));
    }
    QImage shown = img.convertToFormat(QImage::Format_RGB32);
    const bool haveLine = a_.x != b_.x || a_.y != b_.y;
    if (haveLine) {
        Result<CountResult> c = tool_.preview(a_, b_);
        if (c) {
            QPainter p(&shown);
            p.setRenderHint(QPainter::Antialiasing);
            const double ox = tool_.ridgeOriginX(), oy = tool_.ridgeOriginY();
            // The ridge image has coarser pixels than the picture.
            auto at = [&](double x, double y) { return QPointF(r.toX(x - ox), r.toY(y - oy)); };
            p.setPen(QPen(Qt::yellow, 2));
            p.drawLine(at(a_.x, a_.y), at(b_.x, b_.y));
            p.setPen(QPen(QColor(0, 255, 0), 2));
            for (const CountPoint& q : c->crossings) p.drawEllipse(at(q.x, q.y), 4, 4);
            p.setPen(QPen(QColor(255, 0, 255), 2));
            for (const CountPoint& q : c->apexes) p.drawEllipse(at(q.x, q.y), 2.5, 2.5);
            chart_->setResult(*c);
            summary_->setText(QString::fromStdString(tool_.resultText(*c)));
        }
    } else {
        chart_->setResult({});
        summary_->setText("Draw a line across the distal row to see its profile and count.");
    }
    ridgeView_->setPixmap(QPixmap::fromImage(
        shown.scaled(ridgeView_->size().expandedTo(QSize(320, 240)), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace ordavia
