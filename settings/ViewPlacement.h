#pragma once
// A window's placement as kept in the profile, in the section named after
// its view class: "showcmd" (1 normal, 2 minimised, 3 maximised), the
// minimised and maximised positions "minx", "miny", "maxx", "maxy", and the
// normal rectangle "left", "top", "right", "bottom" (right and bottom
// exclusive).
#include <string>

class ProfileStore;

namespace ordavia {

struct ViewPlacement {
    int showcmd = 1;
    int minx = 0, miny = 0, maxx = 0, maxy = 0;
    int left = 0, top = 0, right = 0, bottom = 0;

    static constexpr int kNormal = 1;
    static constexpr int kMinimized = 2;
    static constexpr int kMaximized = 3;

    // Reads the section; every key that is missing keeps its value in defaults.
    static ViewPlacement load(const ProfileStore& profile, const std::string& section, const ViewPlacement& defaults);
    void save(const ProfileStore& profile, const std::string& section) const;

    // The first placement of a results window: the lower half of a frame
    // of the given size.
    static ViewPlacement lowerHalf(int frameWidth, int frameHeight);
};

}  // namespace ordavia
