#pragma once
// What the "Edit Marker" dialog changes of a chart marker.
#include <cstdint>
#include <string>

namespace ordavia {

struct MarkerProperties {
    std::string label, description;
    int32_t width = 2, height = 1, pole = 3;
};

}  // namespace ordavia
