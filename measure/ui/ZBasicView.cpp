#include "measure/ui/ZBasicView.h"

#include <QStyle>

#include <cmath>
#include <utility>

#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "base/Paths.h"
#include "base/Text.h"
#include "chart/ZliveChartDoc.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "image/ui/ImageToQImage.h"
#include "measure/ZBasicDoc.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ui/WidthMethodDialog.h"
#include "settings/ProfileStore.h"
#include "framework/ui/SubWindowPlacement.h"
#include "framework/ui/ViewPngExport.h"
#include "measure/ui/HistogramChart.h"
#include "measure/ui/ImageDocMenus.h"
#include "measure/ui/ImageDocPainter.h"
#include "measure/ui/ImagePrinting.h"
#include "measure/ui/ViewStatusPanes.h"

using namespace ordavia;

using TC = ImageToolController;

namespace {

constexpr const char* kLineScanFromVideo =
    "Line scans are taken from videos: open a video, draw a line along a capillary and start the scan there.";

// Commands of the view that later work provides: shown, disabled, with the
// feature that brings them.
struct LaterCommand {
    const char* text;
    const char* comesWith;
};
const LaterCommand kLaterCommands[] = {
    // A still picture has no time axis: line scans are taken from videos,
    // whose view enables these three.
    {"&Linescan", kLineScanFromVideo},
    {"Measuring line", kLineScanFromVideo},
    {"Temporal 2nd Measuring line", kLineScanFromVideo},
};

// A tool command's menu text and its prompt, stored as one text with the
// prompt after a '\n'; split once.
struct ToolText {
    std::string text, prompt;
};
const std::vector<ToolText>& toolTexts() {
    static const std::vector<ToolText> texts = [] {
        std::vector<ToolText> out;
        for (const TC::ToolCommand& t : TC::kToolCommands) {
            const std::string stored = t.menuText;
            const size_t nl = stored.find('\n');
            out.push_back({stored.substr(0, nl), nl == std::string::npos ? std::string() : stored.substr(nl + 1)});
        }
        return out;
    }();
    return texts;
}

// Cursors of the select tool: Shift adds to the selection, Ctrl rotates.
QCursor makeCursor(bool rotate) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF arrow[] = {{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}};
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow, 7);
    p.setPen(QPen(Qt::black, 3));
    if (rotate) {
        p.drawArc(QRectF(15, 15, 13, 13), 30 * 16, 280 * 16);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawArc(QRectF(15, 15, 13, 13), 30 * 16, 280 * 16);
        p.setBrush(Qt::white);
        p.setPen(QPen(Qt::black, 1));
        const QPointF head[] = {{27, 14}, {30, 20}, {24, 19}};
        p.drawPolygon(head, 3);
    } else {
        p.drawLine(QPointF(22, 16), QPointF(22, 28));
        p.drawLine(QPointF(16, 22), QPointF(28, 22));
        p.setPen(QPen(Qt::white, 1));
        p.drawLine(QPointF(22, 16), QPointF(22, 28));
        p.drawLine(QPointF(16, 22), QPointF(28, 22));
    }
    p.end();
    return QCursor(pm, 1, 1);
}

}  // namespace

// The picture surface inside the scroll area: paints through
// ImageDocPainter and turns mouse events into image coordinates.
class ZBasicCanvas : public QWidget {
public:
    explicit ZBasicCanvas(ZBasicView* view) : QWidget(view), view_(view) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

