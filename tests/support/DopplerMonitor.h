#pragma once
// A Doppler monitor over the simulated board playing a band of tones up to
// `edgeHz` from a raw.bin of its own, stepped by the test's timers.
#include "doppler/Ctrv2Doc.h"
#include "doppler/Trv2Board.h"
#include "support/RawSamples.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

namespace ordavia::test {

struct DopplerMonitor {
    testsupport::ScratchDir dir{"trv2monitor"};
    TestServices ts;
    Trv2Board board;
    Ctrv2Doc doc;
    explicit DopplerMonitor(double edgeHz = 3000.0) {
        testsupport::writeRawSamples(dir / "raw.bin", testsupport::toneBand(40000, 300, edgeHz, 40000, 1000));
        board.setProgramFolder(dir.dir.string());
        board.setClock([this] { return ts.timers.now() / 1000.0; });
        board.initialise(1);
        ts.services.provide<Trv2Board>(&board);
        ts.adopt(doc);
        doc.OnNewDocument();
    }
};

}  // namespace ordavia::test
