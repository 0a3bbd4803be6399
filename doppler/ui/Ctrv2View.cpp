#include "doppler/ui/Ctrv2View.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <algorithm>
#include <chrono>

#include "base/Text.h"
#include "chart/ui/ChartPainter.h"
#include "chart/CMarker.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/Trv2Board.h"
#include "doppler/ui/TrvDialogs.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"

using namespace ordavia;

Ctrv2View::Ctrv2View(Ctrv2Doc* doc, QWidget* parent) : ZcommonTRVView(doc, parent), monitor_(doc) {
    setObjectName("Ctrv2View");
    addDopplerCommands({
        {.text = "Input &Settings...", .run = [this] { cmdInputSettings(); }},
        {.text = "Auxillary Input settings...", .run = [this] { cmdAuxInputs(); }},
        {.text = "&Input channel...", .run = [this] { cmdInputChannel(); }},
        {.text = "Hard&ware settings...", .run = [this] { cmdHardware(); }},
        separator(),
        {.text = "Lower Doppler shift detection threshold",
         .run = [this] { monitor_->stepThreshold(false); showStatus(); }},
        {.text = "Raise Doppler shift detection threshold",
         .run = [this] { monitor_->stepThreshold(true); showStatus(); }},
        separator(),
        {.text = "&Laser",
         .run = [this] {
             monitor_->toggleLaser();
             showStatus();
         },
         .checkable = true, .checked = [this] { return monitor_->laserOn(); }, .action = &laser_},
        {.text = "Sa&ve Image", .run = [this] { cmdSaveImage(); }},
        // Ticked while recording; the recording itself sets it.
        {.text = kRecordText, .run = [this] { cmdRecord(); },
         .tip = "Record the Doppler signal from now on; again to stop and save the recording", .checkable = true,
         .action = &record_},
        separator(),
        {.text = "&Decrease Bandwidth", .run = [this] { cmdBandwidth(false); }},
        {.text = "&Increase Bandwidth", .run = [this] { cmdBandwidth(true); }},
    });

    status_ = new QLabel(this);
    status_->setObjectName("monitorStatus");
    status_->setStyleSheet("padding: 1px 6px; font-weight: bold;");
    topBar()->insertWidget(std::max(0, topBar()->count() - 2), status_);
    warning_ = new QLabel(this);
    warning_->setObjectName("saturationWarning");
    warning_->setStyleSheet("padding: 1px 6px; color: white; background: #b00020; font-weight: bold;");
    warning_->hide();
    topBar()->insertWidget(std::max(0, topBar()->count() - 2), warning_, 1);
    arrangeDisplays();
    showStatus();
}

QString Ctrv2View::statusText() const {
    QString s = QString::fromStdString(monitor_->statusText());
    s += QString("   T=%1").arg(monitor_->threshold());
    if (monitor_->laserOn()) s += "   Laser on";
    if (monitor_->recording()) s += "   Recording";
    if (!monitor_->boardPresent()) s += QString("   ") + Ctrv2Doc::kNotDetected;
    else if (!monitor_->running()) s += "   stopped";
    return s;
}

QString Ctrv2View::saturationText() const {
    const SaturationWatch& w = monitor_->saturation();
    if (!w.saturated()) return {};
    // Short enough for the bar above the plot; the whole warning is its tip.
    if (w.noiseFloor() > w.lastThreshold())
        return QString("CBV saturated: threshold %1 under the noise floor (about %2). Use the automatic noise floor "
                       "or a threshold above it")
            .arg(w.lastThreshold())
            .arg(w.noiseFloor(), 0, 'f', 0);
    return "CBV saturated: the Doppler shift sits at the top of the band. Use the automatic noise floor or a higher "
           "threshold";
}

void Ctrv2View::paintOverlay(QPainter& p, const QRect& plot) {
    if (!monitor_->saturation().saturated()) return;
    p.save();
    p.fillRect(plot, QColor(255, 255, 255, 150));
    p.fillRect(plot, QBrush(QColor(176, 0, 32, 70), Qt::BDiagPattern));
    QFont f = p.font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.6);
    p.setFont(f);
    p.setPen(QColor(176, 0, 32));
    const int line = QFontMetrics(f).height();
    p.drawText(plot.adjusted(0, 0, 0, -line), Qt::AlignCenter, "CBV SATURATED: not a measurement");
    f.setPointSizeF(f.pointSizeF() / 1.6);
    p.setFont(f);
    p.drawText(plot.adjusted(8, line, -8, 0), Qt::AlignCenter | Qt::TextWordWrap, saturationText());
    p.restore();
}

void Ctrv2View::showStatus() {
    status_->setText(statusText());
    if (record_) record_->setChecked(monitor_->recording());
    const QString warning = saturationText();
    // The bar says it in two words; the plot and the status line say why.
    warning_->setText("CBV saturated");
    warning_->setToolTip(QString::fromStdString(monitor_->saturation().warning()));
    warning_->setVisible(!warning.isEmpty());
    // The main window's status line is the active window's to write.
    auto* main = qobject_cast<QMainWindow*>(window());
    auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
    for (QWidget* w = parentWidget(); w && !child; w = w->parentWidget()) child = qobject_cast<QMdiSubWindow*>(w);
    if (main && (!child || !child->mdiArea() || child->mdiArea()->activeSubWindow() == child))
        main->statusBar()->showMessage(QString::fromStdString(monitor_->statusText()) +
                                       (warning.isEmpty() ? QString() : "   " + warning));
}

