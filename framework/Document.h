#pragma once
// The document base: a file path, a title, a modified flag and the views
// that show it. Loading and saving go through the archive: the whole file
// is read into memory and handed to Serialize; saving serializes into
// memory and then replaces the file through a temporary file, so the
// previous file stays intact until the new one is complete.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"
#include "base/UndoStack.h"

namespace ordavia {

class AppServices;
class Archive;
class DocTemplate;
class Document;
class Prompter;

// Anything that shows a document and must be told when it changes.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnUpdate(Document* doc, long hint) = 0;
    // The document became modified or unmodified (an edit, an undo back to
    // the saved state, a save). Told after the undo stack has moved, so
    // IsModified() is the new state; an edit's own update may come first.
    virtual void OnModifiedChanged(Document* doc) {}
};

class Document {
public:
    Document();
    virtual ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& GetPathName() const { return path_; }
    // Sets the path; the title becomes the file name unless keepTitle.
    void SetPathName(const std::string& path, bool keepTitle = false);
    const std::string& GetTitle() const { return title_; }
    virtual void SetTitle(const std::string& title);

    // Modified is read from the undo stack: true whenever the stack is not
    // at the state last saved or loaded.
    bool IsModified() const { return !undo_.isClean(); }
    // For changes that are not (yet) undo commands: true declares a change
    // made outside the stack (the saved state is unreachable by undo), false
    // makes the current state the saved one. Edits should push a command
    // on undoStack() instead.
    void SetModifiedFlag(bool modified = true) {
        if (modified) undo_.resetClean();
        else undo_.setClean();
    }

    // The contents as they stand are where this document starts: nothing to
    // undo, not modified (a chart the program filled, a picture imported as
    // a new window).
    void startUnmodified() { undo_.clear(); }
    // A document made from another's data is work not yet on disc: modified
    // until it is saved, with nothing to undo.
    void startAsUnsaved() { undo_.markUnrecorded(); }

    // Every edit of this document, for the Edit menu's Undo and Redo.
    UndoStack& undoStack() { return undo_; }
    const UndoStack& undoStack() const { return undo_; }
    // Runs an edit as an undoable step (redo now); the document's views are
    // told by the command itself.
    void pushEdit(std::unique_ptr<UndoCommand> cmd) { undo_.push(std::move(cmd)); }
    void pushEdit(std::string text, std::function<void()> redo, std::function<void()> undo) {
        undo_.push(std::move(text), std::move(redo), std::move(undo));
    }

    DocTemplate* GetDocTemplate() const { return template_; }
    void setDocTemplate(DocTemplate* t) { template_ = t; }

    // The application's services (profile, prompter, settings, database,
    // results). Whoever makes a document for the application gives it these
    // before it is used. Until then the document runs on the defaults its
    // class provides (see makeDefaultServices); a class without defaults
    // (this bare framework document) throws MissingService when asked.
    virtual void setServices(AppServices* services) { services_ = services; }
    // Whether the application's services were given (not the defaults).
    bool hasServices() const { return services_ != nullptr; }
    AppServices& services() const;
    // Hands a document this one made the same services: the application's;
    // a document running on defaults leaves the other on defaults of its own,
    // so that neither outlives services it points into.
    void lendServicesTo(Document& other) const {
        if (services_) other.setServices(services_);
    }

    void AddView(DocumentView* v);
    void RemoveView(DocumentView* v);
    const std::vector<DocumentView*>& views() const { return views_; }
    // Listeners (another document's table of this one's measurements, say)
    // are told of every change as views are, but they are not views: they
    // hold no window open and do not count when a window asks to save.
    // Each hears kHintClosing once when this document goes.
    void AddListener(DocumentView* l);
    void RemoveListener(DocumentView* l);
    const std::vector<DocumentView*>& listeners() const { return listeners_; }
    static constexpr long kHintClosing = -0x0C1053;
    void UpdateAllViews(DocumentView* sender = nullptr, long hint = 0);

