#pragma once
// A live document and a recording document on the simulated camera, with
// the sequence settings given to the recorder through the profile; both
// documents are closed when the bench goes.
#include <memory>

#include "live/ZBasicfgDoc.h"
#include "tests/support/LiveFixture.h"
#include "video/CMotivaRecDoc.h"

namespace testsupport {

struct RecordingBench : LiveBench {
    std::unique_ptr<ZBasicfgDoc> live;
    std::unique_ptr<ZVcytoDoc> rec;
    int beeps = 0;

    RecordingBench(int frames, int skip, bool loop, bool direct) {
        ProfileStore& p = ts.profile;
        p.WriteInt("Dynamic settings", "no of frames", frames);
        p.WriteInt("Dynamic settings", "skip frames", skip);
        p.WriteInt("Dynamic settings", "loop", loop);
        p.WriteInt("Dynamic settings", "direct2disc", direct);
        p.WriteString("directories", "recorddir", folder.dir.string());
        p.WriteString("directories", "basename", "nailfold");
        live = ts.make<ZBasicfgDoc>();
        EXPECT_TRUE(live->OnNewDocument());
        rec = ts.make<ZVcytoDoc>();
        EXPECT_TRUE(rec->OnNewDocument());
        rec->onBeep = [this] { ++beeps; };
    }
    ~RecordingBench() {
        rec->OnCloseDocument();
        if (live) live->OnCloseDocument();
    }
};

}  // namespace testsupport
