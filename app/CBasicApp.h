#pragma once
// The application object: derives the profile and log names from the
// program file, loads the start-up settings, registers the document
// templates in their fixed order, creates the main window, acts on the
// command line, and at exit writes the settings back.
#include <functional>
#include <memory>
#include <string>

#include "base/ProductVersion.h"
#include <vector>

#include "framework/DocTemplate.h"
#include "framework/RecentFileList.h"

class Cbyte2Vect;
class ProfileStore;

namespace ordavia {
class AppServices;
class Trv2Board;
class Document;
class MainFrameHost;
}  // namespace ordavia

class CBasicApp {
public:
    // services: the profile, prompter and start-up settings of the run (a
    // subject database too when there is one), owned by the caller and
    // handed to every document the application opens. programPath: the
    // executable's full path; empty takes /proc/self/exe.
    explicit CBasicApp(ordavia::AppServices& services, std::string programPath = {});
    ~CBasicApp();
    CBasicApp(const CBasicApp&) = delete;
    CBasicApp& operator=(const CBasicApp&) = delete;

    ordavia::AppServices& services() { return services_; }

    // Start-up; false ends the program at once.
    bool InitInstance(ordavia::MainFrameHost* frame, const std::string& commandLine);
    int ExitInstance();

    // Derived file names.
    const std::string& programFile() const { return programFile_; }
    const std::string& base() const { return base_; }
    const std::string& programFolder() const { return programFolder_; }
    const std::string& defaultTemplate() const { return defaultTemplate_; }
    const std::string& profilePath() const { return profilePath_; }
    const std::string& profilePattern() const { return profilePattern_; }
    const std::string& logPath() const { return logPath_; }

    // Whether the Doppler interface board was found at start-up.
    bool dopplerAvailable() const { return dopplerAvailable_; }
    // The interface board and its block of 512 samples (sized only when
    // the board is present).
    ordavia::Trv2Board& dopplerBoard() { return *board_; }
    const Cbyte2Vect& sampleBuffer() const { return *sampleBuffer_; }
    bool databaseOpen() const;

    ordavia::DocTemplateTable& templates() { return templates_; }
    ordavia::RecentFileList& recentFiles() { return recent_; }

    // Opens a file through the template table (first template that accepts
    // its extension); an already open file is brought forward. Null when
    // nothing was opened; the user has been told why.
    ordavia::Document* OpenDocumentFile(const std::string& path);
    // A new untitled document of the given template.
    ordavia::Document* OpenNewDocument(ordavia::DocTemplate* t);
    // Takes over a document made by a command (results, charts, copies).
    ordavia::Document* AddDocument(std::unique_ptr<ordavia::Document> doc);
    void CloseDocument(ordavia::Document* doc);

    // Before the program ends: asks about every modified document. One is
    // asked about as when its window closes; several at once get "Save
    // all", "Discard all" or "Cancel". False when the user cancelled or a
    // save failed: the exit stops and every document stays open as it was
    // (those saved meanwhile stay saved). True approves the exit: windows
    // then close without asking again (exitApproved) until
    // cancelExit().
    bool SaveAllModified();
    bool exitApproved() const { return exitApproved_; }
    void cancelExit() { exitApproved_ = false; }
    static constexpr const char* kSaveAllQuestion =
        "%zu documents have unsaved changes:\n%s\nSave them before Ordavia ends?";
    static constexpr const char* kSaveAll = "Save all";
    static constexpr const char* kDiscardAll = "Discard all";
    static constexpr const char* kCancel = "Cancel";
    const std::vector<std::unique_ptr<ordavia::Document>>& documents() const { return documents_; }

    // File > New: writes the start-up settings; creates no document.
    void OnFileNew();
    // The five memory lines and the disc line of the About box.
    std::vector<std::string> aboutLines() const;

    static constexpr const char* kTitle = ordavia::kProductTitle;
    static constexpr const int (&kVersion)[4] = ordavia::kProductVersion;

private:
    void deriveNames();
    void copyTemplateIfNoProfile();
    void writeStartLog();
    void registerTemplates();

    ordavia::AppServices& services_;
    std::string programFile_, base_, programFolder_, defaultTemplate_, profilePath_, profilePattern_, logPath_;
    bool dopplerAvailable_ = false;
    std::unique_ptr<ordavia::Trv2Board> board_;
    std::unique_ptr<Cbyte2Vect> sampleBuffer_;
    ordavia::MainFrameHost* frame_ = nullptr;
    bool exitApproved_ = false;
    ordavia::DocTemplateTable templates_;
    ordavia::RecentFileList recent_{4};
    std::vector<std::unique_ptr<ordavia::Document>> documents_;
    class CopyOpener;
    std::unique_ptr<CopyOpener> fileOpener_;
};
