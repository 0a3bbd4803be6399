// TIFF through libtiff: reading 8-bit grey, RGB and palette pictures (alpha
// and other extra samples left out, both planar configurations) from
// memory, writing one scanline per stored row.
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/Paths.h"
#include "base/Text.h"
#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "image/TiffMemory.h"

using namespace ordavia;

namespace {

using MemFile = ordavia::TiffInMemory;

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemFile*>(h);
    if (n <= 0 || f->pos >= f->size) return 0;
    const uint64_t k = std::min<uint64_t>(uint64_t(n), f->size - f->pos);
    std::memcpy(buf, f->data + f->pos, size_t(k));
    f->pos += k;
    return tmsize_t(k);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemFile*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = f->pos;
    else if (whence == SEEK_END) base = f->size;
    const uint64_t p = base + off;
    f->pos = p;
    return p;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemFile*>(h)->size; }
int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}
int silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// What the samples of a pixel mean, from the photometric interpretation.
enum class TiffLayout { Grey, GreyInverted, Rgb, Palette };

const char* photometricName(uint16_t p) {
    switch (p) {
        case PHOTOMETRIC_SEPARATED: return "CMYK";
        case PHOTOMETRIC_YCBCR: return "YCbCr";
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB: return "Lab";
        case PHOTOMETRIC_MASK: return "transparency mask";
        default: return "unknown";
    }
}

// The colour map of a palette picture as 8-bit red, green and blue. Old
// writers put 8-bit values in the 16-bit table; those are taken as they are.
bool paletteOf(TIFF* tif, uint8_t (&rgb)[256][3]) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return false;
    bool eightBit = true;
    for (int i = 0; i < 256 && eightBit; ++i) eightBit = r[i] < 256 && g[i] < 256 && b[i] < 256;
    const int shift = eightBit ? 0 : 8;
    for (int i = 0; i < 256; ++i) {
        rgb[i][0] = uint8_t(r[i] >> shift);
        rgb[i][1] = uint8_t(g[i] >> shift);
        rgb[i][2] = uint8_t(b[i] >> shift);
    }
    return true;
}

Status readOpened(TIFF* tif, uint64_t fileSize, CZVimage& out, const ordavia::GreyWeights& w) {
    uint16_t spp = 1, bps = 1, planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    uint32_t width = 0, length = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    if (bps != 8) return Status::failure(kTiffNot8Bit);
    if (!TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length) || !TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width))
        return Status::failure("TIFF without a picture size");
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (spp == 0) return Status::failure("TIFF without samples");
    const uint64_t samples = uint64_t(width) * uint64_t(length) * spp;
    if (compression == COMPRESSION_NONE && samples > fileSize) return Status::failure("TIFF shorter than its picture");
    if (Status s = checkPictureSize(width, length); !s) return s;

    // Samples beyond the picture's own (alpha, other extra samples) are
    // left out: a grey picture with alpha is its grey, RGBA is its RGB.
    uint16_t photometric = 0;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TiffLayout layout = TiffLayout::Grey;
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK: layout = TiffLayout::Grey; break;
        case PHOTOMETRIC_MINISWHITE: layout = TiffLayout::GreyInverted; break;
        case PHOTOMETRIC_RGB: layout = TiffLayout::Rgb; break;
        case PHOTOMETRIC_PALETTE: layout = TiffLayout::Palette; break;
        default:
            return Status::failure(strprintf("%s TIFF pictures are not supported (photometric interpretation %u)",
                                             photometricName(photometric), unsigned(photometric)));
    }
    const uint16_t used = layout == TiffLayout::Rgb ? 3 : 1;
    if (spp < used)
        return Status::failure(strprintf("TIFF with %u samples per pixel cannot hold an RGB picture", unsigned(spp)));
    uint8_t palette[256][3] = {};
    if (layout == TiffLayout::Palette && !paletteOf(tif, palette))
        return Status::failure("palette TIFF without its colour map");
    const bool colourFile = layout == TiffLayout::Rgb || layout == TiffLayout::Palette;
    const bool colour = colourFile && out.colour() == CZVimage::kColour;

    CZVimage img;
    if (!img.resize(int(width), int(length), colour ? 3 : 1) ||
        !img.setColour(colour ? CZVimage::kColour : CZVimage::kGrey))
        return Status::failure("not enough memory for the picture");
    img.setTag(0);
    img.setInterlace(0);
    const tmsize_t line = TIFFScanlineSize(tif);
    if (line <= 0) return Status::failure(kTiffDamaged);
    const bool contig = planar == PLANARCONFIG_CONTIG || spp == 1;
    if (uint64_t(line) < uint64_t(width) * (contig ? spp : 1)) return Status::failure(kTiffDamaged);
    std::vector<uint8_t> buf;
    try {
        buf.resize(size_t(line));
    } catch (const std::bad_alloc&) {
        return Status::failure("not enough memory for the picture");
    }

    if (contig) {
        for (uint32_t y = 0; y < length; ++y) {
            if (TIFFReadScanline(tif, buf.data(), y, 0) < 0) return Status::failure(kTiffDamaged);
            uint8_t* d = img.row(int(y));
            const uint8_t* p = buf.data();
            uint32_t x = 0;
            // Red, green, blue in: kept as blue, green, red, or made grey.
            auto putRgb = [&](const uint8_t* c) {
                if (colour) {
                    d[3 * x] = c[2];
                    d[3 * x + 1] = c[1];
                    d[3 * x + 2] = c[0];
                } else {
                    d[x] = uint8_t(weightedGrey(w.red, c[0], w.green, c[1], w.blue, c[2]));
                }
            };
            for (; x < width; ++x, p += spp) {
                switch (layout) {
                    case TiffLayout::Grey: d[x] = p[0]; break;
                    case TiffLayout::GreyInverted: d[x] = uint8_t(255 - p[0]); break;
                    case TiffLayout::Rgb: putRgb(p); break;
                    case TiffLayout::Palette: putRgb(palette[p[0]]); break;
                }
            }
        }
    } else {
        // Separate planes arrive one after the other. Grey from red, green
        // and blue is added plane by plane with the same truncation after
        // each addition as in a contiguous file.
        const double weights[3] = {w.red, w.green, w.blue};
        for (uint16_t plane = 0; plane < used; ++plane) {
            for (uint32_t y = 0; y < length; ++y) {
                if (TIFFReadScanline(tif, buf.data(), y, plane) < 0) return Status::failure(kTiffDamaged);
                uint8_t* d = img.row(int(y));
                for (uint32_t x = 0; x < width; ++x) {
                    if (layout == TiffLayout::Grey) {
                        d[x] = buf[x];
                    } else if (layout == TiffLayout::GreyInverted) {
                        d[x] = uint8_t(255 - buf[x]);
                    } else if (layout == TiffLayout::Palette) {
                        const uint8_t* c = palette[buf[x]];
                        if (colour) {
                            d[3 * x] = c[2];
                            d[3 * x + 1] = c[1];
                            d[3 * x + 2] = c[0];
                        } else {
                            d[x] = uint8_t(weightedGrey(w.red, c[0], w.green, c[1], w.blue, c[2]));
                        }
                    } else if (colour) {
                        d[3 * x + 2 - plane] = buf[x];
                    } else {
                        const double v = std::trunc((plane ? d[x] : 0) + weights[plane] * buf[x]);
                        d[x] = !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : uint8_t(v));
                    }
                }
            }
        }
    }
    out.adoptData(std::move(img));
    return Status::success();
}

}  // namespace

