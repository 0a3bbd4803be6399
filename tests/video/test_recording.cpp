// Recording the live picture into memory and straight to disc, the names
// a recording gets, and recordings that cannot start or be completed.
#include <gtest/gtest.h>

#include <regex>

#include "db/CSubjectDatabase.h"
#include "tests/support/MveBytes.h"
#include "tests/support/RecordingBench.h"
#include "tests/support/TinyDisc.h"

using namespace ordavia;
using testsupport::LiveBench;
using testsupport::RecordingBench;

TEST(Recording, MemoryRecordingStopsWhenFullAndBecomesAVideo) {
    RecordingBench b(5, 1, false, false);
    b.live->setCalibration({.xScale = 1.5, .yScale = 2.5, .calibrated = true});

    ASSERT_TRUE(b.rec->startRecording(b.live.get()).ok());
    EXPECT_TRUE(b.rec->recording());
    b.ts.timers.advance(40 * 30);
    // Every second frame until the store is full, then the recording ends itself.
    EXPECT_FALSE(b.rec->recording());
    EXPECT_EQ(b.beeps, 2);
    CZVMovie& mv = b.rec->movie();
    EXPECT_EQ(mv.mode(), StorageMode::Memory);
    ASSERT_EQ(mv.count(), 5);
    EXPECT_EQ(mv.frameTable()[0].field, 2);
    EXPECT_EQ(mv.frameTable()[1].field, 6);
    EXPECT_DOUBLE_EQ(b.rec->framesPerSecond(), 12.5);
    EXPECT_EQ(b.rec->calibration().xScale, 1.5);
    // Only a later save writes it (ReopensAtTheRateItWasTakenAt).
    EXPECT_TRUE(b.rec->movieFileName().empty());
}

TEST(Recording, DirectToDiscKeepsTheLastFramesAndNamesTheFileByTheClock) {
    for (bool compress : {false, true}) {
        RecordingBench b(4, 0, true, true);
        b.ts.profile.WriteInt("Dynamic settings", "compressoutput", compress);
        b.ts.profile.WriteString("Dynamic settings", "compresscodec", "ffv1");
        ASSERT_TRUE(b.rec->startRecording(b.live.get()).ok());
        const std::string name = b.rec->movieFileName();
        EXPECT_TRUE(std::regex_match(name, std::regex(".*/nailfold-20[0-9]{6}_[0-9]{6}\\." + std::string(compress ? "avi" : "mve"))))
            << name;
        b.ts.timers.advance(40 * 10);
        // A compressed file cannot wrap: it stops when full.
        EXPECT_EQ(b.rec->recording(), !compress);
        if (!compress) {
            ASSERT_TRUE(b.rec->toggleRecording(b.live.get()).ok());
        }
        const CZVMovie& mv = b.rec->movie();
        EXPECT_EQ(mv.mode(), compress ? StorageMode::AviFile : StorageMode::MovieFile);
        ASSERT_EQ(mv.count(), 4);
        // The loop kept the last four frames, oldest first.
        EXPECT_EQ(mv.frameTable()[size_t(mv.PhysicalIndex(0))].field, compress ? 2 : 14);
        const std::string dcs = name.substr(0, name.size() - 4) + ".dcs";
        EXPECT_EQ(b.rec->GetPathName(), dcs);
        // A second recording in the same second gets a file of its own.
        EXPECT_EQ(b.rec->directFileName(b.rec->startTime()), name.substr(0, name.size() - 4) + "_2" + name.substr(name.size() - 4));
        // Saving under its own name writes the .dcs and leaves the movie as it is.
        ASSERT_TRUE(b.rec->OnSaveDocument(dcs));
        EXPECT_TRUE(std::filesystem::exists(dcs));
    }
}

TEST(Recording, GoesIntoTheExaminationFolderWhenOneIsSelected) {
    RecordingBench b(4, 0, true, true);
    EXPECT_EQ(b.rec->recordingFolder(), b.folder.dir.string());
    CSubjectDatabase db;
    ASSERT_TRUE(db.openPath(b.folder / "orda.db"));
    b.ts.services.provide<CSubjectDatabase>(&db);
    db.setCurrentExam(42, "42-AB12");
    EXPECT_EQ(b.rec->recordingFolder(), b.folder / "42-AB12");
    b.ts.services.provide<CSubjectDatabase>(nullptr);
}

