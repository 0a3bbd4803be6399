// The main window's side of the local requests: serving them (auto-load,
// freeze and save, the saving notice), telling the user of the ones that
// failed, and announcing the pictures the live video saves.
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdlib>

#include "app/CBasicApp.h"
#include "app/MarkerPictures.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RequestServer.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/ScriptedPrompter.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

// While a request is served every question a document would ask gets its
// default answer and every message is kept instead of shown: nobody sits at
// the other end of the socket, and a box per request would pile up.
class QuietServices {
public:
    explicit QuietServices(AppServices& sv) : sv_(sv), user_(sv.prompterPtr) { sv_.prompterPtr = &quiet_; }
    ~QuietServices() { sv_.prompterPtr = user_; }
    QuietServices(const QuietServices&) = delete;
    QuietServices& operator=(const QuietServices&) = delete;
    // The last thing a document would have told the user.
    std::string lastMessage() const {
        const auto m = quiet_.messages();
        return m.empty() ? std::string() : m.back();
    }

private:
    AppServices& sv_;
    Prompter* user_;
    ScriptedPrompter quiet_;
};

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    return s;
}

}  // namespace

ordavia::Status MainFrame::listenForRequests(const std::string& socketPath) {
    if (!requests_) requests_ = new RequestServer([this](const LocalRequest& r) { return serveRequest(r); }, this);
    return requests_->listen(socketPath);
}

Document* MainFrame::autoLoadDocument() const {
    // Remembered until its window closes.
    return hasWindow(autoLoad_) ? autoLoad_ : nullptr;
}

ordavia::Status MainFrame::serveRequest(const LocalRequest& r) {
    AppServices& sv = app_.services();
    Status done;
    {
        QuietServices quiet(sv);
        if (r.message == LocalRequests::kAutoLoad) {
            done = autoLoadPicture(r.path);
        } else if (r.message == LocalRequests::kSaving) {
            statusBar()->showMessage(QString::fromStdString("Saved " + r.path), 5000);
        } else {
            // Freeze and save: only a live video window can.
            CameraSources* cameras = CameraSources::of(sv);
            ZBasicfgDoc* live = cameras ? cameras->liveDocument() : nullptr;
            if (!live || !hasWindow(live)) {
                done = Status::failure(StatusCode::NotFound, "there is no live video window to save a picture from");
            } else if (!live->freezeAndSave(r.path)) {
                const std::string why = !live->lastStatus() ? live->lastStatus().reason() : quiet.lastMessage();
                done = Status::failure(why.empty() ? std::string("the live picture could not be saved") : oneLine(why));
            }
        }
    }
    if (!done) requestFailed(r, done);
    return done;
}

ordavia::Status MainFrame::autoLoadPicture(const std::string& requested) {
    DocTemplate* t = app_.templates().findByClass("ZBasicDoc");
    // Without the image document type auto-load requests are ignored.
    if (!t || !t->isBound()) return Status::failure(StatusCode::Unsupported, "this workstation opens no pictures");
    const std::string path = markerPicturePath(requested, markerFolders());
    auto* current = dynamic_cast<ZBasicDoc*>(autoLoadDocument());
    // Work done on the picture in the auto-load window is never thrown
    // away: a modified one keeps its window and the next picture gets a new one.
    if (current && current->IsModified()) current = nullptr;
    const bool document = t->matches(path);
    if (current && !document) {
        if (const Status st = current->importImage(path); !st)
            return Status::failure(st.code(), ZBasicDoc::kCouldNotLoad + std::string(": ") + oneLine(st.reason()));
        current->SetTitle(fileNameOf(path));
        current->startUnmodified();
        activateDocument(current);
        return {};
    }
    // A new window: for a plain picture when there is none to reuse; for
    // an image document always, read whole before the old window goes, so
    // that a file that does not open leaves the old one as it was.
    std::unique_ptr<Document> doc = t->createDocument();
    auto* image = dynamic_cast<ZBasicDoc*>(doc.get());
    if (!image) return Status::failure("no picture window could be made");
    image->setServices(&app_.services());
    image->setQuiet(true);
    if (document) {
        if (const Status opened = image->OnOpenDocument(path); !opened)
            return Status::failure(opened.code(),
                                   "Could not open " + path + ": " + oneLine(Document::failureReason(opened)));
        image->SetPathName(path);
    } else {
        if (!image->OnNewDocument()) return Status::failure("no picture window could be made");
        if (const Status st = image->importImage(path); !st)
            return Status::failure(st.code(), ZBasicDoc::kCouldNotLoad + std::string(": ") + oneLine(st.reason()));
        image->SetTitle(fileNameOf(path));
    }
    image->startUnmodified();
    image->setQuiet(false);
    Document* old = current;
    autoLoad_ = image;
    app_.AddDocument(std::move(doc));
    if (old) closeWindowsOf(old);
    return {};
}

