#include "linescan/ui/ZlineScanView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "chart/ui/ChartDialogs.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "framework/ui/ViewRegistry.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "linescan/KymographImport.h"
#include "linescan/LiveCameraScan.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "linescan/ZchartReviewDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "linescan/ui/CbvParamsDialog.h"
#include "linescan/ui/LineScanCharts.h"
#include "linescan/ui/LiveLineScan.h"
#include "linescan/ui/ZchartReView.h"

using namespace ordavia;

namespace {

// Share of the plot height: the picture above, the velocity below.
constexpr double kScanBand = 0.58, kTraceBand = 0.36;
constexpr int kPickPixels = 5;

Prompter* prompterOf(Document* d) { return d ? d->services().prompterPtr : nullptr; }

void say(Document* d, const std::string& text, MsgIcon icon = MsgIcon::Information) {
    if (Prompter* p = prompterOf(d)) p->messageBox(text, MsgButtons::Ok, icon);
}

bool isPicture(const CTrace* t) { return t && t->isTwoD(); }

}  // namespace

ZlineScanBaseView::ZlineScanBaseView(ZlineScanBaseDoc* doc, QWidget* parent) : ZchartView(doc, parent), ls_(doc) {
    setObjectName("ZlineScanView");
    auto* calc = new QToolButton;
    calc->setText("Calculate");
    calc->setToolTip("The velocity of the marked part of the \"cbv\" trace (the whole trace without a mark), to accept");
    connect(calc, &QToolButton::clicked, this, &ZlineScanBaseView::cmdSummary);
    auto* slopes = new QToolButton;
    slopes->setText("Slopes");
    slopes->setCheckable(true);
    slopes->setToolTip("Draw velocity slopes on the scan with the mouse (\"Dimension Lines\")");
    velocityLabel_ = new QLabel;
    velocityLabel_->setStyleSheet("color: #2a4d8f;");
    if (QHBoxLayout* bar = topBar()) {
        bar->insertWidget(bar->count() - 2, calc);
        bar->insertWidget(bar->count() - 2, slopes);
        bar->insertWidget(bar->count() - 2, velocityLabel_);
    }
    buildLineScanMenu();
    connect(dimLines_, &QAction::toggled, slopes, &QToolButton::setChecked);
    connect(slopes, &QToolButton::toggled, dimLines_, &QAction::setChecked);
    applyDefaultVisibility();
    updateVelocityLabel();
}

ZlineScanBaseView::~ZlineScanBaseView() = default;

void ZlineScanBaseView::buildLineScanMenu() {
    menu_ = new QMenu(kMenuTitle, this);
    addCommands(menu_, this,
                {{.text = "&Calculate velocity", .run = [this] { cmdCalculateVelocity(); }},
                 {.text = "CBV using FFT", .run = [this] { cmdCalculateVelocity(); }},
                 {.text = "correlate", .run = [this] { cmdCorrelate(); }},
                 {.text = "Calculate &Hough Velocities", .run = [this] { cmdHough(); }},
                 {.text = "cvb vs correlation points", .run = [this] { cmdCbvVsCorrelation(); }},
                 {.text = "average cbv vs correlation limit", .run = [this] { cmdAverageCbvVsLimit(); }},
                 separator(),
                 {.text = "CBV calculation &parameters...", .run = [this] { cmdParameters(); }},
                 {.text = "&Use Interlace",
                  .run = [this] { cmdUseInterlace(); },
                  .checkable = true,
                  .checked = [this] { return ls_->params().useInterlace; }},
                 {.text = "Set trace as linescan", .run = [this] { cmdSetTraceAsLinescan(); }},
                 separator(),
                 // Its tick is the state itself: slopes are drawn with the mouse.
                 {.text = "Dimension &Lines", .run = [this] { update(); }, .checkable = true, .action = &dimLines_},
                 {.text = "&Delete", .run = [this] { cmdDeleteSlope(); }},
                 {.text = "&Interpolate...", .run = [this] { cmdInterpolate(); }},
                 {.text = "linescan slope velocities", .run = [this] { cmdSlopeVelocities(); }},
                 {.text = "Delete all &velocity slopes", .run = [this] { cmdDeleteAllSlopes(); }}});
    menuList().append(menu_);
}

QAction* ZlineScanBaseView::lineScanAction(const QString& text) const {
    for (QAction* a : menu_->actions())
        if (a->text() == text) return a;
    return nullptr;
}

