// Image subcommands: "info" for native, BMP and TIFF pictures, and
// "convert" between them by the extension rules of CZVimage::Save.
#include <cctype>
#include <cstdlib>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "image/CZVimage.h"
#include "image/FileKinds.h"
#include "image/GreyConversion.h"
#include "image/ImageFormats.h"

using namespace ordavia;

namespace {

// Reads any picture by its content, as the workstation does (a TIFF named
// ".jpg" is described as the TIFF it is); colour files report as colour.
bool readForInfo(const std::string& path, CZVimage& img, const GreyWeights& grey, std::string& format, std::string& error) {
    switch (pictureKindOfFile(path)) {
        case PictureKind::Bmp: format = "bmp"; break;
        case PictureKind::Tiff: format = "tiff"; break;
        case PictureKind::Jpeg: format = "jpeg"; break;
        case PictureKind::Png: format = "png"; break;
        case PictureKind::Dicom: format = "dicom"; break;
        case PictureKind::Unknown: format = "zvg"; break;
    }
    const ordavia::Status st = loadPictureAsIs(path, img, grey);
    if (!st) error = st.reason();
    return st.ok();
}

int runInfo(const std::string& path, const CliArgs& a) {
    CZVimage img;
    std::string format, error;
    if (!readForInfo(path, img, a.greyWeights(), format, error)) return cliError(error);
    double mean = 0;
    int lo = 0, hi = 0;
    // Grey values of a colour picture are those of its grey picture.
    if (img.colour() == CZVimage::kColour)
        greyCopyOf(img, a.greyWeights()).statistics(ZRect{}, &mean, &lo, &hi);
    else
        img.statistics(ZRect{}, &mean, &lo, &hi);
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("file", path);
        j.field("format", format);
        j.field("width", img.width());
        j.field("height", img.height());
        j.field("rows", img.rows());
        j.field("interlace", img.interlace());
        j.field("colour", img.colour());
        j.field("tag", img.tag());
        j.key("origin").beginArray().value(img.originX()).value(img.originY()).endArray();
        j.field("mean", mean);
        j.field("min", lo);
        j.field("max", hi);
        j.endObject();
        cliOut(j.str() + "\n");
        return 0;
    }
    static const char* const kinds[] = {"grey", "colour", "Bayer"};
    static const char* const fields[] = {"whole frame", "first field", "second field"};
    const int c = img.colour(), f = img.interlace();
    cliOut(strprintf("%s: %s image, %d x %d (%d stored rows), %s, %s, tag %d, origin (%d, %d)\n"
                     "grey values: mean %.3f, min %d, max %d\n",
                     path.c_str(), format.c_str(), img.width(), img.height(), img.rows(),
                     c >= 0 && c <= 2 ? kinds[c] : "?", f >= 0 && f <= 2 ? fields[f] : "?", img.tag(),
                     img.originX(), img.originY(), mean, lo, hi));
    return 0;
}

int runConvert(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli convert IN OUT [--rect L,T,W,H] [--palette N]");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    if (int refused = cliRefuseOutputOverInput(in, out)) return refused;
    // "L,T,W,H" in frame coordinates; a width or height below 1 means no rectangle.
    const Result<std::vector<int>> corner = a.list("--rect", -1000000000, 1000000000, 4);
    if (!corner) return cliError(corner.status().context(out));
    ZRect rect;
    if (const std::vector<int>& v = *corner; !v.empty() && v[2] >= 1 && v[3] >= 1)
        rect = ZRect{v[0], v[1], v[0] + v[2], v[1] + v[3]};
    CZVimage img;
    // A colour image before the read keeps 24-bit BMPs in colour.
    img.setColour(CZVimage::kColour);
    if (const ordavia::Status s = loadPicture(in, img, a.greyWeights()); !s) return cliError(s.reason());
    const Result<int> palette = a.number("--palette", 0, CZVimage::kPaletteCount - 1, -1);
    if (!palette) return cliError(palette.status().context(out));
    if (*palette >= 0) img.setPalette(*palette);
    if (const ordavia::Status s = savePicture(img, out, rect); !s) return cliError(s.reason());
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliInfoHandler{pictureExtensions(), runInfo});
ORDAVIA_CLI_REGISTER(CliCommand{
    "convert", "convert IN OUT [--rect L,T,W,H] [--palette N]",
    "Loads the picture IN (.zvg, .bmp, .tif) and saves it as OUT; the format follows OUT's\n"
    "extension (zvg/ZVG, bmp/BMP, tif/TIF, tiff/TIFF). --rect saves only that rectangle\n"
    "(native and BMP files; BMP edges are rounded down to multiples of 4). --palette\n"
    "chooses the display palette written into 8-bit BMP files (0 grey ... 9 Contour16).",
    {"--rect", "--palette"}, runConvert});
