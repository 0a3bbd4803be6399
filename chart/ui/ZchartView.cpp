#include "chart/ui/ZchartView.h"

#include "framework/AppServices.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "chart/TraceAlgorithms.h"
#include "chart/ZchartDoc.h"
#include "chart/ZliveChartDoc.h"
#include "chart/ui/ChartDialogs.h"
#include "chart/ui/ZliveChartView.h"
#include "framework/ui/ViewRegistry.h"

using namespace ordavia;

// The plot and its two axis strips in one widget.
class ChartCanvas : public QWidget {
public:
    explicit ChartCanvas(ZchartView* view) : QWidget(view), v_(view) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(320, 200);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QRect plotRect() const {
        const QFontMetrics fm = fontMetrics();
        const int left = 10 * fm.averageCharWidth() + fm.height() + 4;
        const int bottom = 2 * fm.height() + 8;
        return QRect(left, 6, std::max(10, width() - left - 12), std::max(10, height() - bottom - 6));
    }
    QRect xStrip() const {
        const QRect p = plotRect();
        return QRect(p.left(), p.bottom() + 1, p.width(), height() - p.bottom() - 1);
    }
    QRect yStrip() const {
        const QRect p = plotRect();
        return QRect(0, p.top(), p.left() - 1, p.height());
    }

