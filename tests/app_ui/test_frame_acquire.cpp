// The frame's acquisition commands on real windows: one key per command,
// timed saves, the live read-out, Record on the window in front, windows of
// documents made by commands, the popup menus and the manual.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTextBrowser>
#include <filesystem>

#include "app/FrameCommands.h"
#include "app/ui/MainToolbar.h"
#include "app/ui/ManualWindow.h"
#include "chart/ZchartDoc.h"
#include "chart/ui/ZchartView.h"
#include "doppler/CReviewDoc.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/ui/CReView.h"
#include "image/ImageFormats.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "live/ui/ZBasicfgView.h"
#include "measure/ui/MeasureViews.h"
#include "results/ui/ResultView.h"
#include "tests/app_ui/FrameFixture.h"
#include "tests/support/LiveFixture.h"
#include "tests/support/RawSamples.h"

using namespace ordavia;
namespace fs = std::filesystem;

namespace {

class FrameAcquireTest : public FrameFixture {
protected:
    static void SetUpTestSuite() {
        FrameFixture::SetUpTestSuite();
        registerLiveViews();
        registerChartViews();
        registerDopplerViews();
        registerResultViewMaker();
    }
    // The widget of the window in front.
    QWidget* front() const {
        QMdiSubWindow* w = frame_->mdiArea()->activeSubWindow();
        return w ? w->widget() : nullptr;
    }
    std::vector<std::string> picturesIn(const fs::path& d) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(d))
            if (e.path().extension() == ".cs1") out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

}  // namespace

TEST_F(FrameAcquireTest, F4IsOneCommandTimedSavesRunAndTheLiveReadOutLeavesWithItsWindow) {
    // The simulated camera plays pseudo.bmp of the program folder.
    ASSERT_TRUE(savePicture(testsupport::livePicture(320, 240, CZVimage::kGrey), (dir_ / "pseudo.bmp").string()).ok());
    CameraSources cameras(svc.services);
    ASSERT_TRUE(start());
    fs::create_directories(dir_ / "rec");
    svc.profile.WriteString("directories", "recorddir", (dir_ / "rec").string());
    frame_->show();
    frame_->commands().liveVideo();
    QApplication::processEvents();
    auto* view = qobject_cast<ZBasicfgView*>(front());
    ASSERT_NE(view, nullptr);
    frame_->viewPopup();  // the window's menus are built
    int f4 = 0;
    for (QAction* a : frame_->findChildren<QAction*>()) f4 += a->shortcut() == QKeySequence(Qt::Key_F4);
    EXPECT_EQ(f4, 1) << "F4 is the frame's Save Image alone";

    // The read-out of the running camera.
    view->startLiveVideo();
    svc.timers.advance(600);
    EXPECT_TRUE(frame_->statusBar()->currentMessage().startsWith("fps=")) << frame_->statusBar()->currentMessage().toStdString();

    // Timed saves: enabled once the timer has a count; the button starts the series.
    QAction* timed = frame_->secondToolbar()->buttonFor(ZBasicfgView::kTimedSavesText);
    ASSERT_NE(timed, nullptr);
    EXPECT_FALSE(timed->isEnabled());
    svc.prompter.pushInt(3);
    svc.prompter.pushInt(2);
    view->cmdTimer();
    EXPECT_TRUE(timed->isEnabled());
    timed->trigger();
    EXPECT_TRUE(view->live()->seriesRunning());
    svc.timers.advance(4500);
    EXPECT_FALSE(view->live()->seriesRunning());
    const std::vector<std::string> saved = picturesIn(dir_ / "rec");
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved.front().rfind("capture-", 0), 0u) << "no base name, no subject: never a leading '-'";
    EXPECT_EQ(frame_->lastSavedText().toStdString(), (dir_ / "rec" / saved[2]).string())
        << "the status bar keeps the last picture saved";

    svc.timers.advance(600);
    frame_->closeLiveVideo();
    QApplication::processEvents();
    EXPECT_FALSE(frame_->statusBar()->currentMessage().startsWith("fps=")) << "the read-out left with its camera";
}

