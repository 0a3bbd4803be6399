#include "dicom/PacsNode.h"

#include <cstdlib>

namespace ordavia {

Status checkAeTitle(const std::string& t, const std::string& what) {
    if (t.empty() || t.size() > 16) return Status::failure(what + " '" + t + "' must have 1 to 16 characters");
    for (char c : t)
        if (c < 0x20 || c > 0x7E || c == '\\')
            return Status::failure(what + " '" + t + "' may hold printable ASCII characters other than \\ only");
    if (t.front() == ' ' || t.back() == ' ') return Status::failure(what + " '" + t + "' begins or ends with a blank");
    return Status::success();
}

Status checkPacsNode(const PacsNode& n) {
    if (Status s = checkAeTitle(n.aeTitle, "the archive's AE title"); !s) return s;
    if (Status s = checkAeTitle(n.callingAeTitle, "the calling AE title"); !s) return s;
    if (n.host.empty()) return Status::failure("the archive's host is not set");
    if (n.port < 1 || n.port > 65535) return Status::failure("the archive's port must be from 1 to 65535");
    return Status::success();
}

Result<PacsNode> parsePacsNode(const std::string& text) {
    const std::string form = "'" + text + "' is not AET@HOST:PORT";
    const size_t at = text.find('@');
    const size_t colon = text.rfind(':');
    if (at == std::string::npos || colon == std::string::npos || colon < at) return Status::failure(form);
    PacsNode n;
    n.aeTitle = text.substr(0, at);
    n.host = text.substr(at + 1, colon - at - 1);
    if (n.host.size() > 2 && n.host.front() == '[' && n.host.back() == ']') n.host = n.host.substr(1, n.host.size() - 2);
    const std::string port = text.substr(colon + 1);
    char* end = nullptr;
    const long p = port.empty() ? 0 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || !end || *end != 0 || port[0] == '-' || port[0] == '+') return Status::failure(form);
    n.port = p > 0 && p <= 65535 ? int(p) : 0;
    if (Status s = checkPacsNode(n); !s) return s;
    return n;
}

}  // namespace ordavia
