#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <filesystem>

#include "app/CBasicApp.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MainToolbar.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "chart/ZchartDoc.h"
#include "results/ui/ResultView.h"
#include "chart/ui/ZchartView.h"
#include "chart/ui/ZliveChartView.h"
#include "framework/DocTemplate.h"
#include "framework/ScriptedPrompter.h"
#include "image/CZVimage.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/MeasureViews.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "doppler/Ctrv2Doc.h"
#include "tests/support/MveBytes.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/ui/CMotivaView.h"

using namespace ordavia;

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "test_app_ui";
char* argv[] = {arg0, nullptr};

class MainFrameTest : public TempFolderTest {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) new QApplication(argc, argv);
        registerResultViewMaker();
        registerMeasureViews();
        registerChartViews();
    }
    void TearDown() override {
        if (frame_) {
            frame_->close();
            app_->ExitInstance();
        }
        frame_.reset();
        app_.reset();
        DebugLog::setEnabled(false);
        TempFolderTest::TearDown();
    }
    // The application and its main window; both close and exit at the end of the test.
    std::pair<CBasicApp&, MainFrame&> start() {
        app_ = std::make_unique<CBasicApp>(svc.services, (dir_ / "ordavia").string());
        frame_ = std::make_unique<MainFrame>(*app_);
        return {*app_, *frame_};
    }
    std::string makeTable(const std::string& name) {
        CResultDoc doc;
        doc.setColumns(*findResultColumnSet("Image Results"));
        doc.addRow({name, "um", {1.0, 2.0, 3.0}});
        const std::string p = (dir_ / name).string();
        EXPECT_TRUE(doc.OnSaveDocument(p));
        return p;
    }

    ordavia::test::TestServices svc;
    ScriptedPrompter& prompter = svc.prompter;
    std::unique_ptr<CBasicApp> app_;
    std::unique_ptr<MainFrame> frame_;
};

}  // namespace

TEST_F(MainFrameTest, StartsWithItsTitleAndMenus) {
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    EXPECT_EQ(frame.windowTitle(), "Ordavia 4.42.0.0");
    QStringList menus;
    for (QAction* a : frame.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "S&ubject", "&Window", "&Help"}));
}

TEST_F(MainFrameTest, SeveralFilesOpenTiledAndGoToTheRecentList) {
    const QStringList files = {QString::fromStdString(makeTable("a.rst")), QString::fromStdString(makeTable("b.rst")),
                               QString::fromStdString(makeTable("c.rst"))};
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.resize(1200, 800);
    frame.openFiles(files);
    const auto windows = frame.mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    // Tiled: the three windows do not overlap.
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(windows[i]->geometry().intersects(windows[j]->geometry())) << i << " " << j;
    EXPECT_EQ(app.recentFiles().entries().front(), files[2].toStdString());
    EXPECT_EQ(app.documents().size(), 3u);
    // Opening one again brings its window forward instead of a second copy.
    frame.openFiles({files[0]});
    EXPECT_EQ(app.documents().size(), 3u);
    // Closing a window closes its document.
    windows[1]->close();
    QApplication::processEvents();
    EXPECT_EQ(app.documents().size(), 2u);
}

TEST_F(MainFrameTest, PicturesOpenAsImageDocumentsAndUnknownFilesAreExplained) {
    CZVimage img(64, 48, 0, CZVimage::kFrame, CZVimage::kGrey);
    const std::string bmp = (dir_ / "pic.bmp").string();
    ASSERT_TRUE(img.Save(bmp));
    const std::string txt = (dir_ / "notes.txt").string();
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.openFiles({QString::fromStdString(bmp), QString::fromStdString(txt)});
    ASSERT_EQ(app.documents().size(), 1u);
    EXPECT_EQ(app.documents()[0]->GetTitle(), "pic.bmp");
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("does not know files of this type"), std::string::npos);
    // The window lies wholly inside the frame's area.
    QMdiSubWindow* w = frame.mdiArea()->subWindowList().at(0);
    EXPECT_TRUE(frame.mdiArea()->viewport()->rect().contains(w->geometry())) << w->geometry().x();
    // Saved under a name, the document joins the recent-file list.
    const std::string saved = (dir_ / "pic.cs1").string();
    app.documents()[0]->SetPathName(saved);
    EXPECT_EQ(app.recentFiles().entries().front(), saved);
}

