// The Doppler menus of the review and monitor windows as their user sees
// them: the method radio group following the run, and the rest.
#include <gtest/gtest.h>

#include <QMenu>

#include "doppler/CReviewDoc.h"
#include "doppler/ui/CReView.h"
#include "doppler/ui/Ctrv2View.h"
#include "support/DopplerMonitor.h"
#include "support/ModalDialogs.h"
#include "support/TestServices.h"
#include "tests/support/MenuEntries.h"

using namespace ordavia;
using testsupport::shownEntries;

namespace {

QMenu* doppler(ZchartView& v) {
    for (QMenu* m : v.documentMenus())
        if (m->title() == "&Doppler") return m;
    return nullptr;
}

// The commands that both windows share, the run's method ticked.
QStringList common(int method, bool trim) {
    const QStringList methods = {"Find &Maximum", "Find &Peak in spectrum", "Find by % of &total power",
                                 "Find &Average", "&Automatic"};
    QStringList out;
    for (int i = 0; i < methods.size(); ++i) out << methods[i] + " [c] [r]" + (i == method ? " [v]" : "");
    return out + QStringList{"-", "CBV parameters...", QString("&Trim Doppler Spectrum [c]") + (trim ? " [v]" : ""),
                             "swap units mm/s <-> kHz", "-"};
}

}  // namespace

TEST(DopplerMenus, MethodRadioGroupFollowsTheRunInBothWindows) {
    test::ensureOffscreenApp();
    test::TestServices svc;
    CReviewDoc doc;
    svc.adopt(doc);
    CReView review(&doc);
    QMenu* m = doppler(review);
    ASSERT_TRUE(m);
    const QStringList reviewOwn = {"&Calculate CBV", "Recalculate Doppler Shift", "-", "&Power contour",
                                   "&Level contour...", "&Signal Strength", "-", "&Pulsatility Index",
                                   "&Resistance Index", "&Remove Pulse"};
    EXPECT_EQ(shownEntries(m), common(0, false) + reviewOwn);

    // Chosen in the menu or changed by the run: the tick follows.
    for (QAction* a : m->actions())
        if (a->text() == "Find &Average") a->trigger();
    EXPECT_EQ(doc.method(), static_cast<int>(DopplerMethod::Average));
    EXPECT_EQ(shownEntries(m), common(3, false) + reviewOwn);
    doc.setMethod(static_cast<int>(DopplerMethod::Peak));
    doc.toggleTrim();
    EXPECT_EQ(shownEntries(m), common(1, true) + reviewOwn);

    test::DopplerMonitor monitor;
    Ctrv2View live(&monitor.doc);
    const QStringList liveOwn = {"Input &Settings...", "Auxillary Input settings...", "&Input channel...",
                                             "Hard&ware settings...", "-", "Lower Doppler shift detection threshold",
                                             "Raise Doppler shift detection threshold", "-", "&Laser [c] [v]",
                                             "Sa&ve Image",
                                             "&Record Doppler signal [c] {Record the Doppler signal from now on; "
                                             "again to stop and save the recording}",
                                             "-", "&Decrease Bandwidth", "&Increase Bandwidth"};
    EXPECT_EQ(shownEntries(doppler(live)), common(0, false) + liveOwn);
}