    void paintAll(QPainter& p, const QRect& area) {
        p.fillRect(area, QColor(246, 246, 248));
        ChartPainter::paintPlot(p, plotRect(), v_->state_, v_->shown());
        const CTrace* t = v_->shown().trace(v_->state_.active);
        const std::string& units = v_->xUnitLabel_.empty() && t ? t->xUnits : v_->xUnitLabel_;
        ChartPainter::paintXAxis(p, xStrip(), v_->state_, v_->xAxis_, units);
        ChartPainter::paintYAxis(p, yStrip(), plotRect(), v_->state_, v_->shown(), v_->yAxis_);
        {
            p.save();
            p.setClipRect(plotRect());
            v_->paintOverlay(p, plotRect());
            p.restore();
        }
        if (rubber_.isValid()) {
            p.setPen(QPen(QColor(30, 90, 220), 1, Qt::DashLine));
            p.fillRect(rubber_.normalized(), QColor(30, 90, 220, 30));
            p.drawRect(rubber_.normalized());
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintAll(p, rect());
    }

    double xAt(double px) const { return v_->state_.xLeft + (px - plotRect().left()) * v_->state_.xPerPixel; }

    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        press_ = e->position().toPoint();
        mode_ = None;
        const QRect plot = plotRect();
        if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier))) {
            mode_ = Pan;
            panLeft_ = v_->state_.xLeft;
            panBottoms_.clear();
            for (const auto& d : v_->state_.displays) panBottoms_.push_back(d.yBottom);
            setCursor(Qt::ClosedHandCursor);
            return;
        }
        if (e->button() != Qt::LeftButton || !plot.contains(press_)) return;
        if (v_->plotPress(e->position(), e->modifiers())) {
            mode_ = Overlay;
            return;
        }
        if (e->modifiers() & Qt::ShiftModifier) {
            mode_ = Zoom;
            rubber_ = QRect(press_, press_);
            return;
        }
        // A marker box under the mouse selects that marker.
        const auto boxes = ChartPainter::markerBoxes(plot, v_->state_, v_->shown(), fontMetrics());
        for (size_t i = 0; i < boxes.size() && i < v_->doc_->markers.size(); ++i)
            if (!boxes[i].isEmpty() && boxes[i].contains(press_)) {
                v_->state_.selectedMarker = static_cast<int>(i);
                v_->doc_->markers.items[i]->Activate(v_->doc_->hasServices() ? v_->doc_->services().markerLink
                                                                             : nullptr);
                update();
                mode_ = None;
                return;
            }
        mode_ = Select;
        const CTrace* t = v_->shown().trace(v_->state_.active);
        if (t && t->hasData()) {
            const int64_t k = ChartPainter::sampleAt(*t, xAt(press_.x()));
            v_->state_.selFrom = v_->state_.selTo = static_cast<uint32_t>(std::max<int64_t>(k, 0));
        }
        v_->setCursorX(xAt(press_.x()));
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        ChartViewState& s = v_->state_;
        if (mode_ == Pan) {
            const QPoint d = pos - press_;
            s.xLeft = panLeft_ - d.x() * s.xPerPixel;
            for (size_t i = 0; i < s.displays.size() && i < panBottoms_.size(); ++i)
                if (v_->doc_->linkYAxes() || static_cast<int>(i) == s.active)
                    s.displays[i].yBottom = panBottoms_[i] + d.y() * s.displays[i].yPerPixel;
            update();
            return;
        }
        if (mode_ == Overlay) {
            v_->plotDrag(e->position());
            if (plotRect().contains(pos)) v_->setCursorX(xAt(pos.x()));
            update();
            return;
        }
        if (mode_ == Zoom) {
            rubber_.setBottomRight(pos);
            update();
            return;
        }
        if (mode_ == Select && (e->buttons() & Qt::LeftButton)) {
            const CTrace* t = v_->shown().trace(s.active);
            if (t && t->hasData()) {
                const int64_t k = ChartPainter::sampleAt(*t, xAt(pos.x()));
                // The end is exclusive: a drag to the right covers the sample under the mouse.
                uint32_t end = static_cast<uint32_t>(std::max<int64_t>(k, 0));
                if (pos.x() > press_.x() && end + 1 < t->sampleCount()) ++end;
                s.selTo = end;
            }
        }
        if (plotRect().contains(pos)) v_->setCursorX(xAt(pos.x()));
        update();
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        ChartViewState& s = v_->state_;
        if (mode_ == Overlay) {
            mode_ = None;
            v_->plotRelease(e->position());
            update();
            return;
        }
        if (mode_ == Zoom) {
            const QRect r = rubber_.normalized();
            rubber_ = QRect();
            if (r.width() > 4) {
                const QRect plot = plotRect();
                const double x0 = xAt(r.left()), x1 = xAt(r.right());
                s.xLeft = x0;
                s.xPerPixel = (x1 - x0) / std::max(1, plot.width());
                if (r.height() > 8)
                    for (size_t i = 0; i < s.displays.size(); ++i) {
                        if (!v_->doc_->linkYAxes() && static_cast<int>(i) != s.active) continue;
                        TraceDisplay& d = s.displays[i];
                        const double top = d.yBottom + (plot.bottom() - r.top()) * d.yPerPixel;
                        const double bot = d.yBottom + (plot.bottom() - r.bottom()) * d.yPerPixel;
                        d.yBottom = bot;
                        d.yPerPixel = (top - bot) / std::max(1, plot.height());
                    }
            }
        } else if (mode_ == Select && (pos - press_).manhattanLength() < 3) {
            s.selTo = s.selFrom;  // a click only places the cursor
        }
        mode_ = None;
        unsetCursor();
        v_->updateReadouts();
        update();
    }

    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const auto boxes = ChartPainter::markerBoxes(plotRect(), v_->state_, v_->shown(), fontMetrics());
        for (size_t i = 0; i < boxes.size() && i < v_->doc_->markers.size(); ++i)
            if (!boxes[i].isEmpty() && boxes[i].contains(e->position().toPoint())) {
                v_->state_.selectedMarker = static_cast<int>(i);
                v_->cmdEditMarker();
                return;
            }
        v_->fitAll();
    }

    void wheelEvent(QWheelEvent* e) override {
        const double steps = e->angleDelta().y() / 120.0;
        if (steps == 0) return;
        const QPointF pos = e->position();
        const double f = std::pow(1.25, -steps);
        if (e->modifiers() & Qt::ShiftModifier) {
            v_->state_.xLeft -= steps * 40 * v_->state_.xPerPixel;
            update();
        } else if (e->modifiers() & Qt::ControlModifier) {
            v_->zoomY(f, pos.y());
        } else {
            v_->zoomX(f, xAt(pos.x()));
        }
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override {
        ChartViewState& s = v_->state_;
        switch (e->key()) {
            case Qt::Key_Space: v_->cmdInsertMarker(); return;
            case Qt::Key_Home: v_->fitAll(); return;
            case Qt::Key_Plus:
            case Qt::Key_Equal: v_->zoomX(0.8, s.xLeft + plotRect().width() * s.xPerPixel / 2); return;
            case Qt::Key_Minus: v_->zoomX(1.25, s.xLeft + plotRect().width() * s.xPerPixel / 2); return;
            case Qt::Key_Left: s.xLeft -= plotRect().width() * s.xPerPixel / 8; update(); return;
            case Qt::Key_Right: s.xLeft += plotRect().width() * s.xPerPixel / 8; update(); return;
            case Qt::Key_Escape: s.selTo = s.selFrom; v_->updateReadouts(); update(); return;
            default: QWidget::keyPressEvent(e);
        }
    }

    void leaveEvent(QEvent*) override {}

    void contextMenuEvent(QContextMenuEvent* e) override {
        QMenu m(this);
        m.addAction("&Zoom to selection", v_, &ZchartView::zoomToSelection)->setEnabled(v_->state_.hasSelection());
        m.addAction("&Fit all", v_, &ZchartView::fitAll);
        m.addSeparator();
        for (const char* t : {"&Copy", "&Paste", "&Insert Marker", "&Trace properties..."})
            if (QAction* a = v_->findAction(t)) m.addAction(a);
        m.exec(e->globalPos());
    }

    void resizeEvent(QResizeEvent*) override {
        // A chart opened from a file is fitted once it knows its size.
        if (!v_->fitted_ && v_->shown().traceCount() > 0) v_->fitAll();
    }

private:
    enum Mode { None, Select, Zoom, Pan, Overlay };
    ZchartView* v_;
    Mode mode_ = None;
    QPoint press_;
    QRect rubber_;
    double panLeft_ = 0;
    std::vector<double> panBottoms_;
};

