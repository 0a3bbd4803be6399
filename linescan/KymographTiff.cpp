// Kymographs from other instruments: 8- and 16-bit grey TIFF read with
// libtiff from memory. Private tags of microscope software are common in
// these files; libtiff reads past them, and its warnings about them are
// kept off the terminal.
#include <tiffio.h>

#include <cstring>

#include "image/TiffMemory.h"
#include "linescan/LineScanRun.h"

namespace ordavia {

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
    if (points > 65535 || uint64_t(w) * h > (uint64_t(1) << 26))
        return Status::failure("kymograph too large");
    const tmsize_t line = TIFFScanlineSize(tif);
    if (line < tmsize_t(uint64_t(w) * (bps / 8))) return Status::failure("damaged TIFF");
    Kymograph k;
    k.times = times;
    k.points = points;
    k.values.resize(size_t(w) * h);
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
