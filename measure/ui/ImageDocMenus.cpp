#include "measure/ui/ImageDocMenus.h"

#include <QAction>
#include <QActionGroup>
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
#include "measure/SelectionAverage.h"
#include "image/GreyConversion.h"
#include "image/ImageFormats.h"
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

const char* kPaletteNames[10] = {"&Greylevel", "&Colour",   "&Red",     "&Green",    "&Blue",
                                 "&Multicolour", "Contour&2", "Contour&4", "Contour&8", "Contour&16"};

const char* kExportFilter =
    "ZV images (*.zvg)|*.zvg|Windows bitmaps (*.bmp)|*.bmp|TIFF (*.tif)|*.tif|PNG (*.png)|*.png|All images|"
    "*.zvg;*.tif;*.bmp;*.png||";

QAction* add(QMenu* m, const char* text, QObject* ctx, std::function<void()> f) {
    QAction* a = m->addAction(QString::fromUtf8(text));
    QObject::connect(a, &QAction::triggered, ctx, std::move(f));
    return a;
}

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

QList<QMenu*> imageDocumentMenus(ZBasicDoc* doc, QWidget* view) {
    QList<QMenu*> menus;

    auto* image = new QMenu("&Image", view);
    QAction* undo = add(image, "&Undo", view, [doc] { doc->undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = add(image, "&Redo", view, [doc] { doc->redo(); });
    redo->setShortcut(QKeySequence::Redo);
    image->addSeparator();
    add(image, "&Notes...", view, [doc, view] { runNotesDialog(*doc, view); });
    image->addSeparator();
    add(image, "&Calibrate magnification...", view, [doc, view] { runCalibrateDialog(*doc, view); });
    add(image, "&Magnification...", view, [doc, view] { runMagnificationDialog(*doc, view); });
    add(image, "&Units...", view, [doc, view] { runUnitsDialog(*doc, view); });
    image->addSeparator();
    add(image, "Clear &all dimensions", view, [doc] {
        showFailure(doc->services().prompter(), doc->clearCurrentList(), doc->quiet());
    });
    QAction* cross = add(image, "Show &Crosshair", view, [doc] { doc->toggleTarget(); });
    cross->setCheckable(true);
    QAction* grid = add(image, "&Grid", view, [doc] {
        GridSettings g = doc->grid();
        g.show = g.show ? 0 : 1;
        doc->setGrid(g);
        doc->services().profile().WriteInt("grid", "gridshow", g.show);
    });
    grid->setCheckable(true);
    add(image, "&Grid...", view, [doc, view] { runGridDialog(*doc, view); });
    QMenu* listMenu = image->addMenu("Current &list");
    auto* listGroup = new QActionGroup(listMenu);
    const char* listNames[ZBasicDoc::kListCount] = {"List &0", "List &1", "List &2", "List &3", "&Dust list"};
    for (int i = 0; i < ZBasicDoc::kListCount; ++i) {
        QAction* a = add(listMenu, listNames[i], view, [doc, i] {
            doc->setCurrentList(i);
        });
        a->setCheckable(true);
        listGroup->addAction(a);
    }
    image->addSeparator();
    add(image, "Calculate average of selection", view, [doc] { averageOfSelection(doc); });
    add(image, "&Image Results", view, [doc] { ResultTables::in(doc->services()).open("Image Results"); });
    add(image, "&Dimension list", view, [doc, view] { dimensionList(doc, view); });
    add(image, "Duplicate image in new window", view, [doc] { duplicate(doc); });
    // Colour pictures become grey with the colour weights, Bayer mosaics
    // by their green estimates.
    QAction* grey = add(image, "Convert to &grey", view, [doc] {
        const GreyWeights w = doc->importWeights();
        doc->imageOperation("", [w](CZVimage& img, const ZRect&) { return convertToGrey(img, w); });
    });
    add(image, "Colour &weighting on import...", view, [doc, view] { runColourWeightingDialog(*doc, view); });
    QObject::connect(image, &QMenu::aboutToShow, view, [=] {
        undo->setEnabled(doc->canUndo());
        redo->setEnabled(doc->canUndo());
        cross->setChecked(doc->marks().showTarget != 0);
        grid->setChecked(doc->grid().show != 0);
        grey->setEnabled(doc->image().colour() != CZVimage::kGrey);
        const auto acts = listGroup->actions();
        if (doc->currentList() >= 0 && doc->currentList() < acts.size()) acts[doc->currentList()]->setChecked(true);
    });
    menus << image;

    auto* palette = new QMenu("&Palette", view);
    auto* group = new QActionGroup(palette);
    for (int i = 0; i < 10; ++i) {
        QAction* a = add(palette, kPaletteNames[i], view, [doc, i] { doc->setPaletteIndex(i); });
        a->setCheckable(true);
        group->addAction(a);
    }
    palette->addSeparator();
    QAction* next = add(palette, "Next palette", view, [doc] { doc->setPaletteIndex(doc->paletteIndex() + 1); });
    next->setShortcut(QKeySequence(Qt::Key_PageDown));
    QAction* prev = add(palette, "Previous palette", view, [doc] { doc->setPaletteIndex(doc->paletteIndex() - 1); });
    prev->setShortcut(QKeySequence(Qt::Key_PageUp));
    palette->addSeparator();
    QAction* zero = add(palette, "&zero as black", view, [doc] { doc->toggleZeroAsBlack(); });
    zero->setCheckable(true);
    QAction* autoContrast = add(palette, "Auto contrast", view, [doc] {
        doc->toggleAutoContrast();
    });
    autoContrast->setCheckable(true);
    autoContrast->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    QObject::connect(palette, &QMenu::aboutToShow, view, [=] {
        const auto acts = group->actions();
        if (doc->paletteIndex() >= 0 && doc->paletteIndex() < acts.size()) acts[doc->paletteIndex()]->setChecked(true);
        zero->setChecked(doc->zeroAsBlack());
        autoContrast->setChecked(doc->image().autoContrast());
    });
    // Shortcuts work while the view has focus, menu shown or not.
    view->addActions({undo, redo, next, prev, autoContrast});
    menus << palette;

    if (processMaker())
        if (QMenu* m = processMaker()(doc, view)) menus << m;
    return menus;
}

}  // namespace ordavia
