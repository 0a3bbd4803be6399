// The chart view's menus as their user sees them: the ticks show the
// program-wide flags however they changed, and a stored chart cannot run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>

#include "chart/ZchartDoc.h"
#include "chart/ui/ZchartView.h"
#include "support/TestServices.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;
using testsupport::shownEntries;

namespace {

// The entry of that text (without its marks) as the opened menu shows it.
QString shownEntry(ZchartView& v, const QString& title, const QString& text) {
    for (QMenu* m : v.documentMenus())
        if (m->title() == title)
            for (const QString& e : shownEntries(m))
                if (e == text || e.startsWith(text + " [")) return e;
    return "missing: " + text;
}

}  // namespace

TEST(ChartMenus, TicksFollowTheProgramWideFlagsAndAStoredChartDoesNotRun) {
    testsupport::ensureQtApp();
    ordavia::test::TestServices ts;
    ZchartDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    ZchartView view(&doc);
    EXPECT_EQ(shownEntry(view, "&Chart", "&Run"), "&Run [x]");
    EXPECT_EQ(shownEntry(view, "&Chart", "&Stop"), "&Stop [x]");
    const QString marksEntry = "&Edit new marks", linkEntry = "Link y axis controls to all traces in chart";
    const auto expectTicks = [&](bool marks, bool linked) {
        EXPECT_EQ(shownEntry(view, "&Edit", marksEntry), marksEntry + " [c]" + (marks ? " [v]" : ""));
        EXPECT_EQ(shownEntry(view, "&Display", linkEntry), linkEntry + " [c]" + (linked ? " [v]" : ""));
    };
    const bool marks = doc.editNewMarks(), linked = doc.linkYAxes();
    expectTicks(marks, linked);
    view.findAction(marksEntry)->trigger();
    view.findAction(linkEntry)->trigger();
    EXPECT_EQ(doc.editNewMarks(), !marks);
    expectTicks(!marks, !linked);
    doc.setEditNewMarks(marks);
    doc.setLinkYAxes(linked);
    expectTicks(marks, linked);
}
