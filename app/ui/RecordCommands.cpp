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

RecordCommands::RecordCommands(CBasicApp& app, MainFrame& frame) : QObject(&frame), app_(app), frame_(frame) {}

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
    if (!recorder_ && open) recorder_ = app_.OpenNewDocument(app_.templates().findByClass("ZVcytoDoc"));
    return dynamic_cast<CMotivaRecDoc*>(recorder_);
}

bool RecordCommands::recording() {
    CMotivaRecDoc* r = recorder(false);
    return r && r->recording();
}

void RecordCommands::stopRecording() {
    if (CMotivaRecDoc* r = recorder(false); r && r->recording()) (void)r->stopRecording();
}

bool RecordCommands::startRecording() {
    ZBasicfgDoc* live = liveDocument(true);
    if (!live) {
        app_.services().prompter().messageBox(kNoLiveVideo, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    if (!live->isLive() && !live->startLive()) {
        app_.services().prompter().messageBox(ZBasicfgDoc::kNoDevice, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    CMotivaRecDoc* r = recorder(true);
    if (!r) return false;
    frame_.activateDocument(r);
    return r->startRecording(live).ok();
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
