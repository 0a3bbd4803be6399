#pragma once
// Offsets to a fraction of a pixel, kept beside the whole-pixel offsets of
// the frame table, whose 16-byte records have no room for them. Each entry
// remembers the whole offsets it refines: once a frame is moved by hand or
// reset, its fraction no longer applies and is ignored.
//
// Stored beside a ".dcs" as a text file of the same name with extension
// ".zvoff": a header line, "frames=N", then "i, x, y, fx, fy" per frame
// (whole offsets, then the refined ones).
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "video/FrameInfo.h"

namespace ordavia {

struct FineOffset {
    bool set = false;
    int32_t x = 0, y = 0;   // the whole offsets refined
    double fx = 0, fy = 0;  // the refined offsets
};

class FineOffsets {
public:
    static constexpr const char* kExtension = ".zvoff";
    static constexpr const char* kHeader = "ordavia sub-pixel offsets";

    void clear() { v_.clear(); }
    bool empty() const;
    void set(int frame, int32_t x, int32_t y, double fx, double fy);
    // Entries of `other` that are set replace ours.
    void merge(const FineOffsets& other);
    // The refined offsets of a frame when they still belong to (x, y).
    bool get(int frame, int32_t x, int32_t y, double& fx, double& fy) const;
    const std::vector<FineOffset>& entries() const { return v_; }

    std::string format() const;
    // Reads what format() writes; at most `maxFrames` frames.
    static Result<FineOffsets> parse(const std::string& text, int maxFrames);

private:
    std::vector<FineOffset> v_;
};

}  // namespace ordavia
