#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <filesystem>

#include "app/ui/MainToolbar.h"
#include "chart/ZchartDoc.h"
#include "chart/ui/ZchartView.h"
#include "chart/ui/ZliveChartView.h"
#include "doppler/Ctrv2Doc.h"
#include "framework/DocTemplate.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/MeasureViews.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ui/ResultView.h"
#include "tests/app_ui/FrameFixture.h"
#include "tests/support/MveBytes.h"
#include "tests/support/RawSamples.h"
#include "video/CMotivaDoc.h"
#include "video/ui/CMotivaView.h"

using namespace ordavia;

namespace fs = std::filesystem;

namespace {

class MainFrameTest : public FrameFixture {
protected:
    static void SetUpTestSuite() {
        FrameFixture::SetUpTestSuite();
        registerResultViewMaker();
        registerChartViews();
    }
    std::string makeTable(const std::string& name) {
        CResultDoc doc;
        doc.setColumns(*findResultColumnSet("Image Results"));
        EXPECT_TRUE(doc.addRow({name, "um", {1.0, 2.0, 3.0}}));
        const std::string p = (dir_ / name).string();
        EXPECT_TRUE(doc.OnSaveDocument(p));
        return p;
    }

    ScriptedPrompter& prompter = svc.prompter;
};

}  // namespace

TEST_F(MainFrameTest, NewChartOpensAnEmptyChartEachTime) {
    ASSERT_TRUE(start());
    QAction* newChart = menuCommand("New chart");
    ASSERT_NE(newChart, nullptr);
    newChart->trigger();
    newChart->trigger();
    ASSERT_EQ(app_->documents().size(), 2u);
    auto* chart = dynamic_cast<ZchartDoc*>(app_->documents()[0].get());
    ASSERT_TRUE(chart && chart->traceCount() == 0);
    ASSERT_EQ(frame_->mdiArea()->subWindowList().size(), 2);
    QWidget* w = frame_->mdiArea()->subWindowList()[0]->widget();
    EXPECT_TRUE(qobject_cast<ZchartView*>(w) || w->findChild<ZchartView*>());
}

// Several files open tiled and go to the recent list. At exit every
// modified document is asked about before any window closes: Cancel leaves
// all of them (and the unmodified ones) open.
TEST_F(MainFrameTest, SeveralFilesOpenTiledAndExitAsksOnceForAllOfThem) {
    const QStringList files = {QString::fromStdString(makeTable("a.rst")), QString::fromStdString(makeTable("b.rst")),
                               QString::fromStdString(makeTable("c.rst"))};
    ASSERT_TRUE(start());
    frame_->resize(1200, 800);
    frame_->show();
    frame_->openFiles(files);
    const auto windows = frame_->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    // Tiled: the three windows do not overlap.
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(windows[i]->geometry().intersects(windows[j]->geometry())) << i << " " << j;
    EXPECT_EQ(app_->recentFiles().entries().front(), files[2].toStdString());
    EXPECT_EQ(app_->documents().size(), 3u);
    // Opening one again brings its window forward instead of a second copy.
    frame_->openFiles({files[0]});
    EXPECT_EQ(app_->documents().size(), 3u);

    app_->documents()[0]->SetModifiedFlag(true);
    app_->documents()[2]->SetModifiedFlag(true);
    QApplication::processEvents();  // the start-up notice about the Doppler board
    const size_t before = prompter.messages().size();
    prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_FALSE(frame_->close());
    QApplication::processEvents();
    EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), 3);
    EXPECT_EQ(app_->documents().size(), 3u);
    ASSERT_EQ(prompter.messages().size(), before + 1);
    // Closing an unmodified window closes its document without a question.
    windows[1]->close();
    QApplication::processEvents();
    EXPECT_EQ(app_->documents().size(), 2u);
    prompter.pushMessageAnswer(MsgResult::No);  // "Discard all"
    EXPECT_TRUE(frame_->close());
    QApplication::processEvents();
    EXPECT_EQ(prompter.messages().size(), before + 2) << "no second question per window";
    EXPECT_TRUE(app_->documents().empty());
}

