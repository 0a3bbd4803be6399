#pragma once
// The workstation as the window tests drive it: the application and its
// main window (with the picture windows registered), closed and exited after
// each test, and small pictures to open.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "app/CBasicApp.h"
#include "app/ui/MainFrame.h"
#include "image/CZVimage.h"
#include "measure/ui/MeasureViews.h"
#include "settings/DebugLog.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"

class FrameFixture : public TempFolderTest {
protected:
    static void SetUpTestSuite() {
        testsupport::ensureQtApp();
        ordavia::registerMeasureViews();
    }
    void TearDown() override {
        if (frame_) {
            frame_->close();
            app_->ExitInstance();
        }
        frame_.reset();
        app_.reset();
        ordavia::DebugLog::setEnabled(false);
        TempFolderTest::TearDown();
    }
    // Makes the application and its main window; false when start-up failed.
    bool start() {
        app_ = std::make_unique<CBasicApp>(svc.services, (dir_ / "ordavia").string());
        frame_ = std::make_unique<ordavia::MainFrame>(*app_);
        return app_->InitInstance(frame_.get(), "");
    }
    // The main window's command of that text, from any of its menus.
    QAction* menuCommand(const QString& text) {
        for (QAction* a : frame_->findChildren<QAction*>())
            if (a->text() == text) return a;
        return nullptr;
    }
    // A grey picture saved in the test folder.
    std::string picture(const std::string& name, int w = 64, int h = 48) {
        const std::string p = (dir_ / name).string();
        EXPECT_TRUE(CZVimage(w, h, 0, CZVimage::kFrame, CZVimage::kGrey).Save(p));
        return p;
    }

    ordavia::test::TestServices svc;
    std::unique_ptr<CBasicApp> app_;
    std::unique_ptr<ordavia::MainFrame> frame_;
};
