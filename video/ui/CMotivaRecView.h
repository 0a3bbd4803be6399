#pragma once
// The views of the recording documents: a video view that records the
// current live video ("&Record..." starts and stops, "stop" stops) and
// shows, while it records, how many frames it has stored. The
// "Image Sequence Settings" dialog edits what the next recording does.
#include "video/ui/CMotivaView.h"

class CMotivaRecDoc;
class ZBasicfgDoc;
class ZVcytoDoc;
class QDialog;
class QLabel;

class CMotivaRecView : public CMotivaView {
    Q_OBJECT
public:
    explicit CMotivaRecView(CMotivaRecDoc* doc, QWidget* parent = nullptr);
    ~CMotivaRecView() override;

    CMotivaRecDoc* recorder() const { return recorder_; }
    // The live video document a recording starts from (null without one).
    ZBasicfgDoc* currentLive() const;

    bool canRecord() const override { return true; }
    void recordCommand() override;
    bool isRecording() const override;
    // The view's "stop": ends a recording (and playback).
    void stopAll();

    void OnUpdate(ordavia::Document* doc, long hint) override;
    QList<QMenu*> documentMenus() override;
    // Room in the bar for the record buttons beside the player's.
    QSize sizeHint() const override { return CMotivaView::sizeHint() + QSize(120, 0); }

private:
    void syncRecordBar();

    CMotivaRecDoc* recorder_;
    QWidget* recordBar_ = nullptr;
    QAction* recordAction_ = nullptr;
    QLabel* recordLabel_ = nullptr;
};

class ZVcytoView : public CMotivaRecView {
    Q_OBJECT
public:
    explicit ZVcytoView(ZVcytoDoc* doc, QWidget* parent = nullptr);
};

namespace ordavia {
// "Image Sequence Settings" for `doc`, with the region and rate of `live`
// (may be null). Not shown: the dialog itself, for tests to fill and accept.
QDialog* makeImageSequenceDialog(CMotivaRecDoc* doc, ZBasicfgDoc* live, QWidget* parent);
// Shows it; true when confirmed (the settings are then the document's).
bool imageSequenceDialog(CMotivaRecDoc* doc, ZBasicfgDoc* live, QWidget* parent);
// Registers the view makers of "CMotivaRecView" and "ZVcytoView".
void registerRecordingViews();
}  // namespace ordavia
