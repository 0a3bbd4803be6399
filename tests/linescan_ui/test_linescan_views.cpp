// A video view feeding the live line scan while it plays (on a manual
// timer), the run's summary accepted into the line and the results, and
// velocity slopes drawn, picked and listed with the mouse in the line-scan
// view. Offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "support/ChartAccess.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "framework/Timer.h"
#include "framework/ui/QtPrompter.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZchartReviewDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "linescan/ui/LineScanCharts.h"
#include "linescan/ui/LiveLineScan.h"
#include "linescan/ui/ZchartReView.h"
#include "linescan/ui/ZlineScanView.h"
#include "measure/CDimLine.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "support/TiffBytes.h"
#include "video/CMotivaDoc.h"
#include "video/ui/CMotivaView.h"
#include "tests/support/MenuEntries.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

using namespace testsupport;

namespace {

constexpr int kW = 64, kRows = 16, kFrames = 30, kRow = 8;

struct LineScanUi : ::testing::Test {
    ordavia::test::TestServices svc;
    ManualTimerFactory& timers = svc.timers;
    ScratchDir dir{"linescan-ui"};
    CMotivaDoc video;

    void SetUp() override {
        testsupport::ensureQtApp();
        ASSERT_TRUE(svc.profile.SetPath(dir / "ordavia.ini"));
        writeBytes(dir / "cells.mve", mveOf(kW, kRows, linescantest::movingRowFrames(kW, kRows, kFrames, kRow, 2.0)));
        openMovie(video);
    }
    // The moving cells' movie at 25 frames per second.
    void openMovie(CMotivaDoc& to) {
        svc.adopt(to);
        ASSERT_TRUE(to.importMovie(dir / "cells.mve"));
        to.setFramesPerSecond(25);
    }
    static void show(QWidget& view) {
        view.resize(900, 520);
        view.show();
        QCoreApplication::processEvents();
    }
    static void addLine(CMotivaDoc& to, int y, int right = 61) {
        auto d = std::make_unique<CDimLine>();
        d->addVertex({2, y});
        d->addVertex({right, y});
        to.addObject(std::move(d));
    }
    void addLine(int y) { addLine(video, y); }
    // The whole video scanned along a line on the moving row.
    std::unique_ptr<ZlineScanDoc> scanAlongTheRow() {
        addLine(kRow);
        auto made = ordavia::scanWholeVideo(video, 0, &svc.services);
        EXPECT_TRUE(made.ok()) << made.reason();
        return made.ok() ? std::move(made).value() : nullptr;
    }
};

TEST_F(LineScanUi, PlayingTheVideoBuildsTheScanAndTheAcceptedSummaryGoesToTheLine) {
    LiveLineScan link(&svc.services);
    svc.services.lineScanLink = &link;
    {
        CMotivaView view(&video);
        view.show();
        // Without a line the scan waits and says how to begin.
        view.findAction("&Linescan")->trigger();
        ASSERT_NE(link.live(), nullptr);
        EXPECT_FALSE(link.live()->running());
        ASSERT_EQ(svc.prompter.messages().size(), 1u);
        EXPECT_EQ(svc.prompter.messages()[0], LiveLineScan::kNoLine);

        addLine(kRow);
        view.findAction("Measuring line")->trigger();  // nothing current yet: told so
        EXPECT_EQ(view.measuringLine(false), -1);
        video.currentDimList().setCurrent(0);
        view.findAction("Measuring line")->trigger();
        EXPECT_EQ(view.measuringLine(false), 0);

        // The next frame shown starts the scan; playing to the end fills it.
        svc.prompter.pushMessageAnswer(MsgResult::Yes);
        view.togglePlay();
        timers.advance(40 * (kFrames + 5));
        EXPECT_FALSE(view.playing());
        ZlineScanDoc* live = link.live();
        ASSERT_NE(live, nullptr);
        EXPECT_FALSE(live->running());  // the last frame ended the run
        const C2DTrace* scan = live->scanTrace();
        ASSERT_NE(scan, nullptr);
        EXPECT_EQ(scan->sampleCount(), uint32_t(kFrames));  // one column per frame of the video
        uint32_t filled = 0;
        for (uint32_t c = 0; c < scan->sampleCount(); ++c) filled += scan->extent->getD(c) > 0;
        EXPECT_EQ(filled, uint32_t(kFrames - 1));  // frames 1 .. 29: frame 0 was shown before the line
        // The summary was asked and accepted: the line and the table keep it.
        EXPECT_EQ(svc.prompter.messages().back().rfind("line 1 velocity = ", 0), 0u);
        EXPECT_EQ(video.currentDimList().at(0)->label().rfind("line 1 velocity = ", 0), 0u);
        CResultDoc* table = svc.results.find(ordavia::kCapillaryVelocityTitle);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->rows().size(), 1u);
    }
    EXPECT_TRUE(link.live() == nullptr || !link.live()->running());
}

