#pragma once
// The archive (PACS) Ordavia sends examinations to: its application entity
// title, host and port, and the title Ordavia calls it with. The
// workstation keeps it in the profile; the command line takes it as
// "AET@HOST:PORT".
#include <string>

#include "base/Result.h"

namespace ordavia {

struct PacsNode {
    std::string aeTitle;
    std::string host;
    int port = 104;
    std::string callingAeTitle = "ORDAVIA";
};

// AE titles are 1 to 16 characters of printable ASCII other than '\\'
// (blanks only inside); the reason says what is wrong.
Status checkAeTitle(const std::string& title, const std::string& what);
// Every field of the node, checked.
Status checkPacsNode(const PacsNode& node);
// "AET@HOST:PORT" (a bracketed IPv6 host too: "AET@[::1]:104").
Result<PacsNode> parsePacsNode(const std::string& text);

}  // namespace ordavia
