#pragma once
// The frame's recording commands: "&Record sequence" (F12) starts the live
// video and records it into the recorder document, or stops a running
// recording; "&Image sequence..." shows the recorder's sequence settings;
// "Open C&ytoscan file..." opens a Cytoscan recording as a video.
#include <QList>
#include <QObject>

#include "framework/Document.h"

class CBasicApp;
class CMotivaRecDoc;
class ZBasicfgDoc;
class QAction;
class QMenu;

namespace ordavia {

class Document;
class MainFrame;

class RecordCommands : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kNoLiveVideo = "Could not initialise video input device.";

    RecordCommands(CBasicApp& app, MainFrame& frame, QMenu* fileMenu, QAction* insertBefore);
    ~RecordCommands() override;

    // "&Record sequence" and "&Image sequence...", for the frame's View menu.
    QList<QAction*> actions() const { return actions_; }

    // The live video document, opened when there is none and `open`.
    ZBasicfgDoc* liveDocument(bool open);
    // The recorder document, opened when there is none and `open`.
    CMotivaRecDoc* recorder(bool open);
    void recordSequence();
    void imageSequence();
    void openCytoscan();

private:
    // Keeps the check mark of "&Record sequence" with the recorder's state.
    struct RecorderWatch : DocumentView {
        RecordCommands* owner = nullptr;
        void OnUpdate(Document* doc, long hint) override;
    };

    CBasicApp& app_;
    MainFrame& frame_;
    Document* recorder_ = nullptr;
    QAction* recordAction_ = nullptr;
    QList<QAction*> actions_;
    RecorderWatch watch_;
};

}  // namespace ordavia
