// The ".dcs" layout byte by byte in every version, the movie link and its
// fallback beside the document, saving and imports.
#include <gtest/gtest.h>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/MveBytes.h"
#include "tests/support/ShownFailure.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"

using namespace ordavia;

using namespace testsupport;

namespace {

struct DocFixture : ordavia::test::TestServices {
    ScratchDir dir{"dcs"};
    DocFixture() { profile.SetPath(dir / "ordavia.ini"); }
    std::unique_ptr<CMotivaDoc> doc() { return make<CMotivaDoc>(); }
};

// The image-document part a video document writes before its own fields.
std::vector<uint8_t> basePart(const CMotivaDoc& d) {
    ZBasicDoc plain;
    plain.setCalibration(d.calibration());
    plain.setNotes(d.notes());
    Archive ar;
    plain.Serialize(ar);
    return ar.bytes();
}

// A whole ".dcs" with the given video fields in layout version v.
std::vector<uint8_t> dcsFile(const CMotivaDoc& d, const DcsVideoTail& t, int v) {
    std::vector<uint8_t> file = basePart(d);
    const auto tail = t.bytes(v);
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

}  // namespace

TEST(VideoDocument, LayoutSixByteByByteAndEveryOlderVersionReads) {
    DocFixture f;
    writeBytes(f.dir / "clip.mve", mveCurrent(8, 4, 3, 3, 0));
    auto d = f.doc();
    ASSERT_TRUE(d->importMovie(f.dir / "clip.mve"));
    d->movie().SetOffsets(3, -2, 1, 2);
    // A damaged rate of a few frames a year must not overflow the timer interval.
    d->setFramesPerSecond(1e-300);
    EXPECT_EQ(d->playbackInterval(), 60000);
    d->setFramesPerSecond(12.5);
    f.profile.WriteInt("Dynamic settings", "direct2disc", 1);
    f.profile.WriteString("directories", "tempdir", "T");
    Archive ar;
    d->Serialize(ar);
    const std::vector<uint8_t> base = basePart(*d);
    ASSERT_GE(ar.bytes().size(), base.size());
    EXPECT_TRUE(std::equal(base.begin(), base.end(), ar.bytes().begin()));
    DcsVideoTail t;
    t.frames = 3;
    t.flag = 0;
    t.movie = f.dir / "clip.mve";
    t.fieldsPerSecond = 2;
    t.table = {{0, 0, 0, 0}, {2, 0, 3, -2}, {-1, -1, -1, -1}};  // frame 2 never read: unknown
    t.fps = 12.5;
    const std::vector<uint8_t> tail(ar.bytes().begin() + std::ptrdiff_t(base.size()), ar.bytes().end());
    EXPECT_EQ(tail, t.bytes(6, 1, "T"));

    // Older layouts: the missing fields take their defaults.
    DcsVideoTail old;
    old.table = {{10, 0, 5, 6}};
    old.spot = {1.5, 2.5};
    old.results = "r.rst";
    for (int v = 1; v <= 6; ++v) {
        auto r = f.doc();
        r->setQuiet(true);
        Archive in(dcsFile(*d, old, v));
        r->Serialize(in);
        EXPECT_EQ(r->videoVersion(), v);
        EXPECT_EQ(r->numberOfFrames(), 12);
        EXPECT_EQ(r->flag(), 7);
        EXPECT_EQ(r->movieFileName(), "D:\\data\\clip.mve");
        EXPECT_DOUBLE_EQ(r->framesPerSecond(), 25.0) << v;
        EXPECT_EQ(r->resultsFileName(), v > 2 ? "r.rst" : "");
        EXPECT_EQ(r->flyingSpot().size(), v > 4 ? 2u : 0u);
        EXPECT_EQ(r->pairs().size(), 1u);
    }
    old.fieldsPerSecond = 59;
    for (int v : {2, 5}) {
        auto r = f.doc();
        Archive in(dcsFile(*d, old, v));
        r->Serialize(in);
        EXPECT_DOUBLE_EQ(r->framesPerSecond(), 29.97002997002997);
    }
    // A damaged frame table is a format error, not a huge allocation.
    old.table.clear();
    std::vector<uint8_t> bad = dcsFile(*d, old, 4);
    const size_t at = base.size() + 4 * 4 + 1 + old.movie.size() + 4 + 1 + 4 + 1 + old.results.size();
    bad[at] = 0xFF, bad[at + 1] = 0xFF, bad[at + 2] = 0xFF, bad[at + 3] = 0x0F;
    auto r = f.doc();
    Archive in(bad);
    EXPECT_THROW(r->Serialize(in), ArchiveError);
}

TEST(VideoDocument, SavingAndLinkingTheMovie) {
    DocFixture f;
    // A recording in memory saved as a new document writes B.mve and B.dcs.
    auto d = f.doc();
    ASSERT_TRUE(d->OnNewDocument());
    memoryMovie(d->movie(), 4, 8, 4, [](int k, int x, int y) { return testFrame(k, 8, 4)[size_t(y * 8 + x)]; });
    d->setSelection(-1, -1);
    ASSERT_TRUE(d->OnSaveDocument(f.dir / "B.dcs"));
    EXPECT_EQ(d->movieFileName(), f.dir / "B.mve");
    EXPECT_EQ(readBytes(f.dir / "B.mve").size(), 40u + 4 * 32 + 8);

    // The stored path is a Windows one: the file beside the document is used.
    {
        auto o = f.doc();
        DcsVideoTail t;
        t.movie = "E:\\other\\B.mve";
        writeBytes(f.dir / "link.dcs", dcsFile(*o, t, 6));
        ASSERT_TRUE(o->OnOpenDocument(f.dir / "link.dcs"));
        EXPECT_EQ(o->movieFileName(), f.dir / "B.mve");
        EXPECT_EQ(o->frameCount(), 4);
        EXPECT_TRUE(f.prompter.messages().empty());
    }
    // Missing everywhere: the user is told and may pick the file.
    {
        auto o = f.doc();
        DcsVideoTail t;
        t.movie = "E:\\other\\gone.mve";
        writeBytes(f.dir / "gone.dcs", dcsFile(*o, t, 6));
        f.prompter.pushFiles({f.dir / "B.mve"});
        ASSERT_TRUE(o->OnOpenDocument(f.dir / "gone.dcs"));
        ASSERT_EQ(f.prompter.messages().size(), 1u);
        EXPECT_EQ(f.prompter.messages()[0], "Cannot find image file E:\\other\\gone.mve.\nPlease specify new location.");
        EXPECT_EQ(o->frameCount(), 4);
    }
    // Save As with the whole video asks about the link; with a selection it does not.
    f.prompter.pushMessageAnswer(MsgResult::No);
    f.prompter.pushSaveFile(f.dir / "C.dcs");
    ASSERT_TRUE(d->OnFileSaveAs());
    EXPECT_EQ(f.prompter.asked.back().kind, "save");
    EXPECT_EQ(d->movieFileName(), f.dir / "C.mve");
    EXPECT_TRUE(fileExists(f.dir / "B.mve"));
    d->setSelection(1, 3);
    const size_t before = f.prompter.messages().size();
    f.prompter.pushSaveFile(f.dir / "D.dcs");
    ASSERT_TRUE(d->OnFileSaveAs());
    EXPECT_EQ(f.prompter.messages().size(), before);
}

TEST(VideoDocument, ResultsTableIsSavedBesideAndOpenedWithIt) {
    DocFixture f;
    auto d = f.doc();
    ASSERT_TRUE(d->OnNewDocument());
    memoryMovie(d->movie(), 2, 8, 4, [](int, int, int) { return 0; });
    CResultDoc table;
    static const ResultColumn cols[] = {{"file", 20, 20, 0}, {"id", 8, 8, 0}, {"cbv", 8, 8, 2}};
    table.setColumns(3, cols);
    ASSERT_TRUE(table.addRow({"B", "1", {0.75}}));
    d->setResults(&table);
    ASSERT_TRUE(d->OnSaveDocument(f.dir / "B.dcs"));
    EXPECT_EQ(d->resultsFileName(), f.dir / "B.rst");
    ASSERT_TRUE(fileExists(f.dir / "B.rst"));

    // Reopened from another folder: the table is found beside the document
    // and handed to the application with it.
    std::filesystem::create_directories(f.dir.dir / "moved");
    for (const char* n : {"B.dcs", "B.mve", "B.rst"}) std::filesystem::rename(f.dir / n, f.dir / (std::string("moved/") + n));
    auto o = f.doc();
    ASSERT_TRUE(o->OnOpenDocument(f.dir / "moved/B.dcs"));
    ASSERT_NE(o->results(), nullptr);
    EXPECT_EQ(o->results()->rowTotal(), 1u);
    EXPECT_EQ(o->results()->cell(0, 2), table.cell(0, 2));
    // A table that closes is let go of.
    o->results()->OnCloseDocument();
    EXPECT_EQ(o->results(), nullptr);
}

// A document whose movie is there but cut short says the movie is damaged,
// not that it cannot be found, and does not open as an empty document.
TEST(VideoDocument, TruncatedMovieIsDamagedNotMissing) {
    DocFixture f;
    auto d = f.doc();
    ASSERT_TRUE(d->OnNewDocument());
    ASSERT_TRUE(d->importMovie(f.dir / "none.mve").code() == StatusCode::NotFound);
    writeBytes(f.dir / "C.mve", mveCurrent(8, 4, 6, 6, 0));
    ASSERT_TRUE(d->importMovie(f.dir / "C.mve"));
    ASSERT_TRUE(d->OnSaveDocument(f.dir / "C.dcs"));
    auto bytes = readBytes(f.dir / "C.mve");
    bytes.resize(bytes.size() - 50);
    writeBytes(f.dir / "C.mve", bytes);
    auto again = f.doc();
    EXPECT_FALSE(shown(f.prompter, again->OnOpenDocument(f.dir / "C.dcs")));
    const auto said = f.prompter.messages();
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said.back().find("damaged"), std::string::npos) << said.back();
    for (const auto& m : said) EXPECT_EQ(m.find("find"), std::string::npos) << m;
}