ZchartView::ZchartView(ZchartDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setObjectName("ZchartView");
    auto* top = new QHBoxLayout;
    topBar_ = top;
    top->setContentsMargins(4, 2, 4, 2);
    top->addWidget(new QLabel("Active trace:"));
    traceBox_ = new QComboBox;
    traceBox_->setMinimumContentsLength(18);
    traceBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    top->addWidget(traceBox_);
    auto button = [&](const char* text, const char* tip, auto fn) {
        auto* b = new QToolButton;
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, fn);
        top->addWidget(b);
    };
    button("Fit", "Show every trace whole (Home, or double-click the plot)", &ZchartView::fitAll);
    button("Zoom to selection", "Zoom the x axis to the selection", &ZchartView::zoomToSelection);
    button("Zoom out", "Zoom out on the x axis (-, or the mouse wheel)", [this] {
        zoomX(1.6, state_.xLeft + plotRect().width() * state_.xPerPixel / 2);
    });
    peakLabel_ = new QLabel;
    peakLabel_->setObjectName("peakFrequency");
    peakLabel_->setStyleSheet("color: #2a4d8f; font-weight: bold;");
    top->addWidget(peakLabel_);
    top->addStretch();
    auto* hint = new QLabel("drag select \u00b7 shift+drag zoom \u00b7 ctrl+drag pan \u00b7 wheel zoom x \u00b7 ctrl+wheel zoom y");
    hint->setStyleSheet("color: #777;");
    hint->setMinimumWidth(0);
    hint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(hint);
    connect(traceBox_, qOverload<int>(&QComboBox::activated), this, &ZchartView::setActiveTrace);

    canvas_ = new ChartCanvas(this);
    auto* status = new QHBoxLayout;
    status->setContentsMargins(4, 0, 4, 2);
    for (int i = 0; i < 4; ++i) {
        panes_[i] = new QLabel;
        panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panes_[i]->setMinimumWidth(150);
        status->addWidget(panes_[i], i == 3 ? 1 : 0);
    }
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addLayout(top);
    lay->addWidget(canvas_, 1);
    lay->addLayout(status);
    if (doc_) doc_->AddView(this);
    ChartPainter::syncDisplays(state_, *doc_);
    refreshTraceList();
    buildMenus();
}

