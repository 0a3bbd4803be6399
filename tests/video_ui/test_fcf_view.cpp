// "Calculate &FCF" on a manually stepped timer: one document per tick,
// cancel between blocks, frame 0 at the end; and the flow view's menu (the
// density tool it offers: FcdTool).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "results/CResultDoc.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/VideoUiFixture.h"
#include "video/fcfdoc.h"
#include "video/ui/CMotivaView.h"
#include "video/ui/fcfview.h"

using namespace ordavia;

using namespace testsupport;

namespace {

// The entry of that text in the menu of that title.
QAction* menuAction(const QList<QMenu*>& menus, const QString& menu, const QString& text) {
    QMenu* m = menuTitled(menus, menu);
    return m ? entryNamed(m, text) : nullptr;
}

}  // namespace

TEST(FcfView, CalculateFcfRunsOneBlockPerTickAndTheFlowViewRecalculates) {
    VideoUiFixture f("fcf-ui", 8, 4, 10);
    ASSERT_TRUE(f.ok);
    f.doc.SetTitle("clip");
    CMotivaView view(&f.doc);
    QAction* calc = menuAction(view.documentMenus(), "&Video", "Calculate &FCF");
    ASSERT_NE(calc, nullptr);

    f.doc.goToFrame(5);
    f.prompter.pushInt(4);
    calc->trigger();
    calc->trigger();  // one run at a time: the second asks nothing
    EXPECT_EQ(f.prompter.asked.size(), 2u);  // the block size, the progress window
    f.timers.advance(1);
    ASSERT_EQ(f.opened.size(), 1u);
    EXPECT_EQ(f.opened[0]->GetTitle(), "clip FCF-0-4");
    f.timers.advance(10);
    ASSERT_EQ(f.opened.size(), 3u);
    EXPECT_EQ(f.opened[2]->GetTitle(), "clip FCF-8-10");
    EXPECT_EQ(f.timers.activeCount(), 0);
    EXPECT_EQ(f.doc.currentFrame(), 0);
    EXPECT_EQ(f.results.find("Functional Capillary Flow and Density Results")->rowTotal(), 3u);

    // Cancelled after the first block.
    f.prompter.pushInt(2);
    f.prompter.cancelProgressAt = 1;
    f.doc.setSelection(2, 9);
    calc->trigger();
    f.timers.advance(10);
    EXPECT_EQ(f.opened.size(), 4u);
    EXPECT_EQ(f.opened[3]->GetTitle(), "clip FCF-2-4");

    // The flow view: its menu raises the threshold and sends the row.
    auto* flow = dynamic_cast<fcfdoc*>(f.opened[0].get());
    ASSERT_NE(flow, nullptr);
    fcfview fv(flow);
    const QList<QMenu*> menus = fv.documentMenus();
    // Its own menu as it was built by hand; the tip tells the threshold.
    QMenu* fcf = nullptr;
    for (QMenu* m : menus)
        if (m->title() == "&FCF") fcf = m;
    ASSERT_NE(fcf, nullptr);
    EXPECT_EQ(shownEntries(fcf).join('|'),
              "&Recalculate|Raise Doppler shift detection threshold {threshold 5.0}|"
              "Lower Doppler shift detection threshold|-|Calculate average of selection|-|"
              "Mark functional capillary density|Functional capillary density r&ule...|-|"
              "Functional Capillary Flow and Density &Results");
    menuAction(menus, "&FCF", "Raise Doppler shift detection threshold")->trigger();
    EXPECT_DOUBLE_EQ(flow->threshold(), 5.2);
    menuAction(menus, "&Image", "Calculate average of selection")->trigger();
    EXPECT_EQ(f.results.find("Functional Capillary Flow and Density Results")->rowTotal(), 5u);
}
