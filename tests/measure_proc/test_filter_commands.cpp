// The filter commands of the image document: what they ask, what they
// store, the history they write and that undo brings the picture back.
#include <algorithm>

#include "ProcTestSupport.h"
#include "image/CustomKernel.h"
#include "image/ImageFilters.h"
#include "measure/CDimCircle.h"
#include "measure/ImageProcessing.h"

using namespace ordavia;

TEST_F(ProcTest, EqualiseWorksOnTheRegionWritesItsTextAndUndoes) {
    ZBasicDoc& doc = newDoc(grey(20, 10, 0));
    doc.pictureForPreview().row(9)[19] = 255;  // the whole picture already spans 0..255
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 12; ++x) doc.pictureForPreview().row(y)[x] = 100;
    doc.pictureForPreview().row(2)[2] = 50;
    doc.pictureForPreview().row(2)[3] = 150;
    doc.setRegion({2, 2, 12, 8});
    const CZVimage before = copyOf(doc.image());

    ASSERT_TRUE(ImageProcessing::equalise(doc));
    EXPECT_EQ(doc.image().row(2)[2], 0);
    EXPECT_EQ(doc.image().row(2)[3], 255);
    EXPECT_EQ(doc.image().row(5)[5], 127);  // (100 - 50) x 2.55 truncated
    EXPECT_EQ(doc.image().row(1)[5], 0);    // outside the region
    EXPECT_EQ(doc.notes(), "Equalise ROI (2,2)-(12,8).\r\n");
    EXPECT_TRUE(doc.imageModified());
    EXPECT_TRUE(doc.IsModified());

    doc.undo();
    EXPECT_TRUE(samePixels(doc.image(), before));
    EXPECT_EQ(doc.notes(), "Equalise ROI (2,2)-(12,8).\r\nundo\r\n");

    // Without a region the whole picture; here it already spans 0..255, so
    // nothing changes and nothing is written.
    doc.setRegion({});
    doc.setNotes("");
    EXPECT_FALSE(ImageProcessing::equalise(doc));
    EXPECT_EQ(doc.notes(), "");
}

TEST_F(ProcTest, LowPassAsksForTheWindowStoresItAndNamesItTwice) {
    ZBasicDoc& doc = newDoc(grey(12, 12, 0));
    doc.pictureForPreview().row(0)[0] = 90;
    prompter.pushInt(4);
    ASSERT_TRUE(ImageProcessing::lowPass(doc));
    EXPECT_EQ(store().GetInt("WINDOWSZ", "w", 0), 4);
    EXPECT_EQ(doc.notes(), "Low pass (4x4)\r\n");
    // Size 4 is a 5 x 5 window; at the corner it covers 9 pixels.
    EXPECT_EQ(doc.image().row(0)[0], 10);
    EXPECT_EQ(doc.image().row(2)[2], 90 / 25);

    // The stored size is proposed next time (unanswered, the scripted
    // prompter takes what it is offered).
    ASSERT_TRUE(ImageProcessing::highPass(doc));
    EXPECT_EQ(doc.notes(), "Low pass (4x4)\r\nHigh pass (4x4)\r\n");
}

