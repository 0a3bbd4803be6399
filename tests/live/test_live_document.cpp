// The live video document: captures for recorders, the capture record,
// binning, saves by hand, timed series and marker images.
#include <gtest/gtest.h>

#include <filesystem>

#include "live/ZBasicfgDoc.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;
using testsupport::LiveBench;

namespace {

struct Recorder : LiveFrameReceiver {
    std::vector<int32_t> numbers;
    int width = 0, height = 0;
    int firstPixel = -1;
    void liveFrame(const CZVimage& f, int32_t n) override {
        numbers.push_back(n);
        width = f.width();
        height = f.rows();
        firstPixel = f.row(0)[0];
    }
};

std::string notesOf(testsupport::LiveBench& bench, const std::string& path) {
    ZBasicDoc doc;
    bench.ts.adopt(doc);
    const ordavia::Status read = doc.readFile(path);
    EXPECT_TRUE(read.ok()) << path << ": " << read.reason();
    return doc.notes();
}

}  // namespace

TEST(LiveDocument, FreezeAndSaveWritesTheNumberedSeriesThenStops) {
    LiveBench bench;
    const std::string rec = bench.folder / "rec";
    std::filesystem::create_directories(rec);
    bench.ts.profile.WriteString("directories", "recorddir", rec);
    bench.ts.profile.WriteString("directories", "basename", "nf");
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    int beeps = 0;
    std::vector<std::string> saved;
    doc->onBeep = [&] { ++beeps; };
    doc->onSaved = [&](const std::string& p) { saved.push_back(p); };
    doc->setTimer(3, 2);
    bench.ts.timers.advance(100);
    doc->freezeAndSave();
    const std::string base = doc->timedBase();
    ASSERT_EQ(base.size(), std::string("nf-YYMMDDhhmmss").size());
    EXPECT_EQ(saved, (std::vector<std::string>{rec + "/" + base + "_000.cs1"}));
    EXPECT_TRUE(doc->seriesRunning());
    EXPECT_TRUE(doc->isLive());
    bench.ts.timers.advance(1999);
    EXPECT_EQ(saved.size(), 1u);
    bench.ts.timers.advance(1);
    EXPECT_EQ(saved.size(), 2u);
    bench.ts.timers.advance(10000);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[2], rec + "/" + base + "_002.cs1");
    EXPECT_FALSE(doc->seriesRunning());
    EXPECT_EQ(beeps, 3);
    for (const std::string& p : saved) {
        const std::string n = notesOf(bench, p);
        // Each file carries its own capture record only.
        EXPECT_EQ(n.find("Captured "), 0u) << n;
        EXPECT_EQ(n.find("Captured ", 1), std::string::npos);
    }
    EXPECT_TRUE(bench.ts.prompter.asked.empty());

    // Without a count only the first picture; a name saves one marker image
    // under that name.
    doc->setTimer(0, 2);
    saved.clear();
    doc->freezeAndSave();
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_FALSE(doc->seriesRunning());
    doc->freezeAndSave(bench.folder / "marker1");
    EXPECT_EQ(saved.back(), bench.folder / "marker1.cs1");
    doc->OnCloseDocument();
}

TEST(LiveDocument, CapturesEverySkipPlusOneFramesSavesByHandAndBinningScalesOnce) {
    LiveBench bench;
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    // A region of interest past the picture is cut at its edge.
    doc->setMarks({.roi = {100, 50, 900, 150}, .roi2 = {}});
    Recorder rec;
    ASSERT_TRUE(doc->startCapture(&rec, 1, doc->captureRegion()));
    bench.ts.timers.advance(40 * 5);
    EXPECT_EQ(rec.numbers, (std::vector<int32_t>{2, 6, 10}));
    EXPECT_EQ(rec.width, 668);
    EXPECT_EQ(rec.height, 100);
    EXPECT_EQ(rec.firstPixel, testsupport::livePicture(768, 576, 0).row(50)[100]);
    doc->stopCapture(&rec);
    bench.ts.timers.advance(400);
    EXPECT_EQ(rec.numbers.size(), 3u);
    EXPECT_TRUE(doc->isLive());

    // Saves by hand each keep their own capture record.
    bench.ts.timers.advance(200);
    bench.ts.profile.WriteString("directories", "recorddir", bench.folder / "rec");
    const std::string a = bench.folder / "a.cs1", b = bench.folder / "b.cs1";
    bench.ts.prompter.pushSaveFile(a);
    bench.ts.prompter.pushMessageAnswer(MsgResult::No);
    ASSERT_TRUE(doc->OnFileSaveAs());
    // Without an examination the recording folder is proposed.
    EXPECT_EQ(bench.ts.prompter.lastProposedName.rfind(bench.folder / "rec/Live_Video_Input", 0), 0u)
        << bench.ts.prompter.lastProposedName;
    EXPECT_EQ(doc->savedPath(), a);
    // A save by hand leaves the saved picture on the screen.
    EXPECT_FALSE(doc->isLive());
    EXPECT_TRUE(doc->notes().empty());
    ASSERT_TRUE(doc->startLive());
    bench.ts.timers.advance(200);
    // "&Save" never writes over the last capture: a fresh name is asked for.
    bench.ts.prompter.pushSaveFile(b);
    bench.ts.prompter.pushMessageAnswer(MsgResult::No);
    ASSERT_TRUE(doc->OnFileSave());
    EXPECT_EQ(bench.ts.prompter.lastProposedName, bench.folder / "a-1.cs1");
    for (const std::string& p : {a, b}) {
        const std::string n = notesOf(bench, p);
        EXPECT_EQ(n.find("Captured "), 0u);
        EXPECT_EQ(n.find("flash="), n.rfind("flash=")) << n;
    }

    ASSERT_TRUE(doc->setCalibration({.xScale = 1.5, .yScale = 1.5, .calibrated = true}));
    doc->setBinning(true);
    doc->setBinning(true);
    EXPECT_DOUBLE_EQ(doc->calibration().xScale, 3.0);
    // The pixels are twice as large too: half the picture each way.
    ASSERT_TRUE(doc->startLive());
    bench.ts.timers.advance(40);
    EXPECT_EQ(doc->image().width(), 384);
    const CZVimage full = testsupport::livePicture(768, 576, 0);
    EXPECT_EQ(doc->image().row(100)[100], (full.row(200)[200] + full.row(200)[201] + full.row(201)[200] +
                                           full.row(201)[201] + 2) / 4);
    doc->setBinning(false);
    EXPECT_DOUBLE_EQ(doc->calibration().yScale, 1.5);
    EXPECT_NE(doc->notes().find("binning on\r\nbinning off\r\n"), std::string::npos);

    // Colour devices add their balance, the table its index.
    doc->source()->settings().colourMode = 1;
    doc->source()->settings().lutEnabled = true;
    doc->source()->settings().lutIndex = 3;
    doc->autoFlash = true;
    EXPECT_EQ(doc->captureBlock(),
              "\r\nflash=2500\r\nbright=500\r\ncont=1000\r\nexp=20000\r\ngain=2\r\nfps=25.00\r\nauto flash\r\n"
              "red=100\r\ngreen=91\r\nblue=70\r\nLUT=3\r\n");
    doc->OnCloseDocument();
}
