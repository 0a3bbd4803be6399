#include "video/ui/CMotivaView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QMenu>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/LineScanLink.h"
#include "framework/Prompter.h"
#include "framework/Timer.h"
#include "framework/ui/ViewRegistry.h"
#include "measure/ui/ViewStatusPanes.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/MovementCorrection.h"
#include "video/ui/CMotivaRecView.h"
#include "video/ui/MovementDialog.h"
#include "video/ui/VideoMenus.h"
#include "video/ui/fcfview.h"

using namespace ordavia;

namespace {
constexpr int kBarHeight = 40;

// Player symbols drawn in the bar's light colour, so that they look the
// same whatever the style and fonts of the desktop.
enum class Glyph { First, Back, Play, Pause, Forward, Last, Loop };

QIcon glyph(Glyph g) {
    const qreal dpr = 2;
    QPixmap pm(int(18 * dpr), int(18 * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#e8eaed"));
    auto tri = [&](qreal x0, qreal x1) {  // pointing right when x1 > x0
        p.drawPolygon(QPolygonF({QPointF(x0, 3), QPointF(x1, 9), QPointF(x0, 15)}));
    };
    switch (g) {
    case Glyph::Play: tri(5, 15); break;
    case Glyph::Pause:
        p.drawRect(QRectF(4.5, 3, 3.5, 12));
        p.drawRect(QRectF(10, 3, 3.5, 12));
        break;
    case Glyph::Forward:
        tri(4, 12);
        p.drawRect(QRectF(12, 3, 2.5, 12));
        break;
    case Glyph::Back:
        tri(14, 6);
        p.drawRect(QRectF(3.5, 3, 2.5, 12));
        break;
    case Glyph::Last:
        tri(2, 9);
        tri(8, 15);
        p.drawRect(QRectF(14.5, 3, 2, 12));
        break;
    case Glyph::First:
        tri(16, 9);
        tri(10, 3);
        p.drawRect(QRectF(1.5, 3, 2, 12));
        break;
    case Glyph::Loop: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor("#e8eaed"), 1.8));
        p.drawArc(QRectF(3, 3, 12, 12), 60 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor("#e8eaed"));
        p.drawPolygon(QPolygonF({QPointF(10.5, 1), QPointF(15.5, 4.5), QPointF(10, 7)}));
        break;
    }
    }
    return QIcon(pm);
}

QString timeText(double seconds) {
    const int m = int(seconds / 60);
    return QString::fromStdString(strprintf("%02i:%05.2f", m, seconds - 60.0 * m));
}
}  // namespace

CMotivaView::CMotivaView(CMotivaDoc* doc, QWidget* parent)
    : ZBasicView(doc, parent), video_(doc), services_(&doc->services()) {
    timer_ = doc->services().timers().create();
    timer_->onTimeout = [this] { tick(); };
    setViewportMargins(0, 0, 0, kBarHeight);
    setFocusPolicy(Qt::StrongFocus);
    buildBar();
    syncBar();
    movementTimer_ = doc->services().timers().create();
    movementTimer_->onTimeout = [this] { movementTick(); };
    // Drag correction takes the mouse before the measuring tools see it.
    canvas()->installEventFilter(this);
    lastFrame_ = video_->currentFrame();
    connectLineScanCommands();
}

CMotivaView::~CMotivaView() {
    if (timer_) timer_->stop();
    if (movementTimer_) movementTimer_->stop();
    if (LineScanLink* link = lineScanLink()) link->viewClosing(*this);
    // A run whose window goes ends where it is; its offsets so far stay.
    if (movementProgress_) {
        movementProgress_.reset();
        if (document()) video_->endMovementCorrection();
    }
}

// ---------------------------------------------------------------------------
// Movement correction

void CMotivaView::startMovementCorrection() {
    if (correcting() || !video_->hasFrames()) return;
    stop();
    ordavia::MovementParams p = ordavia::MovementParams::fromProfile(video_->profile());
    if (!movementDialog(this, p)) return;
    p.toProfile(video_->profile());
    runMovementCorrection(p);
}

