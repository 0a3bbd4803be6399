// The video player on a manually stepped timer: playing, stopping at the
// end, looping, stepping keys and selection marks.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QTimer>
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
    CMotivaDoc& doc = f.doc;
    ManualTimerFactory& timers = f.timers;
    doc.setFramesPerSecond(25);
    {
        CMotivaView view(&doc);
        view.show();
        view.togglePlay();
        EXPECT_TRUE(view.playing());
        timers.advance(40 * 2);
        EXPECT_EQ(doc.currentFrame(), 2);
        EXPECT_EQ(doc.image().row(0)[0], 32);  // the picture follows the frame
        timers.advance(40 * 10);
        EXPECT_FALSE(view.playing());        // the last frame ends playback
        EXPECT_EQ(doc.currentFrame(), 4);
        view.playLooping();
        EXPECT_TRUE(view.looping());
        timers.advance(40 * 3);
        EXPECT_TRUE(view.playing());
        EXPECT_EQ(doc.currentFrame(), 2);    // round through frame 0
        QTest::keyClick(&view, Qt::Key_Space);
        EXPECT_FALSE(view.playing());
        QTest::keyClick(&view, Qt::Key_Left);
        EXPECT_EQ(doc.currentFrame(), 1);
        QTest::keyClick(&view, Qt::Key_I);
        QTest::keyClick(&view, Qt::Key_End);
        QTest::keyClick(&view, Qt::Key_O);
        EXPECT_EQ(doc.selectionFirst(), 1);
        EXPECT_EQ(doc.selectionLast(), 5);
    }
    EXPECT_EQ(timers.activeCount(), 0);  // closing the view stops playback
}

TEST(VideoView, MovementCorrectionRunsOneFramePerTickAndDragMovesTheFrame) {
    VideoUiFixture f("video-ui-move", 64, 48, 8);
    ASSERT_TRUE(f.ok);
    CMotivaDoc& doc = f.doc;
    ManualTimerFactory& timers = f.timers;
    CMotivaView view(&doc);
    view.show();
    ordavia::MovementParams p;
    p.lowpass = 0;
    view.runMovementCorrection(p);
    ASSERT_TRUE(view.correcting());
    ASSERT_NE(doc.movementRun(), nullptr);
    timers.advance(1);
    EXPECT_EQ(doc.movementRun()->next(), 2);  // one frame per tick
    timers.advance(10);
    EXPECT_FALSE(view.correcting());
    EXPECT_EQ(doc.movementRun(), nullptr);
    EXPECT_EQ(timers.activeCount(), 0);
    EXPECT_EQ(f.prompter.asked.back().text, "Calculating Movement Correction");

    // Dragging by 3 pixels at zoom 1 moves the frame shown by 3.
    doc.goToFrame(1);
    const int x0 = doc.movie().frameTable()[1].x;
    view.setDragMode(CMotivaView::DragMode::Correct);
    QTest::mousePress(view.canvas(), Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(13, 10), view.canvas()->mapToGlobal(QPointF(13, 10)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view.canvas(), &move);
    QTest::mouseRelease(view.canvas(), Qt::LeftButton, {}, QPoint(13, 10));
    EXPECT_EQ(doc.movie().frameTable()[1].x, x0 + 3);
    EXPECT_EQ(doc.image().originX(), x0 + 3);

    // Closing the view in the middle of a run ends it.
    {
        CMotivaView other(&doc);
        other.runMovementCorrection(p);
        timers.advance(1);
        ASSERT_NE(doc.movementRun(), nullptr);
    }
    EXPECT_EQ(doc.movementRun(), nullptr);
    EXPECT_TRUE(doc.startMovementCorrection(p).ok());
}

TEST(VideoView, AviExportOffersTheCorrectedFramesOnceOffsetsExist) {
    VideoUiFixture f("video-ui-avi", 16, 8, 4);
    ASSERT_TRUE(f.ok);
    CMotivaView view(&f.doc);
    view.show();
    QAction* exportAvi = nullptr;
    for (QAction* a : view.fileActions())
        if (a->text() == "Export as AVI...") exportAvi = a;
    ASSERT_NE(exportAvi, nullptr);
    // Whether the dialog shows the box, and whether it is ticked.
    auto corrected = [&]() -> std::pair<bool, bool> {
        std::pair<bool, bool> seen{false, false};
        QTimer::singleShot(0, [&] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d) return;
            for (QCheckBox* c : d->findChildren<QCheckBox*>())
                if (c->text().startsWith("Movement-corrected")) seen = {true, c->isChecked()};
            testsupport::saveShot(*d, "avi_export");
            static_cast<QDialog*>(d)->reject();
        });
        exportAvi->trigger();
        return seen;
    };
    EXPECT_FALSE(corrected().first);
    f.doc.movie().SetOffsets(2, 1, 1, 2);
    EXPECT_EQ(corrected(), std::make_pair(true, true));
}
