#include "measure/ui/ImageDocMenus.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QWidget>

#include "base/Paths.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Prompter.h"
#include "base/ui/CommandTable.h"
#include "measure/SelectionAverage.h"
#include "image/GreyConversion.h"
#include "image/ImageFormats.h"
#include "image/Palette.h"
#include "measure/ZBasicDoc.h"
#include "measure/ZDimDoc.h"
#include "measure/ui/ImageDocDialogs.h"
#include "measure/ui/ZDimView.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

ProcessMenuMaker& processMaker() {
    static ProcessMenuMaker m;
    return m;
}

const char* kExportFilter =
    "ZV images (*.zvg)|*.zvg|Windows bitmaps (*.bmp)|*.bmp|TIFF (*.tif)|*.tif|PNG (*.png)|*.png|All images|"
    "*.zvg;*.tif;*.bmp;*.png||";

void exportImage(ZBasicDoc* doc, QWidget*) {
    if (doc->image().isEmpty()) return;
    const std::string proposed = withoutExtension(doc->GetPathName().empty() ? doc->GetTitle() : doc->GetPathName());
    auto target = doc->services().prompter().saveFile("Export", kExportFilter, proposed + ".bmp");
    if (!target) return;
    std::string path = *target;
    if (extensionOf(path).empty()) path += ".bmp";
    ordavia::Status st;
    if (!doc->marks().roi.normalized().isEmpty() &&
        doc->services().prompter().messageBox(ZBasicDoc::kRegionQuestion, MsgButtons::YesNo, MsgIcon::Question) ==
            MsgResult::Yes) {
        CZVimage part;
        st = part.copyRect(doc->image(), doc->marks().roi.normalized()) ? savePicture(part, path)
                                                              : ordavia::Status::failure(path + ": empty region");
    } else {
        st = savePicture(doc->image(), path);
    }
    if (!st)
        doc->services().prompter().messageBox(std::string(ZBasicDoc::kErrorSaving) + "\n" + st.reason(), MsgButtons::Ok,
                                       MsgIcon::Error);
}

void importImage(ZBasicDoc* doc, QWidget*) {
    auto path = doc->services().prompter().openFile("Import", ZBasicDoc::kImageFilter,
                                             doc->services().profile().GetString("settings", "directory", ""));
    if (!path) return;
    if (const ordavia::Status st = doc->importImage(*path); !st)
        doc->services().prompter().messageBox(ZBasicDoc::couldNotLoad(st), MsgButtons::Ok, MsgIcon::Error);
}

void averageOfSelection(ZBasicDoc* doc) {
    const ImageSelectionAverage row = computeSelectionAverage(*doc);
    CResultDoc* table = ResultTables::in(doc->services()).open("Image Results");
    if (!table) return;
    ResultRecord rec;
    rec.first = row.filename.empty() ? doc->GetTitle() : row.filename;
    rec.second = row.units;
    rec.values = row.values;
    if (const Status st = table->addRow(rec); !st)
        doc->services().prompter().messageBox(st.reason(), MsgButtons::Ok, MsgIcon::Warning);
}

// "&Dimension list": the current list as a live table of its own; one
// table per list, brought to the front when it is open already.
void dimensionList(ZBasicDoc* doc, QWidget* view) {
    if (ZDimDoc* open = ZDimDoc::following(*doc, doc->currentList())) {
        for (QMdiSubWindow* sub : view->window()->findChildren<QMdiSubWindow*>()) {
            auto* table = sub ? dynamic_cast<ZDimView*>(sub->widget()) : nullptr;
            if (table && table->document() == open && sub->mdiArea()) {
                sub->mdiArea()->setActiveSubWindow(sub);
                return;
            }
        }
        return;
    }
    auto table = std::make_unique<ZDimDoc>();
    table->setDocTemplate(doc->services().findTemplate("ZDimDoc"));
    table->subjectId = doc->subjectId;
    table->examId = doc->examId;
    table->linked = doc->linked;
    table->follow(doc, doc->currentList());
    doc->services().openDocument(std::move(table));
}

void duplicate(ZBasicDoc* doc) {
    std::unique_ptr<ZBasicDoc> copy = doc->duplicate();
    copy->setDocTemplate(doc->services().findTemplate("ZBasicDoc"));
    doc->services().openDocument(std::move(copy));
}

}  // namespace

void setImageProcessMenuMaker(ProcessMenuMaker maker) { processMaker() = std::move(maker); }

QList<QAction*> imageDocumentFileActions(ZBasicDoc* doc, QWidget* view) {
    QList<QAction*> out;
    auto make = [&](const char* text, QKeySequence key, std::function<void()> f) {
        auto* a = new QAction(QString::fromUtf8(text), view);
        if (!key.isEmpty()) a->setShortcut(key);
        QObject::connect(a, &QAction::triggered, view, std::move(f));
        out << a;
    };
    make("&Save", QKeySequence::Save,
         [doc] { showDocumentFailure(doc->services().prompter(), doc->OnFileSave(), doc->quiet()); });
    make("Save &As...", QKeySequence::SaveAs,
         [doc] { showDocumentFailure(doc->services().prompter(), doc->OnFileSaveAs(), doc->quiet()); });
    make("&Import...", {}, [doc, view] { importImage(doc, view); });
    make("&Export...", {}, [doc, view] { exportImage(doc, view); });
    return out;
}