    void refreshCursor(Qt::KeyboardModifiers mods) {
        static const QCursor select = makeCursor(false), rotate = makeCursor(true);
        switch (view_->tools().toolMode()) {
            case TC::kSelect:
                if (mods & Qt::ControlModifier)
                    setCursor(rotate);
                else if (mods & Qt::ShiftModifier)
                    setCursor(select);
                else
                    setCursor(Qt::ArrowCursor);
                break;
            case TC::kPan: setCursor(panning_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor); break;
            case TC::kTrace: setCursor(Qt::PointingHandCursor); break;
            default: setCursor(Qt::CrossCursor); break;
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        if (!view_->doc_) return;
        ImagePaintOptions o;
        o.mapping.scale = view_->tools_->zoomFactor();
        o.showDustList = view_->tools_->editingDustList();
        o.rubberBand = view_->tools_->rubberBand();
        ImageDocPainter(*view_->doc_).paint(p, view_->picture_, o);
    }

    ZPoint imagePoint(QMouseEvent* e) const {
        const QPoint w = e->position().toPoint();
        return view_->tools_->toImage(w.x(), w.y());
    }
    static bool shift(QInputEvent* e) { return e->modifiers() & Qt::ShiftModifier; }
    static bool ctrl(QInputEvent* e) { return e->modifiers() & Qt::ControlModifier; }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !view_->doc_) return QWidget::mousePressEvent(e);
        // The click that brought the window to the front only does that:
        // no measurement is started on a picture the user was not looking at.
        swallowing_ = view_->justActivated_;
        if (swallowing_) return;
        const unsigned fx = view_->tools_->buttonDown(imagePoint(e), shift(e), ctrl(e));
        if (fx & TC::kStartPan) {
            panning_ = true;
            panFrom_ = e->globalPosition().toPoint();
            panStart_ = {view_->horizontalScrollBar()->value(), view_->verticalScrollBar()->value()};
        }
        view_->applyEffects(fx);
        refreshCursor(e->modifiers());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!view_->doc_) return;
        const ZPoint p = imagePoint(e);
        if (swallowing_) return view_->updateStatus(p);
        if (panning_) {
            const QPoint d = e->globalPosition().toPoint() - panFrom_;
            view_->horizontalScrollBar()->setValue(panStart_.x() - d.x());
            view_->verticalScrollBar()->setValue(panStart_.y() - d.y());
        } else {
            view_->applyEffects(view_->tools_->mouseMove(p, shift(e), ctrl(e)));
        }
        view_->updateStatus(p);
        refreshCursor(e->modifiers());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !view_->doc_) return QWidget::mouseReleaseEvent(e);
        if (std::exchange(swallowing_, false)) return;
        panning_ = false;
        view_->applyEffects(view_->tools_->buttonUp(imagePoint(e), shift(e), ctrl(e)));
        refreshCursor(e->modifiers());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !view_->doc_) return QWidget::mouseDoubleClickEvent(e);
        view_->applyEffects(view_->tools_->doubleClick(imagePoint(e), shift(e), ctrl(e)));
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) {
            view_->applyEffects(view_->tools_->cancelBuilding());
        } else if (e->key() == Qt::Key_Delete) {
            if (view_->tools_->deleteCurrent()) view_->applyEffects(TC::kRedraw | TC::kDocumentChanged);
        } else {
            QWidget::keyPressEvent(e);
        }
        refreshCursor(e->modifiers());
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        refreshCursor(e->modifiers());
        QWidget::keyReleaseEvent(e);
    }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y();
        if (steps == 0) return QWidget::wheelEvent(e);
        view_->zoomAround(e->position(), steps > 0);
        e->accept();
    }
    void enterEvent(QEnterEvent* e) override {
        refreshCursor(QApplication::keyboardModifiers());
        QWidget::enterEvent(e);
    }

private:
    ZBasicView* view_;
    bool panning_ = false;
    bool swallowing_ = false;
    QPoint panFrom_, panStart_;
};

ZBasicView::ZBasicView(ZBasicDoc* doc, QWidget* parent)
    : QScrollArea(parent), doc_(doc), tools_(std::make_unique<ImageToolController>(*doc)) {
    setBackgroundRole(QPalette::Dark);
    canvas_ = new ZBasicCanvas(this);
    setWidget(canvas_);
    setWidgetResizable(false);
    doc_->AddView(this);
    buildMenus();
    rebuildPicture();
}

ZBasicView::~ZBasicView() {
    // The chart outlives its producer: it must not clear a slot that is gone.
    if (liveChart_ && liveChart_->ownerSlot == &liveChart_) liveChart_->ownerSlot = nullptr;
    if (auto* panes = ViewStatusPanes::forWidget(this)) panes->hideFor(this);
    if (doc_) doc_->RemoveView(this);
}

QWidget* ZBasicView::canvas() const { return canvas_; }

QSize ZBasicView::sizeHint() const {
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize picture = canvas_ ? canvas_->size() : QSize();
    return (picture + QSize(2 * frameWidth() + bar, 2 * frameWidth() + bar)).expandedTo(QSize(200, 150));
}

// ---------------------------------------------------------------------------
// Document

void ZBasicView::OnUpdate(Document*, long hint) {
    if (hint != kHintOverlays) rebuildPicture();
    canvas_->update();
    updateStatus(cursor_);
    if (hint != Document::kHintClosing) feedGreyLevel(false);
}

void ZBasicView::rebuildPicture() {
    picture_ = doc_ ? imageToQImage(doc_->image()) : QImage();
    resizeCanvas();
}

void ZBasicView::resizeCanvas() {
    const double z = tools_->zoomFactor();
    int w = 0, h = 0;
    if (doc_ && !picture_.isNull()) {
        w = static_cast<int>((doc_->image().originX() + picture_.width()) * z + 0.5);
        h = static_cast<int>((doc_->image().originY() + picture_.height()) * z + 0.5);
    }
    canvas_->resize(std::max(w, 1), std::max(h, 1));
    canvas_->update();
}

