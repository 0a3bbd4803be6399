#include "chart/ui/MarkerSender.h"

#include <QLocalSocket>

namespace ordavia {

QByteArray MarkerSender::requestLine(const std::string& message, const std::string& fileName) {
    QByteArray line = QByteArray::fromStdString(message);
    line += ' ';
    line += QByteArray::fromStdString(fileName.substr(0, kMaxFileName));
    line += '\n';
    return line;
}

bool MarkerSender::post(const std::string& message, const std::string& fileName) {
    if (fileName.find('\n') != std::string::npos) return false;
    QLocalSocket socket;
    socket.connectToServer(server_, QIODevice::WriteOnly);
    if (!socket.waitForConnected(250)) return false;
    socket.write(requestLine(message, fileName));
    const bool ok = socket.waitForBytesWritten(250);
    socket.disconnectFromServer();
    return ok;
}

}  // namespace ordavia