void CMotivaView::runMovementCorrection(const ordavia::MovementParams& p) {
    if (correcting()) return;
    stop();
    if (ordavia::Status s = video_->startMovementCorrection(p); !s) {
        video_->prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const ordavia::MovementRun* run = video_->movementRun();
    movementProgress_ = video_->prompter().beginProgress("Calculating Movement Correction", "", run->totalSteps());
    if (!movementProgress_) {
        video_->endMovementCorrection();
        return;
    }
    movementTimer_->start(1);
}

void CMotivaView::movementTick() {
    const ordavia::MovementRun* run = video_->movementRun();
    const bool cancelled = !movementProgress_ || movementProgress_->cancelled();
    if (run && !cancelled && video_->movementStep()) {
        movementProgress_->setText(run->progressText());
        movementProgress_->setValue(run->stepsDone());
        return;
    }
    movementTimer_->stop();
    movementProgress_.reset();
    // Frames that did not decode, or nothing to align by: the offsets found
    // stay, and the user learns why some or all of them are missing.
    const ordavia::Status outcome = run && !cancelled ? run->status() : ordavia::Status::success();
    const int unaligned = run ? run->unaligned() : 0;
    video_->endMovementCorrection();
    syncBar();
    if (!outcome)
        video_->prompter().messageBox(outcome.reason(), MsgButtons::Ok, MsgIcon::Warning);
    else if (unaligned > 0)
        video_->prompter().messageBox(ordavia::strprintf("%d frames showed nothing to align by and kept their offsets.", unaligned),
                                      MsgButtons::Ok, MsgIcon::Warning);
}

void CMotivaView::setDragMode(DragMode m) {
    dragMode_ = m;
    dragging_ = false;
    canvas()->setCursor(m == DragMode::None ? Qt::ArrowCursor : Qt::SizeAllCursor);
}

bool CMotivaView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == canvas() && dragMode_ != DragMode::None && video_->hasFrames()) {
        switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::LeftButton) break;
            stop();
            dragging_ = true;
            dragFrom_ = me->position();
            return true;
        }
        case QEvent::MouseMove: {
            if (!dragging_) break;
            auto* me = static_cast<QMouseEvent*>(e);
            // Whole image pixels at the zoom shown; the rest waits for the next move.
            const double z = tools().zoomFactor();
            const QPointF d = (me->position() - dragFrom_) / (z > 0 ? z : 1.0);
            const int dx = int(d.x()), dy = int(d.y());
            if (dx || dy) {
                video_->shiftCurrentFrame(dx, dy, dragMode_ == DragMode::Track);
                dragFrom_ += QPointF(dx * z, dy * z);
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!dragging_) break;
            dragging_ = false;
            video_->endFrameShift();
            return true;
        default: break;
        }
    }
    return ZBasicView::eventFilter(watched, e);
}

LineScanLink* CMotivaView::lineScanLink() const { return services_->lineScanLink; }

void CMotivaView::setMeasuringLine(bool second, int index) { (second ? secondLine_ : firstLine_) = index; }

// The image view shows the line-scan commands disabled; a video with a
// line-scan link to report to makes them work.
void CMotivaView::connectLineScanCommands() {
    if (!lineScanLink()) return;
    struct Command {
        const char* text;
        const char* tip;
        void (*run)(LineScanLink&, CMotivaView&);
    };
    static const Command kCommands[] = {
        {"&Linescan", "Scans the current line (or the chosen measuring line) frame by frame while the video plays",
         [](LineScanLink& l, CMotivaView& v) { l.startScan(v); }},
        {"Measuring line", "Chooses the current dimension line as the line to scan",
         [](LineScanLink& l, CMotivaView& v) { l.chooseMeasuringLine(v, false); }},
        {"Temporal 2nd Measuring line",
         "Chooses the current dimension line as the second line of the two-line velocity method",
         [](LineScanLink& l, CMotivaView& v) { l.chooseMeasuringLine(v, true); }},
    };
    for (const Command& c : kCommands) {
        QAction* a = findAction(c.text);
        if (!a) continue;
        a->setEnabled(true);
        a->setToolTip(c.tip);
        a->setStatusTip(c.tip);
        auto run = c.run;
        connect(a, &QAction::triggered, this, [this, run] {
            if (LineScanLink* link = lineScanLink()) run(*link, *this);
        });
    }
}

bool CMotivaView::canPlay() const { return video_->hasFrames() && !isRecording(); }
bool CMotivaView::playing() const { return timer_ && timer_->isActive(); }

void CMotivaView::togglePlay() {
    if (playing()) {
        stop();
        return;
    }
    if (!canPlay()) return;
    if (video_->currentFrame() >= video_->frameCount() - 1 && !loop_) video_->goToFrame(0);
    timer_->start(video_->playbackInterval());
    syncBar();
}

