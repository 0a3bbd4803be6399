// The live view over the shipped nailfold picture: frames reach the screen,
// the status read-out, the device windows and their texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>

#include "live/ZBasicfgDoc.h"
#include "live/ui/DeviceWindows.h"
#include "live/ui/ZBasicfgView.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;

TEST(LiveView, ShowsTheRunningPictureWithItsReadOutAndDeviceWindows) {
    static int argc = 1;
    static char name[] = "test_live_ui";
    static char* argv[] = {name, nullptr};
    if (!qApp) new QApplication(argc, argv);
    testsupport::LiveBench bench(8, 8, false);
    bench.ts.services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
    bench.ts.profile.WriteInt("fgip", "flashrange", 4000);
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    QMainWindow main;
    auto* view = new ZBasicfgView(doc.get());
    doc->AddView(view);
    main.setCentralWidget(view);
    main.resize(900, 700);
    main.show();
    view->startLiveVideo();
    bench.ts.timers.advance(1000);
    // The moving block shows on screen: two frames apart the view differs.
    const QImage a = view->renderToImage();
    bench.ts.timers.advance(40);
    EXPECT_NE(a, view->renderToImage());
    EXPECT_EQ(a.width(), 768);
    EXPECT_EQ(a.height(), 512);
    // Frames per second since the start; the input range of the default
    // levels at gain factor 0.7.
    EXPECT_EQ(view->statusText(), "fps=25.0  ip=0.00:1.00V");
    EXPECT_EQ(main.statusBar()->currentMessage().toStdString(), view->statusText());

    QStringList texts;
    for (QMenu* m : view->documentMenus())
        for (QAction* act : m->actions()) texts << act->text();
    for (QAction* act : view->fileActions()) texts << act->text();
    for (const char* t : {"Start live video", "stop", "&Timer...", "&Frame skip", "&Select camera...",
                          "Set grab image si&ze", "&Video Input", "Show all &errors", "&Half resolution",
                          "&Video Input Control", "&Big Brightness slider", "&Adjust brightness/contrast",
                          "Auto flash control", "Auto focus control", "Set pixel clock", "&Save", "Save &As...",
                          "Calculate average of selection"})
        EXPECT_TRUE(texts.contains(t) || view->findAction(t)) << t;

    // The flash slider runs up to "flashrange" and shows range minus flash.
    view->toggleControlWindow(false);
    QSlider* flash = view->controlWindow()->flashSlider();
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->maximum(), 4000);
    EXPECT_EQ(flash->pageStep(), 400);
    EXPECT_EQ(flash->value(), 4000 - doc->source()->flash());
    flash->setValue(1000);
    EXPECT_EQ(doc->source()->flash(), 3000);

    view->showAutoFlash();
    view->autoFlashWindow()->refresh();
    EXPECT_EQ(view->autoFlashWindow()->readout().toStdString(), "brightness=0\nlastgood=0\nflash=3000");

    view->stopLiveVideo();
    EXPECT_FALSE(doc->isLive());
    EXPECT_EQ(bench.ts.profile.GetInt("fgdoc", "wright", 0) > 0, false);  // not inside a frame window
    doc->RemoveView(view);
    doc->OnCloseDocument();
}