namespace {

CommandTable imageCommands(ZBasicDoc* doc, QWidget* view) {
    const auto canUndo = [doc] { return doc->canUndo(); };
    static const char* const kListNames[ZBasicDoc::kListCount] = {"List &0", "List &1", "List &2", "List &3",
                                                                   "&Dust list"};
    CommandTable lists;
    for (int i = 0; i < ZBasicDoc::kListCount; ++i)
        lists.push_back({.text = kListNames[i], .run = [doc, i] { doc->setCurrentList(i); }, .radio = "list",
                         .checked = [doc, i] { return doc->currentList() == i; }});
    return {
        // Both exchange the picture with the one kept for undoing.
        {.text = "&Undo", .run = [doc] { doc->undo(); }, .shortcut = QKeySequence::Undo, .enabled = canUndo},
        {.text = "&Redo", .run = [doc] { doc->redo(); }, .shortcut = QKeySequence::Redo, .enabled = canUndo},
        separator(),
        {.text = "&Notes...", .run = [doc, view] { runNotesDialog(*doc, view); }},
        separator(),
        {.text = "&Calibrate magnification...", .run = [doc, view] { runCalibrateDialog(*doc, view); }},
        {.text = "&Magnification...", .run = [doc, view] { runMagnificationDialog(*doc, view); }},
        {.text = "&Units...", .run = [doc, view] { runUnitsDialog(*doc, view); }},
        separator(),
        {.text = "Clear &all dimensions",
         .run = [doc] { showFailure(doc->services().prompter(), doc->clearCurrentList(), doc->quiet()); }},
        {.text = "Show &Crosshair", .run = [doc] { doc->toggleTarget(); }, .checkable = true,
         .checked = [doc] { return doc->marks().showTarget != 0; }},
        {.text = "&Grid",
         .run = [doc] {
             GridSettings g = doc->grid();
             g.show = g.show ? 0 : 1;
             doc->setGrid(g);
             doc->services().profile().WriteInt("grid", "gridshow", g.show);
         },
         .checkable = true, .checked = [doc] { return doc->grid().show != 0; }},
        {.text = "&Grid...", .run = [doc, view] { runGridDialog(*doc, view); }},
        {.text = "Current &list", .submenu = std::move(lists)},
        separator(),
        {.text = "Calculate average of selection", .run = [doc] { averageOfSelection(doc); }},
        {.text = "&Image Results", .run = [doc] { ResultTables::in(doc->services()).open("Image Results"); }},
        {.text = "&Dimension list", .run = [doc, view] { dimensionList(doc, view); }},
        {.text = "Duplicate image in new window", .run = [doc] { duplicate(doc); }},
        // Colour pictures become grey with the colour weights, Bayer mosaics
        // by their green estimates.
        {.text = "Convert to &grey",
         .run = [doc] {
             const GreyWeights w = doc->importWeights();
             doc->imageOperation("", [w](CZVimage& img, const ZRect&) { return convertToGrey(img, w); });
         },
         .enabled = [doc] { return doc->image().colour() != CZVimage::kGrey; }},
        {.text = "Colour &weighting on import...", .run = [doc, view] { runColourWeightingDialog(*doc, view); }},
    };
}

CommandTable paletteCommands(ZBasicDoc* doc) {
    CommandTable table;
    for (int i = 0; i < CZVimage::kPaletteCount; ++i)
        table.push_back({.text = paletteMenuText(i), .run = [doc, i] { doc->setPaletteIndex(i); }, .radio = "palette",
                         .checked = [doc, i] { return doc->paletteIndex() == i; }});
    CommandTable rest = {
        separator(),
        {.text = "Next palette", .run = [doc] { doc->setPaletteIndex(doc->paletteIndex() + 1); },
         .shortcut = QKeySequence(Qt::Key_PageDown)},
        {.text = "Previous palette", .run = [doc] { doc->setPaletteIndex(doc->paletteIndex() - 1); },
         .shortcut = QKeySequence(Qt::Key_PageUp)},
        separator(),
        {.text = "&zero as black", .run = [doc] { doc->toggleZeroAsBlack(); }, .checkable = true,
         .checked = [doc] { return doc->zeroAsBlack(); }},
        {.text = "Auto contrast", .run = [doc] { doc->toggleAutoContrast(); },
         .shortcut = QKeySequence(Qt::CTRL | Qt::Key_K), .checkable = true,
         .checked = [doc] { return doc->image().autoContrast(); }},
    };
    table.insert(table.end(), rest.begin(), rest.end());
    return table;
}

}  // namespace

QList<QMenu*> imageDocumentMenus(ZBasicDoc* doc, QWidget* view) {
    QList<QMenu*> menus;
    // The shortcuts work while the view shows, menu open or not.
    auto* image = new QMenu("&Image", view);
    addCommands(image, view, imageCommands(doc, view));
    menus << image;
    auto* palette = new QMenu("&Palette", view);
    addCommands(palette, view, paletteCommands(doc));
    menus << palette;

    if (processMaker())
        if (QMenu* m = processMaker()(doc, view)) menus << m;
    return menus;
}

}  // namespace ordavia