void CMotivaView::playLooping() {
    loop_ = !loop_ || !playing();
    if (loop_ && !playing() && canPlay()) timer_->start(video_->playbackInterval());
    syncBar();
}

void CMotivaView::stop() {
    const bool was = playing();
    timer_->stop();
    syncBar();
    if (LineScanLink* link = lineScanLink(); was && link) link->playbackStopped(*this);
}

void CMotivaView::tick() {
    if (!canPlay()) {
        stop();
        return;
    }
    const int next = video_->currentFrame() + 1;
    if (next >= video_->frameCount()) {
        if (!loop_) {
            stop();
            return;
        }
        video_->goToFrame(0);
    } else {
        video_->goToFrame(next);
    }
}

void CMotivaView::step(int delta) {
    if (playing()) stop();
    video_->stepFrame(delta);
}

void CMotivaView::buildBar() {
    bar_ = new QWidget(this);
    bar_->setObjectName("videoBar");
    bar_->setStyleSheet(
        "#videoBar { background: #1f2124; border-top: 1px solid #3a3d42; }"
        "#videoBar QLabel { color: #e8eaed; font-family: monospace; }"
        "#videoBar QToolButton { color: #e8eaed; background: transparent; border: none; padding: 2px 5px; font-size: 15px; }"
        "#videoBar QToolButton:hover { background: #3a3d42; border-radius: 3px; }"
        "#videoBar QToolButton:checked { background: #3c4a63; border-radius: 3px; }"
        "QSlider::groove:horizontal { height: 4px; background: #5f6368; border-radius: 2px; }"
        "QSlider::sub-page:horizontal { background: #8ab4f8; border-radius: 2px; }"
        "QSlider::handle:horizontal { background: #e8eaed; width: 12px; margin: -5px 0; border-radius: 6px; }");
    auto* h = new QHBoxLayout(bar_);
    h->setContentsMargins(6, 2, 8, 2);
    h->setSpacing(2);
    auto button = [&](Glyph g, const QString& tip, auto f) {
        auto* b = new QToolButton(bar_);
        b->setIcon(glyph(g));
        b->setIconSize(QSize(18, 18));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, f);
        h->addWidget(b);
        return b;
    };
    button(Glyph::First, "First frame (Home)", [this] {
        stop();
        video_->goToFrame(0);
    });
    button(Glyph::Back, "step one frame/field back (Left)", [this] { step(-1); });
    playButton_ = button(Glyph::Play, "play image sequence (Space)", [this] { togglePlay(); });
    button(Glyph::Forward, "step one frame/field forwards (Right)", [this] { step(1); });
    button(Glyph::Last, "Last frame (End)", [this] {
        stop();
        video_->goToFrame(video_->frameCount() - 1);
    });
    loopButton_ = button(Glyph::Loop, "Loop", [this] {
        loop_ = loopButton_->isChecked();
        syncBar();
    });
    loopButton_->setCheckable(true);
    slider_ = new QSlider(Qt::Horizontal, bar_);
    slider_->setFocusPolicy(Qt::NoFocus);
    h->addSpacing(6);
    h->addWidget(slider_, 1);
    h->addSpacing(8);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) {
        if (!syncing_ && v != video_->currentFrame()) video_->goToFrame(v);
    });
    frameLabel_ = new QLabel(bar_);
    timeLabel_ = new QLabel(bar_);
    selectionLabel_ = new QLabel(bar_);
    selectionLabel_->setToolTip("Selected images (I marks the start, O the end)");
    h->addWidget(frameLabel_);
    h->addSpacing(10);
    h->addWidget(timeLabel_);
    h->addSpacing(10);
    h->addWidget(selectionLabel_);
}

