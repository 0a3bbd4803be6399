// The "&Process" menu and the brightness/contrast dialog, on the offscreen
// platform: the actions reach the document, and the dialog's preview never outlives a Cancel.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

#include "ProcTestSupport.h"
#include "measure/ui/BrightnessContrastDialog.h"
#include "measure/ui/ProcessMenu.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

using testsupport::entryNamed;

TEST_F(ProcTest, ProcessMenuShowsTheDustSwitchAndReachesTheDocument) {
    testsupport::ensureQtApp();
    ZBasicDoc& doc = newDoc();
    QWidget view;
    QMenu* m = makeProcessMenu(&doc, &view);

    // The switch shows the stored state.
    store().WriteInt("settings", "dustmask", 1);
    emit m->aboutToShow();
    EXPECT_TRUE(entryNamed(m, "Use Dust Mask filter")->isChecked());
    // Without a picture the image commands are off; the dust mask files
    // can still be handled.
    EXPECT_FALSE(entryNamed(m, "Ne&gative")->isEnabled());
    EXPECT_TRUE(entryNamed(m, "Load dust mask")->isEnabled());

    doc.setImage(grey(10, 10, 0));
    doc.pictureForPreview().row(0)[0] = 255;
    emit m->aboutToShow();
    entryNamed(m, "Ne&gative")->trigger();
    EXPECT_EQ(doc.image().row(0)[0], 0);
    EXPECT_EQ(doc.notes(), "Invert\r\n");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone again

    // A refusal reaches the user once, with its text; a cancelled chooser
    // says nothing.
    prompter.pushText(std::string("-1"));
    entryNamed(m, "Blur")->trigger();
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{ImageProcessing::kSigmaNotPositive});
    entryNamed(m, "Load dust mask")->trigger();
    EXPECT_EQ(prompter.messages().size(), 1u);
}

TEST_F(ProcTest, BrightnessContrastPreviewsAndCancelRestores) {
    testsupport::ensureQtApp();
    ZBasicDoc& doc = newDoc(ramp(20, 10));
    doc.setRegion({0, 0, 10, 10});
    doc.SetModifiedFlag(false);
    const CZVimage before = copyOf(doc.image());
    {
        BrightnessContrastDialog d(doc, nullptr);
        d.setValues(2.0, -10.0);
        EXPECT_EQ(doc.image().row(3)[4], std::clamp(before.row(3)[4] * 2 - 10, 0, 255));
        EXPECT_EQ(doc.image().row(3)[14], before.row(3)[14]);  // outside the region
        d.setValues(0.5, 0.0);  // from the original, not from the last preview
        EXPECT_EQ(doc.image().row(3)[4], before.row(3)[4] / 2);
        d.reject();
    }
    EXPECT_TRUE(samePixels(doc.image(), before));
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.IsModified());

    // Closed without an answer: the preview goes as well.
    {
        BrightnessContrastDialog d(doc, nullptr);
        d.setValues(3.0, 5.0);
    }
    EXPECT_TRUE(samePixels(doc.image(), before));

    {
        BrightnessContrastDialog d(doc, nullptr);
        d.setValues(1.5, 20.0);
        d.accept();
    }
    EXPECT_EQ(doc.image().row(3)[4], std::clamp(int(before.row(3)[4] * 1.5 + 20), 0, 255));
    EXPECT_TRUE(samePixels((*doc.undoPicture()), before));
    EXPECT_TRUE(doc.imageModified());
    doc.undo();
    EXPECT_TRUE(samePixels(doc.image(), before));
}
