#pragma once
// The surroundings of an image document in the measurement tests: a profile
// in a fresh folder of the test's own, a prompter of the test's kind, and
// the services that carry both. Documents made by a test take `services`;
// newDoc() makes one that lives until the test ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "results/ResultTables.h"
#include "framework/AppServices.h"
#include "framework/ScriptedPrompter.h"
#include "image/CZVimage.h"
#include "measure/ZBasicDoc.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

template <class PrompterKind = ordavia::ScriptedPrompter>
class ImageDocFixture : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.emplace("imagedoc");
        dir = scratch->dir;
        profile.SetPath((dir / "ordavia.ini").string());
        services.profileStore = &profile;
        services.prompterPtr = &prompter;
        services.startupSettings = &settings;
        services.provide<ordavia::ResultTables>(&results);
        services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
    }
    void TearDown() override {
        docs.clear();
        scratch.reset();
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    ProfileStore& store() { return profile; }

    // A document on the test's services, holding `img` unless it is empty.
    ZBasicDoc& newDoc(CZVimage img = {}) {
        docs.push_back(std::make_unique<ZBasicDoc>());
        docs.back()->setServices(&services);
        if (!img.isEmpty()) docs.back()->setImage(std::move(img));
        return *docs.back();
    }

    static CZVimage grey(int w, int h, uint8_t value) {
        CZVimage img(w, h, 0, CZVimage::kFrame, CZVimage::kGrey);
        for (int y = 0; y < img.rows(); ++y) std::memset(img.row(y), value, static_cast<size_t>(img.width()));
        return img;
    }

    std::optional<testsupport::ScratchDir> scratch;
    std::filesystem::path dir;
    ProfileStore profile;
    PrompterKind prompter;
    ordavia::StartupSettings settings;
    ordavia::ResultTables results;
    ordavia::AppServices services;
    std::vector<std::unique_ptr<ZBasicDoc>> docs;
};
