#include "framework/Document.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"

namespace ordavia {

Document::Document() {
    undo_.setOnChanged([this] {
        if (IsModified() == toldModified_) return;
        toldModified_ = IsModified();
        const auto copy = views_;
        for (DocumentView* v : copy) v->OnModifiedChanged(this);
    });
}

Document::~Document() {
    const auto copy = listeners_;
    listeners_.clear();
    for (DocumentView* l : copy) l->OnUpdate(this, kHintClosing);
}

// A document of a class without default services, given none, has nobody
// to ask: that is an error of whoever made it, not a silent "yes".
Prompter& Document::userPrompter() const { return services().prompter(); }

std::unique_ptr<AppServices> Document::makeDefaultServices() const { return nullptr; }

AppServices& Document::services() const {
    if (services_) return *services_;
    if (!defaults_) defaults_ = makeDefaultServices();
    if (!defaults_) throw MissingService("application services for \"" + title_ + "\"");
    return *defaults_;
}

void Document::SetPathName(const std::string& path, bool keepTitle) {
    path_ = path;
    if (!keepTitle) SetTitle(fileNameOf(path));
}

void Document::SetTitle(const std::string& title) {
    title_ = title;
    UpdateAllViews(nullptr, 0);
}

void Document::AddView(DocumentView* v) {
    if (std::find(views_.begin(), views_.end(), v) == views_.end()) views_.push_back(v);
}

void Document::RemoveView(DocumentView* v) { std::erase(views_, v); }

void Document::AddListener(DocumentView* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void Document::RemoveListener(DocumentView* l) { std::erase(listeners_, l); }

void Document::UpdateAllViews(DocumentView* sender, long hint) {
    // Views may detach while being told; walk a copy.
    auto copy = views_;
    copy.insert(copy.end(), listeners_.begin(), listeners_.end());
    for (DocumentView* v : copy)
        if (v != sender) v->OnUpdate(this, hint);
}

bool Document::OnNewDocument() {
    DeleteContents();
    undo_.clear();
    return true;
}

Status Document::loadBytes(std::vector<uint8_t> bytes) {
    DeleteContents();
    try {
        Archive ar(std::move(bytes));
        Serialize(ar);
    } catch (const ArchiveError& e) {
        DeleteContents();
        return Status::failure(StatusCode::BadFormat, e.what());
    } catch (const std::bad_alloc& e) {
        DeleteContents();
        return Status::failure(StatusCode::NoMemory, e.what());
    } catch (const std::exception& e) {
        // A reader's own checks (a range error) must not take the whole
        // program down with one damaged file.
        DeleteContents();
        return Status::failure(e.what());
    }
    return Status::success();
}

Status Document::openFailure(const Status& why) {
    const char* heading = why.code() == StatusCode::BadFormat ? kBadFormat : kOpenFailed;
    return Status::failure(why.code(), std::string(heading) + "\n" + why.reason());
}

Status Document::saveFailure(const Status& why, const char* heading) {
    return Status::failure(why.code(), std::string(heading) + "\n" + why.reason());
}

std::string Document::failureReason(const Status& failed) {
    const std::string& text = failed.reason();
    for (const char* heading : {kOpenFailed, kBadFormat, kSaveFailed, kPictureSaveFailed})
        if (text.starts_with(std::string(heading) + "\n")) return text.substr(std::strlen(heading) + 1);
    return text;
}

Status Document::OnOpenDocument(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (Status r = readFileBytes(path, bytes); !r) return openFailure(r);
    if (Status loaded = loadBytes(std::move(bytes)); !loaded) return openFailure(loaded.context(path));
    undo_.clear();
    if (!canWriteBack()) foreignSource_ = path;
    return Status::success();
}

bool Document::isForeignSource(const std::string& path) const {
    if (foreignSource_.empty() || path.empty()) return false;
    std::error_code ec;
    return path == foreignSource_ || std::filesystem::equivalent(path, foreignSource_, ec);
}

Status Document::OnSaveDocument(const std::string& path) {
    Archive ar;
    try {
        Serialize(ar);
    } catch (const std::exception& e) {
        // Nothing has touched the file yet, so the previous one stays.
        return saveFailure(Status::failure(path + ": " + e.what()));
    }
    if (Status r = writeFileAtomically(path, ar.bytes()); !r) return saveFailure(r);
    undo_.setClean();
    return Status::success();
}

void Document::OnCloseDocument() { DeleteContents(); }

void Document::Serialize(Archive&) {}

Status Document::SaveModified() {
    if (!IsModified()) return Status::success();
    const std::string text = "Save changes to " + (path_.empty() ? title_ : path_) + "?";
    switch (userPrompter().messageBox(text, MsgButtons::YesNoCancel, MsgIcon::Question)) {
        case MsgResult::Cancel:
            return Status::cancelled();
        case MsgResult::Yes:
            return DoFileSave();
        default:
            return Status::success();
    }
}

Status Document::DoFileSave() { return DoSave(path_, true); }

std::string Document::proposedSaveName() const { return path_.empty() ? title_ : path_; }

Status Document::DoSave(const std::string& path, bool replace) {
    // The file a foreign document came from is asked about, never replaced.
    std::string target = isForeignSource(path) ? std::string() : path;
    if (target.empty()) {
        std::string filter = "All files (*.*)|*.*||";
        std::string proposed = proposedSaveName();
        if (isForeignSource(proposed)) proposed = withoutExtension(proposed) + "-new" + extensionOf(proposed);
        // A document is only ever proposed under its own extension: a
        // picture opened as "n1.bmp" is offered as "n1.cs1", never as the
        // picture it came from.
        const std::string ext = template_ ? template_->filterExt : std::string();
        if (template_) {
            filter = template_->saveFilter();
            if (!ext.empty() && toLower(extensionOf(proposed)) != toLower(ext))
                proposed = withoutExtension(proposed) + ext;
        }
        auto chosen = userPrompter().saveFile("Save As", filter, proposed);
        if (!chosen || chosen->empty()) return Status::cancelled();
        target = *chosen;
        // The extension the filter shows is added to a name without it, and
        // to a name with another one ("n1.bmp" becomes "n1.bmp.cs1"), so
        // that a document never lands on a picture or other file.
        if (!ext.empty() && toLower(extensionOf(target)) != toLower(ext)) target += ext;
        if (isForeignSource(target))
            return Status::failure(StatusCode::AlreadyExists, strprintf(kForeignSource, target.c_str()));
    }
    if (Status saved = OnSaveDocument(target); !saved) return saved;
    if (replace) SetPathName(target);
    return Status::success();
}

void showDocumentFailure(Prompter& prompter, const Status& status, bool quiet) {
    // Refusing to write over the file a document came from is a warning;
    // anything else that kept a file from opening or saving is an error.
    showFailure(prompter, status, quiet,
                status.code() == StatusCode::AlreadyExists ? MsgIcon::Warning : MsgIcon::Error);
}

}  // namespace ordavia
