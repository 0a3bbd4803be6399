// The video player on a manually stepped timer: playing, stopping at the
// end, looping, stepping keys and selection marks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include "base/ui/CommandTable.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"
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

TEST(VideoView, CommandTablesAskTheirStatesWhenTheMenuOpens) {
    testsupport::ensureQtApp();  // ctest runs each case in a program of its own
    QWidget owner;
    QMenu menu;
    bool can = false, ticked = true;
    int runs = 0;
    QAction* kept = nullptr;
    using Ask = MenuCommand::Ask;
    const auto when = [&] { return can; };
    addCommands(&menu, &owner,
                {{.text = "a", .run = [&] { ++runs; }, .shortcut = QKeySequence("Ctrl+K"), .enabled = when, .action = &kept},
                 separator(),
                 {.text = "b", .run = [] {}, .enabled = when, .ask = Ask::OnBuild},
                 {.text = "c", .run = [] {}, .checkable = true, .enabled = when, .ask = Ask::Always, .checked = [&] { return ticked; }},
                 {.text = "d"}});
    EXPECT_EQ(menuEntries(menu.actions()).join(','), "a [Ctrl+K],-,b [x],c [c] [x],d [x]");
    can = true;
    emit menu.aboutToShow();
    EXPECT_EQ(menuEntries(menu.actions()).join(','), "a [Ctrl+K],-,b [x],c [c],d [x]");  // b was decided when built
    EXPECT_TRUE(menu.actions()[3]->isChecked());
    can = false;
    emit menu.aboutToShow();
    EXPECT_EQ(menuEntries(menu.actions()).join(','), "a [x] [Ctrl+K],-,b [x],c [c] [x],d [x]");
    ASSERT_EQ(kept, menu.actions()[0]);
    can = true;
    emit menu.aboutToShow();
    kept->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(owner.actions().size(), 3);  // the shortcut owner holds every command that runs
}

TEST(VideoView, CommandTablesGroupRadioRowsAndHoldSubmenus) {
    testsupport::ensureQtApp();
    QWidget owner;
    QMenu menu;
    int chosen = 0;
    const auto choice = [&](int i) {
        return MenuCommand{.text = i == 1 ? "one" : "two", .run = [&chosen, i] { chosen = i; }, .radio = "n",
                           .checked = [&chosen, i] { return chosen == i; }};
    };
    addCommands(&menu, &owner,
                {{.text = "sub", .submenu = {choice(1), choice(2)}},
                 {.text = "k", .run = [] {}, .shortcut = QKeySequence("Ctrl+K")}},
                CommandKeys::MenuOnly);
    ASSERT_TRUE(menu.actions()[0]->menu());
    QMenu* sub = menu.actions()[0]->menu();
    EXPECT_EQ(testsupport::shownEntries(sub).join(','), "one [c] [r],two [c] [r]");
    sub->actions()[1]->trigger();
    EXPECT_EQ(chosen, 2);
    chosen = 1;  // changed elsewhere: the tick moves as the submenu opens
    EXPECT_EQ(testsupport::shownEntries(sub).join(','), "one [c] [r] [v],two [c] [r]");
    EXPECT_TRUE(owner.actions().isEmpty());  // the keys work from the menu bar only
}
