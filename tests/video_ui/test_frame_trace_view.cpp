// The focus check and the flying spot from the video view: the dialog feeds
// the chart; the window follows the frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QSpinBox>
#include <QTimer>

#include "chart/ZchartDoc.h"
#include "tests/support/VideoUiFixture.h"
#include "video/ui/CMotivaView.h"
#include "video/ui/FrameTraceCommands.h"

using namespace ordavia;
using namespace testsupport;

TEST(FrameTraceView, FocusCheckOpensItsChartAndTheFlyingSpotFollowsTheFrames) {
    VideoUiFixture f("video-ui-traces", 64, 48, 5);
    ASSERT_TRUE(f.ok);
    CMotivaView view(&f.doc);
    view.show();
    // The dialog as it comes up, accepted with a threshold range of 2 to 3.
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        const QList<QSpinBox*> fields = d->findChildren<QSpinBox*>();  // gap from, to, threshold from, to, divisions
        ASSERT_EQ(fields.size(), 5);
        fields[3]->setValue(3);
        d->accept();
    });
    focusCheckVideo(&view);
    ASSERT_EQ(f.opened.size(), 1u);
    auto* chart = dynamic_cast<ZchartDoc*>(f.opened[0].get());
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->traceCount(), 8);  // "focus" and gaps 5, 9, ..., 29 at threshold 2

    toggleFlyingSpot(&view);
    auto* w = view.findChild<FlyingSpotWindow*>();
    ASSERT_TRUE(w && flyingSpotShown(&view));
    w->setEditing(true);
    w->setValue(4.5);
    view.step(1);  // edit mode: the window's value goes to every frame shown
    f.doc.setFlyingSpotValue(3, 9.0);
    w->setEditing(false);
    view.step(2);
    EXPECT_EQ(w->value(), 9.0);
    EXPECT_EQ(f.doc.flyingSpot(), (std::vector<double>{4.5, 4.5, 0, 9.0, 0}));
    toggleFlyingSpot(&view);
    EXPECT_FALSE(flyingSpotShown(&view));
}