// The window opens every kind of video the command line reads (one list
// for both): an MPEG transport stream opens as a video document.
TEST_F(MainFrameTest, EveryKnownVideoKindOpensAsAVideoDocument) {
    registerVideoViews();
    testsupport::writeBytes((dir_ / "clip.mve").string(), testsupport::mveCurrent(160, 120, 8, 8, 0));
    const std::string ts = (dir_ / "clip.ts").string();
    {
        CMotivaDoc video;
        svc.adopt(video);
        ASSERT_TRUE(video.OnNewDocument());
        ASSERT_TRUE(video.importMovie((dir_ / "clip.mve").string()));
        ASSERT_TRUE(video.exportAvi(ts, "mpeg4"));
    }
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.openFiles({QString::fromStdString(ts)});
    ASSERT_EQ(app.documents().size(), 1u) << (prompter.messages().empty() ? "" : prompter.messages().back());
    EXPECT_NE(dynamic_cast<CMotivaDoc*>(app.documents()[0].get()), nullptr);
    EXPECT_EQ(app.documents()[0]->GetTitle(), "clip.ts");
}

// Every kind of window lets its document go when it closes after "No",
// however many views the document has registered, and the file then opens
// again in a new window.
TEST_F(MainFrameTest, ClosingWithNoFreesTheDocumentAndTheFileOpensAgain) {
    const std::string cs1 = (dir_ / "n1.cs1").string();
    {
        ZBasicDoc d;
        svc.adopt(d);
        d.OnNewDocument();
        d.setImage(CZVimage(64, 48, 0, CZVimage::kFrame, CZVimage::kGrey));
        ASSERT_TRUE(d.OnSaveDocument(cs1));
    }
    const std::string zv1 = (dir_ / "c.zv1").string();
    {
        ZchartDoc d;
        svc.adopt(d);
        d.OnNewDocument();
        ASSERT_TRUE(d.OnSaveDocument(zv1));
    }
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.show();
    for (const std::string& path : {cs1, zv1, makeTable("t.rst")}) {
        SCOPED_TRACE(path);
        frame.openFiles({QString::fromStdString(path)});
        ASSERT_EQ(app.documents().size(), 1u);
        QApplication::processEvents();
        app.documents()[0]->SetModifiedFlag(true);
        // Cancel keeps window and document; No lets both go.
        prompter.pushMessageAnswer(MsgResult::Cancel);
        EXPECT_FALSE(frame.mdiArea()->subWindowList().at(0)->close());
        EXPECT_EQ(app.documents().size(), 1u);
        prompter.pushMessageAnswer(MsgResult::No);
        const size_t asked = prompter.asked.size();
        EXPECT_TRUE(frame.mdiArea()->subWindowList().at(0)->close());
        QApplication::processEvents();
        EXPECT_EQ(prompter.asked.size(), asked + 1);
        EXPECT_TRUE(app.documents().empty());
        EXPECT_TRUE(frame.mdiArea()->subWindowList().isEmpty());
        frame.openFiles({QString::fromStdString(path)});
        QApplication::processEvents();
        ASSERT_EQ(app.documents().size(), 1u);
        EXPECT_EQ(frame.mdiArea()->subWindowList().size(), 1);
        EXPECT_FALSE(app.documents()[0]->IsModified());
        EXPECT_TRUE(frame.mdiArea()->subWindowList().at(0)->close());
        QApplication::processEvents();
        EXPECT_TRUE(app.documents().empty());
    }
}