ZchartView::~ZchartView() {
    // The Edit Marker dialog forgets markers of a chart whose view goes.
    if (doc_)
        for (const auto& m : doc_->markers.items) ordavia::chartui::closeEditMarkerFor(m.get());
    if (doc_) doc_->RemoveView(this);
}

QRect ZchartView::plotRect() const { return canvas_->plotRect(); }

void ZchartView::setShownDocument(const ZchartDoc* shown) {
    shown_ = shown;
    // The display records follow the traces by position, so that the
    // scales the user set survive the change of document.
    const ZchartDoc& d = this->shown();
    for (size_t i = 0; i < state_.displays.size() && static_cast<int>(i) < d.traceCount(); ++i)
        state_.displays[i].trace = d.trace(static_cast<int>(i));
    ChartPainter::syncDisplays(state_, d);
    ChartPainter::invalidateData(state_);
    updateReadouts();
    canvas_->update();
}
void ZchartView::repaintChart() { canvas_->update(); }
QWidget* ZchartView::canvasWidget() const { return canvas_; }

void ZchartView::OnUpdate(Document*, long hint) {
    const size_t before = state_.displays.size();
    if (state_.selectedMarker >= static_cast<int>(doc_->markers.size())) state_.selectedMarker = -1;
    ChartPainter::syncDisplays(state_, *doc_);
    if (hint != ZchartDoc::kHintMarker) ChartPainter::invalidateData(state_);
    if (!fitted_ || (hint == ZchartDoc::kHintTraces && state_.displays.size() > before && before == 0)) {
        fitted_ = false;
        fitAll();
    } else if (hint == ZchartDoc::kHintTraces && state_.displays.size() > before) {
        // New traces get a y range of their own; the x range stays.
        std::vector<TraceDisplay> keep;
        ChartViewState probe = state_;
        ChartPainter::autoscale(probe, *doc_, plotRect().width(), plotRect().height(), false);
        for (size_t i = before; i < state_.displays.size(); ++i) {
            state_.displays[i].yPerPixel = probe.displays[i].yPerPixel;
            state_.displays[i].yBottom = probe.displays[i].yBottom;
        }
    }
    refreshTraceList();
    updateReadouts();
    updatePeakLabel();
    canvas_->update();
}

void ZchartView::refreshTraceList() {
    if (!traceBox_) return;
    traceBox_->clear();
    for (int i = 0; i < doc_->traceCount(); ++i) {
        const CTrace* t = doc_->trace(i);
        QPixmap sw(12, 12);
        sw.fill(t ? ChartPainter::traceColour(*t, i) : Qt::gray);
        traceBox_->addItem(QIcon(sw), QString::fromStdString(strprintf("%2i:", i) + (t ? t->name : std::string())));
    }
    if (state_.active < traceBox_->count()) traceBox_->setCurrentIndex(state_.active);
}

void ZchartView::setActiveTrace(int index) {
    if (index < 0 || index >= doc_->traceCount()) return;
    if (index != state_.active) state_.selFrom = state_.selTo = 0;
    state_.active = index;
    if (traceBox_ && traceBox_->currentIndex() != index) traceBox_->setCurrentIndex(index);
    updateReadouts();
    updatePeakLabel();
    canvas_->update();
}

void ZchartView::setSelection(uint32_t from, uint32_t to) {
    state_.selFrom = from;
    state_.selTo = to;
    updateReadouts();
    canvas_->update();
}

void ZchartView::setCursorX(double x) {
    state_.cursorX = x;
    updateReadouts();
    canvas_->update();
}

void ZchartView::fitAll() {
    ChartPainter::autoscale(state_, shown(), plotRect().width(), plotRect().height());
    fitted_ = shown().traceCount() > 0;
    canvas_->update();
}