TEST_F(LineScanUi, TheTwoLineMethodTakesTheMeasuringLineAndTheSecondLine) {
    ASSERT_TRUE(svc.profile.WriteInt("linescan", "cbvmethod", 2));
    {
        LiveLineScan link(&svc.services);
        svc.services.lineScanLink = &link;
        CMotivaView view(&video);
        view.show();
        addLine(kRow);
        addLine(kRow + 3);
        // Without a second line the method cannot start, and says why.
        view.findAction("&Linescan")->trigger();
        EXPECT_EQ(svc.prompter.messages().back(), LiveLineScan::kNoSecondLine);
        video.currentDimList().setCurrent(1);
        view.findAction("Temporal 2nd Measuring line")->trigger();
        video.currentDimList().setCurrent(0);
        view.findAction("Measuring line")->trigger();
        EXPECT_EQ(view.measuringLine(true), 1);
        view.findAction("&Linescan")->trigger();
        ZlineScanDoc* live = link.live();
        ASSERT_NE(live, nullptr);
        ASSERT_TRUE(live->running());
        const CTrace* l1 = live->line1Trace();
        const CTrace* l2 = live->line2Trace();
        ASSERT_TRUE(l1 && l2);
        for (int k = 0; k < 5; ++k) view.step(1);
        // The moving row and the still background have different means.
        EXPECT_NE(l1->data->valueAt(1), 0.0);
        EXPECT_DOUBLE_EQ(l2->data->valueAt(1), 100.0);
        link.endRun(false);
        EXPECT_FALSE(live->running());
    }
    // A link that goes takes itself out of the services.
    EXPECT_EQ(svc.services.lineScanLink, nullptr);
}

TEST_F(LineScanUi, SlopesAreDrawnPickedAndListedWithTheMouse) {
    std::unique_ptr<ZlineScanDoc> scan = scanAlongTheRow();
    ASSERT_TRUE(scan);
    ZlineScanBaseView view(scan.get());
    show(view);
    const int s = view.scanIndex();
    ASSERT_GE(s, 0);
    QWidget* canvas = view.canvasWidget();
    auto at = [&](double x, double y) { return QPoint(int(std::lround(view.pixelAtX(x))), int(std::lround(view.pixelAtY(s, y)))); };

    // Off, a drag selects; on, it draws a slope from press to release.
    QTest::mousePress(canvas, Qt::LeftButton, {}, at(0.2, 10));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(0.6, 40));
    EXPECT_TRUE(scan->slopes().empty());
    view.setDrawingSlopes(true);
    QTest::mousePress(canvas, Qt::LeftButton, {}, at(0.2, 10));
    QTest::mouseMove(canvas, at(0.4, 25));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(0.6, 40));
    ASSERT_EQ(scan->slopes().size(), 1u);
    EXPECT_NEAR(scan->slopes()[0].velocity(), 30 / 0.4, 30 / 0.4 * 0.05);
    // A click draws nothing.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, at(0.9, 20));
    EXPECT_EQ(scan->slopes().size(), 1u);
    // Picking the first end makes it the moving end.
    QTest::mousePress(canvas, Qt::LeftButton, {}, at(0.2, 10));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(0.4, 10));
    ASSERT_EQ(scan->slopes().size(), 1u);
    EXPECT_NEAR(scan->slopes()[0].x1, 0.6, 0.01);
    EXPECT_NEAR(scan->slopes()[0].x2, 0.4, 0.01);
    EXPECT_EQ(scan->selectedSlope(), 0);
    testsupport::saveShot(view, "linescan_slopes");

    // Listed in a message and into the velocity table, then deleted.
    view.findAction("linescan slope velocities")->trigger();
    EXPECT_EQ(svc.prompter.messages().back(), scan->slopeVelocitiesText());
    CResultDoc* table = svc.results.find(ResultTitles::kLinescan);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows().size(), 1u);
    view.lineScanAction("&Delete")->trigger();
    EXPECT_TRUE(scan->slopes().empty());
}