    // A new, empty document: clears the contents and the modified flag.
    virtual bool OnNewDocument();
    // Opening, saving and the save a close asks for return what became of
    // them and show nothing: the caller (the open and save commands, the
    // command-line tool) shows a failure once through showDocumentFailure.
    // A failure's reason is the text the user reads ("Failed to open
    // document." or "Unexpected file format." on its first line, then why);
    // Cancelled (the user closed the Save As dialog or answered Cancel) is
    // silent.
    //
    // Reads the file through Serialize; the contents are cleared on failure.
    virtual ordavia::Status OnOpenDocument(const std::string& path);
    // Writes the file through a temporary one: on failure the previous file
    // stays as it was.
    virtual ordavia::Status OnSaveDocument(const std::string& path);
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    // Reads or writes the document's file layout.
    virtual void Serialize(Archive& ar);

    // Asks whether to save a modified document. Success when it is saved,
    // the changes are discarded or there are none: the caller goes on.
    // Cancelled when the user cancels (here or in Save As): the caller stops
    // and says nothing. Any other failure is a save that failed: the caller
    // stops and shows it.
    virtual ordavia::Status SaveModified();
    // The save a close asks for: to the current path, or Save As when
    // there is none. Documents with a Save command of their own route it there.
    virtual ordavia::Status DoFileSave();
    // Save As: asks for a name with the template's filter.
    ordavia::Status DoSave(const std::string& path, bool replace = true);
    // The name Save As proposes (before the template's extension is put
    // on it): the current file, else the title.
    virtual std::string proposedSaveName() const;
    // False for a type that cannot write back what it opened (a dimension
    // list reads nothing of a .csv): the opened file is then never written
    // over, and saving asks for a new name.
    virtual bool canWriteBack() const { return true; }
    static constexpr const char* kForeignSource =
        "%s was not written by this document, which cannot write it back: save it under another name.";

    // The last failure of work that reports none of its own (a picture or
    // movie linked to the document, a recording); opening and saving return
    // theirs.
    const ordavia::Status& lastStatus() const { return lastStatus_; }

    // The framework's messages.
    static constexpr const char* kOpenFailed = "Failed to open document.";
    static constexpr const char* kBadFormat = "Unexpected file format.";
    static constexpr const char* kSaveFailed = "Failed to save document.";
    // A document whose picture (or other file beside it) was not written.
    static constexpr const char* kPictureSaveFailed = "Error saving image.";

    // A failed open or save as the user reads it: the heading ("Failed to
    // open document.", or "Unexpected file format." for a damaged layout;
    // kSaveFailed or kPictureSaveFailed for a save) on its own line, then
    // the reason. The code stays.
    static ordavia::Status openFailure(const ordavia::Status& why);
    static ordavia::Status saveFailure(const ordavia::Status& why, const char* heading = kSaveFailed);
    // Why an open or save failed without its heading line, for a message
    // that names the file and what was being done itself (the command
    // line, a report); "" on success.
    static std::string failureReason(const ordavia::Status& failed);

protected:
    // Reads the document from a whole file's bytes through Serialize; a
    // damaged layout fails as BadFormat. The contents are cleared on failure.
    ordavia::Status loadBytes(std::vector<uint8_t> bytes);

    ordavia::Status lastStatus_;

    // Where this document's questions and messages go.
    Prompter& userPrompter() const;

    // The services a document runs on before (or without) the application's;
    // made at the first use. None here.
    virtual std::unique_ptr<AppServices> makeDefaultServices() const;

private:
    bool isForeignSource(const std::string& path) const;

    // The file opened by a type that cannot write it back.
    std::string foreignSource_;
    std::string path_;
    std::string title_;
    UndoStack undo_;
    // The modified state the views were last told of.
    bool toldModified_ = false;
    DocTemplate* template_ = nullptr;
    AppServices* services_ = nullptr;
    mutable std::unique_ptr<AppServices> defaults_;
    std::vector<DocumentView*> views_;
    std::vector<DocumentView*> listeners_;
};

// The one way a failed open or save reaches the user: showFailure with the
// failure's text, as an error (a refusal to write over the file the
// document came from as a warning). Nothing when it succeeded, was
// cancelled, or while quiet.
void showDocumentFailure(Prompter& prompter, const ordavia::Status& status, bool quiet = false);

}  // namespace ordavia