void ZchartView::zoomToSelection() {
    const CTrace* t = shown().trace(state_.active);
    if (!t || !t->hasData() || !state_.hasSelection()) return;
    const uint32_t n = t->sampleCount();
    const double a = t->sampleX(state_.selFrom % n), b = t->sampleX(state_.selTo % n);
    const double lo = std::min(a, b), hi = std::max(a, b);
    if (hi <= lo) return;
    const double pad = (hi - lo) * 0.02;
    state_.xLeft = lo - pad;
    state_.xPerPixel = (hi - lo + 2 * pad) / std::max(1, plotRect().width());
    canvas_->update();
}

void ZchartView::zoomX(double factor, double aroundX) {
    if (!(factor > 0)) return;
    const double np = std::clamp(state_.xPerPixel * factor, 1e-12, 1e12);
    state_.xLeft = aroundX - (aroundX - state_.xLeft) * (np / state_.xPerPixel);
    state_.xPerPixel = np;
    canvas_->update();
}

void ZchartView::zoomY(double factor, double aroundY) {
    const QRect plot = plotRect();
    for (size_t i = 0; i < state_.displays.size(); ++i) {
        if (!doc_->linkYAxes() && static_cast<int>(i) != state_.active) continue;
        TraceDisplay& d = state_.displays[i];
        const double v = d.yBottom + (plot.bottom() - aroundY) * d.yPerPixel;
        const double np = d.yPerPixel * factor;
        d.yBottom = v - (v - d.yBottom) * (np / d.yPerPixel);
        d.yPerPixel = np;
    }
    canvas_->update();
}

double ZchartView::xAtPixel(double px) const { return state_.xLeft + (px - plotRect().left()) * state_.xPerPixel; }

double ZchartView::pixelAtX(double x) const {
    return plotRect().left() + (x - state_.xLeft) / (state_.xPerPixel > 0 ? state_.xPerPixel : 1.0);
}

double ZchartView::yAtPixel(int index, double py) const {
    if (index < 0 || index >= static_cast<int>(state_.displays.size())) return 0.0;
    const TraceDisplay& d = state_.displays[static_cast<size_t>(index)];
    return d.yBottom + (plotRect().bottom() - py) * d.yPerPixel;
}

double ZchartView::pixelAtY(int index, double y) const {
    if (index < 0 || index >= static_cast<int>(state_.displays.size())) return 0.0;
    const TraceDisplay& d = state_.displays[static_cast<size_t>(index)];
    return plotRect().bottom() - (y - d.yBottom) / (d.yPerPixel != 0 ? d.yPerPixel : 1.0);
}

QString ZchartView::readout(int pane) const { return pane >= 0 && pane < 4 ? panes_[pane]->text() : QString(); }

QString ZchartView::peakFrequencyText() const { return peakLabel_ ? peakLabel_->text() : QString(); }

void ZchartView::updatePeakLabel() {
    if (!peakLabel_) return;
    // A spectrum is read for its strongest frequency first: it stands above
    // the plot while the spectrum is the active trace.
    const auto* psd = dynamic_cast<const C2DTrace*>(shown().trace(state_.active));
    const double f = psd && psd->name == "Calculated PSD" ? ordavia::psdPeakFrequency(*psd) : -1.0;
    if (f < 0) {
        peakLabel_->clear();
        return;
    }
    const bool seconds = psd->xUnits.empty() || psd->xUnits == "s";
    peakLabel_->setText(QString::fromStdString(strprintf("Peak frequency %.4g ", f) +
                                               (seconds ? std::string("Hz") : "1/" + psd->xUnits)));
}

