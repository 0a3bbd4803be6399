#pragma once
// Image markers' requests to the running workstation: "WM_FREEZE_SAVE
// <file>" or "WM_AUTO_LOAD <file>" as local requests (see
// framework/LocalRequests.h) on this user's private socket. The sender does
// not wait for an answer; a missing receiver makes post() return false.
#include <string>

#include "chart/CMarker.h"

namespace ordavia {

class MarkerSender : public MarkerLink {
public:
    // The user's private socket when `socketPath` is empty.
    explicit MarkerSender(std::string socketPath = {});
    bool post(const std::string& message, const std::string& fileName) override;

private:
    std::string path_;
};

}  // namespace ordavia
