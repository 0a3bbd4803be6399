#pragma once
// The view of a video document: the image view of the current frame with
// every measuring tool, and under it a player bar (first, back, play,
// forward, last, loop, a position slider, frame and time read-outs, the
// selected range). Playback runs on the framework's timer; keys: Space
// plays and pauses, Left/Right step, Home/End jump, I and O mark the start
// and the end of the selection.
#include <QPointF>
#include <memory>

#include "measure/ui/ZBasicView.h"

class CMotivaDoc;
namespace ordavia {
struct MovementParams;
}
class QLabel;
class QSlider;
class QToolButton;
namespace ordavia {
class AppServices;
class LineScanLink;
class Progress;
class Timer;
}  // namespace ordavia

class CMotivaView : public ZBasicView {
    Q_OBJECT
public:
    static constexpr int kPlaybackTimerId = 1234;

    explicit CMotivaView(CMotivaDoc* doc, QWidget* parent = nullptr);
    ~CMotivaView() override;

    CMotivaDoc* video() const { return video_; }
    // "play image sequence": starts, or stops when running.
    void togglePlay();
    // "&Loop": looping on, and playing.
    void playLooping();
    void stop();
    bool playing() const;
    bool looping() const { return loop_; }
    // One timer tick: the next frame, or the end of playback.
    void tick();
    void step(int delta);
    // The scan line chosen with "Measuring line" and the second line of the
    // two-line method ("Temporal 2nd Measuring line"): indexes in the
    // current dimension list, -1 when none was chosen.
    int measuringLine(bool second) const { return second ? secondLine_ : firstLine_; }
    void setMeasuringLine(bool second, int index);

    // "&Automatic Movement Correction": the parameter dialog, then one frame
    // per tick of the second timer with a progress window.
    void startMovementCorrection();
    // The run without the dialog.
    void runMovementCorrection(const ordavia::MovementParams& p);
    bool correcting() const { return movementProgress_ != nullptr; }
    // One step of the run; the end of the run when it reports the end.
    void movementTick();
    // "Correct &Movement (drag image)" and "&Track movement": dragging moves
    // the frame shown (tracking moves the later frames with it).
    enum class DragMode { None, Correct, Track };
    void setDragMode(DragMode m);
    DragMode dragMode() const { return dragMode_; }

    // "&Record...": start or stop recording the live video. Only the
    // recording views record; for others the command stays disabled.
    virtual bool canRecord() const { return false; }
    virtual void recordCommand() {}
    virtual bool isRecording() const { return false; }

    void OnUpdate(ordavia::Document* doc, long hint) override;
    QList<QMenu*> documentMenus() override;
    QList<QAction*> fileActions() override;
    QSize sizeHint() const override;
    void updateStatus(ordavia::ZPoint cursor) override;
    // The services' line-scan link the view reports to; null without one.
    ordavia::LineScanLink* lineScanLink() const;

protected:
    // The player bar under the picture (views that derive add their own buttons).
    QWidget* playerBar() const { return bar_; }
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildBar();
    void syncBar();
    void buildVideoMenus();
    bool canPlay() const;
    void connectLineScanCommands();

    CMotivaDoc* video_;
    // Kept from the document: the view may outlive it at closing, never the
    // services.
    ordavia::AppServices* services_;
    std::unique_ptr<ordavia::Timer> timer_;
    bool loop_ = false;
    QWidget* bar_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QToolButton* loopButton_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* frameLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    QAction* playAction_ = nullptr;
    QAction* loopAction_ = nullptr;
    QList<QMenu*> videoMenus_;
    QList<QAction*> videoFileActions_;
    bool syncing_ = false;
    std::unique_ptr<ordavia::Timer> movementTimer_;
    std::unique_ptr<ordavia::Progress> movementProgress_;
    DragMode dragMode_ = DragMode::None;
    bool dragging_ = false;
    QPointF dragFrom_;
    int lastFrame_ = -1;
    int firstLine_ = -1, secondLine_ = -1;

};

// Registers the view maker of "CMotivaView".
namespace ordavia {
void registerVideoViews();
}  // namespace ordavia
