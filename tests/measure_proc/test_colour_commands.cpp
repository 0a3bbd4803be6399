// Colour pictures in the image document: smoothing keeps the colour, and
// the commands that need one
// grey value per pixel work on the grey picture (detection, thresholds,
// the selection's grey levels) instead of doing nothing or reading blue.
#include <cmath>

#include "ProcTestSupport.h"
#include "image/GaussianBlur.h"
#include "image/GreyConversion.h"
#include "measure/ImageProcessing.h"
#include "measure/SelectionAverage.h"

using namespace ordavia;

namespace {

// Dark red apexes of radius 12 on a pink background, every channel
// different so that a reader of one channel is caught.
CZVimage colourApexes(int w, int h) {
    const std::vector<ZPoint> centres = {{60, 60}, {160, 70}, {100, 150}, {200, 160}};
    CZVimage img(w, h, 0, CZVimage::kFrame, CZVimage::kColour);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool apex = false;
            for (const ZPoint& c : centres) apex = apex || std::hypot(x - c.x, y - c.y) < 12.0;
            uint8_t* p = img.row(y) + 3 * x;
            p[0] = apex ? 60 : uint8_t(170 + (x + y) % 5);  // blue
            p[1] = apex ? 30 : uint8_t(180 + (x + y) % 7);  // green
            p[2] = apex ? 120 : 230;                        // red
        }
    return img;
}

bool isColourOf(const CZVimage& img, int w, int h) {
    return img.colour() == CZVimage::kColour && img.width() == w && img.height() == h;
}

}  // namespace

// An imported colour picture stays colour: ImageDocTest.PictureSettingsComeFromTheDocumentsServices.
TEST_F(ProcTest, ColourPicturesProcessInColourOrGrey) {
    // Smoothing works channel by channel and keeps the colour; a grey-only command converts in the same undo step;
    // looking (detection, the selection's grey levels) reads the grey picture and changes nothing.
    ZBasicDoc& processed = newDoc(colourApexes(260, 220));
    processed.setQuiet(true);
    const CZVimage grey = greyCopyOf(processed.image(), processed.importWeights());
    ASSERT_TRUE(ImageProcessing::thresholdCapillaries(processed));
    EXPECT_EQ(processed.currentDimList().count(), 4);
    double mean = 0;
    grey.statistics({}, &mean, nullptr, nullptr);
    EXPECT_DOUBLE_EQ(computeSelectionAverage(processed).values[3], mean);
    ASSERT_TRUE(isColourOf(processed.image(), 260, 220));

    const CZVimage original = colourApexes(260, 220);
    store().WriteString("blur", "sigma", "1.5");
    ASSERT_TRUE(ImageProcessing::blur(processed));
    ASSERT_TRUE(isColourOf(processed.image(), 260, 220));
    CZVimage red(260, 220, 0, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 260; ++x) red.row(y)[x] = original.row(y)[3 * x + 2];
    ASSERT_TRUE(gaussianBlur(red, {}, 1.5));
    for (int y = 50; y < 70; ++y)
        for (int x = 50; x < 70; ++x) ASSERT_EQ(processed.image().row(y)[3 * x + 2], red.row(y)[x]);
    processed.undo();

    store().WriteInt("settings", "simpleimagethreshold", 150);
    ASSERT_TRUE(ImageProcessing::simpleThreshold(processed));
    CZVimage expected = copyOf(grey);
    expected.threshold({}, 150);
    EXPECT_TRUE(samePixels(processed.image(), expected));
    processed.undo();
    EXPECT_TRUE(isColourOf(processed.image(), 260, 220));
}

