#pragma once
// A video document on a hand-made movie, with test services and a manually
// stepped timer, for the video views on the offscreen platform; documents
// the commands open are kept in `opened`.
#include "framework/Timer.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/MveBytes.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"

namespace testsupport {

struct VideoUiFixture : ordavia::test::TestServices {
    ScratchDir dir;
    CMotivaDoc doc;
    std::vector<std::unique_ptr<ordavia::Document>> opened;

    VideoUiFixture(const std::string& tag, int w, int h, int frames) : dir(tag) {
        ensureQtApp();
        profile.SetPath(dir / "ordavia.ini");
        writeBytes(dir / "clip.mve", mveCurrent(w, h, frames, frames, 0));
        adopt(doc);
        services.opener = [this](std::unique_ptr<ordavia::Document> d) {
            opened.push_back(std::move(d));
            return opened.back().get();
        };
        ok = doc.importMovie(dir / "clip.mve").ok();
    }
    bool ok = false;
};

}  // namespace testsupport