TEST_F(ProcTest, BoxFiltersRefuseAWindowAsLargeAsTheRegion) {
    ZBasicDoc& doc = newDoc(grey(30, 30, 77));
    doc.setRegion({0, 0, 10, 20});
    doc.SetModifiedFlag(false);
    prompter.pushInt(10);
    EXPECT_FALSE(ImageProcessing::highPass(doc));
    EXPECT_EQ(doc.notes(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.canUndo());

    prompter.pushInt(9);
    ASSERT_TRUE(ImageProcessing::highPass(doc));
    EXPECT_EQ(doc.notes(), "High pass (9x9) ROI (0,0)-(10,20).\r\n");
    EXPECT_EQ(doc.image().row(5)[5], 128);  // a flat area
    EXPECT_EQ(doc.image().row(5)[15], 77);  // outside the region
}

TEST_F(ProcTest, QuietDocumentsUseTheStoredValuesWithoutAsking) {
    ZBasicDoc& doc = newDoc();
    doc.setQuiet(true);
    doc.setImage(grey(40, 40, 60));
    store().WriteInt("WINDOWSZ", "w", 7);
    store().WriteString("blur", "sigma", "1.5");
    store().WriteInt("settings", "simpleimagethreshold", 30);
    ASSERT_TRUE(ImageProcessing::lowPass(doc));
    ASSERT_TRUE(ImageProcessing::blur(doc));
    ASSERT_TRUE(ImageProcessing::simpleThreshold(doc));
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(doc.notes(), "Low pass (7x7)\r\nblur sigma 1.5\r\nsimple threshold\r\n");
    EXPECT_EQ(doc.image().row(20)[20], 255);
}

TEST_F(ProcTest, BlurAsksForSigmaAsTextAndKeepsTheTextEntered) {
    ZBasicDoc& doc = newDoc(ramp(40, 30));
    prompter.pushText(std::string(" 2.5 "));
    ASSERT_TRUE(ImageProcessing::blur(doc));
    EXPECT_EQ(store().GetString("blur", "sigma", ""), "2.5");
    EXPECT_EQ(doc.notes(), "blur sigma 2.5\r\n");

    // A sigma that is no positive number is refused and not stored.
    for (const char* bad : {"0", "-1", "abc", ""}) {
        prompter.pushText(std::string(bad));
        EXPECT_FALSE(ImageProcessing::run(doc, &ImageProcessing::blur)) << bad;
    }
    EXPECT_EQ(store().GetString("blur", "sigma", ""), "2.5");
    EXPECT_EQ(doc.notes(), "blur sigma 2.5\r\n");
    EXPECT_EQ(prompter.messages().size(), 4u);

    // The refusal is the command's answer; the menus show it, a cancelled
    // prompt is not shown.
    prompter.pushText(std::string("0"));
    const Status refused = ImageProcessing::run(doc, &ImageProcessing::blur);
    EXPECT_EQ(refused.code(), StatusCode::OutOfRange);
    EXPECT_EQ(refused.reason(), ImageProcessing::kSigmaNotPositive);
    EXPECT_EQ(prompter.messages().back(), ImageProcessing::kSigmaNotPositive);
    EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Warning);
    prompter.pushText(std::nullopt);
    EXPECT_TRUE(ImageProcessing::run(doc, &ImageProcessing::blur).isCancelled());
    EXPECT_EQ(prompter.messages().size(), 5u);
    // Quiet: the stored sigma, refused without a word.
    store().WriteString("blur", "sigma", "0");
    doc.setQuiet(true);
    EXPECT_EQ(ImageProcessing::run(doc, &ImageProcessing::blur).code(), StatusCode::OutOfRange);
    EXPECT_EQ(prompter.messages().size(), 5u);
}

TEST_F(ProcTest, LaplacianAndCustomFilterWriteNoHistoryButUndo) {
    ZBasicDoc& doc = newDoc(grey(8, 6, 10));
    ASSERT_TRUE(ImageProcessing::laplacian(doc));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(doc.image().row(y)[x], 0) << x << "," << y;
    EXPECT_EQ(doc.notes(), "");
    EXPECT_TRUE(doc.IsModified());
    doc.undo();
    EXPECT_EQ(doc.image().row(3)[3], 10);

    // The kernel comes from the profile: the centre alone, doubled, plus 1.
    CustomKernel k;
    k.k[4] = 1;
    k.gain = 2.0;
    k.offset = 1;
    k.save(store());
    doc.setImage(ramp(8, 6));
    ASSERT_TRUE(ImageProcessing::customFilter(doc));
    EXPECT_EQ(doc.image().row(0)[0], 1);
    EXPECT_EQ(doc.image().row(2)[3], std::min(255, ((3 * 7 + 2 * 13) % 256) * 2 + 1));
}

