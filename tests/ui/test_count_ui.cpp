// The capillary count commands in the image view: counting a drawn line on
// a synthetic capillaroscope frame, correcting by a click on the picture,
// and the settings dialog with its live preview.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDoubleSpinBox>
#include <QTest>

#include "tests/support/ModalDialogs.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"
#include "synth/SyntheticCapillaroscope.h"
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
    test::ensureOffscreenApp();
    testsupport::ScratchDir dir("count-ui");
    test::TestServices ts;
    ts.profile.SetPath(dir / "ordavia.ini");

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    SyntheticNailfold::Params p;
    p.seed = 3;
    CapillaroscopeLook look;
    ASSERT_TRUE(applyCapillaroscopeCondition("typical", p, look));
    p.width = 640;
    p.height = 480;
    p.loops = 10;
    SyntheticNailfold::Truth truth;
    CZVimage picture;
    ASSERT_TRUE(generateCapillaroscope(p, look, picture, truth));
    doc.setImage(std::move(picture));
    { ImageCalibration c = doc.calibration(); c.calibrated = true; c.xScale = c.yScale = 2.6; c.units = "um"; doc.setCalibration(c); }
    const CountLineTruth line = distalRowLine(truth, 320, 1000);
    const int li = doc.addNewDimension(0, {int(line.a.x), int(line.a.y)});
    doc.addVertex(li, {int(line.b.x), int(line.b.y)});

    registerProcessMenu();
    ZBasicView view(&doc);
    view.resize(700, 540);
    view.show();
    (void)view.documentMenus();
    test::runCommand(view, kCountAlongLine);
    const int counted = countMarks(doc);
    EXPECT_NEAR(counted, line.count, 1);

    // Correcting: a click on the first mark takes it away.
    QAction* correct = view.findAction(kCorrectCount);
    ASSERT_TRUE(correct);
    correct->setChecked(true);
    const auto& objects = doc.currentDimList().objects();
    const auto first = std::find_if(objects.begin(), objects.end(), [](const auto& d) { return isCountMark(*d); });
    ASSERT_NE(first, objects.end());
    const ZPoint at = (*first)->getVertex(0);
    QTest::mouseClick(view.canvas(), Qt::LeftButton, {}, QPoint(at.x, at.y));
    EXPECT_EQ(countMarks(doc), counted - 1);

    // OK in the settings dialog counts the line again with what was chosen.
    bool accepted = false;
    test::answerNextDialog([&](QDialog& dlg) {
        const auto spins = dlg.findChildren<QDoubleSpinBox*>();
        if (spins.size() != 6) return false;
        spins.back()->setValue(90);  // the least prominence: nothing is that clear
        return accepted = true;
    });
    test::runCommand(view, kCountSettings);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(countMarks(doc), 0);
}

}  // namespace
