// The capillary detection commands: circles in the current list, the
// density report in the result text and the notes, counting, the simple
// threshold and the minima and region finders with their result images.
#include <cmath>

#include "ProcTestSupport.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "image/CapillaryDetection.h"
#include "image/ImageFormats.h"
#include "image/ProcessingArgs.h"
#include "measure/ImageProcessing.h"

using namespace ordavia;

namespace {

// Dark round apexes of radius 12 on a bright, gently shaded background.
CZVimage apexPicture(int w, int h, const std::vector<ZPoint>& centres) {
    CZVimage img(w, h, 0, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = 190 + (x + y) % 7;
            for (const ZPoint& c : centres) {
                const double d = std::hypot(x - c.x, y - c.y);
                if (d < 12.0) v = 40;
            }
            img.row(y)[x] = uint8_t(v);
        }
    }
    return img;
}

const std::vector<ZPoint> kApexes = {{60, 60}, {160, 70}, {100, 150}, {200, 160}};

}  // namespace

TEST_F(ProcTest, ThresholdCapillariesAddsTheDetectorsCirclesAndReportsDensity) {
    ZBasicDoc& doc = newDoc(apexPicture(260, 220, kApexes));
    { auto v_ = doc.calibration(); v_.calibrated = 1; v_.xScale = 2.0; v_.yScale = 2.0; doc.setCalibration(v_); }
    doc.setCurrentList(1);
    doc.lists()[1].addNew(0, {1, 1});  // an object already there stays
    ProcessingArgs args;
    args.load(store());
    const DetectionResult expected = detectCapillaries(doc.image(), {}, args);
    ASSERT_EQ(expected.circles.size(), kApexes.size());
    const CZVimage before = copyOf(doc.image());

    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(doc));
    const CDimList& l = doc.lists()[1];
    ASSERT_EQ(l.count(), 1 + int(expected.circles.size()));
    for (size_t i = 0; i < expected.circles.size(); ++i) {
        const CDim* d = l.at(int(i) + 1);
        ASSERT_STREQ(d->className(), "CDimCircle");
        EXPECT_EQ(d->vertices(), (std::vector<ZPoint>{expected.circles[i].a, expected.circles[i].b}));
    }
    // The detector looks at a copy; the picture is left as it was.
    EXPECT_TRUE(samePixels(doc.image(), before));
    // 4 capillaries over 260 x 220 pixels of 2 x 2 um: 0.2288 mm^2.
    const std::string text = " 17.483, capillary density,   0.229, area";
    EXPECT_EQ(doc.result, "      4, capillaries, " + text);
    EXPECT_EQ(doc.notes(), text + "\r\n");
    EXPECT_TRUE(doc.IsModified());

    // Within a region only the capillaries inside count, and the region is
    // named in the notes.
    ZBasicDoc& part = newDoc(apexPicture(260, 220, kApexes));
    part.setRegion({0, 0, 130, 220});
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(part));
    EXPECT_EQ(part.lists()[0].count(), 2);
    EXPECT_EQ(part.notes(), strprintf("%7.3f, capillary density, %7.3f, area", 2 / (130 * 220e-6), 130 * 220e-6) +
                              " ROI (0,0)-(130,220).\r\n");
}

// A zero scale gives no density: the report is shared with
// FindCapillariesCountsObjectsWithAVertexInTheRegion, which checks it.
TEST_F(ProcTest, ThresholdCapillariesOnAFlatPictureStillReplacesTheResult) {
    // Nothing to find: nothing added, and the count says so rather than
    // leaving an earlier run's figures.
    ZBasicDoc& blank = newDoc(grey(260, 220, 200));
    { auto v_ = blank.calibration(); v_.calibrated = 1; blank.setCalibration(v_); }
    blank.result = "earlier";
    const Status none = ImageProcessing::run(blank, &ImageProcessing::thresholdCapillaries);
    EXPECT_EQ(none.code(), StatusCode::NoResult);
    EXPECT_EQ(none.reason(), "no capillaries were found");
    EXPECT_TRUE(prompter.asked.empty());  // the result text tells, no message
    EXPECT_EQ(blank.lists()[0].count(), 0);
    EXPECT_EQ(blank.result, "      0, capillaries");
    EXPECT_EQ(blank.notes(), "");
}

