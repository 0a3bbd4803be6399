#pragma once
// The child window of a document in the main window's MDI area, and the
// stand-in view of a document whose view is not part of the build.
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <string>

#include "app/CBasicApp.h"
#include "framework/AppServices.h"
#include "framework/Document.h"

class QWidget;

namespace ordavia {

// The child window of a document: shows the document's view widget, keeps
// its title in step with the document and asks to save on close.
class DocumentChild : public QMdiSubWindow, public DocumentView {
public:
    DocumentChild(CBasicApp& app, Document* doc, QWidget* view) : app_(app), doc_(doc), lastPath_(doc->GetPathName()) {
        setWidget(view);
        setAttribute(Qt::WA_DeleteOnClose);
        doc_->AddView(this);
        refreshTitle();
    }
    ~DocumentChild() override {
        if (doc_) doc_->RemoveView(this);
    }
    Document* document() const { return doc_; }
    void OnModifiedChanged(Document*) override { refreshTitle(); }
    void OnUpdate(Document*, long) override {
        refreshTitle();
        // A document saved under a new name joins the recent-file list, as
        // an opened one does.
        if (doc_ && !doc_->GetPathName().empty() && doc_->GetPathName() != lastPath_) {
            lastPath_ = doc_->GetPathName();
            app_.recentFiles().add(lastPath_);
        }
    }

protected:
    // The last window of a document asks to save it and, unless the user
    // cancels, frees it. Windows are counted, not views: a view widget
    // registers with the document too, and counting it kept a document
    // alive (and its file unopenable) after "No".
    void closeEvent(QCloseEvent* e) override {
        Document* d = doc_;
        const bool last = d && otherWindowsOf(d) == 0;
        // At exit the user has already decided about every document.
        if (last && !app_.exitApproved()) {
            // A save that failed is shown and keeps the window, as Cancel does.
            if (const ordavia::Status saved = d->SaveModified(); !saved) {
                ordavia::showDocumentFailure(d->services().prompter(), saved);
                e->ignore();
                return;
            }
        }
        if (d) d->RemoveView(this);
        doc_ = nullptr;
        if (last) {
            // The view goes before its document, so that it never holds a
            // freed one.
            delete widget();
            app_.CloseDocument(d);
        }
        QMdiSubWindow::closeEvent(e);
    }

private:
    int otherWindowsOf(const Document* d) const {
        int n = 0;
        if (QMdiArea* area = mdiArea())
            for (QMdiSubWindow* w : area->subWindowList())
                if (auto* c = dynamic_cast<DocumentChild*>(w); c && c != this && c->document() == d) ++n;
        return n;
    }
    void refreshTitle() {
        if (doc_) setWindowTitle(QString::fromStdString(doc_->GetTitle()) + (doc_->IsModified() ? "*" : ""));
    }
    CBasicApp& app_;
    Document* doc_;
    std::string lastPath_;
};

// Shown for a document whose view is not part of this build.
QWidget* placeholderView(Document* doc, const std::string& viewClass);

}  // namespace ordavia
