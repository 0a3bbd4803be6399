#pragma once
// MoviePass: the state of one processing pass over a movie. While a pass
// runs, every frame the movie leaves is written to the pass's output (a
// new ".mve" or ".avi" beside the movie, or the frames back in place), and
// the frame table the output will carry grows by one; finishing reopens
// the movie on the output, abandoning removes it. The movie owns one and
// forwards its openprocessing, leaveFrame, FinishProcessing and
// abandonProcessing to it; the pass functions of MoviePasses.h drive it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Result.h"
#include "video/FrameInfo.h"

class CZVMovie;

namespace ordavia {

class AviWriter;

class MoviePass {
public:
    MoviePass();
    ~MoviePass();
    MoviePass(const MoviePass&) = delete;
    MoviePass& operator=(const MoviePass&) = delete;

    bool running() const { return running_; }
    // Writes into the movie's own frames rather than a new output.
    bool inPlace() const { return inPlace_; }
    // The frames written so far.
    int written() const { return static_cast<int>(table_.size()); }

    // Any pass still running is abandoned first.
    Status open(CZVMovie& movie, bool inPlace, const std::string& outputName);
    // The movie's current frame, as it is being left.
    void writeLeftFrame(CZVMovie& movie);
    // Ends the pass without keeping its output.
    void abandon();
    // Ends the pass and reopens the movie on what it wrote; a write that
    // failed on the way fails it (and the output is removed).
    Status finish(CZVMovie& movie);

private:
    bool running_ = false;
    bool inPlace_ = false;
    int fd_ = -1;  // separate ".mve" output, or -1
    int64_t pos_ = 0;
    bool headerWritten_ = false;
    size_t rowBytes_ = 0;
    std::string error_;  // the first write that failed
    std::string name_;
    FrameInfoList table_;
    std::unique_ptr<AviWriter> avi_;
};

}  // namespace ordavia