// Each main-toolbar button runs the command of that name in the window in
// front and is enabled exactly when that window has it; the live chart's
// hold (command 10008) only while a live chart is in front.
TEST_F(MainFrameTest, MainToolbarFollowsTheCommandsOfTheActiveView) {
    const std::string zv1 = (dir_ / "c.zv1").string();
    {
        ZchartDoc d;
        svc.adopt(d);
        d.OnNewDocument();
        d.newTrace(8, 100, true);
        ASSERT_TRUE(d.OnSaveDocument(zv1));
    }
    CZVimage img(64, 48, 0, CZVimage::kFrame, CZVimage::kGrey);
    const std::string bmp = (dir_ / "pic.bmp").string();
    ASSERT_TRUE(img.Save(bmp));
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.show();
    ordavia::MainToolbar* bar = frame.mainToolbar();
    EXPECT_EQ(frame.toolBarArea(bar), Qt::LeftToolBarArea);
    EXPECT_TRUE(bar->isMovable());
    auto enabled = [&] {
        QStringList on;
        for (const auto& b : ordavia::MainToolbar::buttons())
            if (bar->buttonFor(b.command)->isEnabled()) on << QString::fromUtf8(b.command).remove('&');
        return on.join(", ").toStdString();
    };
    const std::string chart = "Save, Cut, Copy, Paste, Simple smoothing...., Calculate average of selection, brighter, "
                              "dim, Reduce full scale, Increase  full scale, Hide Trace";
    EXPECT_EQ(enabled(), "");

    frame.openFiles({QString::fromStdString(zv1)});
    QApplication::processEvents();
    EXPECT_EQ(enabled(), chart);
    auto* chartView = dynamic_cast<ZchartView*>(frame.mdiArea()->activeSubWindow()->widget());
    ASSERT_TRUE(chartView);
    EXPECT_TRUE(bar->buttonFor("&Hide Trace")->toolTip().contains("Display > Hide Trace"));
    bar->buttonFor("&Hide Trace")->trigger();
    EXPECT_TRUE(chartView->state().displays.at(0).hidden);

    frame.openFiles({QString::fromStdString(bmp)});
    QApplication::processEvents();
    EXPECT_EQ(enabled(), "Save, Copy, Paste, Calculate average of selection");
    // The image view's own View menu takes the frame's toolbar switch.
    QMenuBar* menus = frame.menuBar();
    int views = 0;
    for (QAction* a : menus->actions())
        if (a->isVisible() && a->text() == "&View") {
            ++views;
            EXPECT_TRUE(a->menu()->actions().contains(bar->toggleViewAction()));
        }
    EXPECT_EQ(views, 1);

    Document* liveDoc = app.OpenNewDocument(app.templates().findByClass("ZliveChartDoc"));
    ASSERT_TRUE(liveDoc);
    QApplication::processEvents();
    auto* live = dynamic_cast<ZliveChartView*>(frame.mdiArea()->activeSubWindow()->widget());
    ASSERT_TRUE(live);
    QAction* hold = bar->buttonFor(ZliveChartView::kHoldText);
    EXPECT_EQ(hold->data().toInt(), 10008);
    EXPECT_EQ(enabled(), chart + ", Hold live picture");
    hold->trigger();
    EXPECT_TRUE(live->isHeld());
    EXPECT_TRUE(hold->isChecked());
    frame.mdiArea()->setActiveSubWindow(frame.mdiArea()->subWindowList().at(0));
    EXPECT_FALSE(hold->isEnabled());

    // "Chart editing buttons" hides the ten from Cut to Hide trace.
    for (QAction* a : frame.findChildren<QAction*>())
        if (a->text() == "Chart &editing buttons") a->trigger();
    for (const auto& b : ordavia::MainToolbar::buttons())
        EXPECT_EQ(bar->buttonFor(b.command)->isVisible(), !b.chartEditing) << b.command;
    bar->toggleViewAction()->trigger();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->toggleViewAction()->text(), "&Toolbar");
    frame.close();
    EXPECT_EQ(enabled(), "");
}

