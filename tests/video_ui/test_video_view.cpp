// The video player on a manually stepped timer: playing, stopping at the
// end, looping, stepping keys and selection marks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "tests/support/VideoUiFixture.h"
#include "video/MovementCorrection.h"
#include "video/ui/CMotivaView.h"

using namespace ordavia;

using namespace testsupport;

TEST(VideoView, PlaysOnTheTimerLoopsStepsAndSelects) {
    VideoUiFixture f("video-ui", 8, 4, 5);
    ASSERT_TRUE(f.ok);
    f.doc.setFramesPerSecond(25);
    {
        CMotivaView view(&f.doc);
        view.show();
        view.togglePlay();
        EXPECT_TRUE(view.playing());
        f.timers.advance(40 * 2);
        EXPECT_EQ(f.doc.currentFrame(), 2);
        EXPECT_EQ(f.doc.image().row(0)[0], 32);  // the picture follows the frame
        f.timers.advance(40 * 10);
        EXPECT_FALSE(view.playing());  // the last frame ends playback
        EXPECT_EQ(f.doc.currentFrame(), 4);
        view.playLooping();
        f.timers.advance(40 * 3);
        EXPECT_TRUE(view.playing());
        EXPECT_EQ(f.doc.currentFrame(), 2);  // round through frame 0
        QTest::keyClick(&view, Qt::Key_Space);
        EXPECT_FALSE(view.playing());
        QTest::keyClick(&view, Qt::Key_Left);
        EXPECT_EQ(f.doc.currentFrame(), 1);
        QTest::keyClick(&view, Qt::Key_I);
        QTest::keyClick(&view, Qt::Key_End);
        QTest::keyClick(&view, Qt::Key_O);
        EXPECT_EQ(f.doc.selectionFirst(), 1);
        EXPECT_EQ(f.doc.selectionLast(), 5);
    }
    EXPECT_EQ(f.timers.activeCount(), 0);  // closing the view stops playback
}

TEST(VideoView, MovementCorrectionRunsOneFramePerTickAndDragMovesTheFrame) {
    VideoUiFixture f("video-ui-move", 64, 48, 8);
    ASSERT_TRUE(f.ok);
    CMotivaView view(&f.doc);
    view.show();
    ordavia::MovementParams p;
    p.lowpass = 0;
    view.runMovementCorrection(p);
    ASSERT_TRUE(view.correcting());
    ASSERT_NE(f.doc.movementRun(), nullptr);
    f.timers.advance(1);
    EXPECT_EQ(f.doc.movementRun()->next(), 2);  // one frame per tick
    f.timers.advance(10);
    EXPECT_FALSE(view.correcting());
    EXPECT_EQ(f.doc.movementRun(), nullptr);
    EXPECT_EQ(f.timers.activeCount(), 0);

    // Dragging by 3 pixels at zoom 1 moves the frame shown by 3.
    f.doc.goToFrame(1);
    const int x0 = f.doc.movie().frameTable()[1].x;
    view.setDragMode(CMotivaView::DragMode::Correct);
    QTest::mousePress(view.canvas(), Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(13, 10), view.canvas()->mapToGlobal(QPointF(13, 10)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view.canvas(), &move);
    QTest::mouseRelease(view.canvas(), Qt::LeftButton, {}, QPoint(13, 10));
    EXPECT_EQ(f.doc.movie().frameTable()[1].x, x0 + 3);
    EXPECT_EQ(f.doc.image().originX(), x0 + 3);

    // Closing the view in the middle of a run ends it.
    {
        CMotivaView other(&f.doc);
        other.runMovementCorrection(p);
        f.timers.advance(1);
        ASSERT_NE(f.doc.movementRun(), nullptr);
    }
    EXPECT_EQ(f.doc.movementRun(), nullptr);
    EXPECT_TRUE(f.doc.startMovementCorrection(p).ok());
}
