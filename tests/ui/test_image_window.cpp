// The image window: loading, zoom steps and their scroll area, palettes,
// and field pictures shown at frame height.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "image/ui/ImageToQImage.h"
#include "image/ui/ImageWindow.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

TEST(ImageWindow, ZoomPaletteAndOneLineOpenError) {
    testsupport::ensureQtApp();
    CZVimage img(20, 10, -1, CZVimage::kField1, 0);
    for (int x = 0; x < 20; ++x) img.row(0)[x] = uint8_t(x * 10);
    testsupport::ScratchDir dir("ui-window");
    const std::string path = dir / "window.zvg";
    ASSERT_EQ(img.Save(path), 1);
    std::string error;
    std::unique_ptr<QWidget> w(openImageWindow(path, {}, &error));
    ASSERT_TRUE(w) << error;
    auto* win = qobject_cast<ImageWindow*>(w.get());
    ASSERT_TRUE(win);
    // 5 stored rows shown 10 high.
    EXPECT_EQ(win->pictureSize(), QSize(20, 10));
    win->zoomIn();
    EXPECT_EQ(win->pictureSize(), QSize(40, 20));
    win->zoomOut();
    win->zoomOut();
    EXPECT_EQ(win->pictureSize(), QSize(10, 5));
    win->setPalette(2);
    const QImage shown = imageToQImage(win->image());
    EXPECT_EQ(shown.format(), QImage::Format_Indexed8);
    EXPECT_EQ(shown.pixel(5, 1), qRgb(50, 0, 0));  // red ramp, stored row 0 drawn twice
    // A file that cannot be opened is a one-line error.
    EXPECT_EQ(openImageWindow(dir / "missing.zvg", {}, &error), nullptr);
    EXPECT_NE(error.find("missing.zvg"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(ImageToQImage, ColourAndBayer) {
    testsupport::ensureQtApp();
    CZVimage colour(3, 2, -1, 0, CZVimage::kColour);
    colour.row(1)[3] = 10;  // blue of pixel 1
    colour.row(1)[5] = 200;  // red
    QImage q = imageToQImage(colour);
    EXPECT_EQ(q.pixel(1, 1), qRgb(200, 0, 10));
    CZVimage bayer(6, 6, -1, 0, CZVimage::kBayer);
    bayer.row(1)[1] = 255;  // a blue site
    q = imageToQImage(bayer);
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(qBlue(q.pixel(1, 1)), 255);
    EXPECT_TRUE(imageToQImage(CZVimage()).isNull());
}
