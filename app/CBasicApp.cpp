#include "app/CBasicApp.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <typeinfo>

#include "app/BuildInfo.h"
#include "app/DocumentBindings.h"
#include "app/DocumentTypes.h"
#include "app/MainFrameHost.h"
#include "app/SystemInfo.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "chart/CdataVect.h"
#include "db/CdbDocument.h"
#include "doppler/Trv2Board.h"
#include "framework/AppServices.h"
#include "framework/Document.h"
#include "framework/FileOpener.h"
#include "framework/Prompter.h"
#include "image/ImageFormats.h"
#include "measure/ZBasicDoc.h"
#include "video/CMotivaDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

using namespace ordavia;

namespace {

std::string asctimeNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[64];
    asctime_r(&tm, buf);  // ends in a newline
    return buf;
}

std::string selfExe() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

// Stored folder settings may be Windows-style (".\"); this platform wants '/'.
std::string localPath(std::string p) {
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace

// A second window on a file that is open already (a recording just saved,
// offered for review): its own document of the file's type.
class CBasicApp::CopyOpener : public FileOpener {
public:
    explicit CopyOpener(CBasicApp& app) : app_(app) {}
    Document* openCopy(const std::string& path) override {
        DocTemplate* t = app_.templates_.templateFor(path);
        if (!t || !t->isBound()) return app_.OpenDocumentFile(path);
        std::unique_ptr<Document> doc = t->createDocument();
        doc->setServices(&app_.services_);
        if (const Status opened = doc->OnOpenDocument(path); !opened) {
            showDocumentFailure(app_.services_.prompter(), opened);
            return nullptr;
        }
        doc->SetPathName(path);
        app_.recent_.add(path);
        return app_.AddDocument(std::move(doc));
    }

private:
    CBasicApp& app_;
};

CBasicApp::CBasicApp(ordavia::AppServices& services, std::string programPath)
    : services_(services),
      programFile_(std::move(programPath)),
      board_(std::make_unique<ordavia::Trv2Board>()),
      sampleBuffer_(std::make_unique<Cbyte2Vect>()),
      fileOpener_(std::make_unique<CopyOpener>(*this)) {}

CBasicApp::~CBasicApp() {
    documents_.clear();
    if (Trv2Board::of(services_) == board_.get()) services_.provide<Trv2Board>(nullptr);
    services_.opener = nullptr;
    if (FileOpener::of(services_) == fileOpener_.get()) services_.provide<FileOpener>(nullptr);
    services_.templateFinder = nullptr;
    debugLog("end:%s", asctimeNow().c_str());
}

bool CBasicApp::databaseOpen() const {
    const CSubjectDatabase* db = CSubjectDatabase::of(services_);
    return db && db->isOpen();
}

void CBasicApp::deriveNames() {
    if (programFile_.empty()) programFile_ = selfExe();
    if (programFile_.empty()) return;  // names stay as they are: "zv.log", no profile
    if (programFile_.size() > 4096) programFile_.resize(4096);
    // The extension is taken from the file name only: a dot in a folder
    // name must not cut the path (Linux programs usually have none).
    const std::string name = fileNameOf(programFile_);
    const size_t dot = name.find_last_of('.');
    base_ = dot == std::string::npos ? programFile_ : programFile_.substr(0, programFile_.size() - (name.size() - dot));
    programFolder_ = folderOf(programFile_);
    defaultTemplate_ = base_ + ".def";
    profilePath_ = base_ + ".ini";
    profilePattern_ = programFolder_ + "*" + ".ini";
    logPath_ = base_ + ".log";
}

void CBasicApp::copyTemplateIfNoProfile() {
    // Any ".ini" in the program folder counts as a profile being there.
    const std::string folder = programFolder_.empty() ? "." : programFolder_;
    if (DIR* d = opendir(folder.c_str())) {
        bool any = false;
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && endsWithNoCase(n, ".ini")) any = true;
        }
        closedir(d);
        if (any) return;
    }
    std::vector<uint8_t> bytes;
    if (!readFileBytes(defaultTemplate_, bytes, 16u << 20).ok()) return;  // no template: all defaults
    if (const ordavia::Status s = writeFileAtomically(profilePath_, bytes); !s)
        debugLog("profile not created: %s\n", s.reason().c_str());
}

void CBasicApp::writeStartLog() {
    debugLog("\n\n\n****  start:");
    debugLog("%s", asctimeNow().c_str());
    debugLog("%i-%i-%i-%i build:%s\n", kVersion[0], kVersion[1], kVersion[2], kVersion[3], buildTimestamp());
    debugLog("%s\n", profilePath_.c_str());
    const MemoryStatus m = readMemoryStatus();
    debugLog("physical %luKB\n", static_cast<unsigned long>(m.totalPhys >> 10));
    debugLog("available %luKB\n", static_cast<unsigned long>(m.availPhys >> 10));
    debugLog("load %lu %%\n", m.load);
    debugLog("virtual %luKB %%\n", static_cast<unsigned long>(m.totalVirtual >> 10));
    debugLog("used virtual %luKB %%\n", static_cast<unsigned long>((m.totalVirtual - m.availVirtual) >> 10));
}