TEST_F(ProcTest, BinHalvesEveryPositionDoublesTheScalesAndUndoesThePicture) {
    ZBasicDoc& doc = newDoc(ramp(7, 5));
    const CZVimage before = copyOf(doc.image());
    { auto v_ = doc.calibration(); v_.xScale = 0.5; v_.yScale = 0.25; doc.setCalibration(v_); }
    doc.setRegion({2, 2, 7, 5});
    { auto v_ = doc.marks(); v_.targetX = 5; v_.targetY = 3; doc.setMarks(v_); }
    doc.setCurrentList(0);
    doc.addNewDimension(1, {7, 9});
    doc.addVertex(0, {-3, 5});
    doc.setCurrentList(4);
    doc.addNewDimension(CDimList::kCircle, {10, 10});
    doc.addVertex(0, {21, 10});

    ASSERT_TRUE(ImageProcessing::bin(doc));
    ASSERT_EQ(doc.image().width(), 3);
    ASSERT_EQ(doc.image().height(), 2);
    EXPECT_EQ(doc.calibration().xScale, 1.0);
    EXPECT_EQ(doc.calibration().yScale, 0.5);
    EXPECT_EQ(doc.lists()[0].at(0)->vertices(), (std::vector<ZPoint>{{3, 4}, {-1, 2}}));
    EXPECT_EQ(doc.lists()[4].at(0)->vertices(), (std::vector<ZPoint>{{5, 5}, {10, 5}}));
    // The circle's derived rectangle follows its vertices.
    EXPECT_EQ(static_cast<const CDimCircle*>(doc.lists()[4].at(0))->boundingRect(), (ZRect{5, 2, 10, 7}));
    EXPECT_EQ(doc.marks().roi, (ZRect{1, 1, 3, 2}));
    EXPECT_EQ(doc.marks().targetX, 2);
    EXPECT_EQ(doc.marks().targetY, 1);
    EXPECT_EQ(doc.notes(), "binned\r\n");

    // Undo brings back every coordinate and scale exactly, not only the
    // pixels; a second undo redoes the reduction.
    doc.undo();
    EXPECT_TRUE(samePixels(doc.image(), before));
    EXPECT_EQ(doc.calibration().xScale, 0.5);
    EXPECT_EQ(doc.calibration().yScale, 0.25);
    EXPECT_EQ(doc.lists()[0].at(0)->vertices(), (std::vector<ZPoint>{{7, 9}, {-3, 5}}));
    EXPECT_EQ(doc.lists()[4].at(0)->vertices(), (std::vector<ZPoint>{{10, 10}, {21, 10}}));
    EXPECT_EQ(doc.marks().roi, (ZRect{2, 2, 7, 5}));
    EXPECT_EQ(doc.marks().targetX, 5);
    doc.redo();
    EXPECT_EQ(doc.lists()[0].at(0)->vertices(), (std::vector<ZPoint>{{3, 4}, {-1, 2}}));

    // Too small to bin: nothing at all changes.
    ZBasicDoc& tiny = newDoc(grey(1, 7, 3));
    EXPECT_FALSE(ImageProcessing::bin(tiny));
    EXPECT_EQ(tiny.calibration().xScale, 1.0);
    EXPECT_EQ(tiny.notes(), "");
}

TEST_F(ProcTest, SubtractImageNeedsTheSameSize) {
    ZBasicDoc& doc = newDoc(ramp(10, 8));
    const CZVimage before = copyOf(doc.image());
    CZVimage other = grey(10, 8, 30);
    ASSERT_TRUE(other.Save(path("other.bmp")));
    CZVimage small = grey(8, 8, 30);
    ASSERT_TRUE(small.Save(path("small.bmp")));

    prompter.pushFiles({path("small.bmp")});
    const Status wrongSize = ImageProcessing::run(doc, &ImageProcessing::subtractImage);
    EXPECT_FALSE(wrongSize);
    EXPECT_TRUE(samePixels(doc.image(), before));
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(wrongSize.code(), StatusCode::Unsupported);
    EXPECT_EQ(prompter.messages().back(),
              "small.bmp is not an 8-bit grey image of 10 x 8 pixels; nothing was subtracted.");
    EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Warning);

    prompter.pushFiles({path("missing.bmp")});
    EXPECT_FALSE(ImageProcessing::run(doc, &ImageProcessing::subtractImage));
    EXPECT_EQ(prompter.messages().back(), ZBasicDoc::kCouldNotLoad);
    EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Error);

    EXPECT_TRUE(ImageProcessing::run(doc, &ImageProcessing::subtractImage).isCancelled());
    EXPECT_EQ(prompter.messages().size(), 2u);

    prompter.pushFiles({path("other.bmp")});
    ASSERT_TRUE(ImageProcessing::subtractImage(doc));
    EXPECT_EQ(doc.image().row(3)[4], std::max(0, before.row(3)[4] - 30));
    doc.undo();
    EXPECT_TRUE(samePixels(doc.image(), before));
}

