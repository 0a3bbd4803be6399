#pragma once
// Writes videos. Without a codec the output is an uncompressed AVI written
// by our own RIFF writer: bottom-up device-independent bitmaps, 24-bit
// (blue, green, red) for colour or 8-bit with a grey palette, every frame a
// key frame, an "idx1" index: the form every player and ffprobe reads.
// With a codec name ("ffv1", "mjpeg", "libx264", "mpeg4" ...) FFmpeg's
// encoder and muxer write the container of the file's extension (AVI,
// MKV, MP4, MOV), key frames flagged by the encoder.
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

class AviWriter {
public:
    struct Params {
        int width = 0;
        int height = 0;      // frame rows as stored
        bool colour = false;  // 24-bit, else 8-bit grey
        int rate = 25;        // frames per second = rate / scale
        int scale = 1;
        std::string codec;    // empty: uncompressed AVI
    };

    ~AviWriter();
    static Result<std::unique_ptr<AviWriter>> open(const std::string& path, const Params& p);
    // The next frame; a frame of another size or colour is converted
    // (cropped or padded with black, colour to grey).
    Status write(const CZVimage& frame);
    // Finishes the file (index, headers); the writer is closed afterwards.
    // A file that could not be finished is thrown away, unless asked to
    // keep it (a recording keeps what reached the disc: the reader copes
    // with a missing index).
    Status close(bool keepPartial = false);
    int frames() const;
    const std::string& path() const;

    // Codecs this FFmpeg build can encode among those we offer, best first.
    static std::vector<std::string> availableCodecs();

private:
    AviWriter();
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace ordavia
