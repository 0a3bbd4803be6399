// The results window on the offscreen platform: model over a long table,
// mouse selection of a cell rectangle, copy to the clipboard, rows added
// while shown, printing, and the kept placement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ui/ResultTableModel.h"
#include "results/ui/ResultView.h"
#include "settings/ProfileStore.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

namespace {

std::unique_ptr<CResultDoc> chartTable(ordavia::test::TestServices& ts, int rows) {
    auto d = ts.make<CResultDoc>();
    d->SetTitle("Chart Results");
    d->setColumns(*findResultColumnSet("Chart Results"));
    for (int i = 0; i < rows; ++i)
        EXPECT_TRUE(d->addRow({"scan" + std::to_string(i % 37) + ".zv1", i % 2 ? "CBV" : "Doppler spectrum",
                   {1.5 + i, 3.25 + i, 0.75 * i, 2.0 * i, -0.5 * i, 100.0 - i % 100, 12.345 * i}}));
    return d;
}

struct ViewTest : ::testing::Test {
    testsupport::ScratchDir dir{"rview"};
    ordavia::test::TestServices ts;
    void SetUp() override {
        testsupport::ensureQtApp();
        ts.profile.SetPath(dir / "ordavia.ini");
    }
    static QPoint cellCentre(QTableView* t, int row, int col) {
        return t->visualRect(t->model()->index(row, col)).center();
    }
};

}  // namespace

TEST_F(ViewTest, LongTableShowsCellsAndCopiesTheDraggedSelection) {
    auto doc = chartTable(ts, 10000);
    ResultView view(doc.get());
    view.resize(900, 500);
    view.show();
    QTableView* t = view.table();
    ASSERT_EQ(t->model()->rowCount(), 10000);
    ASSERT_EQ(t->model()->columnCount(), 9);
    EXPECT_EQ(t->model()->data(t->model()->index(0, 2)).toString(), "1.50");  // padding not shown

    // Drag from (row 1, col 1) to (row 2, col 3) with the mouse.
    QWidget* vp = t->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, cellCentre(t, 1, 1));
    QTest::mouseMove(vp, cellCentre(t, 2, 3));
    QMouseEvent move(QEvent::MouseMove, cellCentre(t, 2, 3), vp->mapToGlobal(cellCentre(t, 2, 3)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, cellCentre(t, 2, 3));
    const CellRect sel = doc->selection();
    EXPECT_EQ(std::vector<int>({sel.firstCol, sel.firstRow, sel.lastCol, sel.lastRow}), std::vector<int>({1, 1, 3, 2}));
    EXPECT_TRUE(view.copyAction()->isEnabled());

    view.copyAction()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "CBV\t      2.50\t      4.25\r\nDoppler spectrum\t      3.50\t      5.25");
}

TEST_F(ViewTest, PrintsEveryPageAndShowsRowsAddedWhileShown) {
    auto doc = chartTable(ts, 300);
    doc->SetPathName("/data/42-AB12-left_ring/chart.rst", false);
    ResultView view(doc.get());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const std::string pdf = dir / "r.pdf";
    printer.setOutputFileName(QString::fromStdString(pdf));
    view.paintPages(&printer);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 2000u);

    // Rows added while shown appear and scroll into view.
    auto grown = chartTable(ts, 200);
    ResultView shown(grown.get());
    shown.resize(600, 300);
    shown.show();
    QApplication::processEvents();
    EXPECT_TRUE(grown->addRow({"new.zv1", "CBV", {1, 2, 3, 4, 5, 6, 7}}));
    QApplication::processEvents();
    QTableView* t = shown.table();
    EXPECT_EQ(t->model()->rowCount(), 201);
    EXPECT_EQ(t->verticalScrollBar()->value(), t->verticalScrollBar()->maximum());
    EXPECT_EQ(t->model()->data(t->model()->index(200, 0)).toString(), "new.zv1");

    // The table may go before its window: the window then shows nothing.
    grown.reset();
    EXPECT_EQ(t->model()->rowCount(), 0);
    EXPECT_EQ(shown.document(), nullptr);
    shown.copySelection();  // harmless
}

TEST_F(ViewTest, PlacementIsKeptInTheViewSection) {
    ProfileStore& store = ts.profile;
    auto openIn = [](QMdiArea& area, CResultDoc& doc) {
        area.resize(800, 600);
        area.show();
        QMdiSubWindow* sub = area.addSubWindow(new ResultView(&doc));
        sub->show();
        QApplication::processEvents();
        return sub;
    };
    {
        QMdiArea area;
        auto doc = chartTable(ts, 3);
        QMdiSubWindow* sub = openIn(area, *doc);
        // First time: the lower half of the workspace.
        const QSize vp = area.viewport()->size();
        EXPECT_EQ(sub->geometry(), QRect(0, vp.height() / 2, vp.width(), vp.height() - vp.height() / 2));
        sub->setGeometry(10, 20, 300, 200);
        sub->close();
        delete sub;
    }
    const std::pair<const char*, int> kept[] = {{"showcmd", 1}, {"left", 10},    {"top", 20},
                                                {"right", 310}, {"bottom", 220}, {"minx", 0}};
    for (const auto& [key, want] : kept) EXPECT_EQ(store.GetInt("CResultView", key, -1), want) << key;

    QMdiArea area;
    auto doc = chartTable(ts, 3);
    EXPECT_EQ(openIn(area, *doc)->geometry(), QRect(10, 20, 300, 200));
}

TEST_F(ViewTest, EditMenuAndContextMenuShareTheirCommands) {
    auto doc = chartTable(ts, 3);
    ResultView view(doc.get());
    view.show();
    const QList<QMenu*> menus = view.documentMenus();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->title(), "&Edit");
    EXPECT_EQ(testsupport::shownEntries(menus[0]), QStringList({"&Copy [x] [Ctrl+C]"}));
    EXPECT_EQ(view.table()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(testsupport::menuEntries(view.table()->actions()),
              QStringList({"&Copy [x] [Ctrl+C]", "&Print... [Ctrl+P]", "Print Pre&view"}));
    EXPECT_EQ(testsupport::menuEntries(view.fileActions()),
              QStringList({"&Save [Ctrl+S]", "Save &As...", "&Print... [Ctrl+P]", "Print Pre&view"}));
    // A selection makes Copy available in both, and its key with it.
    view.table()->selectAll();
    EXPECT_EQ(testsupport::menuEntries(view.table()->actions()).first(), "&Copy [Ctrl+C]");
    EXPECT_EQ(testsupport::shownEntries(menus[0]), QStringList({"&Copy [Ctrl+C]"}));
    EXPECT_EQ(menus[0]->actions().first(), view.table()->actions().first());
}