TEST(Recording, FailuresSaySoAndKeepWhatWasWritten) {
    {
        RecordingBench b(5, 0, false, true);
        // A folder that cannot take the file.
        b.ts.profile.WriteString("directories", "recorddir", "/proc/no/such/folder");
        EXPECT_FALSE(b.rec->startRecording(b.live.get()).ok());
        EXPECT_FALSE(b.rec->recording());
        ASSERT_EQ(b.ts.prompter.messages().size(), 1u);
        EXPECT_EQ(b.ts.prompter.messages()[0].rfind("failed to start recording!\n", 0), 0u) << b.ts.prompter.messages()[0];
        b.ts.timers.advance(400);
    }
    {
        // The live window goes mid-recording: the recording ends with what it has.
        RecordingBench b(50, 0, false, false);
        ASSERT_TRUE(b.rec->startRecording(b.live.get()).ok());
        b.ts.timers.advance(40 * 3);
        b.live->OnCloseDocument();
        b.live.reset();
        EXPECT_FALSE(b.rec->recording());
        EXPECT_EQ(b.rec->movie().count(), 3);
    }
    testsupport::TinyDisc disc(1024 * 1024);
    if (!disc.ok()) GTEST_SKIP() << "needs a tmpfs mount";
    RecordingBench b(300, 0, false, true);
    b.ts.profile.WriteString("directories", "recorddir", disc.path(""));
    ASSERT_TRUE(b.rec->startRecording(b.live.get()).ok());
    b.ts.timers.advance(40 * 20);
    EXPECT_FALSE(b.rec->recording());
    ASSERT_EQ(b.ts.prompter.messages().size(), 1u);
    EXPECT_NE(b.ts.prompter.messages()[0].find("No space left"), std::string::npos) << b.ts.prompter.messages()[0];
    // 768 x 512 grey frames: the disc takes two whole.
    CZVMovie back;
    ASSERT_TRUE(back.Open(b.rec->movieFileName()).ok());
    EXPECT_EQ(back.count(), 2);
    EXPECT_EQ(b.rec->movie().count(), 2);
}

// A Cytoscan recording opens without a camera: the header gives the size,
// the ".raw" beside it 16-bit frames (a pixel v shows as v / 4); the
// selection is remembered when the document closes.
TEST(Recording, CytoscanOpensAsAVideoAndRemembersItsSelection) {
    LiveBench b(64, 32, false);
    testsupport::writeBytes(b.folder / "op.hdr", {'W', 'I', 'D', 'T', 'H', '=', '4', '\n', 'H', 'E', 'I', 'G', 'H', 'T', ' ', '2', '\n'});
    std::vector<uint8_t> raw;
    for (int i = 0; i < 3 * 8; ++i) raw.insert(raw.end(), {uint8_t(i * 4), 1});  // 256 + 4i
    raw.push_back(7);  // half a pixel of a fourth frame: not a frame
    testsupport::writeBytes(b.folder / "op.raw", raw);
    auto doc = b.ts.make<ZVcytoDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    ASSERT_TRUE(doc->openCytoscan(b.folder / "op.hdr").ok());
    ASSERT_EQ(doc->frameCount(), 3);
    EXPECT_EQ(doc->movie().GoTo(2).row(1)[3], uint8_t((256 + 4 * 23) / 4));
    doc->setSelection(1, 3);
    doc->OnCloseDocument();
    EXPECT_EQ(b.ts.profile.GetInt("cyto settings", "first", -5), 1);
    EXPECT_EQ(b.ts.profile.GetInt("cyto settings", "last", -5), 3);
}

// A recording straight to disc writes the video document it names (the
// movie file keeps no rate), and reopens at its rate, 12.5 for every second
// frame of the 25 fps camera, as a document or as the movie alone; a
// document that links another movie does not speak for this one.
TEST(Recording, ReopensAtTheRateItWasTakenAt) {
    for (bool direct : {true, false}) {
        RecordingBench b(6, 1, false, direct);
        ASSERT_TRUE(b.rec->startRecording(b.live.get()).ok());
        b.ts.timers.advance(40 * 30);
        EXPECT_EQ(b.rec->IsModified(), !direct);
        std::string dcs = direct ? b.rec->GetPathName() : b.folder / "saved.dcs";
        if (!direct) {
            ASSERT_TRUE(b.rec->OnSaveDocument(dcs));
        }
        auto back = b.ts.make<CMotivaDoc>();
        ASSERT_TRUE(back->OnOpenDocument(dcs)) << dcs;
        EXPECT_EQ(back->frameCount(), 6);
        EXPECT_DOUBLE_EQ(back->framesPerSecond(), 12.5);
        EXPECT_EQ(back->movie().rate(), 12500);
        auto alone = b.ts.make<CMotivaDoc>();
        ASSERT_TRUE(alone->OnNewDocument() && alone->importMovie(b.rec->movieFileName()).ok());
        EXPECT_EQ(alone->playbackInterval(), 80);
        if (direct) continue;
        testsupport::writeBytes(b.folder / "other.mve", testsupport::mveCurrent(8, 4, 2, 2, 0));
        std::filesystem::copy_file(dcs, b.folder / "other.dcs");  // names saved.mve
        ASSERT_TRUE(alone->importMovie(b.folder / "other.mve").ok());
        EXPECT_DOUBLE_EQ(alone->framesPerSecond(), CMotivaDoc::kCaptureRate);
    }
}
