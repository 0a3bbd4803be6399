#pragma once
// Whether the Doppler shift is being measured or is pinned to the top of
// the band. When the detection threshold lies under the spectrum's noise
// floor, the edge methods find "signal" in every bin and read the highest
// frequency of the band in every block: a flat, fast, meaningless trace
// that looks like a measurement. The watch counts, over the blocks of a
// window (or of a whole recording), the blocks whose shift sits at the top
// of the band or whose threshold lies under the noise floor for a method
// that reads the edge, and says so in words when they are most of them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ordavia {

class SaturationWatch {
public:
    // Fewer blocks than this say nothing either way.
    static constexpr uint64_t kMinBlocks = 8;

    // window: the newest `window` blocks count; 0: every block since the
    // last reset.
    explicit SaturationWatch(size_t window = 0) { reset(window); }
    void reset(size_t window);

    // The noise floor of a spectrum of n bins: the mean power of its top
    // 16 bins (or all of them when fewer), where no red cell is fast enough
    // to reach and only noise is left.
    static double noiseFloorOf(const double* p, int n);
    // Whether one block's result reads the noise rather than the flow: its
    // shift (bins) in the top 1/32 of the n-bin band, or, for the methods
    // that start from the edge (0 maximum, 1 peak, 4 automatic), a
    // threshold under its noise floor: every bin is then above it.
    static bool blockSaturated(double shift, int n, double noiseFloor, int32_t threshold, int method);

    void add(double shift, int n, double noiseFloor, int32_t threshold, int method);

    uint64_t blocks() const { return blocks_; }
    uint64_t saturatedBlocks() const { return saturated_; }
    // More than half of at least kMinBlocks blocks.
    bool saturated() const { return blocks_ >= kMinBlocks && 2 * saturated_ > blocks_; }
    // Mean noise floor of the counted blocks.
    double noiseFloor() const { return blocks_ ? floorSum_ / double(blocks_) : 0.0; }
    int32_t lastThreshold() const { return threshold_; }
    // What the user is told while saturated(); empty otherwise.
    std::string warning() const;

private:
    size_t window_ = 0;
    std::vector<double> floors_;    // ring of the window's floors
    std::vector<uint8_t> flags_;    // and whether each block was saturated
    size_t next_ = 0;
    uint64_t blocks_ = 0, saturated_ = 0;
    double floorSum_ = 0.0;
    int32_t threshold_ = 0;
};

}  // namespace ordavia
