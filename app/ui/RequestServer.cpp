#include "app/ui/RequestServer.h"

#include <QLocalSocket>
#include <QPointer>

#include "settings/DebugLog.h"

namespace ordavia {

RequestServer::RequestServer(Handler handler, QObject* parent) : QObject(parent), handler_(std::move(handler)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &RequestServer::onConnection);
}

RequestServer::~RequestServer() { server_.close(); }

Status RequestServer::listen(const std::string& socketPath) {
    std::string path = socketPath;
    if (path.empty()) {
        Result<std::string> p = localRequestSocketPath();
        if (!p) return p.status();
        path = p.value();
    }
    // Another workstation of this user already answers there: leave it be.
    if (localRequestServerAnswers(path))
        return Status::failure(StatusCode::AlreadyExists, "another workstation listens at " + path);
    QLocalServer::removeServer(QString::fromStdString(path));
    if (!server_.listen(QString::fromStdString(path)))
        return Status::failure(StatusCode::IoError, "cannot listen at " + path + ": " + server_.errorString().toStdString());
    path_ = path;
    debugLog("local requests: listening at %s\n", path_.c_str());
    return {};
}

void RequestServer::onConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        const bool trusted = localPeerIsThisUser(int(socket->socketDescriptor()));
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, trusted] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine(LocalRequests::kMaxLine + 2);
                if (!line.endsWith('\n')) {
                    // Longer than any request: junk. Drop the connection.
                    ++refused_;
                    debugLog("local request refused: line too long\n");
                    socket->abort();
                    return;
                }
                line.chop(1);
                onLine(line, trusted);
            }
            if (socket->bytesAvailable() > qint64(LocalRequests::kMaxLine)) {
                ++refused_;
                debugLog("local request refused: line too long\n");
                socket->abort();
            }
        });
    }
}

void RequestServer::onLine(const QByteArray& line, bool trusted) {
    if (!trusted) {
        ++refused_;
        debugLog("local request refused: the sender runs as another user\n");
        return;
    }
    Result<LocalRequest> r = parseLocalRequest(std::string_view(line.constData(), size_t(line.size())));
    if (!r) {
        ++refused_;
        debugLog("local request ignored: %s\n", r.reason().c_str());
        return;
    }
    const bool done = handler_ ? handler_(r.value()) : false;
    ++served_;
    debugLog("local request %s %s: %s\n", r->message.c_str(), r->path.c_str(), done ? "served" : "ignored");
}

}  // namespace ordavia
