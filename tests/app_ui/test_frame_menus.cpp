// The main window's File, View and Window menus follow what changes: the
// recent files, the open windows, the commands of the window in front and
// the View commands' check marks.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "app/ui/FrameWindows.h"
#include "app/ui/MainToolbar.h"
#include "tests/app_ui/FrameFixture.h"
#include "tests/support/MenuEntries.h"

using namespace ordavia;
using testsupport::shownEntries;
using testsupport::shownStates;

namespace {

class FrameMenusTest : public FrameFixture {
protected:
    // The menus of the menu bar that show, by title.
    std::map<QString, QMenu*> menus() const {
        std::map<QString, QMenu*> out;
        for (QAction* a : frame_->menuBar()->actions())
            if (a->isVisible() && a->menu()) out[a->text()] = a->menu();
        return out;
    }
    QStringList titles() const {
        QStringList out;
        for (QAction* a : frame_->menuBar()->actions())
            if (a->isVisible()) out << a->text();
        return out;
    }
};

}  // namespace

TEST_F(FrameMenusTest, MenusFollowTheWindowsTheRecentFilesAndTheViewCommands) {
    ASSERT_TRUE(start());
    frame_->show();
    const QStringList frameTitles = {"&File", "&Acquire", "&View", "S&ubject", "&Window", "&Help"};
    const QStringList windowStart = {"&Cascade", "&Tile", "Close All"};
    EXPECT_EQ(titles(), frameTitles);
    EXPECT_EQ(shownStates(menus()["&View"]), QStringList({"&Toolbar [v]", "Chart &editing buttons [v]", "&Record bar [v]"}));
    EXPECT_EQ(shownEntries(menus()["&Window"]), windowStart);

    // Two pictures: the recent files, newest first; the picture's own
    // commands in File and its own "&View" menu holding the frame's commands.
    const QString a = QString::fromStdString(picture("a.bmp")), b = QString::fromStdString(picture("b.bmp"));
    frame_->openFiles({a, b});
    EXPECT_EQ(titles(), QStringList({"&File", "&Acquire", "&Edit", "&View", "&Image", "&Palette", "&Process", "&Tools",
                                     "S&ubject", "&Window", "&Help"}));
    const auto recent = [&] {
        const QStringList file = shownEntries(menus()["&File"]);
        return file.mid(file.indexOf("&1 " + b) - 1, 4);
    };
    EXPECT_EQ(recent(), QStringList({"-", "&1 " + b, "&2 " + a, "-"}));
    EXPECT_TRUE(shownEntries(menus()["&File"]).contains("&Save [Ctrl+S]"));
    EXPECT_EQ(shownEntries(menus()["&View"]).first(), "&Zoom In [Ctrl++]");
    EXPECT_EQ(shownEntries(menus()["&Window"]), windowStart + QStringList({"-", "&1 a.bmp [c]", "&2 b.bmp [c] [v]"}));

    // The window list and the recent files bring their window to the front.
    QMenu* window = menus()["&Window"];
    window->actions().at(4)->trigger();
    EXPECT_EQ(frame_->mdiArea()->activeSubWindow()->windowTitle(), "a.bmp");
    EXPECT_EQ(shownEntries(window).mid(3), QStringList({"-", "&1 a.bmp [c] [v]", "&2 b.bmp [c]"}));
    QMenu* file = menus()["&File"];
    shownEntries(file);
    for (QAction* e : file->actions())
        if (e->text() == "&1 " + b) e->trigger();
    EXPECT_EQ(frame_->mdiArea()->activeSubWindow()->windowTitle(), "b.bmp");

    // Check marks follow what the commands toggle, in the picture's menu and
    // the popup as well; "&Toolbar" takes the second toolbar along.
    for (const char* command : {"&Toolbar", "Chart &editing buttons", "&Always on top", "&Status"})
        frame_->frameCommand(command)->trigger();
    EXPECT_FALSE(frame_->secondToolbar()->isVisible());
    frame_->recordBar()->hide();
    EXPECT_EQ(shownStates(menus()["&View"]), QStringList({"&Status [v]", "&Always on top [v]"}));
    EXPECT_TRUE(shownEntries(frame_->viewPopup()).contains("&Toolbar [c] {Show or hide the main toolbar}"));
    frame_->frameCommand("Expert Mode")->trigger();
    EXPECT_TRUE(frame_->secondToolbar()->isVisible());
    // The status window closed by its own button: "&Status" shows it again
    // (a stale tick used to make the command hide it once more).
    frame_->statusWindow()->close();
    frame_->frameCommand("&Status")->trigger();
    EXPECT_TRUE(frame_->statusWindow()->isVisible());
    EXPECT_TRUE(frame_->frameCommand("&Status")->isChecked());

    // Without windows the frame's own View menu comes back, with the same states.
    frame_->mdiArea()->closeAllSubWindows();
    EXPECT_EQ(titles(), frameTitles);
    EXPECT_EQ(shownStates(menus()["&View"]),
              QStringList({"&Toolbar [v]", "&Record bar [v]", "&Status [v]", "&Always on top [v]", "Expert Mode [v]"}));
    EXPECT_EQ(shownEntries(menus()["&Window"]), windowStart);
    EXPECT_EQ(recent(), QStringList({"-", "&1 " + b, "&2 " + a, "-"}));
}