void ZBasicView::applyEffects(unsigned fx) {
    if (fx & TC::kImageChanged) rebuildPicture();
    if (fx & (TC::kRedraw | TC::kImageChanged)) canvas_->update();
    // The others views of the document, and the frame's title (modified).
    if (doc_ && (fx & TC::kDocumentChanged)) doc_->UpdateAllViews(this, kHintOverlays);
    updateStatus(cursor_);
    if (fx & (TC::kRedraw | TC::kImageChanged | TC::kDocumentChanged)) feedGreyLevel(false);
}

void ZBasicView::showEvent(QShowEvent* e) {
    QScrollArea::showEvent(e);
    if (frame_) return;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            frame_ = sub;
            if (QMdiArea* mdi = sub->mdiArea()) {
                connect(mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* active) {
                    if (active && active == frame_.data()) {
                        // A mouse press that activates the window arrives
                        // after this; it is told apart until the events of
                        // this round are delivered.
                        justActivated_ = true;
                        QTimer::singleShot(0, this, [this] { justActivated_ = false; });
                        updateStatus(cursor_);
                        syncToolActions();
                    } else if (auto* panes = ViewStatusPanes::forWidget(this)) {
                        panes->hideFor(this);
                    }
                });
            }
            break;
        }
    }
    updateStatus(cursor_);
}

void ZBasicView::updateStatus(ZPoint cursor) {
    cursor_ = cursor;
    if (!doc_) return;
    if (frame_ && frame_->mdiArea() && frame_->mdiArea()->activeSubWindow() != frame_) return;
    if (auto* panes = ViewStatusPanes::forWidget(this)) panes->show(this, tools_->statusTexts(cursor));
}

QImage ZBasicView::renderToImage() const {
    QImage out(std::max(1, picture_.width()), std::max(1, picture_.height()), QImage::Format_RGB32);
    out.fill(Qt::black);
    if (!doc_) return out;
    QPainter p(&out);
    ImagePaintOptions o;
    o.mapping.offset = QPointF(-doc_->image().originX(), -doc_->image().originY());
    o.showDustList = tools_->editingDustList();
    ImageDocPainter(*doc_).paint(p, picture_, o);
    return out;
}

QImage ZBasicView::renderViewImage() const {
    const QSize size = canvas_->size();
    if (static_cast<long long>(size.width()) * size.height() > ordavia::kMaxExportPixels) return {};
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return out;
    out.fill(canvas_->palette().color(QPalette::Dark));
    if (!doc_) return out;
    QPainter p(&out);
    ImagePaintOptions o;
    o.mapping.scale = tools_->zoomFactor();
    o.showDustList = tools_->editingDustList();
    ImageDocPainter(*doc_).paint(p, picture_, o);
    return out;
}