bool ZlineScanBaseView::drawingSlopes() const { return dimLines_ && dimLines_->isChecked(); }
void ZlineScanBaseView::setDrawingSlopes(bool on) { dimLines_->setChecked(on); }

int ZlineScanBaseView::scanIndex() const {
    const CTrace* pic = ls_->sourceTrace() ? static_cast<const CTrace*>(ls_->sourceTrace()) : ls_->scanTrace();
    return pic ? ls_->traceIndex(pic) : -1;
}

// The picture and the velocity show; the intermediate traces are there to
// choose from the trace list and show with "&Hide Trace".
void ZlineScanBaseView::applyDefaultVisibility() {
    const CTrace* pic = ls_->sourceTrace() ? static_cast<const CTrace*>(ls_->sourceTrace()) : ls_->scanTrace();
    const bool twoLines = ls_->line1Trace() != nullptr;
    for (TraceDisplay& d : state().displays) {
        if (!d.trace || std::find(seen_.begin(), seen_.end(), d.trace) != seen_.end()) continue;
        seen_.push_back(d.trace);
        const CTrace* t = d.trace;
        const bool shown = t == pic || t == ls_->cbvTrace() ||
                           (twoLines && (t == ls_->line1Trace() || t == ls_->line2Trace())) ||
                           (!pic && !ls_->cbvTrace() && !twoLines);
        d.hidden = !shown;
    }
    const int s = scanIndex();
    if (s >= 0 && !arranged_) setActiveTrace(s);
}