// Pictures open as image documents; unknown files and a picture that cannot
// be read (a cut-short TIFF named ".jpg") say why and leave no window and no
// recent-file entry.
TEST_F(MainFrameTest, PicturesOpenAsImageDocumentsAndUnknownOrBrokenFilesAreExplained) {
    const std::string bmp = picture("pic.bmp");
    ASSERT_TRUE(CZVimage(64, 48, 0, CZVimage::kFrame, CZVimage::kColour).Save((dir_ / "whole.tif").string()));
    auto bytes = testsupport::readBytes((dir_ / "whole.tif").string());
    bytes.resize(bytes.size() / 3);
    testsupport::writeBytes((dir_ / "cut.jpg").string(), bytes);
    ASSERT_TRUE(start());
    frame_->openFiles({QString::fromStdString((dir_ / "cut.jpg").string())});
    EXPECT_TRUE(app_->documents().empty());
    EXPECT_TRUE(frame_->mdiArea()->subWindowList().isEmpty());
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("TIFF"), std::string::npos) << prompter.messages().back();
    EXPECT_TRUE(app_->recentFiles().entries().empty());

    frame_->openFiles({QString::fromStdString(bmp), QString::fromStdString((dir_ / "notes.txt").string())});
    ASSERT_EQ(app_->documents().size(), 1u);
    EXPECT_EQ(app_->documents()[0]->GetTitle(), "pic.bmp");
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_NE(prompter.messages().back().find("does not know files of this type"), std::string::npos);
    // The window lies wholly inside the frame's area.
    QMdiSubWindow* w = frame_->mdiArea()->subWindowList().at(0);
    EXPECT_TRUE(frame_->mdiArea()->viewport()->rect().contains(w->geometry())) << w->geometry().x();
    // Saved under a name, the document joins the recent-file list.
    const std::string saved = (dir_ / "pic.cs1").string();
    app_->documents()[0]->SetPathName(saved);
    EXPECT_EQ(app_->recentFiles().entries().front(), saved);
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
    ASSERT_TRUE(start());
    frame_->openFiles({QString::fromStdString(ts)});
    ASSERT_EQ(app_->documents().size(), 1u) << (prompter.messages().empty() ? "" : prompter.messages().back());
    EXPECT_NE(dynamic_cast<CMotivaDoc*>(app_->documents()[0].get()), nullptr);
    EXPECT_EQ(app_->documents()[0]->GetTitle(), "clip.ts");
}