void CMotivaView::syncBar() {
    if (!bar_) return;
    syncing_ = true;
    const int n = video_->frameCount();
    const int cur = std::max(0, video_->currentFrame());
    slider_->setEnabled(n > 0);
    slider_->setRange(0, std::max(0, n - 1));
    slider_->setValue(cur);
    playButton_->setIcon(glyph(playing() ? Glyph::Pause : Glyph::Play));
    loopButton_->setChecked(loop_);
    frameLabel_->setText(n > 0 ? QString("%1 / %2").arg(cur, 3, 10, QChar('0')).arg(n, 3, 10, QChar('0')) : "no frames");
    const double fps = video_->framesPerSecond() > 0 ? video_->framesPerSecond() : 25.0;
    timeLabel_->setText(n > 0 ? QString::fromStdString(video_->elapsedText()) + " / " + timeText(n / fps) : "");
    const int a = video_->selectionFirst(), b = video_->selectionLast();
    selectionLabel_->setText(a < 0 && b < 0 ? "all" : QString("[%1, %2)").arg(a < 0 ? 0 : a).arg(b < 0 ? n : b));
    if (playAction_) playAction_->setChecked(playing());
    if (loopAction_) loopAction_->setChecked(loop_);
    syncing_ = false;
}

void CMotivaView::OnUpdate(Document* doc, long hint) {
    ZBasicView::OnUpdate(doc, hint);
    syncBar();
    // Every frame shown, by playback or by hand, is one sample of a line scan.
    const int frame = video_->currentFrame();
    if (frame != lastFrame_) {
        lastFrame_ = frame;
        if (LineScanLink* link = lineScanLink()) link->frameShown(*this);
    }
}

void CMotivaView::updateStatus(ZPoint cursor) {
    ZBasicView::updateStatus(cursor);
    if (!video_->hasFrames()) return;
    if (auto* panes = ViewStatusPanes::forWidget(this); panes && panes->owner() == this) {
        std::array<std::string, ViewStatusPanes::kPaneCount> texts = tools().statusTexts(cursor);
        texts[4] = video_->frameText();
        texts[5] = video_->fieldText();
        texts[6] = video_->elapsedText();
        panes->show(this, texts);
    }
}

// The player's keys; others (and these with modifiers) go to the image
// view, whose arrow keys would otherwise scroll.
void CMotivaView::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        ZBasicView::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Space: togglePlay(); break;
    case Qt::Key_Right: step(1); break;
    case Qt::Key_Left: step(-1); break;
    case Qt::Key_Home:
        stop();
        video_->goToFrame(0);
        break;
    case Qt::Key_End:
        stop();
        video_->goToFrame(video_->frameCount() - 1);
        break;
    case Qt::Key_I:
        video_->setSelection(video_->currentFrame(), video_->selectionLast());
        syncBar();
        break;
    case Qt::Key_O:
        video_->setSelection(video_->selectionFirst(), video_->currentFrame() + 1);
        syncBar();
        break;
    default: ZBasicView::keyPressEvent(e); return;
    }
    e->accept();
}

void CMotivaView::resizeEvent(QResizeEvent* e) {
    ZBasicView::resizeEvent(e);
    const QRect vp = viewport()->geometry();
    bar_->setGeometry(0, vp.bottom() + 1, width(), kBarHeight);
    bar_->raise();
}

QSize CMotivaView::sizeHint() const {
    QSize s = ZBasicView::sizeHint();
    return QSize(std::max(s.width(), 560), s.height() + kBarHeight);
}

QList<QMenu*> CMotivaView::documentMenus() {
    QList<QMenu*> base = ZBasicView::documentMenus();
    if (videoMenus_.isEmpty()) buildVideoMenus();
    QList<QMenu*> out;
    for (QMenu* m : base) {
        if (m->title() == "&Process") continue;  // the video's own process menu runs over all frames
        out << m;
        if (m->title() == "&View") out += videoMenus_;
    }
    return out;
}

QList<QAction*> CMotivaView::fileActions() {
    QList<QAction*> base = ZBasicView::fileActions();
    if (videoMenus_.isEmpty()) buildVideoMenus();
    QList<QAction*> out;
    for (QAction* a : base) {
        if (a->text() == "&Import..." || a->text() == "&Export...") continue;
        out << a;
        if (a->text() == "Save &As...") out += videoFileActions_;
    }
    return out;
}

void CMotivaView::buildVideoMenus() {
    VideoMenus m = makeVideoMenus(this);
    videoMenus_ = m.menus;
    videoFileActions_ = m.fileActions;
    playAction_ = m.play;
    loopAction_ = m.loop;
    syncBar();
}

void ordavia::registerVideoViews() {
    registerViewMaker("CMotivaView", [](Document* d, QWidget* parent) -> QWidget* {
        auto* doc = dynamic_cast<CMotivaDoc*>(d);
        return doc ? new CMotivaView(doc, parent) : nullptr;
    });
    registerFcfView();
    registerRecordingViews();
}