void ZlineScanBaseView::arrangeBands() {
    const QRect plot = plotRect();
    const double h = plot.height();
    for (TraceDisplay& d : state().displays) {
        const CTrace* t = d.trace;
        if (!t || !t->hasData()) continue;
        if (isPicture(t)) {
            double e = 0;
            if (auto* c2 = dynamic_cast<const C2DTrace*>(t); c2 && c2->extent)
                for (uint32_t r = 0; r < c2->extent->count; ++r) e = std::max(e, c2->extent->getD(r));
            if (e <= 0) e = t->data->components;
            const double top = e * t->yScale + t->yOffset;
            const double base = t->yOffset;
            // base at (1 - kScanBand) of the height from the bottom, top 4 px under the plot's top.
            const double px = std::max(10.0, h * kScanBand - 4);
            d.yPerPixel = (top - base) / px;
            if (d.yPerPixel == 0) d.yPerPixel = 1;
            d.yBottom = base - h * (1.0 - kScanBand) * d.yPerPixel;
            continue;
        }
        // Velocities: -1 marks a column without one and is left out of the range.
        double lo = 1e300, hi = -1e300;
        const uint32_t n = t->sampleCount();
        for (uint32_t i = 0; i < n; ++i) {
            const double raw = t->data->valueAt(i);
            if (raw == -1.0) continue;
            const double v = raw * t->yScale + t->yOffset;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        if (lo > hi) lo = 0, hi = 1;
        if (lo > 0) lo = 0;
        if (hi - lo < 1e-9) hi = lo + 1;
        const double px = std::max(10.0, h * kTraceBand - 6);
        d.yPerPixel = (hi - lo) / px;
        d.yBottom = lo - 4 * d.yPerPixel;
    }
    arranged_ = true;
    repaintChart();
}

void ZlineScanBaseView::OnUpdate(Document* doc, long hint) {
    const size_t before = state().displays.size();
    ZchartView::OnUpdate(doc, hint);
    applyDefaultVisibility();
    // New traces (a scan starting sets their time scale) show whole.
    if (hint == ZchartDoc::kHintTraces) fitAll();
    // New traces, the first data, or a growing live scan: the bands follow.
    if (hint == ZchartDoc::kHintTraces || hint == kHintLiveColumn || !arranged_ || state().displays.size() != before)
        arrangeBands();
    if (hint == kHintLiveColumn && liveTime_ >= 0) followTime(liveTime_);
    updateVelocityLabel();
}

void ZlineScanBaseView::resizeEvent(QResizeEvent* e) {
    ZchartView::resizeEvent(e);
    // The plot fits itself to its new size first; the bands follow it.
    QTimer::singleShot(0, this, [this] { arrangeBands(); });
}

// The scan is a ring drawn oldest first, so its newest column is always at
// its right end: a view zoomed into the scan keeps that end in sight.
void ZlineScanBaseView::followTime(double t) {
    liveTime_ = t;
    const CTrace* pic = ls_->trace(scanIndex());
    if (!pic || !pic->hasData()) return;
    const double end = pic->xStart * 0.001 + pic->sampleCount() * pic->xInterval;
    const double width = plotRect().width() * state().xPerPixel;
    if (end > state().xLeft + width || end < state().xLeft) {
        state().xLeft = end - width;
        repaintChart();
    }
}

void ZlineScanBaseView::updateVelocityLabel() {
    // One velocity on screen: the one the summary offers, or the accepted one.
    if (velocityLabel_) velocityLabel_->setText(QString::fromStdString(ls_->velocityHeader()));
}

// ---------------------------------------------------------------------------
// Slopes on the picture

double ZlineScanBaseView::pickHalfWidth() const { return kPickPixels * state().xPerPixel; }

double ZlineScanBaseView::pickHalfHeight() const {
    const int s = scanIndex();
    return s >= 0 ? kPickPixels * std::fabs(state().displays[static_cast<size_t>(s)].yPerPixel) : 1.0;
}

void ZlineScanBaseView::paintOverlay(QPainter& p, const QRect& plot) {
    const int s = scanIndex();
    if (s < 0 || s >= static_cast<int>(state().displays.size())) return;
    // The velocity band's own scale at the plot's right edge (the y axis
    // at the left belongs to the active trace).
    const int c = ls_->cbvTrace() ? ls_->traceIndex(ls_->cbvTrace()) : -1;
    if (c >= 0 && c < static_cast<int>(state().displays.size()) && !state().displays[static_cast<size_t>(c)].hidden) {
        const double bandTop = plot.bottom() - plot.height() * kTraceBand;
        p.setPen(QPen(QColor(150, 150, 150), 0, Qt::DashLine));
        p.drawLine(QPointF(plot.left(), bandTop - 3), QPointF(plot.right(), bandTop - 3));
        const CTrace* cbv = ls_->cbvTrace();
        const double lo = yAtPixel(c, plot.bottom() - 4), hi = yAtPixel(c, bandTop);
        p.setPen(ChartPainter::traceColour(*cbv, c));
        for (int k = 0; k <= 2; ++k) {
            const double v = lo + (hi - lo) * k / 2.0;
            const double y = pixelAtY(c, v);
            p.drawLine(QPointF(plot.right() - 6, y), QPointF(plot.right(), y));
            const QString text = QString::fromStdString(strprintf("%.4g", v) + (k == 2 ? " " + cbv->yUnits : ""));
            p.drawText(QRectF(plot.right() - 160, y - 8, 150, 16), Qt::AlignRight | Qt::AlignVCenter, text);
        }
    }
    const auto& slopes = ls_->slopes();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetrics fm = p.fontMetrics();
    for (size_t i = 0; i < slopes.size(); ++i) {
        const VelocitySlope& v = slopes[i];
        const QPointF a(pixelAtX(v.x1), pixelAtY(s, v.y1)), b(pixelAtX(v.x2), pixelAtY(s, v.y2));
        const bool sel = static_cast<int>(i) == ls_->selectedSlope();
        p.setPen(QPen(sel ? QColor(255, 200, 0) : QColor(0, 220, 255), sel ? 2.2 : 1.4));
        p.drawLine(a, b);
        p.setBrush(sel ? QColor(255, 200, 0) : QColor(0, 220, 255));
        p.drawEllipse(b, 2.5, 2.5);
        if (slopes.size() <= 60 || sel) {
            const QString label = QString::fromStdString(strprintf("%i: %.2f", int(i), v.velocity()));
            const QPointF at = QPointF(std::max(a.x(), b.x()) + 4, std::min(a.y(), b.y()) + fm.ascent());
            p.setPen(Qt::black);
            p.drawText(at + QPointF(1, 1), label);
            p.setPen(sel ? QColor(255, 220, 80) : QColor(170, 240, 255));
            p.drawText(at, label);
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    if (drawingSlopes()) {
        const QString hint = "drawing slopes: drag along a streak; drag a slope's end to move it";
        const QRect box(plot.left() + 6, plot.top() + 4, fm.horizontalAdvance(hint) + 10, fm.height() + 4);
        p.fillRect(box, QColor(255, 255, 255, 220));
        p.setPen(QColor(30, 90, 220));
        p.drawText(box, Qt::AlignCenter, hint);
    }
}

bool ZlineScanBaseView::plotPress(QPointF pos, Qt::KeyboardModifiers mods) {
    if (!drawingSlopes() || mods != Qt::NoModifier) return false;
    const int s = scanIndex();
    if (s < 0) return false;
    const int taken =
        ls_->pickSlope(xAtPixel(pos.x()), yAtPixel(s, pos.y()), pickHalfWidth(), pickHalfHeight());
    if (taken < 0) {
        say(ls_, strprintf("A line scan holds at most %i slopes.", ZlineScanBaseDoc::kMaxSlopes), MsgIcon::Warning);
        return false;
    }
    return true;
}

void ZlineScanBaseView::plotDrag(QPointF pos) {
    const int s = scanIndex();
    if (s < 0) return;
    ls_->moveSlopeEnd(xAtPixel(pos.x()), yAtPixel(s, pos.y()));
}

void ZlineScanBaseView::plotRelease(QPointF pos) {
    plotDrag(pos);
    // A click that drew nothing (under two pixels either way) leaves no slope behind.
    const int s = scanIndex();
    const double xpp = state().xPerPixel > 0 ? state().xPerPixel : 1.0;
    double ypp = s >= 0 ? state().displays[static_cast<size_t>(s)].yPerPixel : 1.0;
    if (ypp == 0) ypp = 1.0;
    ls_->finishSlope(2 * xpp, 2 * std::fabs(ypp));
}

// ---------------------------------------------------------------------------
// Commands

void ZlineScanBaseView::cmdParameters() {
    CbvParamsDialog d(ls_->params(), this);
    if (d.exec() != QDialog::Accepted) return;
    ls_->applyParams(d.values());
}

void ZlineScanBaseView::cmdSlopeVelocities() {
    const auto& slopes = ls_->slopes();
    if (slopes.empty()) {
        say(ls_, "There are no velocity slopes: draw them on the scan with \"Dimension &Lines\".");
        return;
    }
    say(ls_, ls_->slopeVelocitiesText());
    ResultTables* tables = ResultTables::of(ls_->services());
    CResultDoc* table = tables ? tables->open(ResultTitles::kLinescan) : nullptr;
    if (!table) return;
    double sum = 0;
    for (const VelocitySlope& v : slopes) sum += v.velocity();
    const CTrace* pic = ls_->trace(scanIndex());
    for (size_t i = 0; i < slopes.size(); ++i) {
        const VelocitySlope& v = slopes[i];
        const Status st = table->addRow({ls_->GetTitle(), pic ? pic->name : std::string(),
                       {double(i), v.x1, v.x2 - v.x1, v.y2 - v.y1, v.velocity(), sum / double(slopes.size())}});
        if (!st) {
            say(ls_, st.reason());
            return;
        }
    }
}

void ZlineScanBaseView::cmdSetTraceAsLinescan() {
    // The new picture and its results show as a fresh scan's do: every
    // trace takes its default visibility again when the document says so.
    std::vector<const void*> seen;
    seen.swap(seen_);
    if (!ls_->setTraceAsLinescan(activeTrace())) {
        seen_.swap(seen);
        say(ls_, "Only a two-dimensional trace (a stack of scan lines) can be the line scan.");
    }
}

void ZlineScanBaseView::cmdDeleteSlope() {
    (void)ls_->deleteSlope(ls_->selectedSlope());
}

void ZlineScanBaseView::cmdInterpolate() {
    if (!ls_->canInterpolateSlopes()) {
        say(ls_, "Draw velocity slopes on the scan first (\"Dimension &Lines\").");
        return;
    }
    Prompter* p = prompterOf(ls_);
    std::string name = "slope velocity";
    if (p) {
        auto n = p->promptText("Interpolate", "Name of the velocity trace", name);
        if (!n) return;
        if (!n->empty()) name = *n;
    }
    (void)ls_->interpolateSlopes(name);
}

void ZlineScanBaseView::cmdCalculateVelocity() { ordavia::linescanui::openChartReview(*ls_); }

void ZlineScanBaseView::cmdCorrelate() {
    const int a = ordavia::chartui::pickTrace(this, *ls_, "correlate", -1);
    if (a < 0) return;
    const int b = ordavia::chartui::pickTrace(this, *ls_, "correlate with", -1);
    if (b < 0) return;
    if (!ls_->correlateTraces(a, b)) say(ls_, "These traces cannot be correlated: both need samples.");
}

void ZlineScanBaseView::cmdDeleteAllSlopes() { ls_->deleteAllSlopes(); }

void ZlineScanBaseView::cmdUseInterlace() { ls_->toggleUseInterlace(); }
void ZlineScanBaseView::cmdCbvVsCorrelation() { ordavia::linescanui::showCbvVsCorrelation(*ls_); }
void ZlineScanBaseView::cmdAverageCbvVsLimit() { ordavia::linescanui::showAverageCbvVsLimit(*ls_); }

void ZlineScanBaseView::cmdHough() {
    const CTrace* pic = ls_->trace(scanIndex());
    uint32_t from = 0, to = 0;
    if (pic && pic->hasData()) {
        // The columns in view set the vote threshold.
        const int64_t a = ChartPainter::sampleAt(*pic, state().xLeft);
        const int64_t b = ChartPainter::sampleAt(*pic, state().xLeft + plotRect().width() * state().xPerPixel);
        if (a >= 0 && b >= 0 && a != b) from = uint32_t(a), to = uint32_t(b);
    }
    if (ls_->calculateHoughVelocities(from, to) < 0) {
        say(ls_, "There is no scan to transform.");
        return;
    }
    // A slope list is read as a measurement: one the transform could not
    // have made is said at once.
    const ordavia::HoughSummary h = ls_->houghSummary();
    if (h.valid && !ordavia::trusted(h.trust)) say(ls_, h.text(), MsgIcon::Warning);
}

QList<QAction*> ZlineScanBaseView::fileActions() {
    QList<QAction*> out = ZchartView::fileActions();
    if (!import_) {
        import_ = new QAction("&Import...", this);
        connect(import_, &QAction::triggered, this, &ZlineScanBaseView::cmdImport);
    }
    for (QAction*& a : out)
        if (a->text() == "&Import...") a = import_;
    return out;
}

void ZlineScanBaseView::cmdImport() {
    Prompter* p = prompterOf(ls_);
    if (!p) return;
    const auto path = p->openFile("Import", "Kymographs (*.tif;*.tiff)|*.tif;*.tiff|All Files (*.*)|*.*||");
    if (!path) return;
    std::vector<uint8_t> bytes;
    if (ordavia::Status r = readFileBytes(*path, bytes, uint64_t(1) << 28); !r) {
        say(ls_, std::string(Document::kOpenFailed) + "\n" + r.reason(), MsgIcon::Error);
        return;
    }
    const bool tiff = bytes.size() >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M'));
    if (!tiff) {
        // Trace data: the chart's import asks for the file with its wizard.
        ZchartView::cmdImport();
        return;
    }
    auto period = p->promptDouble("Import kymograph", "Line period (seconds)", 0.001, 1e-9, 1e6, 6);
    if (!period) return;
    auto size = p->promptDouble("Import kymograph", "Pixel size (um)", 1.0, 1e-6, 1e6, 4);
    if (!size) return;
    const bool alongX = p->messageBox(kTimeAlongX, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    auto k = ordavia::loadKymograph(bytes, alongX);
    if (!k) {
        say(ls_, "Cannot import " + *path + ":\n" + k.status().reason(), MsgIcon::Error);
        return;
    }
    std::string name = *path;
    name = name.substr(name.find_last_of("/\\") + 1);
    // A scan this window holds (or a file it came from) stays as it is: the
    // kymograph opens as a line scan of its own, saved under its own name.
    const bool intoThis = ls_->traceCount() == 0 && ls_->GetPathName().empty() && !ls_->IsModified();
    std::unique_ptr<ZlineScanBaseDoc> fresh;
    ZlineScanBaseDoc* target = ls_;
    if (!intoThis) {
        fresh = std::make_unique<ZlineScanBaseDoc>();
        ls_->lendServicesTo(*fresh);
        if (DocTemplate* t = ls_->services().findTemplate("ZlineScanBaseDoc")) fresh->setDocTemplate(t);
        if (!fresh->OnNewDocument()) return;
        fresh->SetTitle(withoutExtension(name));
        target = fresh.get();
    }
    if (ordavia::Status s = ordavia::importKymograph(*target, k.value(), *period, *size, name); !s) {
        say(ls_, s.reason(), MsgIcon::Error);
        return;
    }
    if (fresh) {
        ordavia::linescanui::showDocument(*ls_, fresh.release());
        return;
    }
    seen_.clear();
    applyDefaultVisibility();
    fitAll();
    arrangeBands();
}

void ZlineScanBaseView::cmdSummary() {
    const CTrace* cbv = ls_->cbvTrace();
    uint32_t from = 0, to = 0;
    if (cbv && ls_->trace(activeTrace()) == cbv && state().hasSelection()) from = state().selFrom, to = state().selTo;
    if (LiveLineScan* link = LiveLineScan::of(ls_->services()))
        link->summarise(*ls_, from, to);
    else
        ordavia::linescanui::offerSummary(*ls_, from, to, {});
}

// ---------------------------------------------------------------------------
// The live scan

ZlineScanView::ZlineScanView(ZlineScanDoc* doc, QWidget* parent) : ZlineScanBaseView(doc, parent), live_(doc) {
    addCommands(lineScanMenu(), this,
                {separator(),
                 {.text = "Set sample &rate", .run = [this] { cmdSampleRate(); }},
                 {.text = "&Subtract scans",
                  .run = [this] { cmdSubtract(); },
                  .checkable = true,
                  .checked = [this] { return live_->subtracting(); }},
                 {.text = "&Calculate cbv",
                  .run = [this] { cmdCalculateCbv(); },
                  .checkable = true,
                  .checked = [this] { return live_->calculateCbv(); }},
                 separator(),
                 {.text = "Start live video", .run = [this] { cmdStartLiveVideo(); }},
                 {.text = "stop", .run = [this] { cmdStop(); }}});
}

void ZlineScanView::cmdSampleRate() {
    Prompter* p = prompterOf(live_);
    if (!p) return;
    auto n = p->promptInt("Set sample rate", ZlineScanDoc::kSampleRatePrompt, live_->fieldsPerSample(), 1, 100000);
    if (!n) return;
    if (live_->setSampleRate(*n)) p->messageBox(ZlineScanDoc::kScaleWarning, MsgButtons::Ok, MsgIcon::Warning);
}

void ZlineScanView::cmdSubtract() { live_->toggleSubtracting(); }

void ZlineScanView::cmdCalculateCbv() { live_->toggleCalculateCbv(); }

ZlineScanView::~ZlineScanView() = default;

void ZlineScanView::cmdStartLiveVideo() {
    if (camera_ && camera_->running()) return;
    ordavia::AppServices& services = live_->services();
    ordavia::CameraSources* cameras = ordavia::CameraSources::of(services);
    if (!cameras) {
        say(live_, ZBasicfgDoc::kNoDevice);
        return;
    }
    ZBasicfgDoc* picture = cameras->liveDocument();
    if (!picture) {
        // The live window first: the line is drawn on its picture.
        auto doc = std::make_unique<ZBasicfgDoc>();
        doc->setServices(&services);
        if (DocTemplate* t = services.findTemplate("ZBasicfgDoc")) doc->setDocTemplate(t);
        doc->OnNewDocument();
        picture = dynamic_cast<ZBasicfgDoc*>(services.openDocument(std::move(doc)));
    }
    if (!picture) return;
    auto started = ordavia::LiveCameraScan::start(*live_, *picture);
    if (!started) {
        say(live_, started.reason().c_str());
        return;
    }
    camera_ = std::move(started).value();
    camera_->onColumn = [this](double t) {
        for (DocumentView* v : live_->views())
            if (auto* lv = dynamic_cast<ZlineScanBaseView*>(v)) lv->followTime(t);
    };
}

void ZlineScanView::cmdStop() {
    if (camera_ && camera_->running()) {
        const uint32_t samples = camera_->samples();
        camera_->stop();
        camera_.reset();
        if (samples > 0) ordavia::linescanui::runFollowUps(*live_);
        return;
    }
    LiveLineScan* link = LiveLineScan::of(live_->services());
    if (link && link->live() == live_) {
        link->endRun(true);
    } else if (live_->running()) {
        live_->stop();
        ordavia::linescanui::runFollowUps(*live_);
    }
}

void ordavia::registerLineScanViews() {
    registerViewMaker("ZlineScanView", [](Document* d, QWidget* parent) -> QWidget* {
        if (auto* live = dynamic_cast<ZlineScanDoc*>(d)) return new ZlineScanView(live, parent);
        auto* doc = dynamic_cast<ZlineScanBaseDoc*>(d);
        return doc ? new ZlineScanBaseView(doc, parent) : nullptr;
    });
    registerViewMaker("ZlineScanBaseView", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<ZlineScanBaseDoc*>(d);
        return doc ? new ZlineScanBaseView(doc, parent) : nullptr;
    });
    // Chart reviews open under the chart template; plain charts keep the chart view.
    const ViewMaker review = [](Document* d, QWidget* parent) -> QWidget* {
        if (auto* r = dynamic_cast<ZchartReviewDoc*>(d)) return new ZchartReView(r, parent);
        auto* c = dynamic_cast<ZchartDoc*>(d);
        return c ? new ZchartView(c, parent) : nullptr;
    };
    registerViewMaker("ZchartReView", review);
    registerViewMaker("CReView", review);
}
