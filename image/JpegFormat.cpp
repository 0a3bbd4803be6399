// JPEG through libjpeg(-turbo), read from memory. Colour pictures become
// grey with the same weights and truncation as 24-bit bitmaps, unless the
// image asked for colour (as BMP reading does). The size is checked against
// the pixel ceiling before decoding, libjpeg's own memory is capped, and a
// progressive file may not have more scans than any encoder writes.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
// The message codes, to tell a cut-short file from harmless warnings.
#include <jerror.h>

#include "base/Text.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"

namespace ordavia {

namespace {

// libjpeg's working memory beyond our own picture (progressive files keep
// every coefficient of the picture).
constexpr long kMaxDecoderMemory = 160L << 20;
// Encoders write about ten scans; thousands of tiny scans only cost time.
constexpr int kMaxScans = 256;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // libjpeg only warns when the data end early and makes up the rest of
    // the picture in grey; we refuse it instead.
    bool endedEarly;
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    // Other warnings (stray bytes before a marker, say) are common in
    // camera files and harmless; they stay quiet.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorManager*>(cinfo->err)->endedEarly = true;
}

struct ScanLimit {
    jpeg_progress_mgr pub;
};

void onProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "JPEG with more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

}  // namespace

namespace {

// Decodes into img; only C objects live in this frame, so the jump back to
// setjmp skips no destructor.
Status decode(const uint8_t* data, size_t size, CZVimage& img, std::vector<uint8_t>& line, bool wantColour,
              const GreyWeights& w) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanLimit progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = '\0';
    err.endedEarly = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        if (err.endedEarly)
            return Status::failure(strprintf("truncated JPEG picture: the file (%zu bytes) ends before its picture "
                                             "data (%s)",
                                             size, err.message));
        return Status::failure(std::string("damaged JPEG picture (") + err.message + ")");
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    progress.pub.progress_monitor = onProgress;
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    Status checked = checkPictureSize(cinfo.image_width, cinfo.image_height);
    if (checked && (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK))
        checked = Status::failure("CMYK JPEG pictures are not supported");
    const bool greyFile = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool colour = !greyFile && wantColour;
    const int width = static_cast<int>(cinfo.image_width);
    const int rows = static_cast<int>(cinfo.image_height);
    if (checked &&
        (!img.resize(width, rows, colour ? 3 : 1) || !img.setColour(colour ? CZVimage::kColour : CZVimage::kGrey)))
        checked = Status::failure("not enough memory for the picture");
    if (!checked) {
        jpeg_destroy_decompress(&cinfo);
        return checked;
    }
    cinfo.out_color_space = greyFile ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (!greyFile && !colour) line.resize(static_cast<size_t>(width) * 3);
    unsigned rowsWhole = 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        if (err.endedEarly) break;
        rowsWhole = cinfo.output_scanline;
        uint8_t* dst = img.row(static_cast<int>(cinfo.output_scanline));
        JSAMPROW target = (greyFile || colour) ? dst : line.data();
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) break;
        if (!greyFile && !colour) {
            const uint8_t* p = line.data();
            for (int x = 0; x < width; ++x, p += 3)
                dst[x] = uint8_t(weightedGrey(w.blue, p[0], w.green, p[1], w.red, p[2]));
        }
    }
    const bool progressive = jpeg_has_multiple_scans(&cinfo);
    const int scans = cinfo.input_scan_number;
    if (!err.endedEarly) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.endedEarly) {
        // Say what is missing: the rows of a sequential picture, the later
        // (finer) scans of a progressive one.
        if (progressive)
            return Status::failure(strprintf("truncated JPEG picture: the file (%zu bytes) ends in scan %d, before the "
                                             "picture is complete",
                                             size, scans));
        return Status::failure(strprintf("truncated JPEG picture: the file (%zu bytes) ends after row %u of %d; rows "
                                         "%u to %d are missing",
                                         size, rowsWhole, rows, rowsWhole + 1, rows));
    }
    return Status::success();
}

}  // namespace

Status readJpeg(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return Status::failure("not a JPEG picture");
    CZVimage img;
    std::vector<uint8_t> line;
    Status s = decode(data, size, img, line, out.colour() == CZVimage::kColour, w);
    if (!s) return s;
    img.setTag(0);
    img.setInterlace(0);
    out.adoptData(std::move(img));
    return s;
}

}  // namespace ordavia
