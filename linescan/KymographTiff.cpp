// Kymographs from other instruments: 8- and 16-bit grey TIFF read with
// libtiff from memory. Private tags of microscope software are common in
// these files; libtiff reads past them, and its warnings about them are
// kept off the terminal.
#include <tiffio.h>

#include <cstring>
#include <new>

#include "base/Text.h"

#include "image/TiffMemory.h"
#include "linescan/LineScanRun.h"

namespace ordavia {

namespace {
constexpr uint64_t kMaxInflation = 4096;
// 32 MB of values (a line of 512 points for 8192 times, or the reverse):
// the velocity methods take several times that and seconds per million
// values, so a larger picture is refused instead of measured for minutes.
constexpr uint64_t kMaxKymographValues = uint64_t(1) << 22;
}  // namespace

Result<Kymograph> loadKymograph(const std::vector<uint8_t>& bytes, bool timeAlongX) {
    if (bytes.size() < 8) return Status::failure("not a TIFF picture");
    TiffInMemory m{bytes.data(), bytes.size(), 0};
    TIFF* tif = openTiffInMemory(m, "kymograph", true, int64_t(1) << 28);
    if (!tif) return Status::failure("not a TIFF picture");
    struct Closer {
        TIFF* t;
        ~Closer() { TIFFClose(t); }
    } closer{tif};
    uint16_t spp = 1, bps = 8, fmt = SAMPLEFORMAT_UINT;
    uint32_t w = 0, h = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &fmt);
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) || w == 0 || h == 0)
        return Status::failure("TIFF without a picture size");
    if (spp != 1 || (bps != 8 && bps != 16) || (fmt != SAMPLEFORMAT_UINT && fmt != SAMPLEFORMAT_INT))
        return Status::failure("a kymograph must be an 8- or 16-bit grey TIFF");
    // A scan line is at most 65535 points; a longer time axis is a file
    // nobody measures at once.
    const uint32_t points = timeAlongX ? h : w, times = timeAlongX ? w : h;
    if (points > 65535) return Status::failure(StatusCode::OutOfRange, "kymograph too large (more than 65535 points on a line)");
    if (uint64_t(w) * h > kMaxKymographValues)
        return Status::failure(StatusCode::NoMemory,
                               strprintf("kymograph too large (%u x %u values, at most %llu)", w, h,
                                         static_cast<unsigned long long>(kMaxKymographValues)));
    if (TIFFIsTiled(tif)) return Status::failure(StatusCode::Unsupported, "a kymograph must be a TIFF in strips, not in tiles");
    const tmsize_t line = TIFFScanlineSize(tif);
    if (line < tmsize_t(uint64_t(w) * (bps / 8))) return Status::failure(StatusCode::BadFormat, "damaged TIFF");
    // The strips must be able to hold the picture: no compression TIFF
    // uses comes near 4096 to 1, and strips that overlap (the same bytes
    // inflated again for every strip) are a damaged or hostile file.
    uint64_t stored = 0;
    const uint32_t strips = TIFFNumberOfStrips(tif);
    for (uint32_t st = 0; st < strips; ++st) {
        const uint64_t n = TIFFGetStrileByteCount(tif, st);
        const uint64_t at = TIFFGetStrileOffset(tif, st);
        if (at > bytes.size() || n > bytes.size() - at) return Status::failure(StatusCode::BadFormat, "damaged TIFF (a strip lies beyond the end of the file)");
        stored += n;
    }
    if (stored > bytes.size())
        return Status::failure(StatusCode::BadFormat, "damaged TIFF (its strips overlap)");
    if (uint64_t(line) * h > stored * kMaxInflation)
        return Status::failure(StatusCode::BadFormat,
                               strprintf("damaged TIFF (%llu bytes cannot hold a %u x %u picture)",
                                         static_cast<unsigned long long>(stored), w, h));
    Kymograph k;
    k.times = times;
    k.points = points;
    try {
        k.values.resize(size_t(w) * h);
    } catch (const std::bad_alloc&) {
        return Status::failure(StatusCode::NoMemory, "not enough memory for the kymograph");
    }
    std::vector<uint8_t> buf(static_cast<size_t>(line));
    for (uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(tif, buf.data(), y, 0) < 0) return Status::failure("damaged TIFF");
        for (uint32_t x = 0; x < w; ++x) {
            double v;
            if (bps == 8) {
                v = fmt == SAMPLEFORMAT_INT ? double(int8_t(buf[x])) : double(buf[x]);
            } else {
                uint16_t u;
                std::memcpy(&u, buf.data() + size_t(x) * 2, 2);
                v = fmt == SAMPLEFORMAT_INT ? double(int16_t(u)) : double(u);
            }
            const size_t at = timeAlongX ? size_t(x) * points + y : size_t(y) * points + x;
            k.values[at] = v;
        }
    }
    return k;
}

}  // namespace ordavia
