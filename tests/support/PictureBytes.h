#pragma once
// Byte builders for camera pictures and hostile ones: JPEG through libjpeg,
// PNG chunk by chunk (so that a header can claim any size), and a deflated
// TIFF whose few compressed bytes stand for a huge picture.
#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

// A baseline (or progressive) JPEG of w x h pixels, colour as RGB triples
// from f(x, y, channel) or grey from f(x, y, 0).
template <class F>
std::vector<uint8_t> jpegBytes(int w, int h, bool colour, F f, bool progressive = false, int quality = 95) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = colour ? 3 : 1;
    c.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * (colour ? 3 : 1));
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < (colour ? 3 : 1); ++k) row[size_t(x) * (colour ? 3 : 1) + k] = uint8_t(f(x, y, k));
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    free(mem);
    return out;
}

// Sets the size fields of the first start-of-frame marker.
inline void patchJpegSize(std::vector<uint8_t>& b, uint16_t w, uint16_t h) {
    for (size_t i = 2; i + 9 < b.size(); ++i) {
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = uint8_t(h >> 8);
            b[i + 6] = uint8_t(h);
            b[i + 7] = uint8_t(w >> 8);
            b[i + 8] = uint8_t(w);
            return;
        }
    }
}

class PngBuilder {
public:
    PngBuilder() { bytes_ = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }
    PngBuilder& chunk(const char* type, const std::vector<uint8_t>& data) {
        be32(uint32_t(data.size()));
        const size_t start = bytes_.size();
        bytes_.insert(bytes_.end(), type, type + 4);
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        be32(uint32_t(crc32(0, bytes_.data() + start, uInt(bytes_.size() - start))));
        return *this;
    }
    // colourType 0 grey, 2 RGB; 8 bits per sample.
    PngBuilder& header(uint32_t w, uint32_t h, uint8_t colourType, uint8_t interlace = 0) {
        std::vector<uint8_t> d;
        put(d, w);
        put(d, h);
        d.insert(d.end(), {8, colourType, 0, 0, interlace});
        return chunk("IHDR", d);
    }
    // Filter byte 0 before every row of raw samples, deflated.
    PngBuilder& rows(const std::vector<uint8_t>& raw) {
        uLongf n = compressBound(uLong(raw.size()));
        std::vector<uint8_t> z(n);
        compress2(z.data(), &n, raw.data(), uLong(raw.size()), 9);
        z.resize(n);
        return chunk("IDAT", z);
    }
    std::vector<uint8_t> end() {
        chunk("IEND", {});
        return bytes_;
    }

private:
    static void put(std::vector<uint8_t>& d, uint32_t v) {
        for (int i = 3; i >= 0; --i) d.push_back(uint8_t(v >> (8 * i)));
    }
    void be32(uint32_t v) { put(bytes_, v); }
    std::vector<uint8_t> bytes_;
};

// A deflate-compressed 8-bit grey TIFF claiming w x h pixels in strips of
// `rowsPerStrip` rows, of which only the first `written` rows (zeros) are
// there; written to `path` with libtiff.
inline bool writeDeflatedZeroTiff(const std::string& path, uint32_t w, uint32_t h, uint32_t rowsPerStrip,
                                  uint32_t written) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<uint8_t> line(w, 0);
    bool ok = true;
    for (uint32_t y = 0; y < written && y < h && ok; ++y) ok = TIFFWriteScanline(t, line.data(), y, 0) >= 0;
    TIFFClose(t);
    return ok;
}

}  // namespace testsupport
