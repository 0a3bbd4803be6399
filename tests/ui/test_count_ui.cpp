// The capillary count commands in the image view: counting a drawn line on
// a synthetic capillaroscope frame, correcting by a click on the picture,
// and the settings dialog with its live preview.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QTimer>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "tests/support/TestServices.h"
#include "synth/SyntheticCapillaroscope.h"
#include "measure/CapillaryCountTool.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/CountMenu.h"
#include "measure/ui/ProcessMenu.h"
#include "measure/ui/ZBasicView.h"
#include "settings/ProfileStore.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

namespace {

int countMarks(const ZBasicDoc& doc) {
    int n = 0;
    for (const auto& d : doc.currentDimList().objects()) n += d->vertexCount() == 1 && !ordavia::CapillaryCountTool::isApexMark(*d);
    return n;
}

TEST(CountUi, CountsADrawnLineAndTakesAMarkAwayByClicking) {
    testsupport::ensureQtApp();
    const auto dir = std::filesystem::temp_directory_path() / ("ordavia-count-ui-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ordavia::test::TestServices ts;
    ts.profile.SetPath((dir / "ordavia.ini").string());

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    SyntheticNailfold::Params p;
    p.seed = 3;
    ordavia::CapillaroscopeLook look;
    ASSERT_TRUE(ordavia::applyCapillaroscopeCondition("typical", p, look));
    p.width = 640;
    p.height = 480;
    p.loops = 10;
    SyntheticNailfold::Truth truth;
    CZVimage picture;
    ASSERT_TRUE(ordavia::generateCapillaroscope(p, look, picture, truth));
    doc.setImage(std::move(picture));
    { ImageCalibration c = doc.calibration(); c.calibrated = true; c.xScale = c.yScale = 2.6; c.units = "um"; doc.setCalibration(c); }
    const ordavia::CountLineTruth line = ordavia::distalRowLine(truth, 320, 1000);
    const int li = doc.addNewDimension(0, {int(line.a.x), int(line.a.y)});
    doc.addVertex(li, {int(line.b.x), int(line.b.y)});

    registerProcessMenu();
    ZBasicView view(&doc);
    view.resize(700, 540);
    view.show();
    (void)view.documentMenus();
    QAction* count = view.findAction(QString::fromUtf8(ordavia::kCountAlongLine));
    ASSERT_TRUE(count);
    count->trigger();
    const int counted = countMarks(doc);
    EXPECT_NEAR(counted, line.count, 1);
    EXPECT_EQ(doc.result.rfind("Capillaries: ", 0), 0u) << doc.result;

    // Correcting: a click on the first mark takes it away.
    QAction* correct = view.findAction(QString::fromUtf8(ordavia::kCorrectCount));
    ASSERT_TRUE(correct);
    correct->setChecked(true);
    const CDim* first = nullptr;
    for (const auto& d : doc.currentDimList().objects())
        if (d->vertexCount() == 1 && !ordavia::CapillaryCountTool::isApexMark(*d)) {
            first = d.get();
            break;
        }
    ASSERT_TRUE(first);
    const ZPoint at = first->getVertex(0);
    QTest::mouseClick(view.canvas(), Qt::LeftButton, {}, QPoint(at.x, at.y));
    EXPECT_EQ(countMarks(doc), counted - 1);
    EXPECT_NE(doc.result.find("removed by hand"), std::string::npos);

    // OK in the settings dialog counts the line again with what was chosen.
    QAction* settings = view.findAction(QString::fromUtf8(ordavia::kCountSettings));
    ASSERT_TRUE(settings);
    bool accepted = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        const auto spins = dlg->findChildren<QDoubleSpinBox*>();
        if (spins.size() != 6) return;
        spins.back()->setValue(90);  // the least prominence: nothing is that clear
        dlg->accept();
        accepted = true;
    });
    settings->trigger();
    ASSERT_TRUE(accepted);
    EXPECT_EQ(countMarks(doc), 0);
    EXPECT_EQ(doc.currentDimList().at(li)->label(), "0 capillaries, 0.0/mm");

    std::filesystem::remove_all(dir);
}

}  // namespace
