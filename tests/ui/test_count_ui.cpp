// The capillary count commands in the image view: counting a drawn line
// across six hairpins, correcting by a click on the picture, and the
// settings dialog with its live preview. How well the count finds
// capillaries on capillaroscope frames is the synthetic count tests' matter.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDoubleSpinBox>
#include <QTest>

#include "tests/support/ModalDialogs.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"
#include "tests/support/HairpinPicture.h"
#include "measure/CapillaryCountTool.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/CountMenu.h"
#include "measure/ui/ProcessMenu.h"
#include "measure/ui/ZBasicView.h"

using namespace ordavia;

namespace {

bool isCountMark(const CDim& d) { return d.vertexCount() == 1 && !CapillaryCountTool::isApexMark(d); }

int countMarks(const ZBasicDoc& doc) {
    int n = 0;
    for (const auto& d : doc.currentDimList().objects()) n += isCountMark(*d);
    return n;
}

TEST(CountUi, CountsADrawnLineAndTakesAMarkAwayByClicking) {
    testsupport::ensureQtApp();
    testsupport::ScratchDir dir("count-ui");
    test::TestServices ts;
    ts.profile.SetPath(dir / "ordavia.ini");

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    doc.setImage(test::hairpins(0.5, 1));
    { ImageCalibration c = doc.calibration(); c.calibrated = true; c.xScale = c.yScale = 2.5; c.units = "um"; doc.setCalibration(c); }
    doc.addVertex(doc.addNewDimension(0, {20, 100}), {400, 100});

    registerProcessMenu();
    ZBasicView view(&doc);
    view.resize(700, 540);
    view.show();
    (void)view.documentMenus();  // built when the frame first asks for them
    test::runCommand(view, kCountAlongLine);
    const int counted = countMarks(doc);
    EXPECT_EQ(counted, 6);

    // Correcting: a click on the first mark takes it away.
    QAction* correct = view.findAction(kCorrectCount);
    ASSERT_TRUE(correct);
    EXPECT_EQ(correct->toolTip().toStdString(), "Click near a counted line to add a mark there, or on a mark to take it away");
    correct->trigger();
    const auto& objects = doc.currentDimList().objects();
    const auto first = std::find_if(objects.begin(), objects.end(), [](const auto& d) { return isCountMark(*d); });
    ASSERT_NE(first, objects.end());
    const ZPoint at = (*first)->getVertex(0);
    QTest::mouseClick(view.canvas(), Qt::LeftButton, {}, QPoint(at.x, at.y));
    EXPECT_EQ(countMarks(doc), counted - 1);

    // OK in the settings dialog counts the line again with what was chosen,
    // the widest single limb included (it shows the setting in use and is
    // kept, where the dialog once reset it).
    bool accepted = false;
    test::answerNextDialog([&](QDialog& dlg) {
        const auto spins = dlg.findChildren<QDoubleSpinBox*>();
        if (spins.size() != 7) return false;
        EXPECT_EQ(spins[5]->value(), CountSettings{}.limbUm);
        spins[5]->setValue(20);
        spins.back()->setValue(90);  // the least prominence: nothing is that clear
        return accepted = true;
    });
    test::runCommand(view, kCountSettings);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(countMarks(doc), 0);
    EXPECT_EQ(CapillaryCountTool::storedSettings(ts.profile).limbUm, 20);
}

}  // namespace