std::vector<std::string> MainFrame::markerFolders() const {
    const AppServices& sv = app_.services();
    std::vector<std::string> folders;
    // Where the live video saves: the examination's folder, the recording
    // folder, the home folder.
    if (const CSubjectDatabase* db = CSubjectDatabase::of(sv); db && !db->currentExamFolder().empty()) {
        const std::string& exam = db->currentExamFolder();
        folders.push_back(exam[0] == '/' ? exam : joinPath(db->dataFolder(), exam));
    }
    folders.push_back(sv.profile().GetString("directories", "recorddir", ""));
    if (const char* home = std::getenv("HOME"); home && *home) folders.emplace_back(home);
    return folders;
}

std::vector<std::string> MainFrame::savingReceivers() const {
    const std::string list = app_.services().profile().GetString("LocalRequests", "savingreceivers", LocalRequests::kSocketName);
    Result<std::string> folder = localRequestFolder();
    const std::string self = requests_ && requests_->listening() ? requests_->socketPath() : std::string();
    return localReceiverSockets(list, folder ? folder.value() : std::string(), self);
}

void MainFrame::pictureSaved(const std::string& path) {
    // The live read-out rewrites the message line twice a second: the last
    // saved picture keeps a place of its own beside it.
    if (!lastSaved_) {
        lastSaved_ = new QLabel(this);
        lastSaved_->setObjectName("lastSaved");
        statusBar()->addPermanentWidget(lastSaved_);
    }
    lastSaved_->setText(QString::fromStdString("Saved " + fileNameOf(path)));
    lastSaved_->setToolTip(QString::fromStdString(path));
    statusBar()->showMessage(QString::fromStdString("Saved " + path), 5000);
    // Each saved picture is announced to the programs the profile names; a
    // receiver that is not running is passed over.
    for (const std::string& socket : savingReceivers())
        if (Status s = sendLocalRequest(socket, LocalRequests::kSaving, path, 200); !s)
            debugLog("WM_SAVING %s not delivered to %s: %s\n", path.c_str(), socket.c_str(), s.reason().c_str());
}

void MainFrame::requestFailed(const LocalRequest& r, const Status& why) {
    ++failureCount_;
    const QString line = QString::fromStdString(r.message + " " + r.path + ": " + why.reason());
    statusBar()->showMessage(line, 10000);
    // One notice for every failure: it is not modal, and a failure while
    // it is up only updates its text.
    if (!failures_) {
        failures_ = new QMessageBox(QMessageBox::Warning, "Requests", QString(), QMessageBox::Ok, this);
        failures_->setAttribute(Qt::WA_DeleteOnClose);
        failures_->setModal(false);
        failures_->setWindowModality(Qt::NonModal);
        failureCount_ = 1;
    }
    failures_->setText(failureCount_ == 1
                           ? "A request from another program could not be carried out:\n" + line
                           : QString("%1 requests from other programs could not be carried out. The last:\n").arg(failureCount_) + line);
    failures_->show();
}

QWidget* MainFrame::requestFailureNotice() const { return failures_; }

QString MainFrame::lastSavedText() const { return lastSaved_ ? lastSaved_->toolTip() : QString(); }

}  // namespace ordavia