void ZBasicView::exportViewAsPng() {
    if (!doc_) return;
    Prompter& prompter = doc_->services().prompter();
    const QImage shown = renderViewImage();
    if (shown.isNull()) {
        prompter.messageBox(strprintf("The view is too large to export at this zoom (%i x %i pixels). Zoom out first.",
                                      canvas_->width(), canvas_->height()),
                            MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    const std::string& path = doc_->GetPathName();
    const std::string base = withoutExtension(path.empty() ? doc_->GetTitle() : path);
    const auto saved = ordavia::exportViewAsPng(shown, prompter, base + "-view.png", {path, doc_->imageFileName()});
    if (saved)
        if (auto* main = qobject_cast<QMainWindow*>(window()))
            main->statusBar()->showMessage(QString::fromStdString("View exported to " + *saved), 8000);
}

// ---------------------------------------------------------------------------
// Menus

void ZBasicView::buildMenus() {
    editMenu_ = new QMenu("&Edit", this);
    addCommands(editMenu_, this,
                {{.text = TC::kCopy, .run = [this] { copyDimension(); }, .shortcut = QKeySequence::Copy},
                 {.text = TC::kPaste, .run = [this] { pasteDimension(); }, .shortcut = QKeySequence::Paste,
                  .enabled =
                      [] {
                          const QMimeData* md =
                              QGuiApplication::clipboard() ? QGuiApplication::clipboard()->mimeData() : nullptr;
                          return md && md->hasFormat(kClipboardFormat);
                      },
                  .action = &pasteAction_},
                 {.text = TC::kDelete, .run = [this] {
                      if (tools_->deleteCurrent()) applyEffects(TC::kRedraw | TC::kDocumentChanged);
                  }}});

    viewMenu_ = new QMenu("&View", this);
    addCommands(viewMenu_, this,
                {{.text = TC::kZoomIn, .run = [this] { zoomIn(); }, .shortcut = QKeySequence::ZoomIn},
                 {.text = TC::kZoomOut, .run = [this] { zoomOut(); }, .shortcut = QKeySequence::ZoomOut},
                 {.text = kFitToWindow, .run = [this] { fitToWindow(); }, .shortcut = QKeySequence(Qt::CTRL | Qt::Key_0)}});

    // The tools are one radio group; the tool in use is ticked.
    CommandTable tools;
    const std::vector<ToolText>& texts = toolTexts();
    for (size_t i = 0; i < TC::kToolCommands.size(); ++i) {
        const int mode = TC::kToolCommands[i].mode;
        tools.push_back({.text = texts[i].text.c_str(),
                         .run =
                             [this, mode] {
                                 const unsigned fx = tools_->finishBuilding();
                                 tools_->chooseTool(mode);
                                 syncToolActions();
                                 canvas_->refreshCursor(QApplication::keyboardModifiers());
                                 applyEffects(fx | TC::kRedraw);
                             },
                         .tip = texts[i].prompt.empty() ? nullptr : texts[i].prompt.c_str(),
                         .radio = "tool",
                         .checked = [this, mode] { return tools_->toolMode() == mode; }});
    }
    const auto changed = [this](unsigned effects, auto done) {
        return [this, effects, done] {
            if (done()) applyEffects(effects);
        };
    };
    const unsigned edited = TC::kRedraw | TC::kDocumentChanged;
    CommandTable rest = {
        separator(),
        {.text = TC::kSetLineWidth,
         .run = changed(edited, [this] { return tools_->setLineWidth(doc_->services().prompter()); })},
        {.text = TC::kRotateSelected,
         .run = changed(edited, [this] { return tools_->rotateSelected(doc_->services().prompter()); })},
        {.text = TC::kGreyLevel, .run = [this] { showGreyLevel(); }},
        {.text = TC::kSetRegion,
         .run = changed(TC::kImageChanged | TC::kDocumentChanged, [this] { return tools_->setRegion(); })},
        {.text = kHistogram, .run = [this] { showHistogram(); }},
        {.text = kRemoveDustMarks, .run = [this] { removeDustMarks(); }},
        separator(),
        {.text = CapillaryWidthTool::kFindWidth, .run = [this] { findCapillaryWidth(); },
         .tip = "Width of the capillary across the selected line, or across every line of the list"},
        {.text = CapillaryWidthTool::kMeasureLoops, .run = [this] { measureNailfoldLoops(); },
         .tip = "Apex, loop and limb widths of each loop whose apex a line crosses"},
        {.text = kWidthMethod, .run = [this] { chooseWidthMethod(); }},
    };
    for (const LaterCommand& c : kLaterCommands) rest.push_back({.text = c.text, .tip = c.comesWith, .toolTip = c.comesWith});
    tools.insert(tools.end(), rest.begin(), rest.end());
    toolsMenu_ = new QMenu("&Tools", this);
    toolsMenu_->setToolTipsVisible(true);
    toolActions_ = addCommands(toolsMenu_, this, tools).mid(0, static_cast<int>(TC::kToolCommands.size()));

    printAction_ = new QAction(TC::kPrint, this);
    printAction_->setShortcut(QKeySequence::Print);
    connect(printAction_, &QAction::triggered, this, &ZBasicView::printDocument);
    previewAction_ = new QAction(TC::kPrintPreview, this);
    connect(previewAction_, &QAction::triggered, this, &ZBasicView::printPreview);
    exportPngAction_ = new QAction(ordavia::kExportViewAsPng, this);
    exportPngAction_->setStatusTip("Save the picture as this window shows it, with its overlays, as a PNG file");
    connect(exportPngAction_, &QAction::triggered, this, &ZBasicView::exportViewAsPng);
    syncToolActions();
}

void ZBasicView::syncToolActions() {
    for (size_t i = 0; i < TC::kToolCommands.size() && i < static_cast<size_t>(toolActions_.size()); ++i)
        toolActions_[static_cast<int>(i)]->setChecked(TC::kToolCommands[i].mode == tools_->toolMode());
}

QList<QMenu*> ZBasicView::documentMenus() {
    if (!docMenusMade_ && doc_) {
        docMenus_ = imageDocumentMenus(doc_, this);
        docFileActions_ = imageDocumentFileActions(doc_, this);
        docMenusMade_ = true;
    }
    QList<QMenu*> menus{editMenu_, viewMenu_};
    menus += docMenus_;
    menus << toolsMenu_;
    return menus;
}

QList<QAction*> ZBasicView::fileActions() {
    documentMenus();
    QList<QAction*> acts = docFileActions_;
    acts << exportPngAction_ << printAction_ << previewAction_;
    return acts;
}

QAction* ZBasicView::findAction(const QString& text) const {
    QList<QMenu*> menus{editMenu_, viewMenu_, toolsMenu_};
    menus += docMenus_;
    for (QMenu* m : menus)
        for (QAction* a : m->actions())
            if (a->text() == text) return a;
    if (text == printAction_->text()) return printAction_;
    if (text == previewAction_->text()) return previewAction_;
    if (text == exportPngAction_->text()) return exportPngAction_;
    return nullptr;
}
