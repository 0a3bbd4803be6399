#include "measure/ui/CountMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "measure/CapillaryCountTool.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/CountDialog.h"
#include "measure/ui/ZBasicView.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

ProfileStore& profileOf(ZBasicDoc& doc) { return doc.services().profile(); }
Prompter& prompterOf(ZBasicDoc& doc) { return doc.services().prompter(); }
ResultTables& tablesOf(ZBasicDoc& doc) { return ResultTables::in(doc.services()); }

// One per view: the view's count tool and, while correcting, the clicks on
// the picture.
class CountHelper : public QObject {
public:
    CountHelper(ZBasicDoc* doc, ZBasicView* view) : QObject(view), doc_(doc), view_(view), tool_(*doc) {
        (void)tool_.setSettings(CapillaryCountTool::storedSettings(profileOf(*doc)));
        view->canvas()->installEventFilter(this);
    }

    CapillaryCountTool& tool() {
        // The table may have been closed since the last count.
        size_t n = 0;
        const ResultColumn* cols = CapillaryCountTool::resultColumns(n);
        tool_.setResultTable(tablesOf(*doc_).open(CapillaryCountTool::kResultTitle, cols, n));
        return tool_;
    }
    bool correcting = false;

    void report(const Status& s) {
        if (!s) prompterOf(*doc_).messageBox(s.reason(), MsgButtons::Ok, MsgIcon::Information);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!correcting || e->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, e);
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() != Qt::LeftButton) return QObject::eventFilter(watched, e);
        const QPoint w = m->position().toPoint();
        if (tool().correctAt(view_->tools().toImage(w.x(), w.y()))) view_->viewport()->update();
        return true;  // the click is the correction's, not the drawing tool's
    }

private:
    ZBasicDoc* doc_;
    ZBasicView* view_;
    CapillaryCountTool tool_;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The line the settings dialog previews: the current object when it is a
// line, else the last line of the list.
void previewLine(const ZBasicDoc& doc, ZPoint& a, ZPoint& b) {
    const CDimList& list = doc.currentDimList();
    const CDim* line = list.currentObject();
    if (!line || line->vertexCount() < 2)
        for (int i = list.count() - 1; i >= 0 && (!line || line->vertexCount() < 2); --i) line = list.at(i);
    if (line && line->vertexCount() >= 2) {
        a = line->getVertex(0);
        b = line->getVertex(line->vertexCount() - 1);
    }
}

}  // namespace

CommandTable capillaryCountCommands(ZBasicDoc* doc, QWidget* view) {
    auto* imageView = qobject_cast<ZBasicView*>(view);
    if (!imageView) return {};
    auto* helper = new CountHelper(doc, imageView);
    return {separator(),
            {.text = kCountAlongLine,
             .run =
                 [helper] {
                     WaitCursor wait;
                     helper->report(helper->tool().countCurrentLine().status());
                 }},
            {.text = kCountAllLines,
             .run =
                 [helper] {
                     WaitCursor wait;
                     helper->report(helper->tool().countAllLines().status());
                 }},
            {.text = kCorrectCount,
             .run = [helper] { helper->correcting = !helper->correcting; },
             .toolTip = "Click near a counted line to add a mark there, or on a mark to take it away",
             .checkable = true,
             .checked = [helper] { return helper->correcting; }},
            {.text = kCountSettings, .run = [helper, doc, view] {
                 ZPoint a, b;
                 previewLine(*doc, a, b);
                 CountDialog dlg(helper->tool(), a, b, view);
                 if (dlg.exec() != QDialog::Accepted) return;
                 WaitCursor wait;
                 const Status st = helper->tool().applySettings(dlg.settings(), a, b);
                 if (st) CapillaryCountTool::storeSettings(profileOf(*doc), dlg.settings());
                 helper->report(st);
             }}};
}

}  // namespace ordavia
