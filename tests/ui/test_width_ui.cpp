// The width method dialog, opened from the image view's menu, shows and
// stores the "capwidth" settings. The measures themselves: WidthToolTest,
// and the command line's agreement with the workstation.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QRadioButton>

#include "measure/ZBasicDoc.h"
#include "measure/ui/WidthMethodDialog.h"
#include "measure/ui/ZBasicView.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace {

TEST(WidthUi, MethodDialogShowsAndStoresTheSettings) {
    testsupport::ensureQtApp();
    testsupport::ScratchDir dir("width-ui");
    test::TestServices ts;
    ts.profile.SetPath((dir.dir / "ordavia.ini").string());
    ts.profile.WriteInt("capwidth", "method", 0);

    ZBasicDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
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
}

}  // namespace