TEST_F(ProcTest, RemoveSingleDustMarkInterpolatesInsideTheRegionOnly) {
    ZBasicDoc& doc = newDoc(ramp(12, 10));
    const CZVimage before = copyOf(doc.image());

    // No region: refusing beats smearing the whole picture.
    EXPECT_FALSE(ImageProcessing::run(doc, &ImageProcessing::removeSingleDustMark, MsgIcon::Information));
    EXPECT_TRUE(samePixels(doc.image(), before));
    EXPECT_EQ(prompter.messages().size(), 1u);

    // The region goes to the filter as it is (the filter's own arithmetic
    // is tested with it).
    doc.setRegion({2, 1, 9, 7});
    ASSERT_TRUE(ImageProcessing::removeSingleDustMark(doc));
    EXPECT_EQ(doc.notes(), "Remove Dust ROI (2,1)-(9,7).\r\n");
    CZVimage want = copyOf(before);
    ASSERT_TRUE(removeDustMark(want, {2, 1, 9, 7}));
    EXPECT_TRUE(samePixels(doc.image(), want));
    EXPECT_FALSE(samePixels(doc.image(), before));
}

TEST_F(ProcTest, CommandsOnADocumentWithoutAPictureDoNothing) {
    const Command commands[] = {
        &ImageProcessing::equalise,          &ImageProcessing::negative,
        &ImageProcessing::lowPass,           &ImageProcessing::highPass,
        &ImageProcessing::laplacian,         &ImageProcessing::customFilter,
        &ImageProcessing::blur,              &ImageProcessing::bin,
        &ImageProcessing::subtractImage,     &ImageProcessing::removeSingleDustMark,
        &ImageProcessing::processing,        &ImageProcessing::preprocessCheck,
        &ImageProcessing::apexFilter,        &ImageProcessing::thresholdCapillaries,
        &ImageProcessing::findCapillaries,   &ImageProcessing::simpleThreshold,
        &ImageProcessing::findMinimaWithinWindow, &ImageProcessing::findMinimaWithinTolerance,
        &ImageProcessing::findEightRegions,
    };
    for (Command c : commands) {
        ZBasicDoc& doc = newDoc();
        EXPECT_FALSE(c(doc));
        EXPECT_EQ(doc.notes(), "");
        EXPECT_FALSE(doc.IsModified());
    }
    EXPECT_TRUE(prompter.asked.empty());

    // A region that misses the picture is no better.
    ZBasicDoc& doc = newDoc(grey(10, 10, 5));
    doc.setRegion({20, 20, 30, 30});
    for (Command c : {&ImageProcessing::findCapillaries, &ImageProcessing::findMinimaWithinWindow,
                      &ImageProcessing::findEightRegions, &ImageProcessing::thresholdCapillaries,
                      &ImageProcessing::negative})
        EXPECT_FALSE(c(doc));
    EXPECT_EQ(doc.notes(), "");
}

// Adding, deleting and clearing dimensions are undone like pixel commands;
// "Clear all dimensions" asks first and a "No" keeps the list.
TEST_F(ProcTest, DimensionEditsAreUndoneAndClearAllAsksFirst) {
    ZBasicDoc& doc = newDoc();
    doc.addNewDimension(1, {1, 2});
    doc.addVertex(0, {5, 6});
    doc.addNewDimension(1, {7, 8});
    doc.undo();
    ASSERT_EQ(doc.currentDimList().count(), 1);
    doc.redo();
    ASSERT_EQ(doc.currentDimList().count(), 2);

    doc.removeObject(0);
    ASSERT_EQ(doc.currentDimList().count(), 1);
    doc.undo();
    ASSERT_EQ(doc.currentDimList().count(), 2);
    EXPECT_EQ(doc.currentDimList().at(0)->vertices(), (std::vector<ZPoint>{{1, 2}, {5, 6}}));

    prompter.pushMessageAnswer(MsgResult::No);
    EXPECT_FALSE(doc.clearCurrentList());
    EXPECT_EQ(doc.currentDimList().count(), 2);
    prompter.pushMessageAnswer(MsgResult::Yes);
    EXPECT_TRUE(doc.clearCurrentList());
    EXPECT_EQ(doc.currentDimList().count(), 0);
    EXPECT_EQ(prompter.messages().back(), ZBasicDoc::kClearAllQuestion);
    doc.undo();
    EXPECT_EQ(doc.currentDimList().count(), 2);
}
