#pragma once
// Where chart image markers post their requests to the running workstation
// (freeze and save the live picture, load a picture). The workstation's
// services carry one (a local-socket sender); without one no image marker
// is made. It sits here, below the charts, so that the services can name it.
#include <cstddef>
#include <string>

namespace ordavia {

class MarkerLink {
public:
    virtual ~MarkerLink() = default;
    // False when no receiving window is running.
    virtual bool post(const std::string& message, const std::string& fileName) = 0;
    static constexpr const char* kFreezeSave = "WM_FREEZE_SAVE";
    static constexpr const char* kAutoLoad = "WM_AUTO_LOAD";
    // The receiving window's name and the longest file name it reads.
    static constexpr const char* kWindowName = "FENWYR";
    static constexpr size_t kMaxFileName = 260;
};

}  // namespace ordavia
