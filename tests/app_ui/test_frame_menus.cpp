// The main window's File, View and Window menus as their user sees them:
// texts, keys, tips, separators, check marks, and the entries that change
// (recent files, open windows, the commands of the window in front).
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

// The View commands with their check marks, as in a view's own "&View"
// menu (which then starts with a separator) or in the frame's.
QStringList viewCommands(bool bars, bool chartButtons, bool status, bool onTop, bool expert) {
    const auto tick = [](bool on) { return QString(on ? " [v]" : ""); };
    return {"&Toolbar [c] {Show or hide the main toolbar}" + tick(bars),
            "Chart &editing buttons [c] {Show or hide the toolbar's buttons from Cut to Hide trace}" + tick(chartButtons),
            "&Record bar [c] {Show or hide the record bar}" + tick(bars),
            "&Status [c] {Show or hide the floating status window}" + tick(status),
            "-",
            "&Always on top [c] {Keep the workstation above other windows}" + tick(onTop),
            "Expert Mode [c] {Show the toolbars and the record bar; turning it off asks for the subject}" + tick(expert),
            "-",
            "&Window commands popup [Shift+F10 app] {The commands of the window in front, as a popup menu}",
            "&Acquire commands popup [Ctrl+Shift+F10 app] {The acquisition commands, as a popup menu}"};
}

const QStringList kFileStart = {"&New [Ctrl+N] {Write the start-up settings to the profile}",
                                "New chart {Open an empty chart to import traces into}",
                                "&Open... [Ctrl+O] {Open one or more existing documents}"};
// The platform's key for quitting (none on some).
QString exitEntry() {
    const QKeySequence quit(QKeySequence::Quit);
    return "E&xit" + (quit.isEmpty() ? QString() : " [" + quit.toString() + "]");
}
const QStringList kWindowStart = {"&Cascade", "&Tile", "Close All"};

}  // namespace

TEST_F(FrameMenusTest, FileViewAndWindowMenusKeepTheirEntriesAndFollowTheWindows) {
    ASSERT_TRUE(start());
    frame_->show();
    EXPECT_EQ(titles(), QStringList({"&File", "&Acquire", "&View", "S&ubject", "&Window", "&Help"}));
    EXPECT_EQ(shownEntries(menus()["&File"]), kFileStart + QStringList({"-", exitEntry()}));
    EXPECT_EQ(shownEntries(menus()["&View"]), viewCommands(true, true, false, false, false));
    EXPECT_EQ(shownEntries(menus()["&Window"]), kWindowStart);

    // Two pictures: the recent files, newest first; the picture's own
    // commands in File and its own "&View" menu holding the frame's commands.
    const QString a = QString::fromStdString(picture("a.bmp")), b = QString::fromStdString(picture("b.bmp"));
    frame_->openFiles({a, b});
    EXPECT_EQ(titles(), QStringList({"&File", "&Acquire", "&Edit", "&View", "&Image", "&Palette", "&Process", "&Tools",
                                     "S&ubject", "&Window", "&Help"}));
    const QStringList pictureFile = {"&Save [Ctrl+S]", "Save &As...", "&Import...", "&Export...",
                                     "Export view as &PNG... {Save the picture as this window shows it, with its "
                                     "overlays, as a PNG file}",
                                     "&Print... [Ctrl+P]", "Print Pre&view"};
    EXPECT_EQ(shownEntries(menus()["&File"]),
              kFileStart + pictureFile + QStringList({"-", "&1 " + b, "&2 " + a, "-", exitEntry()}));
    const QStringList zoom = {"&Zoom In [Ctrl++]", "&Zoom out [Ctrl+-]", "Fit to &window [Ctrl+0]", "-"};
    EXPECT_EQ(shownEntries(menus()["&View"]), zoom + viewCommands(true, true, false, false, false));
    EXPECT_EQ(shownEntries(menus()["&Window"]), kWindowStart + QStringList({"-", "&1 a.bmp [c]", "&2 b.bmp [c] [v]"}));

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
    EXPECT_EQ(shownEntries(menus()["&View"]), zoom + viewCommands(false, false, true, true, false));
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
    EXPECT_EQ(titles(), QStringList({"&File", "&Acquire", "&View", "S&ubject", "&Window", "&Help"}));
    EXPECT_EQ(shownEntries(menus()["&View"]), viewCommands(true, false, true, true, true));
    EXPECT_EQ(shownEntries(menus()["&Window"]), kWindowStart);
    EXPECT_EQ(shownEntries(menus()["&File"]), kFileStart + QStringList({"-", "&1 " + b, "&2 " + a, "-", exitEntry()}));
}