namespace ordavia {

TIFF* openTiffInMemory(TiffInMemory& file, const char* name, bool quiet, int64_t maxAlloc) {
    TiffInMemory* f = &file;
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (quiet) {
        TIFFOpenOptionsSetErrorHandlerExtR(opts, silent, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(opts, silent, nullptr);
    }
    if (maxAlloc > 0) TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(maxAlloc));
    TIFF* tif = TIFFClientOpenExt(name, "rm", f, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

}  // namespace ordavia

Status ordavia::readTiff(const uint8_t* data, size_t size, CZVimage& out, const ordavia::GreyWeights& w) {
    if (!data || size < 8) return Status::failure("not a TIFF picture");
    ordavia::TiffInMemory f{data, size, 0};
    TIFF* tif = ordavia::openTiffInMemory(f, "memory");
    if (!tif) return Status::failure("not a TIFF picture");
    Status s = readOpened(tif, size, out, w);
    TIFFClose(tif);
    return s;
}

Status ordavia::writeTiff(const CZVimage& img, const std::string& path) {
    if (img.isEmpty()) return Status::failure(path + ": empty image");
    auto temp = ordavia::openSaveTemp(path);
    if (!temp) return temp.status();
    ordavia::SaveTemp& t = *temp;
    // libtiff closes the descriptor it is given; ours stays open (and
    // locked) for the flush and rename.
    const int tiffFd = ::dup(t.fd);
    TIFF* tif = tiffFd >= 0 ? TIFFFdOpen(tiffFd, t.tempPath.c_str(), "w") : nullptr;
    if (!tif) {
        if (tiffFd >= 0) ::close(tiffFd);
        ordavia::abandonSaveTemp(t);
        return Status::failure(path + ": cannot write TIFF");
    }
    const bool colour = img.colour() == CZVimage::kColour;
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    const std::string stamp = strprintf("%04i:%02i:%02i %02i:%02i:%02i", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                        tm.tm_hour, tm.tm_min, tm.tm_sec);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(img.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(img.rows()));
    TIFFSetField(tif, TIFFTAG_MAKE, "Norvast");
    TIFFSetField(tif, TIFFTAG_SOFTWARE, "Fenwyr");
    TIFFSetField(tif, TIFFTAG_MODEL, "Jun 13 2018");
    TIFFSetField(tif, TIFFTAG_DATETIME, stamp.c_str());
    errno = 0;
    bool ok = true;
    std::vector<uint8_t> rgb(colour ? size_t(img.width()) * 3 : 0);
    for (int y = 0; y < img.rows() && ok; ++y) {
        if (colour) {
            // Our pixels are blue, green, red; TIFF wants red first.
            const uint8_t* s = img.row(y);
            for (int x = 0; x < img.width(); ++x) {
                rgb[3 * x] = s[3 * x + 2];
                rgb[3 * x + 1] = s[3 * x + 1];
                rgb[3 * x + 2] = s[3 * x];
            }
            ok = TIFFWriteScanline(tif, rgb.data(), uint32_t(y), 0) >= 0;
        } else {
            ok = TIFFWriteScanline(tif, const_cast<uint8_t*>(img.row(y)), uint32_t(y), 0) >= 0;
        }
    }
    ok = ok && TIFFFlush(tif) == 1;
    // libtiff reports through its handler; the system's reason is in errno.
    const int err = errno;
    TIFFClose(tif);
    if (!ok) {
        ordavia::abandonSaveTemp(t);
        return err ? ordavia::errnoStatus(path, err) : Status::failure(path + ": write error");
    }
    return ordavia::commitSaveTemp(t);
}