// Every kind of window lets its document go when it closes after "No",
// however many views the document has registered, and the file then opens
// again in a new window.
TEST_F(MainFrameTest, ClosingWithNoFreesTheDocumentAndTheFileOpensAgain) {
    const std::string bmp = picture("n1.bmp");
    const std::string zv1 = (dir_ / "c.zv1").string();
    {
        ZchartDoc d;
        svc.adopt(d);
        d.OnNewDocument();
        ASSERT_TRUE(d.OnSaveDocument(zv1));
    }
    ASSERT_TRUE(start());
    frame_->show();
    for (const std::string& path : {bmp, zv1, makeTable("t.rst")}) {
        SCOPED_TRACE(path);
        frame_->openFiles({QString::fromStdString(path)});
        ASSERT_EQ(app_->documents().size(), 1u);
        QApplication::processEvents();
        app_->documents()[0]->SetModifiedFlag(true);
        // Cancel keeps window and document; No lets both go.
        prompter.pushMessageAnswer(MsgResult::Cancel);
        EXPECT_FALSE(frame_->mdiArea()->subWindowList().at(0)->close());
        EXPECT_EQ(app_->documents().size(), 1u);
        prompter.pushMessageAnswer(MsgResult::No);
        const size_t asked = prompter.asked.size();
        EXPECT_TRUE(frame_->mdiArea()->subWindowList().at(0)->close());
        QApplication::processEvents();
        EXPECT_EQ(prompter.asked.size(), asked + 1);
        EXPECT_TRUE(app_->documents().empty());
        EXPECT_TRUE(frame_->mdiArea()->subWindowList().isEmpty());
        frame_->openFiles({QString::fromStdString(path)});
        QApplication::processEvents();
        ASSERT_EQ(app_->documents().size(), 1u);
        EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), 1);
        EXPECT_FALSE(app_->documents()[0]->IsModified());
        EXPECT_TRUE(frame_->mdiArea()->subWindowList().at(0)->close());
        QApplication::processEvents();
        EXPECT_TRUE(app_->documents().empty());
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
        d.addTrace(std::make_unique<CTrace>(8, 100), true);
        ASSERT_TRUE(d.OnSaveDocument(zv1));
    }
    const std::string bmp = picture("pic.bmp");
    ASSERT_TRUE(start());
    frame_->show();
    ordavia::MainToolbar* bar = frame_->mainToolbar();
    auto enabled = [&] {
        QStringList on;
        for (const auto& b : ordavia::MainToolbar::buttons())
            if (bar->buttonFor(b.command)->isEnabled()) on << QString::fromUtf8(b.command).remove('&');
        return on.join(", ").toStdString();
    };
    const std::string chart = "Save, Cut, Copy, Paste, Simple smoothing...., Calculate average of selection, brighter, "
                              "dim, Reduce full scale, Increase  full scale, Hide Trace";
    EXPECT_EQ(enabled(), "");

    frame_->openFiles({QString::fromStdString(zv1)});
    QApplication::processEvents();
    EXPECT_EQ(enabled(), chart);
    auto* chartView = dynamic_cast<ZchartView*>(frame_->mdiArea()->activeSubWindow()->widget());
    ASSERT_TRUE(chartView);
    bar->buttonFor("&Hide Trace")->trigger();
    EXPECT_TRUE(chartView->state().displays.at(0).hidden);

    frame_->openFiles({QString::fromStdString(bmp)});
    QApplication::processEvents();
    EXPECT_EQ(enabled(), "Save, Copy, Paste, Calculate average of selection");
    // The image view's own View menu takes the frame's toolbar switch.
    QMenuBar* menus = frame_->menuBar();
    int views = 0;
    for (QAction* a : menus->actions())
        if (a->isVisible() && a->text() == "&View") {
            ++views;
            EXPECT_TRUE(a->menu()->actions().contains(frame_->frameCommand("&Toolbar")));
        }
    EXPECT_EQ(views, 1);

    Document* liveDoc = app_->OpenNewDocument(app_->templates().findByClass("ZliveChartDoc"));
    ASSERT_TRUE(liveDoc);
    QApplication::processEvents();
    auto* live = dynamic_cast<ZliveChartView*>(frame_->mdiArea()->activeSubWindow()->widget());
    ASSERT_TRUE(live);
    QAction* hold = bar->buttonFor(ZliveChartView::kHoldText);
    EXPECT_EQ(enabled(), chart + ", Hold live picture");
    hold->trigger();
    EXPECT_TRUE(live->isHeld());
    EXPECT_TRUE(hold->isChecked());
    frame_->mdiArea()->setActiveSubWindow(frame_->mdiArea()->subWindowList().at(0));
    EXPECT_FALSE(hold->isEnabled());

    // "Chart editing buttons" hides the ten from Cut to Hide trace.
    menuCommand("Chart &editing buttons")->trigger();
    for (const auto& b : ordavia::MainToolbar::buttons())
        EXPECT_EQ(bar->buttonFor(b.command)->isVisible(), b.group != RoutedToolbar::kChartEditing) << b.command;
    bar->toggleViewAction()->trigger();
    EXPECT_FALSE(bar->isVisible());
    frame_->close();
    EXPECT_EQ(enabled(), "");
}

// With raw.bin beside the program the board is present: the first start
// opens the Doppler monitor and runs it, and says nothing of a missing board.
TEST_F(MainFrameTest, FirstStartOpensTheMonitorWhenTheBoardIsThere) {
    testsupport::writeRawSamples((dir_ / "raw.bin").string(), testsupport::toneBand(40000, 300, 3000, 4000, 1000));
    ASSERT_TRUE(start());
    QApplication::processEvents();
    ASSERT_EQ(app_->documents().size(), 1u);
    auto* monitor = dynamic_cast<Ctrv2Doc*>(app_->documents()[0].get());
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->running());
    EXPECT_EQ(frame_->mdiArea()->subWindowList().size(), 1);
    for (const std::string& m : prompter.messages()) EXPECT_EQ(m.find("not detected"), std::string::npos) << m;
}
