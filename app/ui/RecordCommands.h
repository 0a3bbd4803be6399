#pragma once
// What the frame's recording commands ("&Record sequence", "&Image
// sequence...", "Open C&ytoscan file...") do to the recorder document: find
// or open it, start it on the live video, stop it, show its settings, and
// open a Cytoscan recording as a video.
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

    RecordCommands(CBasicApp& app, MainFrame& frame);

    // The live video document, opened when there is none and `open`.
    ZBasicfgDoc* liveDocument(bool open);
    // The recorder document, opened when there is none and `open`.
    CMotivaRecDoc* recorder(bool open);
    bool recording();
    // Starts the live video when it is not running and records it; false
    // when there is no live video window to record.
    bool startRecording();
    void stopRecording();
    void imageSequence();
    void openCytoscan();

private:
    CBasicApp& app_;
    MainFrame& frame_;
    Document* recorder_ = nullptr;
};

}  // namespace ordavia
