// The width commands in the image view: the method dialog shows and stores
// the "capwidth" settings, and the loops are measured through the menu.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QRadioButton>

#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/WidthMethodDialog.h"
#include "measure/ui/ZBasicView.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "tests/support/HairpinPicture.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace {

TEST(WidthUi, MethodDialogAndLoopsThroughTheMenu) {
    test::ensureOffscreenApp();
    testsupport::ScratchDir dir("width-ui");
    test::TestServices ts;
    ts.profile.SetPath((dir.dir / "ordavia.ini").string());
    ts.profile.WriteInt("capwidth", "method", 0);

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    doc.setImage(test::hairpins(0.6, 1));
    for (int k = 0; k < 6; ++k) doc.addVertex(doc.addNewDimension(0, {60 + 60 * k, 62}), {60 + 60 * k, 88});
    doc.currentDimList().setCurrent(-1);
    ZBasicView view(&doc);
    view.resize(600, 450);
    view.show();

    // A stored 0 shows as the outer edges; OK stores what was chosen.
    bool seen = false;
    test::answerNextDialog([&](QDialog& d) {
        auto* dlg = dynamic_cast<WidthMethodDialog*>(&d);
        if (!dlg) return false;
        seen = dlg->button(WidthMethod::kOuterEdge)->isChecked();
        dlg->button(WidthMethod::kEdge)->setChecked(true);
        dlg->levelField()->setValue(0.5);
        return true;
    });
    test::runCommand(view, ZBasicView::kWidthMethod);
    EXPECT_TRUE(seen);
    EXPECT_EQ(ts.profile.GetInt("capwidth", "method", -1), 2);
    EXPECT_DOUBLE_EQ(ts.profile.GetDouble("capwidth", "pointonrise", -1), 0.5);

    test::runCommand(view, CapillaryWidthTool::kMeasureLoops);
    ASSERT_TRUE(ts.results.find(ResultTitles::kLoops));
    EXPECT_EQ(ts.results.find(ResultTitles::kLoops)->rows().size(), 7u);
}

}  // namespace
