#include "chart/ui/MarkerSender.h"

#include "framework/LocalRequests.h"

namespace ordavia {

MarkerSender::MarkerSender(std::string socketPath) : path_(std::move(socketPath)) {
    if (path_.empty()) {
        Result<std::string> p = localRequestSocketPath();
        if (p) path_ = p.value();
    }
}

bool MarkerSender::post(const std::string& message, const std::string& fileName) {
    return !path_.empty() && sendLocalRequest(path_, message, fileName).ok();
}

}  // namespace ordavia
