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

Prompter& ZchartView::prompter() const { return doc_->services().prompter(); }
ProfileStore& ZchartView::profile() const { return doc_->services().profile(); }

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

    // The controller works in the plot's own pixels and measures marker
    // boxes in this widget's font.
    void syncTool() {
        const QRect plot = plotRect();
        v_->tool_.setPlotSize(plot.width(), plot.height());
        v_->tool_.setTextMetrics(fontMetrics().averageCharWidth(), fontMetrics().height());
    }
    ChartToolController::Point toPlot(QPointF pos) const {
        const QRect plot = plotRect();
        const QPoint q = pos.toPoint();
        return {double(q.x() - plot.left()), double(q.y() - plot.top())};
    }

    void paintAll(QPainter& p, const QRect& area) {
        syncTool();
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
        const ZRect band = v_->tool_.rubberBand();
        if (!band.isEmpty()) {
            const QRect r = QRect(band.left, band.top, band.width(), band.height()).translated(plotRect().topLeft());
            p.setPen(QPen(QColor(30, 90, 220), 1, Qt::DashLine));
            p.fillRect(r, QColor(30, 90, 220, 30));
            p.drawRect(r);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintAll(p, rect());
    }

    static unsigned modifiersOf(Qt::KeyboardModifiers m) {
        unsigned out = ChartToolController::kNoModifier;
        if (m & Qt::ShiftModifier) out |= ChartToolController::kShift;
        if (m & Qt::ControlModifier) out |= ChartToolController::kCtrl;
        return out;
    }

    // What the controller asked for, done in this widget.
    void apply(unsigned effects) {
        if (effects & ChartToolController::kStartPan) setCursor(Qt::ClosedHandCursor);
        if (effects & ChartToolController::kEndGesture) unsetCursor();
        if (effects & ChartToolController::kReadouts) v_->updateReadouts();
        if (effects & ChartToolController::kFitAll) v_->fitAll();
        if (effects & ChartToolController::kEditMarker) v_->cmdEditMarker();
        if (effects & ChartToolController::kRedraw) update();
    }

    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        syncTool();
        const ChartToolController::Button b = e->button() == Qt::LeftButton     ? ChartToolController::kLeft
                                              : e->button() == Qt::MiddleButton ? ChartToolController::kMiddle
                                                                                : ChartToolController::kRight;
        apply(v_->tool_.buttonDown(b, toPlot(e->position()), modifiersOf(e->modifiers())));
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        syncTool();
        apply(v_->tool_.mouseMove(toPlot(e->position()), e->buttons() & Qt::LeftButton));
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        syncTool();
        apply(v_->tool_.buttonUp(toPlot(e->position())));
    }

    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        syncTool();
        apply(v_->tool_.doubleClick(toPlot(e->position())));
    }

    void wheelEvent(QWheelEvent* e) override {
        syncTool();
        apply(v_->tool_.wheel(e->angleDelta().y() / 120.0, toPlot(e->position()), modifiersOf(e->modifiers())));
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override {
        syncTool();
        ChartToolController& tool = v_->tool_;
        const double middle = tool.xAt(plotRect().width() / 2.0);
        switch (e->key()) {
            case Qt::Key_Space: v_->cmdInsertMarker(); return;
            case Qt::Key_Home: v_->fitAll(); return;
            case Qt::Key_Plus:
            case Qt::Key_Equal: v_->zoomX(0.8, middle); return;
            case Qt::Key_Minus: v_->zoomX(1.25, middle); return;
            case Qt::Key_Left: tool.scrollPixels(-plotRect().width() / 8.0); update(); return;
            case Qt::Key_Right: tool.scrollPixels(plotRect().width() / 8.0); update(); return;
            case Qt::Key_Escape: tool.clearSelection(); apply(ChartToolController::kReadouts | ChartToolController::kRedraw); return;
            default: QWidget::keyPressEvent(e);
        }
    }

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
        syncTool();
        // A chart opened from a file is fitted once it knows its size.
        if (!v_->fitted_ && v_->shown().traceCount() > 0) v_->fitAll();
    }

private:
    ZchartView* v_;
};

ZchartView::ZchartView(ZchartDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc), tool_(*doc) {
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
    // Line-scan views draw on their traces and take presses on the plot
    // first; their hooks see canvas pixels.
    ChartToolController::Overlay overlay;
    auto toCanvas = [this](ChartToolController::Point p) {
        return QPointF(p.x + plotRect().left(), p.y + plotRect().top());
    };
    overlay.press = [this, toCanvas](ChartToolController::Point p, unsigned mods) {
        Qt::KeyboardModifiers m;
        if (mods & ChartToolController::kShift) m |= Qt::ShiftModifier;
        if (mods & ChartToolController::kCtrl) m |= Qt::ControlModifier;
        return plotPress(toCanvas(p), m);
    };
    overlay.drag = [this, toCanvas](ChartToolController::Point p) { plotDrag(toCanvas(p)); };
    overlay.release = [this, toCanvas](ChartToolController::Point p) { plotRelease(toCanvas(p)); };
    tool_.setOverlay(std::move(overlay));
    if (doc_) doc_->AddView(this);
    ChartPainter::syncDisplays(state_, *doc_);
    refreshTraceList();
    buildMenus();
}

ZchartView::~ZchartView() {
    // The Edit Marker dialog forgets markers of a chart whose view goes.
    if (doc_)
        for (const CMarker& m : doc_->markers()) ordavia::chartui::closeEditMarkerFor(&m);
    if (doc_) doc_->RemoveView(this);
}

QRect ZchartView::plotRect() const { return canvas_->plotRect(); }

void ZchartView::setShownDocument(const ZchartDoc* shown) {
    shown_ = shown;
    tool_.setShown(shown);
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
    if (state_.selectedMarker >= static_cast<int>(doc_->markers().size())) state_.selectedMarker = -1;
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
    canvas_->syncTool();
    if (tool_.zoomToSelection()) canvas_->update();
}

void ZchartView::zoomX(double factor, double aroundX) {
    tool_.zoomX(factor, aroundX);
    canvas_->update();
}

void ZchartView::zoomY(double factor, double aroundY) {
    canvas_->syncTool();
    tool_.zoomY(factor, aroundY - plotRect().top());
    canvas_->update();
}

double ZchartView::xAtPixel(double px) const { return tool_.xAt(px - plotRect().left()); }

double ZchartView::pixelAtX(double x) const { return plotRect().left() + tool_.pxAtX(x); }

double ZchartView::yAtPixel(int index, double py) const {
    canvas_->syncTool();
    return tool_.yAt(index, py - plotRect().top());
}

double ZchartView::pixelAtY(int index, double y) const {
    canvas_->syncTool();
    return plotRect().top() + tool_.pyAtY(index, y);
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
    const auto texts = tool_.readouts();
    for (int i = 0; i < 4; ++i) panes_[i]->setText(QString::fromStdString(texts[size_t(i)]));
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
