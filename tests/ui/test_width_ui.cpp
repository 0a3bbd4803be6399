// The width commands in the image view: the method dialog shows and stores
// the "capwidth" settings, and the nailfold loops of a synthetic picture
// are measured through the menu with their constructions in the fourth list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/WidthMethodDialog.h"
#include "measure/ui/ZBasicView.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "settings/ProfileStore.h"
#include "synth/SyntheticNailfold.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace {

void ensureApp() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = qApp ? nullptr : new QApplication(argc, argv);
    (void)app;
}

TEST(WidthUi, MethodDialogAndLoopsThroughTheMenu) {
    ensureApp();
    testsupport::ScratchDir dir("width-ui");
    test::TestServices ts;
    ts.profile.SetPath((dir.dir / "ordavia.ini").string());
    ts.profile.WriteInt("capwidth", "method", 0);

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    SyntheticNailfold::Params p;
    p.seed = 2;
    p.width = 512;
    p.height = 384;
    CZVimage img;
    SyntheticNailfold::Truth truth;
    ASSERT_TRUE(SyntheticNailfold::generate(p, img, truth));
    doc.setImage(std::move(img));
    for (const auto& L : truth.loops) {
        const int x = static_cast<int>(std::lround(L.apex.x)), y = static_cast<int>(std::lround(L.apex.y));
        const int h = static_cast<int>(std::lround(2 * L.apexWidthPx));
        const int i = doc.addNewDimension(0, {x, y - h});
        doc.addVertex(i, {x, y + h});
    }
    doc.currentDimList().setCurrent(-1);
    ZBasicView view(&doc);
    view.resize(600, 450);
    view.show();

    // A stored 0 shows as the outer edges; OK stores what was chosen.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = dynamic_cast<WidthMethodDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        seen = dlg->windowTitle() == "Capillary Width Method" && dlg->button(WidthMethod::kOuterEdge)->isChecked();
        dlg->button(WidthMethod::kEdge)->setChecked(true);
        dlg->levelField()->setValue(0.5);
        dlg->accept();
    });
    QAction* method = view.findAction(ZBasicView::kWidthMethod);
    ASSERT_TRUE(method);
    method->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(ts.profile.GetInt("capwidth", "method", -1), 2);
    EXPECT_DOUBLE_EQ(ts.profile.GetDouble("capwidth", "pointonrise", -1), 0.5);

    QAction* loops = view.findAction(CapillaryWidthTool::kMeasureLoops);
    ASSERT_TRUE(loops && loops->isEnabled());
    loops->trigger();
    const CResultDoc* table = ts.results.find(ResultTitles::kLoops);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows().size(), truth.loops.size() + 1);
    EXPECT_GE(doc.lists()[CapillaryWidthTool::kConstructionList].count(), int(truth.loops.size()));
    ASSERT_TRUE(view.findAction(CapillaryWidthTool::kFindWidth)->isEnabled());
}

}  // namespace