TEST_F(MainFrameTest, NewChartInTheFileMenuOpensAnEmptyChart) {
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    QAction* newChart = nullptr;
    for (QAction* a : frame.menuBar()->actions().at(0)->menu()->actions())
        if (a->text() == "New chart") newChart = a;
    ASSERT_NE(newChart, nullptr);
    newChart->trigger();
    newChart->trigger();
    ASSERT_EQ(app.documents().size(), 2u);
    auto* chart = dynamic_cast<ZchartDoc*>(app.documents()[0].get());
    ASSERT_TRUE(chart && chart->traceCount() == 0);
    EXPECT_EQ(chart->GetTitle(), "Chart1");
    EXPECT_EQ(app.documents()[1]->GetTitle(), "Chart2");
    ASSERT_EQ(frame.mdiArea()->subWindowList().size(), 2);
    QWidget* w = frame.mdiArea()->subWindowList()[0]->widget();
    EXPECT_TRUE(qobject_cast<ZchartView*>(w) || w->findChild<ZchartView*>());
}

// At exit every modified document is asked about before any window
// closes: Cancel leaves all of them (and the unmodified ones) open.
TEST_F(MainFrameTest, ExitCancelledClosesNothingAndDiscardAllAsksOnce) {
    const QStringList files = {QString::fromStdString(makeTable("a.rst")), QString::fromStdString(makeTable("b.rst")),
                               QString::fromStdString(makeTable("c.rst"))};
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.show();
    frame.openFiles(files);
    ASSERT_EQ(frame.mdiArea()->subWindowList().size(), 3);
    app.documents()[0]->SetModifiedFlag(true);
    app.documents()[2]->SetModifiedFlag(true);
    QApplication::processEvents();  // the start-up notice about the Doppler board
    const size_t before = prompter.messages().size();
    prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_FALSE(frame.close());
    QApplication::processEvents();
    EXPECT_EQ(frame.mdiArea()->subWindowList().size(), 3);
    EXPECT_EQ(app.documents().size(), 3u);
    ASSERT_EQ(prompter.messages().size(), before + 1);
    EXPECT_NE(prompter.messages().back().find("2 documents have unsaved changes"), std::string::npos);

    prompter.pushMessageAnswer(MsgResult::No);  // "Discard all"
    EXPECT_TRUE(frame.close());
    QApplication::processEvents();
    EXPECT_EQ(prompter.messages().size(), before + 2) << "no second question per window";
    EXPECT_TRUE(app.documents().empty());
}

// A picture that cannot be read (a cut-short TIFF named ".jpg") says why
// and leaves no window and no recent-file entry.
TEST_F(MainFrameTest, AFailedPictureLeavesNoTrace) {
    CZVimage img(64, 48, 0, CZVimage::kFrame, CZVimage::kColour);
    ASSERT_TRUE(img.Save((dir_ / "whole.tif").string()));
    auto bytes = testsupport::readBytes((dir_ / "whole.tif").string());
    bytes.resize(bytes.size() / 3);
    testsupport::writeBytes((dir_ / "cut.jpg").string(), bytes);
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    frame.openFiles({QString::fromStdString((dir_ / "cut.jpg").string())});
    EXPECT_TRUE(app.documents().empty());
    EXPECT_TRUE(frame.mdiArea()->subWindowList().isEmpty());
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("TIFF"), std::string::npos) << prompter.messages().back();
    EXPECT_TRUE(app.recentFiles().entries().empty());
}

// With raw.bin beside the program the board is present: the first start
// opens the Doppler monitor and runs it, and says nothing of a missing board.
TEST_F(MainFrameTest, FirstStartOpensTheMonitorWhenTheBoardIsThere) {
    testsupport::writeRawSamples((dir_ / "raw.bin").string(), testsupport::toneBand(40000, 300, 3000, 4000, 1000));
    auto [app, frame] = start();
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    QApplication::processEvents();
    ASSERT_EQ(app.documents().size(), 1u);
    auto* monitor = dynamic_cast<Ctrv2Doc*>(app.documents()[0].get());
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->running());
    EXPECT_EQ(frame.mdiArea()->subWindowList().size(), 1);
    for (const std::string& m : prompter.messages()) EXPECT_EQ(m.find("not detected"), std::string::npos) << m;
}