// With the monitor in front, Record records the Doppler signal; stop saves
// it, and "Open new file?" opens the recording in its review window. A
// chart a command makes without a type gets the chart window too.
TEST_F(FrameAcquireTest, RecordActsOnTheMonitorInFrontAndMadeChartsGetTheirWindows) {
    testsupport::writeRawSamples((dir_ / "raw.bin").string(), testsupport::toneBand(40000, 300, 3000, 4000, 1000));
    ASSERT_TRUE(start());
    frame_->show();
    QApplication::processEvents();
    ASSERT_EQ(app_->documents().size(), 1u);
    auto* monitor = dynamic_cast<Ctrv2Doc*>(app_->documents()[0].get());
    ASSERT_NE(monitor, nullptr);
    frame_->activateDocument(monitor);
    QAction* record = frame_->frameCommand(FrameCommands::kRecord);
    record->trigger();
    EXPECT_TRUE(monitor->recording());
    EXPECT_TRUE(record->isChecked());
    svc.timers.advance(500);
    const std::string file = (dir_ / "doppler.zv1").string();
    svc.prompter.pushSaveFile(file);
    svc.prompter.pushMessageAnswer(MsgResult::Yes);  // "Open new file?"
    frame_->frameCommand(FrameCommands::kStop)->trigger();
    EXPECT_FALSE(monitor->recording());
    EXPECT_FALSE(record->isChecked()) << "the Record button comes up";
    ASSERT_TRUE(fs::exists(file));
    ASSERT_EQ(app_->documents().size(), 2u);
    EXPECT_NE(dynamic_cast<CReviewDoc*>(app_->documents()[1].get()), nullptr);
    EXPECT_NE(qobject_cast<CReView*>(front()), nullptr) << "the review window, not a placeholder";

    // A chart a command made (widths against time) has no type of its own.
    auto made = std::make_unique<ZchartDoc>();
    made->setServices(&svc.services);
    ASSERT_TRUE(made->OnNewDocument());
    svc.services.openDocument(std::move(made));
    QWidget* w = front();
    EXPECT_TRUE(qobject_cast<ZchartView*>(w) || (w && w->findChild<ZchartView*>()));
}

TEST_F(FrameAcquireTest, PopupsManualAndResultTablesKeys) {
    fs::create_directories(dir_ / "help");
    fs::copy_file(std::string(ORDAVIA_PROGRAM_DIR) + "/help/index.html", dir_ / "help" / "index.html");
    ASSERT_TRUE(start());
    frame_->show();
    // A failed start of the recording leaves the Record button up.
    QAction* record = frame_->frameCommand(FrameCommands::kRecord);
    record->trigger();
    EXPECT_FALSE(record->isChecked());

    ASSERT_TRUE(app_->OpenNewDocument(app_->templates().findByClass("CResultDoc")));
    QApplication::processEvents();
    QAction* save = findViewCommand(front(), "&Save");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->shortcut(), QKeySequence(QKeySequence::Save));

    auto texts = [](QMenu* m) {
        QStringList t;
        for (QAction* a : m->actions()) t << a->text();
        return t.join("|").toStdString();
    };
    EXPECT_EQ(texts(frame_->viewPopup()).rfind("&Edit|&File|", 0), 0u) << texts(frame_->viewPopup());
    EXPECT_NE(texts(frame_->acquirePopup()).find(FrameCommands::kRecord), std::string::npos);
    for (QAction* a : frame_->acquirePopup()->actions())
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull()) << a->text().toStdString();

    // The manual opens in a window of ours and covers the acquisition side.
    menuCommand("User Manual")->trigger();
    auto* manual = qobject_cast<ManualWindow*>(frame_->manualWindow());
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isVisible());
    for (const char* section : {"Live video", "Recording", "The Doppler monitor", "The Examinations window",
                                "The examination report", "savingreceivers"})
        EXPECT_TRUE(manual->browser()->toPlainText().contains(section)) << section;
}
