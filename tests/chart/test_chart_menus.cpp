// The chart view's Edit, Chart and Display menus and its File commands as
// their user sees them: texts, keys, separators, ticks and enable states.
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

QMenu* menuOf(ZchartView& v, const QString& title) {
    for (QMenu* m : v.documentMenus())
        if (m->title() == title) return m;
    return nullptr;
}

QStringList editEntries(bool editNewMarks) {
    return {"&Undo [x] [Ctrl+Z]", "&Redo [x] [Ctrl+Y]", "-", "&Copy [Ctrl+C]", "Cu&t [Ctrl+X]", "&Paste [Ctrl+V]",
            "&Delete [Del]", "C&lear traces", "-", "&Insert Marker [Space]", "&Edit Marker",
            QString("&Edit new marks [c]") + (editNewMarks ? " [v]" : "")};
}

QStringList displayEntries(bool linked) {
    return {"&Trace properties...", "&Hide Trace", "&Reduce full scale", "&Increase  full scale", "brighter", "dim",
            "&Colour", "In&verse Colours", "&Minimum to background", "&Linear intensity scale", "-",
            QString("Link y axis controls to all traces in chart [c]") + (linked ? " [v]" : ""), "-",
            "&Zoom to selection", "&Fit all [Home]"};
}

}  // namespace

TEST(ChartMenus, EditChartAndDisplayMenusKeepTheirEntriesAndTicks) {
    testsupport::ensureQtApp();
    ordavia::test::TestServices ts;
    ZchartDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    ZchartView view(&doc);
    QStringList titles;
    for (QMenu* m : view.documentMenus()) titles << m->title();
    EXPECT_EQ(titles, QStringList({"&Edit", "&Chart", "&Display"}));
    const bool marks = doc.editNewMarks(), linked = doc.linkYAxes();
    EXPECT_EQ(shownEntries(menuOf(view, "&Edit")), editEntries(marks));
    EXPECT_EQ(shownEntries(menuOf(view, "&Chart")),
              QStringList({"&Calculate Power Spectrum...", "&Simple smoothing....", "&FIR filter...",
                           "&Differentiate trace", "Calculate average of selection",
                           "&Normalise whole trace to selection", "-", "&Subtract trace", "&add trace",
                           "S&quare trace", "halve no. of pts", "-", "cut to average", "cut pedestal",
                           "cut PSD artifacts", "DPS histogram", "-", "Artifact &Filter...", "&PSD profile",
                           "create image from trace", "Golden search maxima", "-", "Chart &Results",
                           "&Run [x]", "&Stop [x]"}));  // a stored chart does not run
    EXPECT_EQ(shownEntries(menuOf(view, "&Display")), displayEntries(linked));
    EXPECT_EQ(testsupport::menuEntries(view.fileActions()),
              QStringList({"&Save [Ctrl+S]", "Save &As...", "&Import...", "&Export...", "Export view as &PNG...",
                           "&Print... [Ctrl+P]", "Print Pre&view"}));

    // The ticks show the program-wide flags, however they changed.
    view.findAction("&Edit new marks")->trigger();
    view.findAction("Link y axis controls to all traces in chart")->trigger();
    EXPECT_EQ(doc.editNewMarks(), !marks);
    EXPECT_EQ(shownEntries(menuOf(view, "&Edit")), editEntries(!marks));
    EXPECT_EQ(shownEntries(menuOf(view, "&Display")), displayEntries(!linked));
    doc.setEditNewMarks(marks);
    doc.setLinkYAxes(linked);
    EXPECT_EQ(shownEntries(menuOf(view, "&Edit")), editEntries(marks));
    EXPECT_EQ(shownEntries(menuOf(view, "&Display")), displayEntries(linked));
}
