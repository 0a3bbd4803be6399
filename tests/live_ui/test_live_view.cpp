// The live view over the shipped nailfold picture: frames reach the screen,
// the status read-out and the device windows.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>

#include "live/SimulatedCamera.h"
#include "live/ZBasicfgDoc.h"
#include "live/ui/DeviceWindows.h"
#include "live/ui/ZBasicfgView.h"
#include "tests/support/LiveFixture.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

TEST(LiveView, ShowsTheRunningPictureWithItsReadOutAndDeviceWindows) {
    testsupport::ensureQtApp();
    testsupport::LiveBench bench(8, 8, false);
    bench.ts.services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
    bench.ts.profile.WriteInt("fgip", "flashrange", 4000);
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    QMainWindow main;
    auto* view = new ZBasicfgView(doc.get());
    doc->AddView(view);
    main.setCentralWidget(view);
    main.show();
    view->startLiveVideo();
    bench.ts.timers.advance(1000);
    // The moving block shows on screen: two frames apart the view differs.
    const QImage a = view->renderToImage();
    bench.ts.timers.advance(40);
    EXPECT_NE(a, view->renderToImage());
    // Frames per second since the start, in the main window's status bar.
    EXPECT_EQ(main.statusBar()->currentMessage().toStdString().rfind("fps=25.0", 0), 0u);

    // The flash slider runs up to "flashrange" and shows range minus flash.
    view->toggleControlWindow(false);
    QSlider* flash = view->controlWindow()->flashSlider();
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->maximum(), 4000);
    EXPECT_EQ(flash->value(), 4000 - doc->source()->flash());
    flash->setValue(1000);
    EXPECT_EQ(doc->source()->flash(), 3000);

    // "Set pixel clock": the grab check is switched on and the source runs on.
    bench.ts.prompter.pushText("20");
    view->cmdPixelClock();
    EXPECT_EQ(doc->source()->pixelClock(), 20);
    EXPECT_EQ(bench.ts.profile.GetInt("fgdoc", "dograbchk", 0), 1);
    EXPECT_TRUE(doc->isLive());

    // Frames that stop arriving: the grab check asks; Yes lowers the clock
    // to 90 % and restarts, Cancel switches the check off.
    struct Stalled : FrameProducer {
        CZVimage none;
        Status prepare(int) override { return Status::success(); }
        void advance(int32_t, bool) override {}
        const CZVimage& frame() const override { return none; }
        int intervalMs() const override { return 40; }
        std::string deviceName() const override { return "stalled"; }
    };
    bench.sources->registerKind(
        {"stalled", "", [](AppServices&, const std::string&) { return std::unique_ptr<FrameProducer>(new Stalled); }});
    ASSERT_TRUE(bench.sources->select("stalled", ""));
    doc->stopLive();
    ASSERT_TRUE(doc->startLive());
    bench.ts.timers.advance(40);
    bench.ts.prompter.pushMessageAnswer(MsgResult::Yes);
    view->grabCheck();
    EXPECT_EQ(bench.ts.prompter.messages().back(), SimulatedCamera::kNoFrames);
    EXPECT_EQ(doc->source()->pixelClock(), 18);
    bench.ts.timers.advance(40);
    bench.ts.prompter.pushMessageAnswer(MsgResult::Cancel);
    view->grabCheck();
    EXPECT_EQ(bench.ts.profile.GetInt("fgdoc", "dograbchk", 1), 0);

    // A source that cannot start again after a change says so, and the
    // picture stops instead of claiming to run.
    struct Broken : Stalled {
        Status prepare(int) override { return Status::failure(StatusCode::NotFound, "no picture"); }
    };
    bench.sources->registerKind(
        {"broken", "", [](AppServices&, const std::string&) { return std::unique_ptr<FrameProducer>(new Broken); }});
    ASSERT_TRUE(bench.sources->select("broken", ""));
    bench.ts.prompter.pushText("20");
    view->cmdPixelClock();
    EXPECT_EQ(bench.ts.prompter.messages().back(), ZBasicfgDoc::kNoDevice);
    EXPECT_FALSE(doc->isLive());
    EXPECT_EQ(doc->startLive().reason(), "no picture");

    view->stopLiveVideo();
    EXPECT_FALSE(doc->isLive());
    doc->RemoveView(view);
    doc->OnCloseDocument();
}

// "Sa&ve Image" where the picture cannot be written tells why, once, as an
// error: a timed save shows nothing itself, and a picture that failed was
// not told at all.
TEST(LiveView, SaveImageThatCannotBeWrittenIsShownOnce) {
    testsupport::ensureQtApp();
    testsupport::LiveBench bench(8, 8, false);
    ASSERT_TRUE(bench.ts.profile.WriteString("directories", "recorddir", bench.folder / "gone" + "/deeper"));
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    doc->setImage(testsupport::livePicture(8, 8, CZVimage::kGrey));
    ZBasicfgView view(doc.get());
    for (QAction* a : view.documentMenus().first()->actions())
        if (a->text() == "Sa&ve Image") a->trigger();
    ASSERT_FALSE(doc->lastStatus().ok());
    ASSERT_EQ(bench.ts.prompter.messages().size(), 1u);
    EXPECT_EQ(bench.ts.prompter.messages()[0], doc->lastStatus().reason());
    EXPECT_EQ(bench.ts.prompter.asked.back().icon, MsgIcon::Error);
    EXPECT_NE(doc->lastStatus().reason().find("gone"), std::string::npos) << doc->lastStatus().reason();
}
