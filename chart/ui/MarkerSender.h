#pragma once
// Image markers' requests to the running workstation over a local socket
// named after the main window ("FENWYR"): one line per request,
// "WM_FREEZE_SAVE <file>" or "WM_AUTO_LOAD <file>", file names of at most
// 260 characters, UTF-8, ended by '\n'. The sender does not wait for an
// answer; a missing receiver makes post() return false.
#include <QString>

#include "chart/CMarker.h"

namespace ordavia {

class MarkerSender : public MarkerLink {
public:
    explicit MarkerSender(QString serverName = QString::fromLatin1(kWindowName)) : server_(std::move(serverName)) {}
    bool post(const std::string& message, const std::string& fileName) override;
    static QByteArray requestLine(const std::string& message, const std::string& fileName);

private:
    QString server_;
};

}  // namespace ordavia
