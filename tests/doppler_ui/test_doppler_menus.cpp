// The Doppler menu of the review window: the method radio group and the
// trim tick follow the run.
#include <gtest/gtest.h>

#include <QMenu>

#include "doppler/CReviewDoc.h"
#include "doppler/ui/CReView.h"
#include "support/ModalDialogs.h"
#include "support/TestServices.h"
#include "tests/support/MenuEntries.h"

using namespace ordavia;

namespace {

// The ticked entries of the window's Doppler menu.
QStringList ticked(ZchartView& v) {
    QStringList out;
    for (QMenu* m : v.documentMenus())
        if (m->title() == "&Doppler")
            for (const QString& e : testsupport::shownEntries(m))
                if (e.endsWith(" [v]")) out << e;
    return out;
}

}  // namespace

TEST(DopplerMenus, MethodRadioGroupAndTrimTickFollowTheRun) {
    testsupport::ensureQtApp();
    test::TestServices svc;
    CReviewDoc doc;
    svc.adopt(doc);
    CReView review(&doc);
    EXPECT_EQ(ticked(review), QStringList{"Find &Maximum [c] [r] [v]"});

    // Chosen in the menu or changed by the run: the tick follows.
    for (QMenu* m : review.documentMenus())
        for (QAction* a : m->actions())
            if (a->text() == "Find &Average") a->trigger();
    EXPECT_EQ(doc.method(), static_cast<int>(DopplerMethod::Average));
    EXPECT_EQ(ticked(review), QStringList{"Find &Average [c] [r] [v]"});
    doc.setMethod(static_cast<int>(DopplerMethod::Peak));
    doc.toggleTrim();
    EXPECT_EQ(ticked(review), (QStringList{"Find &Peak in spectrum [c] [r] [v]", "&Trim Doppler Spectrum [c] [v]"}));
}
