#pragma once
// A document under a private profile, a scripted prompter and the tool mode
// back at 0 for every test of the image view tools.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "chart/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/ScriptedPrompter.h"
#include "settings/StartupSettings.h"
#include "measure/ImageToolController.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"

class ViewToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ordavia-view-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ProfileStore::instance().SetPath((dir_ / "ordavia.ini").string());
        Prompter::setCurrent(&prompter);
        services.profileStore = &ProfileStore::instance();
        services.prompterPtr = &prompter;
        services.startupSettings = &settings;
        services.resultTables = &results;
        services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
        ImageToolController::setToolMode(ImageToolController::kSelect);
        ImageToolController::setTraceFunction(ImageToolController::defaultTraceFunction());
        doc = std::make_unique<ZBasicDoc>();
        doc->setServices(&services);
        doc->OnNewDocument();
        tools = std::make_unique<ImageToolController>(*doc);
    }
    void TearDown() override {
        tools.reset();
        doc.reset();
        Prompter::setCurrent(nullptr);
        ImageToolController::setToolMode(ImageToolController::kSelect);
        ImageToolController::setTraceFunction(ImageToolController::defaultTraceFunction());
        ProfileStore::instance().SetPath("");
        std::filesystem::remove_all(dir_);
    }

    // A grey image whose pixel (x, y) holds (x + 10 * y) & 0xFF.
    void giveImage(int w, int h) {
        doc->setImage(CZVimage(w, h, 0, CZVimage::kFrame, CZVimage::kGrey));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) doc->pictureForPreview().row(y)[x] = static_cast<uint8_t>((x + 10 * y) & 0xFF);
    }
    void click(ZPoint p, bool shift = false, bool ctrl = false) {
        tools->buttonDown(p, shift, ctrl);
        tools->buttonUp(p, shift, ctrl);
    }
    CDimList& list() { return doc->currentDimList(); }

    std::filesystem::path dir_;
    ScriptedPrompter prompter;
    StartupSettings settings;
    ResultTables results;
    ordavia::AppServices services;
    std::unique_ptr<ZBasicDoc> doc;
    std::unique_ptr<ImageToolController> tools;
};
