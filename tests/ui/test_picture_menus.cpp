// The picture's Image, Palette and Tools menus and the image window's
// palette menu as their user sees them: texts, keys, tips, separators,
// radio groups and ticks, enable states and the current list submenu.
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
using testsupport::popupEntries;
using testsupport::shownEntries;

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
    QMenu* submenu(const QString& menu, const QString& text) {
        for (QAction* a : menus[menu]->actions())
            if (a->text() == text) return a->menu();
        return nullptr;
    }
    ZBasicDoc* doc = nullptr;
    std::unique_ptr<ZBasicView> view;
    std::map<QString, QMenu*> menus;
};

// The entries of the Image menu, with the crosshair's tick and the state
// of "Convert to &grey".
QStringList imageEntries(bool crosshair, bool grey) {
    return {"&Undo [x] [Ctrl+Z]", "&Redo [x] [Ctrl+Y]", "-", "&Notes...", "-", "&Calibrate magnification...",
            "&Magnification...", "&Units...", "-", "Clear &all dimensions",
            QString("Show &Crosshair [c]") + (crosshair ? " [v]" : ""), "&Grid [c]", "&Grid...", "Current &list", "-",
            "Calculate average of selection", "&Image Results", "&Dimension list", "Duplicate image in new window",
            QString("Convert to &grey") + (grey ? "" : " [x]"), "Colour &weighting on import..."};
}

// Radio entries with the one at `ticked` ticked (and "[x]" when off).
QStringList radio(const QStringList& texts, int ticked, bool enabled = true) {
    QStringList out;
    for (int i = 0; i < texts.size(); ++i)
        out << texts[i] + " [c] [r]" + (enabled ? "" : " [x]") + (i == ticked ? " [v]" : "");
    return out;
}

const QStringList kPalettes = {"&Greylevel", "&Colour",    "&Red",      "&Green",    "&Blue",
                               "&Multicolour", "Contour&2", "Contour&4", "Contour&8", "Contour&16"};
const QStringList kLists = {"List &0", "List &1", "List &2", "List &3", "&Dust list"};

QStringList paletteEntries(int palette, bool zero) {
    return radio(kPalettes, palette) + QStringList{"-", "Next palette [PgDown]", "Previous palette [PgUp]", "-",
                                                   QString("&zero as black [c]") + (zero ? " [v]" : ""),
                                                   "Auto contrast [c] [Ctrl+K]"};
}

QStringList toolEntries(int ticked) {
    const QString later = " [x] {Line scans are taken from videos: open a video, draw a line along a capillary and "
                          "start the scan there.}";
    QStringList tools = radio({"&Pan image", "&ROI", "&Origin", "&Counting", "Dimension &Lines", "Dimension &polyline",
                               "&Freehand dimension lines", "Cross&hair", "&Circle", "&Irregular polygon",
                               "Freehand area", "trace capillaries", "Edit dust mask"},
                              ticked);
    tools[11].replace(" [c] [r]", " [c] [r] {trace capillaries}");
    return tools + QStringList{"-", "Set line width", "&Rotate selected dimensions", "&Grey level", "set region",
                               "&Histogram", "Remove marks using dust mask", "-",
                               "Find capillary &width {Width of the capillary across the selected line, or across "
                               "every line of the list}",
                               "Measure nailfold loops {Apex, loop and limb widths of each loop whose apex a line "
                               "crosses}",
                               "Capillary width &method...", "&Linescan" + later, "Measuring line" + later,
                               "Temporal 2nd Measuring line" + later};
}

// The entries with their ticks as they stand, the menu not opened.
QStringList ticksNow(QMenu* m) {
    QStringList out = testsupport::menuEntries(m->actions());
    for (int i = 0; i < out.size(); ++i)
        if (m->actions()[i]->isChecked()) out[i] += " [v]";
    return out;
}

QAction* entry(QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace

TEST_F(PictureMenusTest, ImagePaletteAndToolsMenusKeepTheirEntriesAndFollowTheDocument) {
    EXPECT_EQ(shownEntries(menus["&Image"]), imageEntries(true, false));
    QMenu* lists = submenu("&Image", "Current &list");
    ASSERT_TRUE(lists);
    EXPECT_EQ(shownEntries(lists), radio(kLists, 0));
    EXPECT_EQ(shownEntries(menus["&Palette"]), paletteEntries(0, true));
    EXPECT_EQ(shownEntries(menus["&Tools"]), toolEntries(-1));  // no tool yet

    // Changed elsewhere: the menus show the document's state when they open.
    doc->setCurrentList(2);
    doc->setPaletteIndex(3);
    doc->toggleTarget();
    doc->toggleZeroAsBlack();
    EXPECT_EQ(shownEntries(menus["&Image"]), imageEntries(false, false));
    EXPECT_EQ(shownEntries(lists), radio(kLists, 2));
    EXPECT_EQ(shownEntries(menus["&Palette"]), paletteEntries(3, false));

    // Chosen in the menus: the document follows and the radio tick moves.
    entry(lists, "&Dust list")->trigger();
    EXPECT_EQ(doc->currentList(), ZBasicDoc::kDustList);
    EXPECT_EQ(shownEntries(lists), radio(kLists, 4));
    entry(menus["&Palette"], "Contour&16")->trigger();
    entry(menus["&Palette"], "Next palette")->trigger();
    EXPECT_EQ(doc->paletteIndex(), 0);  // wraps round
    EXPECT_EQ(shownEntries(menus["&Palette"]), paletteEntries(0, false));
    entry(menus["&Tools"], "&Circle")->trigger();
    EXPECT_EQ(ticksNow(menus["&Tools"]), toolEntries(8));
    EXPECT_EQ(shownEntries(menus["&Tools"]), toolEntries(8));

    // A colour picture can be made grey.
    doc->setImage(CZVimage(8, 8, 0, CZVimage::kFrame, CZVimage::kColour));
    EXPECT_EQ(shownEntries(menus["&Image"]), imageEntries(false, true));
}

TEST_F(PictureMenusTest, ImageWindowPaletteMenuKeepsItsEntriesAndIsOffForColour) {
    const QStringList rest = {"-", "&zero as black [c] [v]", "&Auto contrast [c]", "-", "&Zoom In [Ctrl++]",
                              "&Zoom out [Ctrl+-]"};
    ImageWindow win(std::make_unique<CZVimage>(grey(20, 10, 0)));
    QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    const auto shown = [&] { return popupEntries([&] { QApplication::sendEvent(&win, &ev); }); };
    EXPECT_EQ(shown(), radio(kPalettes, 0) + rest);
    win.setPalette(4);
    EXPECT_EQ(shown(), radio(kPalettes, 4) + rest);

    ImageWindow colour(std::make_unique<CZVimage>(8, 8, 0, CZVimage::kFrame, CZVimage::kColour));
    const QStringList off = {"-", "&zero as black [c] [x] [v]", "&Auto contrast [c] [x]", "-", "&Zoom In [Ctrl++]",
                             "&Zoom out [Ctrl+-]"};
    EXPECT_EQ(popupEntries([&] { QApplication::sendEvent(&colour, &ev); }), radio(kPalettes, 0, false) + off);
}
