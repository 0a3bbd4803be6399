// The picture's Image, Palette and Tools menus and the image window's
// palette menu follow the document: radio ticks, check marks, enable states
// and the current list submenu.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <map>

#include "image/CZVimage.h"
#include "image/ui/ImageWindow.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/ZBasicView.h"
#include "tests/support/ImageDocFixture.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;
using testsupport::entryNamed;
using testsupport::popupEntries;
using testsupport::shownStates;

namespace {

class PictureMenusTest : public ImageDocFixture<> {
protected:
    void SetUp() override {
        testsupport::ensureQtApp();
        ImageDocFixture::SetUp();
        doc = &newDoc();
        doc->OnNewDocument();
        doc->setImage(grey(40, 30, 100));
        view = std::make_unique<ZBasicView>(doc);
        for (QMenu* m : view->documentMenus()) menus[m->title()] = m;
    }
    ZBasicDoc* doc = nullptr;
    std::unique_ptr<ZBasicView> view;
    std::map<QString, QMenu*> menus;
};

}  // namespace

TEST_F(PictureMenusTest, ImagePaletteAndToolsMenusFollowTheDocument) {
    const QStringList later = {"&Linescan [x]", "Measuring line [x]", "Temporal 2nd Measuring line [x]"};
    EXPECT_EQ(shownStates(menus["&Image"]),
              QStringList({"&Undo [x]", "&Redo [x]", "Show &Crosshair [v]", "Convert to &grey [x]"}));
    QAction* listsEntry = entryNamed(menus["&Image"], "Current &list");
    ASSERT_TRUE(listsEntry && listsEntry->menu());
    QMenu* lists = listsEntry->menu();
    EXPECT_EQ(shownStates(lists), QStringList({"List &0 [v]"}));
    EXPECT_EQ(shownStates(menus["&Palette"]), QStringList({"&Greylevel [v]", "&zero as black [v]"}));
    EXPECT_EQ(shownStates(menus["&Tools"]), later);  // no tool yet

    // Changed elsewhere: the menus show the document's state when they open.
    doc->setCurrentList(2);
    doc->setPaletteIndex(3);
    doc->toggleTarget();
    doc->toggleZeroAsBlack();
    EXPECT_EQ(shownStates(menus["&Image"]), QStringList({"&Undo [x]", "&Redo [x]", "Convert to &grey [x]"}));
    EXPECT_EQ(shownStates(lists), QStringList({"List &2 [v]"}));
    EXPECT_EQ(shownStates(menus["&Palette"]), QStringList({"&Green [v]"}));

    // Chosen in the menus: the document follows and the radio tick moves.
    entryNamed(lists, "&Dust list")->trigger();
    EXPECT_EQ(doc->currentList(), ZBasicDoc::kDustList);
    EXPECT_EQ(shownStates(lists), QStringList({"&Dust list [v]"}));
    entryNamed(menus["&Palette"], "Contour&16")->trigger();
    entryNamed(menus["&Palette"], "Next palette")->trigger();
    EXPECT_EQ(doc->paletteIndex(), 0);  // wraps round
    EXPECT_EQ(shownStates(menus["&Palette"]), QStringList({"&Greylevel [v]"}));
    entryNamed(menus["&Tools"], "&Circle")->trigger();
    EXPECT_TRUE(entryNamed(menus["&Tools"], "&Circle")->isChecked()) << "ticked before the menu opens";
    EXPECT_EQ(shownStates(menus["&Tools"]), QStringList({"&Circle [v]"}) + later);

    // A colour picture can be made grey.
    doc->setImage(CZVimage(8, 8, 0, CZVimage::kFrame, CZVimage::kColour));
    EXPECT_EQ(shownStates(menus["&Image"]), QStringList({"&Undo [x]", "&Redo [x]"}));
}

TEST_F(PictureMenusTest, ImageWindowPaletteMenuFollowsThePaletteAndIsOffForColour) {
    ImageWindow win(std::make_unique<CZVimage>(grey(20, 10, 0)));
    QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    const auto shown = [&](QWidget& w) { return popupEntries([&] { QApplication::sendEvent(&w, &ev); }); };
    EXPECT_EQ(shown(win).filter(" [v]"), QStringList({"&Greylevel [c] [r] [v]", "&zero as black [c] [v]"}));
    win.setPalette(4);
    EXPECT_EQ(shown(win).filter(" [v]"), QStringList({"&Blue [c] [r] [v]", "&zero as black [c] [v]"}));

    ImageWindow colour(std::make_unique<CZVimage>(8, 8, 0, CZVimage::kFrame, CZVimage::kColour));
    EXPECT_EQ(shown(colour).filter(" [x]").size(), 12) << "the ten palettes, zero as black and auto contrast";
}