TEST_F(LineScanUi, EachScanIsADocumentOfItsOwnAndNoneIsOverwritten) {
    LiveLineScan link(&svc.services);
    svc.services.lineScanLink = &link;
    CMotivaDoc other;
    openMovie(other);
    video.SetTitle("a.dcs");
    other.SetTitle("b.dcs");
    addLine(kRow);
    addLine(other, kRow, 41);  // shorter: a scan of fewer rows
    {
        CMotivaView a(&video), b(&other);
        a.findAction("&Linescan")->trigger();
        ZlineScanDoc* first = link.live();
        ASSERT_NE(first, nullptr);
        for (int k = 0; k < 10; ++k) a.step(1);
        link.endRun(false);
        ASSERT_TRUE(first->OnSaveDocument(dir / "a.zvl"));
        first->SetPathName(dir / "a.zvl", true);
        const C2DTrace* scan = first->scanTrace();
        ASSERT_NE(scan, nullptr);
        auto values = [](const C2DTrace& t) {
            std::vector<double> v(size_t(t.sampleCount()) * t.width());
            for (size_t i = 0; i < v.size(); ++i) v[i] = t.data->getD(i);
            return v;
        };
        const std::vector<double> before = values(*scan);

        // The other video's scan is a new document: the first keeps its
        // columns, its title and its file.
        b.findAction("&Linescan")->trigger();
        ZlineScanDoc* second = link.live();
        ASSERT_NE(second, nullptr);
        EXPECT_NE(second, first);
        for (int k = 0; k < 5; ++k) b.step(1);
        link.endRun(false);
        EXPECT_NE(second->GetTitle().find("b.dcs"), std::string::npos) << second->GetTitle();
        EXPECT_TRUE(second->GetPathName().empty());
        EXPECT_EQ(first->GetPathName(), dir / "a.zvl");
        ASSERT_EQ(first->scanTrace(), scan);
        EXPECT_EQ(values(*scan), before);
    }
}

TEST_F(LineScanUi, AKymographImportOpensANewScanAndADoubtfulSummaryDefaultsToNo) {
    std::vector<std::unique_ptr<Document>> opened;
    svc.services.opener = [&](std::unique_ptr<Document> d) {
        opened.push_back(std::move(d));
        return opened.back().get();
    };
    std::unique_ptr<ZlineScanDoc> scan = scanAlongTheRow();
    ASSERT_TRUE(scan);
    const int traces = scan->traceCount();
    const std::string sourceName = scan->sourceTrace()->name;
    ZlineScanBaseView view(scan.get());
    std::vector<uint16_t> px(32 * 24);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t((i * 37) % 251);
    writeBytes(dir / "kymo.tif", testsupport::greyTiffBytes(32, 24, 8, px));
    svc.prompter.pushFiles({dir / "kymo.tif"});
    view.cmdImport();
    EXPECT_EQ(scan->traceCount(), traces);
    EXPECT_EQ(scan->sourceTrace()->name, sourceName);
    ASSERT_EQ(opened.size(), 1u);
    auto* kymo = dynamic_cast<ZlineScanBaseDoc*>(opened[0].get());
    ASSERT_TRUE(kymo && kymo->sourceTrace());
    EXPECT_EQ(kymo->sourceTrace()->name, "kymo.tif");

    // A summary of few good columns, which the other columns' peaks do not
    // bear out, is asked with No as the answer to take.
    for (uint32_t i = 0; i < scan->cbvTrace()->sampleCount(); ++i) {
        CdataVect& uncut = *ordavia::test::ChartAccess::editable(*scan, scan->cbvUncutTrace())->data;
        ordavia::test::ChartAccess::editable(*scan, scan->cbvTrace())->data->setD(i, i % 4 ? -1.0 : uncut.getD(i));
        if (i % 4 && uncut.getD(i) > 0) uncut.setD(i, uncut.getD(i) * (3 + i % 7));
    }
    const size_t asked = svc.prompter.asked.size();
    EXPECT_NE(ordavia::linescanui::offerSummary(*scan, 0, 0, {&video, 0}),
              ordavia::linescanui::SummaryAnswer::Accepted);
    ASSERT_GT(svc.prompter.asked.size(), asked);
    EXPECT_EQ(svc.prompter.asked[asked].buttons, MsgButtons::YesNoDefaultNo);
    EXPECT_EQ(svc.results.find(ordavia::kCapillaryVelocityTitle), nullptr);

    // In the workstation Enter on that question answers No.
    QtPrompter qt;
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        testsupport::saveShot(*box, "doubtful_summary");
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(qt.messageBox(svc.prompter.asked[asked].text, MsgButtons::YesNoDefaultNo, MsgIcon::Warning, {}),
              MsgResult::No);
}

