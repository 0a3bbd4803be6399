#include "app/ui/RecordCommands.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

#include "app/CBasicApp.h"
#include "app/ui/MainFrame.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaRecDoc.h"
#include "video/ui/CMotivaRecView.h"

namespace ordavia {

RecordCommands::RecordCommands(CBasicApp& app, MainFrame& frame, QMenu* fileMenu, QAction* insertBefore)
    : QObject(&frame), app_(app), frame_(frame) {
    auto* cyto = new QAction("Open C&ytoscan file...", this);
    cyto->setStatusTip("Open a Cytoscan recording (its header file) as a video");
    connect(cyto, &QAction::triggered, this, &RecordCommands::openCytoscan);
    fileMenu->insertAction(insertBefore, cyto);

    recordAction_ = new QAction("&Record sequence", this);
    recordAction_->setShortcut(QKeySequence(Qt::Key_F12));
    recordAction_->setCheckable(true);
    recordAction_->setStatusTip("Record the live video, or stop the recording");
    connect(recordAction_, &QAction::triggered, this, &RecordCommands::recordSequence);
    auto* settings = new QAction("&Image sequence...", this);
    settings->setStatusTip("How many frames a recording takes, and where it goes");
    connect(settings, &QAction::triggered, this, &RecordCommands::imageSequence);
    frame.addAction(recordAction_);  // F12 wherever the focus is
    actions_ = {recordAction_, settings};
    watch_.owner = this;
}

void RecordCommands::RecorderWatch::OnUpdate(Document* doc, long hint) {
    if (hint == Document::kHintClosing) {
        if (owner->recorder_ == doc) owner->recorder_ = nullptr;
        owner->recordAction_->setChecked(false);
        return;
    }
    if (auto* r = dynamic_cast<CMotivaRecDoc*>(doc)) owner->recordAction_->setChecked(r->recording());
}

RecordCommands::~RecordCommands() {
    if (recorder(false)) recorder_->RemoveListener(&watch_);
}

ZBasicfgDoc* RecordCommands::liveDocument(bool open) {
    CameraSources* c = CameraSources::of(app_.services());
    if (!c) return nullptr;
    if (c->liveDocument() || !open) return c->liveDocument();
    return dynamic_cast<ZBasicfgDoc*>(app_.OpenNewDocument(app_.templates().findByClass("ZBasicfgDoc")));
}

CMotivaRecDoc* RecordCommands::recorder(bool open) {
    const auto& docs = app_.documents();
    const bool alive = std::any_of(docs.begin(), docs.end(), [this](const auto& d) { return d.get() == recorder_; });
    if (!alive) recorder_ = nullptr;
    if (!recorder_ && open) {
        recorder_ = app_.OpenNewDocument(app_.templates().findByClass("ZVcytoDoc"));
        if (recorder_) recorder_->AddListener(&watch_);
    }
    return dynamic_cast<CMotivaRecDoc*>(recorder_);
}

void RecordCommands::recordSequence() {
    if (CMotivaRecDoc* r = recorder(false); r && r->recording()) {
        (void)r->stopRecording();
        return;
    }
    ZBasicfgDoc* live = liveDocument(true);
    if (!live) {
        app_.services().prompter().messageBox(kNoLiveVideo, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    if (!live->isLive()) live->startLive();
    CMotivaRecDoc* r = recorder(true);
    if (!r) return;
    frame_.activateDocument(r);
    (void)r->startRecording(live);
}

void RecordCommands::imageSequence() {
    CMotivaRecDoc* r = recorder(true);
    if (!r) return;
    frame_.activateDocument(r);
    imageSequenceDialog(r, liveDocument(false), &frame_);
}

void RecordCommands::openCytoscan() {
    DocTemplate* t = app_.templates().findByClass("ZVcytoDoc");
    if (!t || !t->isBound()) return;
    Prompter& p = app_.services().prompter();
    // The header extension is a setting; the frames are in the ".raw" beside it.
    std::string ext = app_.services().profile().GetString("ftp", "header", "hdr");
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    const std::string filter = "cytoscan files (*." + ext + ")|*." + ext + "|All files (*.*)|*.*||";
    auto file = p.openFile("Open Cytoscan file", filter);
    if (!file) return;
    std::unique_ptr<Document> doc = t->createDocument();
    auto* cyto = dynamic_cast<ZVcytoDoc*>(doc.get());
    if (!cyto) return;
    cyto->setServices(&app_.services());
    if (!cyto->OnNewDocument()) return;
    if (Status s = cyto->openCytoscan(*file); !s) {
        p.messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    app_.AddDocument(std::move(doc));
}

}  // namespace ordavia
