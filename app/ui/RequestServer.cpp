#include "app/ui/RequestServer.h"

#include <QApplication>
#include <algorithm>
#include <csignal>
#include <QLocalSocket>
#include <QTimer>

#include "settings/DebugLog.h"

namespace ordavia {

namespace {
// While a modal dialog runs the queue waits and looks again this often.
constexpr int kModalRetryMs = 200;
}  // namespace

RequestServer::RequestServer(Handler handler, QObject* parent) : QObject(parent), handler_(std::move(handler)) {
    // An answer to a sender that has already gone must fail with EPIPE, not
    // end the workstation with SIGPIPE (the socket writes with write(2)).
    ::signal(SIGPIPE, SIG_IGN);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &RequestServer::onConnection);
    drain_ = new QTimer(this);
    drain_->setSingleShot(true);
    connect(drain_, &QTimer::timeout, this, &RequestServer::serveQueue);
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
        // The socket goes when its sender does; queued requests hold it
        // through a guarded pointer and find it gone.
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, trusted] { onReadable(socket, trusted); });
    }
}

void RequestServer::onReadable(QLocalSocket* socket, bool trusted) {
    // Only reading and queueing here: whatever serving a request does
    // (dialogs, new windows) happens after this handler has returned. Every
    // complete line is taken before any answer is written: writing to a
    // sender that has already closed its end closes ours, and what it sent
    // last would be lost.
    QList<QByteArray> lines;
    bool tooLong = false;
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine(LocalRequests::kMaxLine + 2);
        if (!line.endsWith('\n')) {
            tooLong = true;
            break;
        }
        line.chop(1);
        lines << line;
    }
    tooLong = tooLong || (!socket->canReadLine() && socket->bytesAvailable() > qint64(LocalRequests::kMaxLine));
    QPointer<QLocalSocket> guard(socket);
    for (const QByteArray& line : lines) onLine(guard, line, trusted);
    if (tooLong) {
        // Longer than any request: junk. Drop the connection.
        ++refused_;
        debugLog("local request refused: line too long\n");
        if (guard) guard->abort();
    }
}

void RequestServer::refuse(QLocalSocket* socket, const std::string& why) {
    ++refused_;
    answer(socket, localAnswerLine(Status::failure(why)));
}

void RequestServer::onLine(QLocalSocket* socket, const QByteArray& line, bool trusted) {
    if (!trusted) {
        debugLog("local request refused: the sender runs as another user\n");
        refuse(socket, "refused");
        return;
    }
    Result<LocalRequest> r = parseLocalRequest(std::string_view(line.constData(), size_t(line.size())));
    if (!r) {
        debugLog("local request ignored: %s\n", r.reason().c_str());
        refuse(socket, r.reason());
        return;
    }
    if (queue_.size() >= kMaxQueued) {
        debugLog("local request %s %s refused: %zu requests wait already\n", r->message.c_str(), r->path.c_str(),
                 queue_.size());
        refuse(socket, "the workstation is busy with earlier requests");
        return;
    }
    queue_.push_back({socket, std::move(r.value())});
    answer(socket, std::string(LocalRequests::kQueued) + "\n");
    if (!drain_->isActive()) drain_->start(0);
}

void RequestServer::serveQueue() {
    // One request at a time: a handler that waits for the user lets events
    // run, and this must not start the next request inside it.
    if (serving_ > 0) return;
    // Nor inside someone else's dialog: the user is being asked something,
    // perhaps about the very document a request would change.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        drain_->start(kModalRetryMs);
        return;
    }
    if (queue_.empty()) return;
    Pending p = std::move(queue_.front());
    queue_.pop_front();
    ++serving_;
    deepest_ = std::max(deepest_, serving_);
    const Status done = handler_ ? handler_(p.request) : Status::failure("nothing serves requests");
    --serving_;
    ++served_;
    debugLog("local request %s %s: %s\n", p.request.message.c_str(), p.request.path.c_str(),
             done ? "served" : ("ignored: " + done.reason()).c_str());
    // The sender may have gone while the request waited or ran.
    if (p.socket) answer(p.socket, localAnswerLine(done));
    if (!queue_.empty()) drain_->start(0);
}

void RequestServer::answer(QLocalSocket* socket, const std::string& line) {
    if (!socket || socket->state() != QLocalSocket::ConnectedState) return;
    // A sender that has gone (or never reads) gets no answer.
    socket->write(line.data(), qint64(line.size()));
    socket->flush();
}

}  // namespace ordavia