// The window's header shows one velocity: the summary it offers, then the
// accepted one; a summary without a good column is shown, not offered.
TEST_F(LineScanUi, TheHeaderKeepsTheAcceptedVelocityAndNoVelocityIsNeverOffered) {
    std::unique_ptr<ZlineScanDoc> scan = scanAlongTheRow();
    ASSERT_TRUE(scan);
    ZlineScanBaseView view(scan.get());
    show(view);
    QLabel* label = nullptr;
    for (QLabel* l : view.findChildren<QLabel*>()) label = l->text().contains("velocity") ? l : label;
    ASSERT_TRUE(label);
    EXPECT_TRUE(label->text().startsWith(strprintf("summary velocity %.1f ", scan->summary(0, 0).mean).c_str()));
    saveShot(view, "linescan_offered_header");
    // The user accepts a part of the trace: that velocity is the one shown.
    svc.prompter.pushMessageAnswer(MsgResult::Yes);
    ASSERT_EQ(ordavia::linescanui::offerSummary(*scan, 5, 20, {&video, 0}),
              ordavia::linescanui::SummaryAnswer::Accepted);
    const ordavia::CbvSummary part = scan->summary(5, 20);
    EXPECT_EQ(label->text().toStdString(), strprintf("accepted velocity %.1f ", part.mean) + part.units);
    saveShot(view, "linescan_accepted_header");

    CTrace* cbv = ordavia::test::ChartAccess::editable(*scan, scan->cbvTrace());
    for (uint32_t i = 0; i < cbv->sampleCount(); ++i) cbv->data->setD(i, -1.0);
    const size_t asked = svc.prompter.asked.size();
    svc.prompter.pushMessageAnswer(MsgResult::Ok);
    svc.prompter.pushMessageAnswer(MsgResult::No);
    EXPECT_EQ(ordavia::linescanui::offerSummary(*scan, 0, 0, {&video, 0}), ordavia::linescanui::SummaryAnswer::Rejected);
    EXPECT_EQ(svc.prompter.asked.at(asked).buttons, MsgButtons::Ok);
    EXPECT_EQ(svc.results.find(ordavia::kCapillaryVelocityTitle)->rows().size(), 1u);
}

}  // namespace

// The live scan's menu ticks show the scan's settings, and "Dimension
// &Lines" holds its own.
TEST_F(LineScanUi, TheLineScanMenuTicksFollowTheScansSettings) {
    std::unique_ptr<ZlineScanDoc> scan = scanAlongTheRow();
    ASSERT_TRUE(scan);
    ZlineScanView view(scan.get());
    QMenu* m = menuTitled(view.documentMenus(), ZlineScanBaseView::kMenuTitle);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(shownStates(m), QStringList({"&Calculate cbv [v]"}));
    for (const char* command : {"&Use Interlace", "Dimension &Lines", "&Subtract scans", "&Calculate cbv"})
        view.lineScanAction(command)->trigger();
    EXPECT_TRUE(scan->params().useInterlace);
    EXPECT_TRUE(view.drawingSlopes());
    EXPECT_EQ(shownStates(m), QStringList({"&Use Interlace [v]", "Dimension &Lines [v]", "&Subtract scans [v]"}));
}

// The review of a scan keeps its one menu; without a stack of scan lines
// the velocity says what it needs.
TEST_F(LineScanUi, TheReviewMenuCalculatesTheVelocityOrSaysWhatItNeeds) {
    ZchartReviewDoc review;
    svc.adopt(review);
    ASSERT_TRUE(review.OnNewDocument());
    ZchartReView view(&review);
    QMenu* m = menuTitled(view.documentMenus(), "&Review");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(shownEntries(m), QStringList({"&Calculate velocity"}));
    m->actions().at(0)->trigger();
    ASSERT_FALSE(svc.prompter.messages().empty());
    EXPECT_EQ(svc.prompter.messages().back(), ZchartReviewDoc::kNeedsStack);
}