void CBasicApp::registerTemplates() { registerDocumentTemplates(templates_, dopplerAvailable_); }

bool CBasicApp::InitInstance(MainFrameHost* frame, const std::string& commandLine) {
    frame_ = frame;
    ProfileStore& profile = services_.profile();

    // Profile and log names, derived from the program file.
    deriveNames();
    if (!base_.empty()) {
        copyTemplateIfNoProfile();
        profile.SetPath(profilePath_);
        DebugLog::setFile(logPath_);
        services_.programFolder = programFolder_;
    }

    // Start-up settings; from here on the debug log is on. The dust-mask
    // setting is one of them.
    StartupSettings& settings = services_.settings();
    settings.load(profile);
    DebugLog::setEnabled(true);

    // Working directory.
    const std::string dir = localPath(settings.directory);
    if (!dir.empty() && chdir(dir.c_str()) != 0) debugLog("cannot change to directory %s\n", dir.c_str());

    // Start lines and the memory report in the log.
    writeStartLog();

    // The Doppler interface board (played back from raw.bin in the program
    // folder): the monitor's template row is registered only when it is there.
    board_->setProgramFolder(programFolder_);
    board_->setAddress(static_cast<uint16_t>(settings.address));
    board_->initialise(settings.numberofchannels);
    dopplerAvailable_ = board_->present();
    if (dopplerAvailable_) sampleBuffer_->resize(ordavia::Trv2Board::kBlockLength);
    services_.provide<Trv2Board>(board_.get());

    // The recent-file list (4 entries) is kept by the main frame's store.

    // The subject database; its result does not stop start-up.
    if (CSubjectDatabase* db = CSubjectDatabase::of(services_))
        showFailure(services_.prompter(), db->openAtStartup(profile, services_.prompter()), false, MsgIcon::Error);

    // Document templates in their fixed order, and the road by which
    // commands hand new documents (results, charts, copies) to the application.
    registerTemplates();
    services_.opener = [this](std::unique_ptr<Document> d) { return AddDocument(std::move(d)); };
    services_.templateFinder = [this](const char* cls) { return templates_.findByClass(cls); };
    services_.provide<FileOpener>(fileOpener_.get());

    // Main window.
    if (frame_ && !frame_->create()) return false;

    // Command line: "/a PATH" exports a video, anything else is a file.
    const bool exportAvi = startsWith(commandLine, "/a");
    if (commandLine.empty()) {
        if (!databaseOpen() && frame_) frame_->startupWindows();
    } else if (exportAvi) {
        if (commandLine.size() > 3) OpenDocumentFile(commandLine.substr(3));
    } else {
        OpenDocumentFile(commandLine);
    }

    // Show the main window.
    if (frame_) frame_->showNormal();

    // Commands posted for after start-up: the subject chooser, the export.
    if (frame_) {
        if (commandLine.empty() && databaseOpen() && settings.showdb) frame_->postCommand("Select Subject...");
        if (exportAvi) {
            frame_->postCommand("Export uncompressed avi");
            frame_->postClose();
        }
    }

    debugLog("initinst ok\n");
    return true;
}

int CBasicApp::ExitInstance() {
    services_.settings().save(services_.profile());
    if (dopplerAvailable_) board_->close();
    if (CSubjectDatabase* db = CSubjectDatabase::of(services_)) db->close();
    return 0;
}

void CBasicApp::OnFileNew() { services_.settings().save(services_.profile()); }