void ZchartView::updateReadouts() {
    const CTrace* t = shown().trace(state_.active);
    QString x, y, dx, z;
    if (t && state_.cursorX > -1e299) {
        x = QString::fromStdString(strprintf("x = %.3f ", state_.cursorX) + t->xUnits);
        if (t->hasData()) {
            const int64_t k = ChartPainter::sampleAt(*t, state_.cursorX);
            if (k >= 0) {
                if (t->data->twoD()) {
                    const auto* c2 = dynamic_cast<const C2DTrace*>(t);
                    const double v = t->data->valueAt(static_cast<uint32_t>(k), 0);
                    z = QString::fromStdString(strprintf("%.2f FS=%5.f OS=%5.f", v,
                                                         state_.displays[state_.active].intensityRange,
                                                         c2 ? c2->intensityOffset : 0.0));
                } else {
                    y = QString::fromStdString(strprintf("y = %.3f ", t->physical(static_cast<uint32_t>(k))) + t->yUnits);
                }
            }
        }
    }
    if (t && t->hasData() && state_.hasSelection()) {
        const uint32_t n = t->sampleCount();
        dx = QString::fromStdString(
            strprintf("dx = %.3f ", std::fabs(t->sampleX(state_.selTo % n) - t->sampleX(state_.selFrom % n))) + t->xUnits);
    }
    panes_[0]->setText(x);
    panes_[1]->setText(y);
    panes_[2]->setText(dx);
    panes_[3]->setText(z);
    emit readoutsChanged();
}

QImage ZchartView::renderToImage(QSize size) const {
    QImage img(size, QImage::Format_RGB32);
    canvas_->resize(size);
    QPainter p(&img);
    canvas_->paintAll(p, QRect(QPoint(0, 0), size));
    return img;
}

void ZchartView::paintPage(QPainter& p, const QRect& page) {
    const bool was = state_.printing;
    state_.printing = true;
    const QFontMetrics fm = p.fontMetrics();
    p.drawText(QRect(page.left(), page.top(), page.width(), fm.height() + 4), Qt::AlignLeft,
               QString::fromStdString(doc_->GetTitle()));
    const int left = 10 * fm.averageCharWidth() + fm.height() + 4;
    const QRect plot(page.left() + left, page.top() + fm.height() + 8, page.width() - left - 4,
                     page.height() - 3 * fm.height() - 16);
    // Keep the on-screen x range: rescale the pixel size to the page.
    const double xpp = state_.xPerPixel;
    state_.xPerPixel = xpp * plotRect().width() / std::max(1, plot.width());
    std::vector<double> ypp;
    for (auto& d : state_.displays) {
        ypp.push_back(d.yPerPixel);
        d.yPerPixel = d.yPerPixel * plotRect().height() / std::max(1, plot.height());
    }
    ChartPainter::paintPlot(p, plot, state_, shown());
    const CTrace* t = shown().trace(state_.active);
    CAxis xa(true), ya(false);
    ChartPainter::paintXAxis(p, QRect(plot.left(), plot.bottom() + 1, plot.width(), 2 * fm.height() + 6), state_, xa,
                             t ? t->xUnits : std::string());
    ChartPainter::paintYAxis(p, QRect(page.left(), plot.top(), left - 1, plot.height()), plot, state_, shown(), ya);
    state_.xPerPixel = xpp;
    for (size_t i = 0; i < ypp.size(); ++i) state_.displays[i].yPerPixel = ypp[i];
    state_.printing = was;
}

QAction* ZchartView::findAction(const QString& text) const {
    for (QMenu* m : menus_) {
        for (QAction* a : m->actions()) {
            if (a->text() == text) return a;
            if (a->menu())
                for (QAction* b : a->menu()->actions())
                    if (b->text() == text) return b;
        }
    }
    for (QAction* a : fileActs_)
        if (a->text() == text) return a;
    return nullptr;
}

QList<QMenu*> ZchartView::documentMenus() { return menus_; }
QList<QAction*> ZchartView::fileActions() { return fileActs_; }

void ordavia::registerChartViews() {
    const ViewMaker maker = [](Document* d, QWidget* parent) -> QWidget* {
        if (auto* live = dynamic_cast<ZliveChartDoc*>(d)) return new ZliveChartView(live, parent);
        auto* doc = dynamic_cast<ZchartDoc*>(d);
        return doc ? new ZchartView(doc, parent) : nullptr;
    };
    for (const char* v : {"ZchartView", "CReView", "xychartvw", "ZliveChartView", "ZchartReView"})
        registerViewMaker(v, maker);
}
