// The image view's commands: zoom, clipboard, grey level, widths, histogram,
// dust marks, child windows and printing.
#include "measure/ui/ZBasicView.h"

#include <QStyle>

#include <cmath>
#include <utility>

#include <QActionGroup>
#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "base/Paths.h"
#include "base/Text.h"
#include "chart/ZliveChartDoc.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/ui/ImageToQImage.h"
#include "measure/ZBasicDoc.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ui/WidthMethodDialog.h"
#include "settings/ProfileStore.h"
#include "framework/ui/SubWindowPlacement.h"
#include "framework/ui/ViewPngExport.h"
#include "measure/ui/HistogramChart.h"
#include "measure/ui/ImageDocMenus.h"
#include "measure/ui/ImageDocPainter.h"
#include "measure/ui/ImagePrinting.h"
#include "measure/ui/ViewStatusPanes.h"

using namespace ordavia;

using TC = ImageToolController;

// ---------------------------------------------------------------------------
// Commands

void ZBasicView::setZoomKeepingCentre(bool in) {
    const double before = tools_->zoomFactor();
    const QPointF centre((horizontalScrollBar()->value() + viewport()->width() / 2.0) / before,
                         (verticalScrollBar()->value() + viewport()->height() / 2.0) / before);
    if (in)
        tools_->zoomIn();
    else
        tools_->zoomOut();
    resizeCanvas();
    const double after = tools_->zoomFactor();
    horizontalScrollBar()->setValue(static_cast<int>(centre.x() * after - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(static_cast<int>(centre.y() * after - viewport()->height() / 2.0));
    updateStatus(cursor_);
}

void ZBasicView::zoomAround(QPointF canvasPos, bool in) {
    // The image point under the cursor stays under the cursor.
    const double before = tools_->zoomFactor();
    const QPointF image = canvasPos / before;
    const QPointF onViewport = canvasPos - QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (!tools_->stepZoom(in)) return;
    resizeCanvas();
    const double after = tools_->zoomFactor();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(image.x() * after - onViewport.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(image.y() * after - onViewport.y())));
    updateStatus(cursor_);
}

void ZBasicView::fitToWindow() {
    if (!doc_ || picture_.isNull()) return;
    const QSize room = maximumViewportSize();
    tools_->fitZoom(doc_->image().originX() + picture_.width(), doc_->image().originY() + picture_.height(),
                    room.width(), room.height());
    resizeCanvas();
    updateStatus(cursor_);
}

void ZBasicView::zoomIn() { setZoomKeepingCentre(true); }
void ZBasicView::zoomOut() { setZoomKeepingCentre(false); }

void ZBasicView::copyDimension() {
    const std::vector<uint8_t> bytes = tools_->copyCurrent();
    if (bytes.empty()) return;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) {
        doc_->services().prompter().messageBox(TC::kClipboardFailed, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    auto* md = new QMimeData;
    md->setData(kClipboardFormat, QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
    cb->setMimeData(md);
}

void ZBasicView::pasteDimension() {
    QClipboard* cb = QGuiApplication::clipboard();
    const QMimeData* md = cb ? cb->mimeData() : nullptr;
    if (!md || !md->hasFormat(kClipboardFormat)) {
        doc_->services().prompter().messageBox(TC::kClipboardFailed, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    const QByteArray data = md->data(kClipboardFormat);
    if (!tools_->paste(std::vector<uint8_t>(data.begin(), data.end()))) {
        doc_->services().prompter().messageBox(TC::kClipboardFailed, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    applyEffects(TC::kRedraw | TC::kDocumentChanged);
}

void ZBasicView::showGreyLevel() {
    if (!doc_) return;
    if (!liveChart_) {
        ordavia::AppServices& services = doc_->services();
        auto chart = std::make_unique<ZliveChartDoc>();
        chart->setDocTemplate(services.findTemplate("ZliveChartDoc"));
        doc_->lendServicesTo(*chart);
        chart->OnNewDocument();
        chart->SetTitle(doc_->GetTitle() + " - grey level");
        // Fed before it is shown, so that its window opens on the profile.
        liveChart_ = chart.get();
        chart->ownerSlot = &liveChart_;
        feedGreyLevel(true);
        Document* opened = services.openDocument(std::move(chart));
        if (liveChart_ && opened != liveChart_) {
            liveChart_->ownerSlot = nullptr;
            liveChart_ = nullptr;
        }
        return;
    }
    feedGreyLevel(true);
}

void ZBasicView::feedGreyLevel(bool force) {
    if (!liveChart_ || !doc_) return;
    std::vector<int> values = tools_->greyProfile();
    const double interval = tools_->greyProfileInterval();
    const std::string units = doc_->unitsInEffect();
    if (!force && values == fedProfile_ && interval == fedInterval_ && units == fedUnits_) return;
    fedProfile_ = std::move(values);
    fedInterval_ = interval;
    fedUnits_ = units;
    // A chart that had a profile keeps its last one while there is no line.
    if (fedProfile_.empty()) return;
    // The picture's samples are bytes: the profile keeps their type.
    liveChart_->showSamples(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)), fedProfile_,
                            interval > 0 ? interval : 1.0, units, "Grey level", 2);
}

Prompter* ZBasicView::promptsWithLines() {
    if (!doc_) return nullptr;
    Prompter& prompter = doc_->services().prompter();
    if (doc_->currentDimList().count() == 0) {
        prompter.messageBox(CapillaryWidthTool::kNoLine, MsgButtons::Ok, MsgIcon::Information);
        return nullptr;
    }
    return &prompter;
}

void ZBasicView::findCapillaryWidth() {
    Prompter* asked = promptsWithLines();
    if (!asked) return;
    Prompter& prompter = *asked;
    CapillaryWidthTool tool(*doc_);
    const std::vector<CapillaryWidthTool::Measured> done = tool.findWidths(&prompter);
    if (done.size() == 1 && !done[0].declined && done[0].width.samples < 0 && done[0].width.profile.size() > 0 &&
        !done[0].width.found())
        prompter.messageBox(strprintf(CapillaryWidthTool::kNoDip, done[0].lineIndex + 1), MsgButtons::Ok,
                            MsgIcon::Information);
    applyEffects(TC::kRedraw | TC::kDocumentChanged);
    if (done.size() == 1 && done[0].width.found()) markProfileEdges(done[0].width);
}

void ZBasicView::markProfileEdges(const LineWidth& w) {
    // The profile chart is the grey-level chart, when the user has it open.
    if (!liveChart_) return;
    feedGreyLevel(true);
    const double interval = fedInterval_ > 0 ? fedInterval_ : 1.0;
    liveChart_->showMarks(kEdgeMarker, {{w.left * interval, "L"}, {w.right * interval, "R"}});
}

void ZBasicView::measureNailfoldLoops() {
    Prompter* asked = promptsWithLines();
    if (!asked) return;
    Prompter& prompter = *asked;
    CapillaryWidthTool tool(*doc_);
    tool.measureLoops(false, &prompter);
    applyEffects(TC::kRedraw | TC::kDocumentChanged);
}

void ZBasicView::chooseWidthMethod() {
    if (!doc_ || !doc_->services().profileStore) return;
    const ProfileStore& profile = doc_->services().profile();
    WidthMethodDialog dlg(WidthSettings::read(profile), this);
    if (dlg.exec() == QDialog::Accepted) dlg.settings().write(profile);
}

void ZBasicView::showHistogram() {
    if (!doc_) return;
    auto* chart = new HistogramChart(tools_->histogram());
    chart->setAttribute(Qt::WA_DeleteOnClose);
    const ZRect roi = doc_->marks().roi.normalized();
    QString title = QString::fromStdString(doc_->GetTitle()) + " - histogram";
    if (!roi.isEmpty()) title += QString(" of (%1,%2)-(%3,%4)").arg(roi.left).arg(roi.top).arg(roi.right).arg(roi.bottom);
    chart->setWindowTitle(title);
    openChildWindow(chart, title);
}

void ZBasicView::removeDustMarks() {
    if (!doc_) return;
    const int removed = tools_->removeMarksInDustMask();
    if (removed < 0) {
        doc_->services().prompter().messageBox(kNoDustMask, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    applyEffects(TC::kRedraw | TC::kDocumentChanged);
    if (auto* main = qobject_cast<QMainWindow*>(window()))
        main->statusBar()->showMessage(QString("%1 marks on the dust mask removed").arg(removed), 8000);
}

void ZBasicView::openChildWindow(QWidget* w, const QString& title) {
    if (QMdiArea* mdi = frame_ ? frame_->mdiArea() : nullptr) {
        QMdiSubWindow* sub = mdi->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowTitle(title);
        sub->resize(w->sizeHint());
        sub->show();
        keepInsideArea(sub);
    } else {
        w->resize(w->sizeHint());
        w->show();
    }
}

void ZBasicView::printDocument() {
    if (doc_) printImageDocumentWithDialog(*doc_, picture_, this);
}

void ZBasicView::printPreview() {
    if (doc_) previewImageDocument(*doc_, picture_, this);
}
