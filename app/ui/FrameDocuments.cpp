// The main window's document windows: opening, finding and closing them.
#include "app/ui/MainFrame.h"
#include "app/ui/RequestServer.h"
#include "app/FrameCommands.h"
#include "app/ui/FrameIcons.h"
#include "app/ui/FrameWindows.h"
#include "app/ui/WelcomeDialog.h"
#include "app/ui/RecordCommands.h"
#include "app/ui/ManualWindow.h"

#include <algorithm>
#include <iterator>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QWindow>
#include <filesystem>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CBasicApp.h"
#include "app/ui/MainToolbar.h"
#include "app/ui/SubjectUi.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "dicom/DicomPicture.h"
#include "image/FileKinds.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/ui/Ctrv2View.h"
#include "measure/ZBasicDoc.h"
#include "video/CMotivaDoc.h"
#include "video/CMotivaRecDoc.h"
#include "framework/AppServices.h"
#include "image/ImageFormats.h"
#include "framework/Document.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "framework/ui/MenuProvider.h"
#include "framework/ui/SubWindowPlacement.h"
#include "framework/ui/ViewRegistry.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "settings/ProfileStore.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"

#include "app/ui/DocumentChild.h"

namespace ordavia {

void MainFrame::documentOpened(Document* doc) {
    // Each picture the live video saves is announced to this user's
    // programs (and to this workstation's status bar and log).
    if (auto* live = dynamic_cast<ZBasicfgDoc*>(doc)) live->onSaved = [this](const std::string& path) { pictureSaved(path); };
    DocTemplate* t = doc->GetDocTemplate();
    const std::string viewClass = t ? t->viewClass : std::string();
    QWidget* view = nullptr;
    if (const ViewMaker* m = findViewMaker(viewClass)) view = (*m)(doc, nullptr);
    if (!view) view = placeholderView(doc, viewClass);
    auto* child = new DocumentChild(app_, doc, view);
    mdi_->addSubWindow(child);
    // A useful first size: the view's wish, within the frame's client area.
    // Before the frame is shown (files on the command line) its own size is
    // the best guess of the client area.
    const QSize room = (mdi_->isVisible() ? mdi_->viewport()->size() : size() - QSize(40, 120)) * 0.9;
    child->resize(child->sizeHint().expandedTo(QSize(480, 360)).boundedTo(room.expandedTo(QSize(320, 240))));
    child->show();
    keepInsideArea(child);
}

void MainFrame::activateDocument(Document* doc) {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (auto* c = dynamic_cast<DocumentChild*>(w); c && c->document() == doc) {
            mdi_->setActiveSubWindow(w);
            return;
        }
    }
}

ForeignOpen MainFrame::openForeignFile(const std::string& path) {
    const std::string ext = toLower(extensionOf(path));
    // Pictures by their content first: a picture renamed by another program
    // still opens as one.
    const PictureKind kind = pictureKindOfFile(path);
    bool picture = kind != PictureKind::Unknown;
    // A DICOM file of more than one frame is a video; of one, a picture.
    bool dicomVideo = false;
    if (kind == PictureKind::Dicom || ordavia::hasExtensionIn(path, ordavia::dicomExtensions())) {
        DicomPicture header;
        if (const Status s = readDicomFileHeader(path, header); !s) {
            app_.services().prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
            return ForeignOpen::Failed;
        }
        dicomVideo = header.frames > 1;
        picture = !dicomVideo;
    }
    // Movie files and videos of other programs open as video documents
    // that import them, as "&Import..." and "Import AVI..." would.
    // The video documents' own ".dcs" opens through its template.
    if (dicomVideo || (!picture && ext != ".dcs" && ordavia::hasExtensionIn(path, ordavia::videoExtensions()))) {
        DocTemplate* t = app_.templates().findByClass("CMotivaDoc");
        if (!t || !t->isBound()) return ForeignOpen::NotMine;
        std::unique_ptr<Document> doc = t->createDocument();
        auto* video = dynamic_cast<CMotivaDoc*>(doc.get());
        if (!video) return ForeignOpen::NotMine;
        video->setServices(&app_.services());
        if (!video->OnNewDocument()) return ForeignOpen::Failed;
        const ordavia::Status s = video->importVideoFile(path);
        if (!s) {
            app_.services().prompter().messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Error);
            return ForeignOpen::Failed;
        }
        video->SetTitle(fileNameOf(path));
        video->startUnmodified();
        app_.AddDocument(std::move(doc));
        return ForeignOpen::Opened;
    }
    // Plain pictures open as new image documents, as "&Import..." would
    // bring them in; the picture itself stays where it is until saved.
    if (!picture && !ordavia::hasExtensionIn(path, ordavia::pictureExtensions())) return ForeignOpen::NotMine;
    DocTemplate* t = app_.templates().findByClass("ZBasicDoc");
    if (!t || !t->isBound()) return ForeignOpen::NotMine;
    std::unique_ptr<Document> doc = t->createDocument();
    auto* image = dynamic_cast<ZBasicDoc*>(doc.get());
    if (image) image->setServices(&app_.services());
    if (!image || !image->OnNewDocument()) return ForeignOpen::Failed;
    // A picture that does not load leaves no window; the user is told why.
    if (const Status st = image->importImage(path); !st) {
        app_.services().prompter().messageBox(ZBasicDoc::couldNotLoad(st), MsgButtons::Ok, MsgIcon::Error);
        return ForeignOpen::Failed;
    }
    image->SetTitle(fileNameOf(path));
    image->startUnmodified();
    app_.AddDocument(std::move(doc));
    return ForeignOpen::Opened;
}

QMdiSubWindow* MainFrame::addChildWindow(QWidget* w, const QString& title) {
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(title);
    sub->show();
    keepInsideArea(sub);
    return sub;
}

void MainFrame::tileWindows() { mdi_->tileSubWindows(); }

void MainFrame::closeWindowsOf(Document* doc) {
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* c = dynamic_cast<DocumentChild*>(w); c && c->document() == doc) w->close();
}

bool MainFrame::hasWindow(const Document* doc) const {
    if (!doc) return false;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* c = dynamic_cast<DocumentChild*>(w); c && c->document() == doc) return true;
    return false;
}

void MainFrame::openFiles(const QStringList& paths) {
    const int before = mdi_->subWindowList().size();
    for (const QString& p : paths) app_.OpenDocumentFile(p.toStdString());
    if (paths.size() > 1 && mdi_->subWindowList().size() - before > 1) tileWindows();
    saveRecent();
}

void MainFrame::onCloseAll() {
    QMdiSubWindow* last = nullptr;
    while (QMdiSubWindow* w = mdi_->activeSubWindow()) {
        if (w == last) break;  // its close was refused
        last = w;
        w->close();
    }
}

}  // namespace ordavia