Document* CBasicApp::OpenDocumentFile(const std::string& path) {
    for (const auto& d : documents_) {
        if (!d->GetPathName().empty() && d->GetPathName() == path) {
            if (frame_) frame_->activateDocument(d.get());
            return d.get();
        }
    }
    // A picture or video opened from its own file, not saved as a document
    // since, is that file's window too: it comes forward instead of a copy.
    for (const auto& d : documents_) {
        if (!d->GetPathName().empty()) continue;
        const Document& doc = *d;
        std::string source;
        if (typeid(doc) == typeid(CMotivaDoc)) source = static_cast<const CMotivaDoc&>(doc).movieFileName();
        else if (typeid(doc) == typeid(ZBasicDoc)) source = static_cast<const ZBasicDoc&>(doc).imageFileName();
        if (!source.empty() && sameFile(source, path)) {
            if (frame_) frame_->activateDocument(d.get());
            return d.get();
        }
    }
    // Pictures go by their content: a TIFF named ".avi" is still a picture.
    DocTemplate* t = pictureKindOfFile(path) != PictureKind::Unknown ? nullptr : templates_.templateFor(path);
    if (!t) {
        // Only what opened joins the recent-file list.
        const ForeignOpen r = frame_ ? frame_->openForeignFile(path) : ForeignOpen::NotMine;
        if (r == ForeignOpen::Opened) recent_.add(path);
        if (r == ForeignOpen::Failed) recent_.remove(path);
        if (r != ForeignOpen::NotMine) return nullptr;
        services_.prompter().messageBox("Cannot open " + path + ":\nOrdavia does not know files of this type.",
                                       MsgButtons::Ok, MsgIcon::Warning);
        return nullptr;
    }
    if (!t->isBound()) {
        services_.prompter().messageBox(unavailableDocumentMessage(path, t->docName), MsgButtons::Ok,
                                       MsgIcon::Information);
        return nullptr;
    }
    std::unique_ptr<Document> doc = t->createDocument();
    if (!doc) {
        recent_.remove(path);
        return nullptr;
    }
    doc->setServices(&services_);
    if (const Status opened = doc->OnOpenDocument(path); !opened) {
        showDocumentFailure(services_.prompter(), opened);
        recent_.remove(path);
        return nullptr;
    }
    doc->SetPathName(path);
    recent_.add(path);
    return AddDocument(std::move(doc));
}

Document* CBasicApp::OpenNewDocument(DocTemplate* t) {
    if (!t || !t->isBound()) return nullptr;
    std::unique_ptr<Document> doc = t->createDocument();
    if (!doc) return nullptr;
    doc->setServices(&services_);
    if (!doc->OnNewDocument()) return nullptr;
    doc->SetTitle(t->nextUntitledTitle());
    return AddDocument(std::move(doc));
}

Document* CBasicApp::AddDocument(std::unique_ptr<Document> doc) {
    Document* d = doc.get();
    if (!d->hasServices()) d->setServices(&services_);
    // A document a command made without a type gets the type that shows it.
    if (!d->GetDocTemplate())
        if (const char* cls = templateClassOf(*d)) d->setDocTemplate(templates_.findByClass(cls));
    // Made, imported, computed or opened while an examination is current:
    // it belongs to that examination from the start.
    if (auto* linked = dynamic_cast<CdbDocument*>(d)) linked->linkToCurrentExam();
    documents_.push_back(std::move(doc));
    if (frame_) frame_->documentOpened(d);
    return d;
}

bool CBasicApp::SaveAllModified() {
    exitApproved_ = false;
    std::vector<Document*> modified;
    for (const auto& d : documents_)
        if (d->IsModified()) modified.push_back(d.get());
    if (modified.size() == 1) {
        if (const Status saved = modified.front()->SaveModified(); !saved) {
            showDocumentFailure(services_.prompter(), saved);
            return false;
        }
    }
    if (modified.size() > 1) {
        std::string names;
        for (const Document* d : modified)
            names += "    " + (d->GetPathName().empty() ? d->GetTitle() : d->GetPathName()) + "\n";
        const std::string question = strprintf(kSaveAllQuestion, modified.size(), names.c_str());
        const size_t choice =
            services_.prompter().chooseButton(question, {kSaveAll, kDiscardAll, kCancel}, MsgIcon::Question);
        if (choice == 0) {
            // A save that fails or whose name is not given stops the exit;
            // the documents saved before it stay saved.
            for (Document* d : modified)
                if (const Status saved = d->DoFileSave(); !saved) {
                    showDocumentFailure(services_.prompter(), saved);
                    return false;
                }
        } else if (choice != 1) {
            return false;
        }
    }
    exitApproved_ = true;
    return true;
}

void CBasicApp::CloseDocument(Document* doc) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if (it->get() == doc) {
            (*it)->OnCloseDocument();
            documents_.erase(it);
            return;
        }
    }
}

std::vector<std::string> CBasicApp::aboutLines() const {
    const MemoryStatus m = readMemoryStatus();
    std::vector<std::string> lines;
    lines.push_back(strprintf("%lu KB  Total Physical memory", static_cast<unsigned long>(m.totalPhys >> 10)));
    lines.push_back(strprintf("%lu KB  Available Physical Memory", static_cast<unsigned long>(m.availPhys >> 10)));
    lines.push_back(strprintf("%lu %%  Memory load", m.load));
    lines.push_back(strprintf("Using %lu KB of virtual memory",
                              static_cast<unsigned long>((m.totalVirtual - m.availVirtual) >> 10)));
    char cwd[PATH_MAX];
    uint64_t freeBytes = 0;
    std::string mount;
    if (getcwd(cwd, sizeof cwd) && readDiskFree(cwd, freeBytes, mount))
        lines.push_back(strprintf("%lu KB  Free on %s", static_cast<unsigned long>(freeBytes >> 10), mount.c_str()));
    else
        lines.push_back("Unavailable");
    return lines;
}
