// The frame's toolbars, record bar, status window, acquisition menu, expert
// mode, placement and first-start welcome.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "app/FrameCommands.h"
#include "app/ui/FrameIcons.h"
#include "app/ui/FrameWindows.h"
#include "app/ui/MainToolbar.h"
#include "app/ui/WelcomeDialog.h"
#include "db/CSubjectDatabase.h"
#include "settings/ProfileStore.h"
#include "tests/app_ui/FrameFixture.h"

using namespace ordavia;

namespace {

class FrameUiTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_TRUE(start());
    }
    // Share of pixels an icon paints at a pixel ratio.
    static double inked(const QIcon& icon, double ratio) {
        const QImage img = icon.pixmap(QSize(24, 24), ratio).toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += qAlpha(img.pixel(x, y)) > 0;
        return img.isNull() ? 0.0 : double(n) / (img.width() * img.height());
    }
};

}  // namespace

TEST_F(FrameUiTest, ToolbarsAndIconsAreCompleteAndSharpAtEveryScale) {
    MainFrame& f = *frame_;
    f.show();
    EXPECT_TRUE(f.recordBar()->isVisible());
    // Every icon of the set draws something, at 100 % and 200 %, and the
    // larger one is really drawn larger (not a scaled bitmap).
    const QStringList names = frameIconNames();
    EXPECT_GE(names.size(), 50);
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const QIcon icon = frameIcon(n.toUtf8().constData());
        EXPECT_GT(inked(icon, 1.0), 0.02);
        EXPECT_EQ(icon.pixmap(QSize(24, 24), 2.0).width(), 48);
    }
    for (RoutedToolbar* bar : {static_cast<RoutedToolbar*>(f.mainToolbar()), static_cast<RoutedToolbar*>(f.secondToolbar())})
        for (QAction* a : bar->actions())
            EXPECT_TRUE(a->isSeparator() || !a->icon().isNull()) << a->text().toStdString();

    // The measuring and image groups hide behind their buttons.
    SecondToolbar* second = f.secondToolbar();
    QAction* measure = second->groupToggle(RoutedToolbar::kMeasurement);
    ASSERT_TRUE(measure);
    measure->trigger();
    EXPECT_FALSE(second->buttonFor("Dimension &Lines")->isVisible());
    EXPECT_TRUE(second->buttonFor("E&qualise")->isVisible());
    measure->trigger();
    EXPECT_TRUE(second->buttonFor("Dimension &Lines")->isVisible());
}

TEST_F(FrameUiTest, AcquisitionCommandsExpertModeAndTheStatusWindow) {
    MainFrame& f = *frame_;
    f.show();
    // No live video window: the save says so instead of doing nothing.
    f.frameCommand(FrameCommands::kSaveImage)->trigger();
    EXPECT_EQ(f.statusBar()->currentMessage().toStdString(), "There is no live video window to save a picture from.");

    // Expert mode shows the bars; leaving it hides them and asks for the subject.
    CSubjectDatabase db;
    ASSERT_TRUE(db.openPath((dir_ / "orda.db").string()));
    svc.services.provide<CSubjectDatabase>(&db);
    menuCommand("Expert Mode")->trigger();
    EXPECT_TRUE(f.expertMode());
    EXPECT_TRUE(f.secondToolbar()->isVisible());
    QString asked;
    QTimer::singleShot(50, [&asked] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            asked = w->windowTitle();
            w->close();
        }
    });
    menuCommand("Expert Mode")->trigger();
    EXPECT_FALSE(f.mainToolbar()->isVisible());
    EXPECT_FALSE(f.secondToolbar()->isVisible());
    EXPECT_FALSE(f.recordBar()->isVisible());
    for (int i = 0; i < 20 && asked.isEmpty(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(asked.toStdString(), "Select Subject");
    svc.services.provide<CSubjectDatabase>(nullptr);

    menuCommand("&Status")->trigger();
    EXPECT_TRUE(f.statusWindow()->isVisible());
    EXPECT_EQ(f.statusLines().join(" | ").toStdString(),
              "No subject | Camera: no live video window | Recorder: idle | Doppler: no interface board");

    // Placement: the frame, the status window and whether a monitor was open.
    f.statusWindow()->move(321, 123);
    f.close();
    const ProfileStore& p = svc.profile;
    EXPECT_EQ(p.GetInt("MainWindow", "statleft", 0), 321);
    EXPECT_EQ(p.GetInt("MainWindow", "stattop", 0), 123);
    EXPECT_EQ(p.GetInt("MainWindow", "TRV2", 7), 0);
    EXPECT_EQ(p.GetInt("MainWindow", "w", 0), f.width());
}

TEST_F(FrameUiTest, AMinimisedFrameKeepsItsPlacementAndTheWelcomeComesOnce) {
    MainFrame& f = *frame_;
    svc.profile.WriteInt("MainWindow", "w", 777);
    f.show();
    f.setWindowState(Qt::WindowMinimized);
    f.close();
    EXPECT_EQ(svc.profile.GetInt("MainWindow", "w", 0), 777);

    // The welcome's first choice opens a picture; it does not come back.
    const std::string bmp = picture("first.bmp", 32, 32);
    svc.prompter.pushFiles({bmp});
    int asked = 0;
    bool offeredSubjects = true;
    auto ask = [&](bool hasDatabase) {
        ++asked;
        offeredSubjects = hasDatabase;
        return int(WelcomeDialog::kOpenPicture);
    };
    f.welcome(ask);
    f.welcome(ask);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(offeredSubjects) << "no data folder: no subjects to choose";
    ASSERT_EQ(app_->documents().size(), 1u);
    EXPECT_EQ(app_->documents()[0]->GetTitle(), "first.bmp");
}