TEST_F(ProcTest, ThresholdCapillariesRunTwiceAsksToReplaceTheEarlierCircles) {
    ZBasicDoc& doc = newDoc(apexPicture(260, 220, kApexes));
    doc.lists()[0].addNew(CDimList::kCircle, {5, 5});  // the user's own circle
    doc.lists()[0].at(0)->addVertex({15, 5});
    const int n = int(kApexes.size());

    // Uncalibrated: the density is not per square millimetre, and the
    // user is told.
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(doc));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, ImageProcessing::kNotCalibrated);
    EXPECT_EQ(doc.lists()[0].count(), 1 + n);

    // Again: asked first, default yes replaces; the user's circle stays.
    { auto v_ = doc.calibration(); v_.calibrated = 1; doc.setCalibration(v_); }
    prompter.asked.clear();
    prompter.pushMessageAnswer(MsgResult::Yes);
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(doc));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, strprintf(ImageProcessing::kReplaceDetection, n));
    EXPECT_EQ(doc.lists()[0].count(), 1 + n);
    EXPECT_EQ(doc.lists()[0].at(0)->getVertex(1), (ZPoint{15, 5}));

    // No keeps both sets; Cancel changes nothing.
    prompter.pushMessageAnswer(MsgResult::No);
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(doc));
    EXPECT_EQ(doc.lists()[0].count(), 1 + 2 * n);
    prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_FALSE(ImageProcessing::thresholdCapillaries(doc));
    EXPECT_EQ(doc.lists()[0].count(), 1 + 2 * n);

    // A document opened again knows no earlier run, but circles exactly
    // where this run puts its own are recognised; quiet replaces them.
    doc.lastDetection.clear();
    doc.setQuiet(true);
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(doc));
    EXPECT_EQ(doc.lists()[0].count(), 1 + n);
}

TEST_F(ProcTest, FindCapillariesCountsObjectsWithAVertexInTheRegion) {
    ZBasicDoc& doc = newDoc(grey(1100, 1000, 128));
    { auto v_ = doc.calibration(); v_.calibrated = 1; doc.setCalibration(v_); }
    doc.setRegion({100, 0, 1100, 1000});
    for (int i = 0; i < 25; ++i) doc.addNewDimension(0, {150 + 30 * i, 500});
    doc.addNewDimension(0, {50, 500});  // outside the region
    doc.addNewDimension(0, {1100, 10});  // right edge is outside too
    doc.addNewDimension(0, {40, 40});   // a line reaching into the region counts
    doc.addVertex(27, {400, 400});
    ASSERT_TRUE(ImageProcessing::findCapillaries(doc));
    const std::string text = " 26.000, capillary density,   1.000, area";
    ASSERT_EQ(prompter.messages(), std::vector<std::string>{text});
    EXPECT_EQ(doc.result, text);
    EXPECT_EQ(doc.notes(), text + " ROI (100,0)-(1100,1000).\r\n");

    // Uncalibrated: pixels whatever the scales say.
    { auto v_ = doc.calibration(); v_.calibrated = 0; v_.xScale = 0.0; doc.setCalibration(v_); }
    ASSERT_TRUE(ImageProcessing::findCapillaries(doc));
    EXPECT_EQ(doc.result, text);

    // A zero scale in effect gives no density and changes no result.
    { auto v_ = doc.calibration(); v_.calibrated = 1; doc.setCalibration(v_); }
    doc.setNotes("");
    EXPECT_FALSE(ImageProcessing::run(doc, &ImageProcessing::findCapillaries, MsgIcon::Information));
    EXPECT_EQ(doc.result, text);
    EXPECT_EQ(doc.notes(), "");
    EXPECT_EQ(prompter.messages().size(), 3u);
    EXPECT_NE(prompter.messages().back(), text);
}

TEST_F(ProcTest, SimpleThresholdAsksForTheLevelAndStoresIt) {
    ZBasicDoc& doc = newDoc(ramp(20, 10));
    const CZVimage before = copyOf(doc.image());
    doc.setRegion({0, 0, 10, 10});
    prompter.pushInt(100);
    ASSERT_TRUE(ImageProcessing::simpleThreshold(doc));
    EXPECT_EQ(store().GetInt("settings", "simpleimagethreshold", 0), 100);
    EXPECT_EQ(doc.notes(), "simple threshold ROI (0,0)-(10,10).\r\n");
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(doc.image().row(y)[x], x < 10 ? (before.row(y)[x] > 100 ? 255 : 0) : before.row(y)[x]);
    doc.undo();
    EXPECT_TRUE(samePixels(doc.image(), before));
}

