#pragma once
// Foreign videos through FFmpeg (libavformat/libavcodec/libswscale): the
// first video stream of any container FFmpeg reads, its rate and scale,
// an exact frame count (from the index, or counted by one scan of the
// packets when the container does not say), and random access to frame i
// as a grey picture. Sequential reading never seeks: the decoder position
// is kept and a seek happens only when the wanted frame lies behind it or
// beyond the next key frame.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

class AviReader {
public:
    ~AviReader();
    // Refuses what is not a regular file (a FIFO would block), and frames
    // larger than the file's bytes can hold or than a fixed ceiling.
    static Result<std::unique_ptr<AviReader>> open(const std::string& path);
    // The same for a video held in memory; the bytes must outlive the reader.
    static Result<std::unique_ptr<AviReader>> openMemory(const uint8_t* data, size_t size);

    int width() const;
    int height() const;
    int count() const;
    // The frame count the container's header declares (0 when it does not
    // say); more than count() when the file was cut short.
    int declaredFrames() const;
    // "the video is truncated: its header declares 300 frames, 212 are
    // there", or empty.
    std::string truncation() const;
    int rate() const;
    int scale() const;
    const std::string& container() const;
    const std::string& codec() const;
    // Decodes frame i into `grey` (resized to a grey whole frame when its
    // shape differs). False when the frame cannot be decoded; the image is
    // then filled with black so that no stale frame is shown. A damaged
    // frame costs its own packet: reading goes on after it without
    // decoding from the start again, and asking for it again is free.
    bool readFrame(int i, CZVimage& grey);
    // Frames decoded and seeks made since opening (for tests and benchmarks).
    int decodedFrames() const;
    int seeks() const;

private:
    AviReader();
    struct Impl;
    struct Source;
    static Result<std::unique_ptr<AviReader>> openWith(const std::string& name, std::unique_ptr<Source> source);
    std::unique_ptr<Source> source_;  // declared before d_: FFmpeg's context goes first
    std::unique_ptr<Impl> d_;
};

}  // namespace ordavia
