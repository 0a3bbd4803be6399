#include "measure/ui/ProcessMenu.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QWidget>
#include <functional>

#include "framework/AppServices.h"
#include "base/ui/CommandTable.h"
#include "measure/ImageProcessing.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/AssessmentWindow.h"
#include "measure/ui/BrightnessContrastDialog.h"
#include "measure/ui/CountMenu.h"
#include "measure/ui/CustomFilterDialog.h"
#include "measure/ui/ImageDocMenus.h"
#include "measure/ui/ProcessingArgsDialog.h"

namespace ordavia {

namespace {

// Filters of large pictures and the detector take a noticeable while.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

using Command = ImageProcessing::Command;

// A command that may ask a question first: the wait cursor would sit over
// the prompt, so those commands show it only once they run (the prompts
// come before any pixel work, and the filters are quick enough not to
// need it in between). A failure is shown once the command is over, with
// the icon its refusals carry.
std::function<void()> runOf(ZBasicDoc* doc, Command c, bool asks = false, MsgIcon refusal = MsgIcon::Warning) {
    return [doc, c, asks, refusal] {
        Status done;
        if (asks) {
            done = c(*doc);
        } else {
            WaitCursor wait;
            done = c(*doc);
        }
        showFailure(doc->services().prompter(), done, doc->quiet(), refusal);
    };
}

// A command whose parameters are set in a dialog first: it runs only when
// the dialog is accepted.
std::function<void()> runAfterDialog(ZBasicDoc* doc, QWidget* view, bool (*dialog)(const ProfileStore&, QWidget*),
                                     Command c) {
    return [doc, view, dialog, c] {
        if (dialog(doc->services().profile(), view)) {
            WaitCursor wait;
            (void)ImageProcessing::run(*doc, c);
        }
    };
}

}  // namespace

QMenu* makeProcessMenu(ZBasicDoc* doc, QWidget* view) {
    const bool asks = true;
    CommandTable filters = {
        {.text = "&Adjust brightness/contrast", .run = [doc, view] { runBrightnessContrastDialog(*doc, view); }},
        {.text = "E&qualise", .run = runOf(doc, &ImageProcessing::equalise)},
        {.text = "Ne&gative", .run = runOf(doc, &ImageProcessing::negative)},
        {.text = "&Low pass filter", .run = runOf(doc, &ImageProcessing::lowPass, asks)},
        {.text = "&High pass filter", .run = runOf(doc, &ImageProcessing::highPass, asks)},
        {.text = "&Laplacian filter", .run = runOf(doc, &ImageProcessing::laplacian)},
        {.text = "Custo&m Filter", .run = runAfterDialog(doc, view, &runCustomFilterDialog, &ImageProcessing::customFilter)},
        {.text = "Blur", .run = runOf(doc, &ImageProcessing::blur, asks)},
        {.text = "&Bin", .run = runOf(doc, &ImageProcessing::bin)},
        {.text = "Subtract image", .run = runOf(doc, &ImageProcessing::subtractImage, asks)},
    };
    // The dust mask's files can be handled without a picture.
    const CommandTable dust = {
        separator(),
        {.text = "Remove single dust mark",
         .run = runOf(doc, &ImageProcessing::removeSingleDustMark, asks, MsgIcon::Information)},
        {.text = "Use Dust Mask filter",
         .run = runOf(doc, &ImageProcessing::toggleDustMaskFilter, asks),
         .checkable = true,
         .checked = [doc] { return ImageProcessing::dustMaskFilterOn(*doc); }},
        {.text = "Save Dust Mask", .run = runOf(doc, &ImageProcessing::saveDustMask, asks, MsgIcon::Error)},
        {.text = "Load dust mask", .run = runOf(doc, &ImageProcessing::loadDustMask, asks, MsgIcon::Error)},
    };
    CommandTable detectors = {
        separator(),
        {.text = "Processing...", .run = runAfterDialog(doc, view, &runProcessingArgsDialog, &ImageProcessing::processing)},
        {.text = "Threshold Capillaries",
         .run =
             [doc, view] {
                 // No wait cursor: a question about earlier circles may follow
                 // the search.
                 (void)ImageProcessing::run(*doc, &ImageProcessing::thresholdCapillaries);
                 // The count and density of every run, none found included.
                 if (auto* main = qobject_cast<QMainWindow*>(view->window()))
                     main->statusBar()->showMessage("Threshold Capillaries: " +
                                                    QString::fromStdString(doc->result).simplified());
             }},
        {.text = "Threshold &preprocess check", .run = runOf(doc, &ImageProcessing::preprocessCheck)},
        {.text = "apex filter", .run = runOf(doc, &ImageProcessing::apexFilter)},
        {.text = "&Find Capillaries", .run = runOf(doc, &ImageProcessing::findCapillaries, asks, MsgIcon::Information)},
        {.text = "&Simple threshold", .run = runOf(doc, &ImageProcessing::simpleThreshold, asks)},
        {.text = "find minima within window", .run = runOf(doc, &ImageProcessing::findMinimaWithinWindow)},
        {.text = "find minima within tolerance", .run = runOf(doc, &ImageProcessing::findMinimaWithinTolerance)},
        {.text = "find 8 regions", .run = runOf(doc, &ImageProcessing::findEightRegions)},
    };
    for (const CommandTable& more : {capillaryCountCommands(doc, view), assessmentCommands(doc, view)})
        detectors.insert(detectors.end(), more.begin(), more.end());
    // Every command but the dust mask's works on the picture.
    const auto hasImage = [doc] { return !doc->image().isEmpty(); };
    for (CommandTable* t : {&filters, &detectors})
        for (MenuCommand& c : *t)
            if (c.text) c.enabled = hasImage;
    CommandTable table = filters;
    table.insert(table.end(), dust.begin(), dust.end());
    table.insert(table.end(), detectors.begin(), detectors.end());

    auto* m = new QMenu("&Process", view);
    addCommands(m, view, table);
    return m;
}

void registerProcessMenu() { setImageProcessMenuMaker(&makeProcessMenu); }

}  // namespace ordavia