TEST_F(ProcTest, MinimaBecomeSingleVertexMarksAndAResultImageBesideTheDocument) {
    ZBasicDoc& doc = newDoc(grey(120, 100, 200));
    doc.pictureForPreview().row(20)[30] = 10;
    doc.pictureForPreview().row(70)[90] = 20;
    doc.pictureForPreview().row(71)[90] = 25;  // beside a darker pixel: not a minimum
    doc.SetPathName(path("nail.cs1"));
    doc.setCurrentList(3);
    ASSERT_TRUE(ImageProcessing::findMinimaWithinWindow(doc));
    const CDimList& l = doc.lists()[3];
    ASSERT_EQ(l.count(), 2);
    EXPECT_EQ(l.at(0)->getVertex(0), (ZPoint{30, 20}));  // the darkest first
    EXPECT_EQ(l.at(1)->getVertex(0), (ZPoint{90, 70}));
    EXPECT_EQ(doc.notes(), " found 2 minima. w=50 h=50, t=128\r\n");
    CZVimage marker;
    ASSERT_TRUE(marker.Load(path("nail-minima.bmp"), {}));
    EXPECT_EQ(marker.getpixel(30, 20), 10);

    // The tolerance finder, with the image type from the profile.
    store().WriteString("settings", "imagetype", "tif");
    store().WriteString("minima", "tolerance", "10");
    doc.setNotes("");
    ASSERT_TRUE(ImageProcessing::findMinimaWithinTolerance(doc));
    EXPECT_EQ(l.count(), 4);
    EXPECT_EQ(doc.notes(), " found 2 minima. t=128, tol=10\r\n");
    EXPECT_TRUE(fileExists(path("nail-minima8.tif")));
}

TEST_F(ProcTest, EightRegionsWritesItsHistoryAndLabelImage) {
    ZBasicDoc& doc = newDoc(grey(40, 30, 90));
    for (int y = 5; y < 10; ++y)
        for (int x = 5; x < 10; ++x) doc.pictureForPreview().row(y)[x] = 30;
    // Before the document is saved the image file names the result.
    doc.setImageFile(path("pic.bmp"), doc.imageTime());
    doc.setRegion({1, 1, 39, 29});
    ASSERT_TRUE(ImageProcessing::findEightRegions(doc));
    EXPECT_EQ(doc.notes(), "find 8 regions\r\n");
    CZVimage labels;
    ASSERT_TRUE(labels.Load(path("pic-8region.bmp"), {}));
    EXPECT_EQ(labels.getpixel(7, 7), 128);

    // Neither a document nor an image path: the marks still count, the
    // image has nowhere to go.
    ZBasicDoc& unnamed = newDoc(grey(40, 30, 90));
    EXPECT_EQ(ImageProcessing::resultImagePath(unnamed, "-8region"), "");
    EXPECT_TRUE(ImageProcessing::findEightRegions(unnamed));
}

TEST_F(ProcTest, PreprocessCheckAndApexFilterChangeThePictureUndoably) {
    for (Command c : {&ImageProcessing::preprocessCheck, &ImageProcessing::processing, &ImageProcessing::apexFilter}) {
        ZBasicDoc& doc = newDoc(apexPicture(260, 220, kApexes));
        const CZVimage before = copyOf(doc.image());
        ASSERT_TRUE(c(doc));
        EXPECT_FALSE(samePixels(doc.image(), before));
        EXPECT_TRUE(doc.imageModified());
        doc.undo();
        EXPECT_TRUE(samePixels(doc.image(), before));
    }
    // An apex template the settings cannot make: nothing happens.
    store().WriteInt("ProcessingArgs", "apexw", 1);
    ZBasicDoc& doc = newDoc(apexPicture(260, 220, kApexes));
    EXPECT_FALSE(ImageProcessing::apexFilter(doc));
    EXPECT_FALSE(doc.canUndo());
}
