#include "app/CBasicApp.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>

#include "app/BuildInfo.h"
#include "app/DocumentTypes.h"
#include "app/MainFrameHost.h"
#include "app/SystemInfo.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "framework/Document.h"
#include "framework/DocumentHost.h"
#include "framework/Prompter.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

std::function<bool()> CBasicApp::openDatabaseHook;
std::function<void()> CBasicApp::closeDatabaseHook;
std::function<bool()> CBasicApp::databaseOpenHook;

namespace {

CBasicApp* g_app = nullptr;

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

CBasicApp::CBasicApp(std::string programPath) : programFile_(std::move(programPath)) { g_app = this; }

CBasicApp::~CBasicApp() {
    documents_.clear();
    debugLog("end:%s", asctimeNow().c_str());
    if (g_app == this) g_app = nullptr;
}

CBasicApp* CBasicApp::instance() { return g_app; }

bool CBasicApp::databaseOpen() const { return databaseOpenHook && databaseOpenHook(); }

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
    if (!readFileBytes(defaultTemplate_, bytes, 16u << 20).ok) return;  // no template: all defaults
    writeFileAtomically(profilePath_, bytes);
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
    ProfileStore& profile = ProfileStore::instance();

    // 1. Profile and log names.
    deriveNames();
    if (!base_.empty()) {
        copyTemplateIfNoProfile();
        profile.SetPath(profilePath_);
        DebugLog::setFile(logPath_);
        ZBasicDoc::setProgramFolder(programFolder_);
    }

    // 2. Start-up settings; from here on the debug log is on.
    StartupSettings& settings = StartupSettings::current();
    settings.load(profile);
    DebugLog::setEnabled(true);

    // 3. Working directory.
    const std::string dir = localPath(settings.directory);
    if (!dir.empty() && chdir(dir.c_str()) != 0) debugLog("cannot change to directory %s\n", dir.c_str());

    // 4, 5. Start lines and memory report.
    writeStartLog();

    // 7. The dust-mask setting is part of the start-up settings (loaded above).
    // 8. The Doppler interface board: no board driver in this build, so the
    //    monitor is unavailable and its template row is not registered.
    dopplerAvailable_ = false;

    // 9. The recent-file list (4 entries) is kept by the main frame's store.

    // 10. Database; its result does not stop start-up.
    if (openDatabaseHook) openDatabaseHook();

    // 11. Document templates in their fixed order.
    registerTemplates();
    // Documents made by commands; their makers set the template.
    DocumentHost::setOpener([this](std::unique_ptr<Document> d) { return AddDocument(std::move(d)); });
    DocumentHost::setTemplateFinder([this](const char* cls) { return templates_.findByClass(cls); });

    // 12. Main window.
    if (frame_ && !frame_->create()) return false;

    // 13. Command line.
    const bool exportAvi = startsWith(commandLine, "/a");
    if (commandLine.empty()) {
        if (!databaseOpen() && frame_) frame_->startupWindows();
    } else if (exportAvi) {
        if (commandLine.size() > 3) OpenDocumentFile(commandLine.substr(3));
    } else {
        OpenDocumentFile(commandLine);
    }

    // 14. Show.
    if (frame_) frame_->showNormal();

    // 15. Posted commands.
    if (frame_) {
        if (commandLine.empty() && databaseOpen() && settings.showdb) frame_->postCommand("Select Subject...");
        if (exportAvi) {
            frame_->postCommand("Export uncompressed avi");
            frame_->postClose();
        }
    }

    // 16.
    debugLog("initinst ok\n");
    return true;
}

int CBasicApp::ExitInstance() {
    StartupSettings::current().save(ProfileStore::instance());
    // The Doppler board is never opened in this build, so there is nothing to close.
    if (closeDatabaseHook) closeDatabaseHook();
    return 0;
}

void CBasicApp::OnFileNew() { StartupSettings::current().save(ProfileStore::instance()); }

Document* CBasicApp::OpenDocumentFile(const std::string& path) {
    for (const auto& d : documents_) {
        if (!d->GetPathName().empty() && d->GetPathName() == path) {
            if (frame_) frame_->activateDocument(d.get());
            return d.get();
        }
    }
    DocTemplate* t = templates_.templateFor(path);
    if (!t) {
        if (frame_ && frame_->openForeignFile(path)) {
            recent_.add(path);
            return nullptr;
        }
        Prompter::current().messageBox("Cannot open " + path + ":\nOrdavia does not know files of this type.",
                                       MsgButtons::Ok, MsgIcon::Warning);
        return nullptr;
    }
    if (!t->isBound()) {
        Prompter::current().messageBox(unavailableDocumentMessage(path, t->docName), MsgButtons::Ok,
                                       MsgIcon::Information);
        return nullptr;
    }
    std::unique_ptr<Document> doc = t->createDocument();
    if (!doc || !doc->OnOpenDocument(path)) {
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
    if (!doc || !doc->OnNewDocument()) return nullptr;
    doc->SetTitle(t->nextUntitledTitle());
    return AddDocument(std::move(doc));
}

Document* CBasicApp::AddDocument(std::unique_ptr<Document> doc) {
    Document* d = doc.get();
    documents_.push_back(std::move(doc));
    if (frame_) frame_->documentOpened(d);
    return d;
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
