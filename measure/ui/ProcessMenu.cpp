#include "measure/ui/ProcessMenu.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QWidget>
#include <functional>

#include "framework/AppServices.h"
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

QAction* add(QMenu* m, const char* text, QWidget* view, std::function<void()> f) {
    QAction* a = m->addAction(QString::fromUtf8(text));
    QObject::connect(a, &QAction::triggered, view, std::move(f));
    return a;
}

// A command that may ask a question first: the wait cursor would sit over
// the prompt, so those commands show it only once they run (the prompts
// come before any pixel work, and the filters are quick enough not to
// need it in between). A failure is shown once the command is over, with
// the icon its refusals carry.
QAction* addCommand(QMenu* m, const char* text, QWidget* view, ZBasicDoc* doc, Command c, bool asks = false,
                    MsgIcon refusal = MsgIcon::Warning) {
    return add(m, text, view, [doc, c, asks, refusal] {
        Status done;
        if (asks) {
            done = c(*doc);
        } else {
            WaitCursor wait;
            done = c(*doc);
        }
        showFailure(doc->services().prompter(), done, doc->quiet(), refusal);
    });
}

}  // namespace

QMenu* makeProcessMenu(ZBasicDoc* doc, QWidget* view) {
    auto* m = new QMenu("&Process", view);
    add(m, "&Adjust brightness/contrast", view, [doc, view] { runBrightnessContrastDialog(*doc, view); });
    addCommand(m, "E&qualise", view, doc, &ImageProcessing::equalise);
    addCommand(m, "Ne&gative", view, doc, &ImageProcessing::negative);
    addCommand(m, "&Low pass filter", view, doc, &ImageProcessing::lowPass, true);
    addCommand(m, "&High pass filter", view, doc, &ImageProcessing::highPass, true);
    addCommand(m, "&Laplacian filter", view, doc, &ImageProcessing::laplacian);
    add(m, "Custo&m Filter", view, [doc, view] {
        if (runCustomFilterDialog(doc->services().profile(), view)) {
            WaitCursor wait;
            (void)ImageProcessing::run(*doc, &ImageProcessing::customFilter);
        }
    });
    addCommand(m, "Blur", view, doc, &ImageProcessing::blur, true);
    addCommand(m, "&Bin", view, doc, &ImageProcessing::bin);
    addCommand(m, "Subtract image", view, doc, &ImageProcessing::subtractImage, true);
    m->addSeparator();
    addCommand(m, "Remove single dust mark", view, doc, &ImageProcessing::removeSingleDustMark, true,
               MsgIcon::Information);
    QAction* dust = addCommand(m, "Use Dust Mask filter", view, doc, &ImageProcessing::toggleDustMaskFilter, true);
    dust->setCheckable(true);
    addCommand(m, "Save Dust Mask", view, doc, &ImageProcessing::saveDustMask, true, MsgIcon::Error);
    addCommand(m, "Load dust mask", view, doc, &ImageProcessing::loadDustMask, true, MsgIcon::Error);
    m->addSeparator();
    add(m, "Processing...", view, [doc, view] {
        if (runProcessingArgsDialog(doc->services().profile(), view)) {
            WaitCursor wait;
            (void)ImageProcessing::run(*doc, &ImageProcessing::processing);
        }
    });
    add(m, "Threshold Capillaries", view, [doc, view] {
        // No wait cursor: a question about earlier circles may follow the
        // search.
        (void)ImageProcessing::run(*doc, &ImageProcessing::thresholdCapillaries);
        // The count and density of every run, none found included.
        if (auto* main = qobject_cast<QMainWindow*>(view->window()))
            main->statusBar()->showMessage("Threshold Capillaries: " + QString::fromStdString(doc->result).simplified());
    });
    addCommand(m, "Threshold &preprocess check", view, doc, &ImageProcessing::preprocessCheck);
    addCommand(m, "apex filter", view, doc, &ImageProcessing::apexFilter);
    addCommand(m, "&Find Capillaries", view, doc, &ImageProcessing::findCapillaries, true, MsgIcon::Information);
    addCommand(m, "&Simple threshold", view, doc, &ImageProcessing::simpleThreshold, true);
    addCommand(m, "find minima within window", view, doc, &ImageProcessing::findMinimaWithinWindow);
    addCommand(m, "find minima within tolerance", view, doc, &ImageProcessing::findMinimaWithinTolerance);
    addCommand(m, "find 8 regions", view, doc, &ImageProcessing::findEightRegions);
    ordavia::addCapillaryCountCommands(m, doc, view);
    ordavia::addAssessmentCommand(m, doc, view);

    QObject::connect(m, &QMenu::aboutToShow, view, [=] {
        dust->setChecked(ImageProcessing::dustMaskFilterOn(*doc));
        const bool hasImage = !doc->image().isEmpty();
        for (QAction* a : m->actions())
            if (!a->isSeparator() && a != dust && !a->text().contains("Dust") && !a->text().contains("dust"))
                a->setEnabled(hasImage);
    });
    return m;
}

void registerProcessMenu() { setImageProcessMenuMaker(&makeProcessMenu); }

}  // namespace ordavia
