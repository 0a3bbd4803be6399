// PNG through libpng: reading any bit depth and colour type row by row
// (palette, 16-bit and alpha are reduced to 8-bit grey or blue-green-red),
// writing grey as one 8-bit channel and colour as RGB. The size is checked
// against the pixel ceiling before any row is decoded.
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"

namespace ordavia {

namespace {

// Text and profile chunks are of no use to us; their size is capped so
// that a compressed chunk cannot expand without bound.
constexpr png_alloc_size_t kMaxChunkBytes = 1u << 20;

struct MemReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngError {
    char message[200];
};

void onError(png_structp png, png_const_charp msg) {
    auto* e = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(e->message, sizeof e->message, "%s", msg);
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void readMem(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemReader*>(png_get_io_ptr(png));
    if (n > r->size - r->pos) png_error(png, "file ends early");
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

// Only C objects live in this frame, so the jump back to setjmp skips no
// destructor.
Status decode(MemReader& mem, CZVimage& img, std::vector<uint8_t>& line, bool wantColour, const GreyWeights& w) {
    PngError err{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, onError, onWarning);
    if (!png) return Status::failure("not enough memory to read PNG");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Status::failure("not enough memory to read PNG");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Status::failure(std::string("damaged PNG picture (") + err.message + ")");
    }
    png_set_read_fn(png, &mem, readMem);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
    Status checked = checkPictureSize(width, height);
    // Interlaced rows are only complete after the last pass: the colour
    // picture is held whole, so such files get a quarter of the ceiling.
    if (checked && interlace != PNG_INTERLACE_NONE && uint64_t(width) * height > kMaxPicturePixels / 4)
        checked = Status::failure("interlaced PNG picture too large to open");
    const bool greyFile = !(type & PNG_COLOR_MASK_COLOR);
    const bool colour = !greyFile && wantColour;
    if (checked && (!img.resize(int(width), int(height), colour ? 3 : 1) ||
                    !img.setColour(colour ? CZVimage::kColour : CZVimage::kGrey)))
        checked = Status::failure("not enough memory for the picture");
    if (!checked) {
        png_destroy_read_struct(&png, &info, nullptr);
        return checked;
    }

    if (depth == 16) png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (greyFile && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_strip_alpha(png);
    const bool rgb = type == PNG_COLOR_TYPE_PALETTE || !greyFile;
    if (rgb) png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t channels = rgb ? 3 : 1;
    const bool direct = channels == (colour ? 3u : 1u);
    if (passes > 1 && !direct) {
        // Every pass adds pixels to the rows of the previous ones.
        line.assign(size_t(width) * channels * height, 0);
        for (int p = 0; p < passes; ++p)
            for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, line.data() + size_t(y) * width * channels, nullptr);
    } else if (!direct) {
        line.assign(size_t(width) * channels, 0);
    }
    for (int p = 0; p < (direct ? passes : 1); ++p) {
        for (png_uint_32 y = 0; y < height; ++y) {
            uint8_t* dst = img.row(int(y));
            if (direct) {
                png_read_row(png, dst, nullptr);
                continue;
            }
            const uint8_t* src = line.data();
            if (passes > 1)
                src += size_t(y) * width * channels;
            else
                png_read_row(png, line.data(), nullptr);
            for (png_uint_32 x = 0; x < width; ++x, src += 3)
                dst[x] = uint8_t(weightedGrey(w.blue, src[0], w.green, src[1], w.red, src[2]));
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return Status::success();
}

struct WriteState {
    int fd;
    int err;
};

void writeFd(png_structp png, png_bytep data, png_size_t n) {
    auto* s = static_cast<WriteState*>(png_get_io_ptr(png));
    if (!writeAll(s->fd, data, n)) {
        s->err = errno;
        png_error(png, "write failed");
    }
}
void flushFd(png_structp) {}

Status encode(const CZVimage& img, int fd, const std::string& path) {
    PngError err{};
    WriteState ws{fd, 0};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, onError, onWarning);
    if (!png) return Status::failure(path + ": not enough memory to write PNG");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return Status::failure(path + ": not enough memory to write PNG");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (ws.err) return errnoStatus(path, ws.err);
        return Status::failure(path + ": " + err.message);
    }
    png_set_write_fn(png, &ws, writeFd, flushFd);
    const bool colour = img.colour() == CZVimage::kColour;
    png_set_IHDR(png, info, png_uint_32(img.width()), png_uint_32(img.rows()), 8,
                 colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (colour) png_set_bgr(png);
    for (int y = 0; y < img.rows(); ++y) png_write_row(png, const_cast<png_bytep>(img.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return Status::success();
}

}  // namespace

Status readPng(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return Status::failure("not a PNG picture");
    MemReader mem{data, size, 0};
    CZVimage img;
    std::vector<uint8_t> line;
    Status s = decode(mem, img, line, out.colour() == CZVimage::kColour, w);
    if (!s) return s;
    img.setTag(0);
    img.setInterlace(0);
    out.adoptData(std::move(img));
    return s;
}

Status writePng(const CZVimage& src, const std::string& path) {
    if (src.isEmpty()) return Status::failure(path + ": empty image");
    // Bayer data go out demosaiced, as in bitmaps.
    CZVimage demosaiced;
    const CZVimage* img = &src;
    if (src.colour() == CZVimage::kBayer) {
        if (!src.demosaicTo(demosaiced)) return Status::failure(path + ": not enough memory");
        img = &demosaiced;
    }
    auto temp = openSaveTemp(path);
    if (!temp) return temp.status();
    if (Status s = encode(*img, temp->fd, path); !s) {
        abandonSaveTemp(*temp);
        return s;
    }
    return commitSaveTemp(*temp);
}

}  // namespace ordavia
