#pragma once
// "Calculate &FCF": the selection of a video cut into blocks of n frames,
// one flow document per block. The workstation computes one block per
// timer tick so that the program stays responsive and the run can be
// cancelled between blocks; the command-line tool runs them in a loop.
#include <memory>
#include <string>

#include "base/Result.h"

class CMotivaDoc;
class fcfdoc;

namespace ordavia {

class FcfRun {
public:
    static constexpr const char* kPrompt = "number of frames per FCD (-1 to use whole video or selection)";
    static constexpr const char* kProgressTitle = "Calculating Functional Capillary Flow";

    // The selection [first, last) of the video (first < 0 is 0, last < 0
    // the frame count) in blocks of n frames; n <= 0 takes the selection
    // whole. Fails without frames.
    Status start(CMotivaDoc& video, int blockSize);
    bool done() const { return video_ == nullptr || next_ >= last_; }
    // "processing images %i to %i" of the block in hand.
    std::string progressText() const;
    int first() const { return first_; }
    int last() const { return last_; }
    int next() const { return next_; }
    int blockCount() const;
    // Threshold and gain of the documents, instead of the profile's.
    void setValues(double threshold, double gain, bool ignoreDrift) {
        threshold_ = threshold;
        gain_ = gain;
        ignoreDrift_ = ignoreDrift;
        ownValues_ = true;
    }

    // The next block as a new document: the video's calibration, title
    // "TITLE FCF-a-b", modified, and its results row added.
    Result<std::unique_ptr<fcfdoc>> step();

private:
    CMotivaDoc* video_ = nullptr;
    int block_ = 0, first_ = 0, last_ = 0, next_ = 0;
    bool ownValues_ = false, ignoreDrift_ = false;
    double threshold_ = 0, gain_ = 0;
};

}  // namespace ordavia