// The newest ten seconds (a dozen beats) scroll by; "Fit" shows all that
// the traces keep.
void Ctrv2View::arrangeDisplays() {
    arrangeDopplerDisplays(monitor_->bandwidthHz());
    const CTrace* cbv = monitor_->cbvTrace();
    if (!cbv || !cbv->hasData()) return;
    const double span = cbv->sampleCount() * cbv->xInterval;
    const double shown = std::min(span, kShownSeconds);
    state().xPerPixel = shown / std::max(1, plotRect().width());
    state().xLeft = cbv->xStart * 0.001 + span - shown;
    repaintChart();
}

void Ctrv2View::showEvent(QShowEvent* e) {
    ZcommonTRVView::showEvent(e);
    // The scales need the plot's real height, known once the window is up.
    if (!arranged_) {
        arranged_ = true;
        arrangeDisplays();
    }
}

void Ctrv2View::OnUpdate(Document* doc, long hint) {
    if (hint == Ctrv2Doc::kHintBlock) {
        // A new block: only the samples changed, the traces and scales did not.
        const bool picture = !spectrumClock_.isValid() || spectrumClock_.elapsed() >= 250;
        if (picture) spectrumClock_.restart();
        for (TraceDisplay& d : state().displays) {
            d.cacheValid = false;
            if (picture) d.stripValid = false;
        }
        // The saturation warning comes and goes with the block that turns it.
        if (picture || warning_->isHidden() == monitor_->saturation().saturated()) showStatus();
        repaintChart();
        return;
    }
    const int before = static_cast<int>(state().displays.size());
    ZcommonTRVView::OnUpdate(doc, hint);
    if (hint == ZchartDoc::kHintTraces && before == 0) arrangeDisplays();
    if (status_) showStatus();
}

void Ctrv2View::cmdRecord() {
    if (!monitor_->recording()) {
        if (!monitor_->startRecording()) say(Ctrv2Doc::kNotDetected);
        record_->setChecked(monitor_->recording());
        showStatus();
        return;
    }
    monitor_->stopRecording();
    record_->setChecked(false);
    showStatus();
    // Saved as the File menu saves it (a name in the examination's folder,
    // then the offer to open the saved recording).
    for (QAction* a : fileActions())
        if (a->text() == "&Save") {
            a->trigger();
            return;
        }
}

void Ctrv2View::cmdInputSettings() {
    const auto s = dopplerui::inputSettingsDialog(
        this, {monitor_->cbvSeconds(), monitor_->rawSeconds(), monitor_->spectrumPoints()});
    if (!s) return;
    if (!monitor_->setInput(s->cbvSeconds, s->rawSeconds, s->points))
        say("These input settings cannot be used: the kept lengths must be longer than nothing and fit in memory.");
    arrangeDisplays();
}

void Ctrv2View::cmdAuxInputs() {
    dopplerui::AuxSettings current;
    for (int i = 1; i <= Ctrv2Doc::kAuxInputs; ++i) current.enabled[size_t(i - 1)] = monitor_->auxEnabled(i);
    current.smoothing = monitor_->smoothing();
    const auto s = dopplerui::auxInputDialog(this, current);
    if (!s) return;
    monitor_->setSmoothing(s->smoothing);
    for (int i = 1; i <= Ctrv2Doc::kAuxInputs; ++i) monitor_->setAuxEnabled(i, s->enabled[size_t(i - 1)]);
}

void Ctrv2View::cmdInputChannel() {
    const auto n = dopplerui::inputChannelDialog(this, monitor_->inputChannel());
    if (n) monitor_->setInputChannel(*n);
}

void Ctrv2View::cmdHardware() {
    const Trv2Board* board = monitor_->board();
    const auto address = dopplerui::hardwareDialog(this, board ? board->address() : 768);
    if (!address) return;
    if (const ordavia::Status st = monitor_->setHardwareAddress(*address); !st)
        monitor_->services().prompter().messageBox(st.reason(), MsgButtons::Ok, MsgIcon::Warning);
    else
        arrangeDisplays();
    showStatus();
}

void Ctrv2View::cmdSaveImage() {
    const CTrace* t = monitor_->cbvTrace();
    if (!t || !t->hasData()) return;
    const auto ticks = static_cast<unsigned long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    // Without a workstation to freeze and save the picture there is no image to mark.
    MarkerLink* link = monitor_->services().markerLink;
    if (!link) return;
    const double x = (static_cast<double>(t->sampleCount()) - 1.0) * t->xInterval;
    monitor_->AddMarker(std::make_unique<CImageMarker>(strprintf("%lx", ticks), link), x);
}

void Ctrv2View::cmdBandwidth(bool increase) {
    // The traces start again at the new bandwidth, which fills the height
    // the old one did: the scale halves or doubles with it.
    if (monitor_->stepBandwidth(increase)) arrangeDisplays();
    showStatus();
}
