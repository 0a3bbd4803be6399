#pragma once
// The workstation's end of the local requests (framework/LocalRequests.h):
// listens on the user's private socket, reads one line per request, checks
// that the sender runs as this user, and queues each well-formed request.
// The queue is served one request at a time from the main event loop, never
// from a socket's read handler and never while a modal dialog runs, so that
// a request whose handling asks the user something cannot be overtaken by
// the next one, and a sender that has gone away leaves nothing behind.
// Every request is answered on its connection: "queued" when read, then
// "ok" or "error REASON" once served (see LocalRequests::kQueued).
// Junk, over-long lines and foreign senders are refused and written to the
// debug log; so is every request served, with its path.
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <string>

#include "base/Result.h"
#include "framework/LocalRequests.h"

class QLocalSocket;
class QTimer;

namespace ordavia {

class RequestServer : public QObject {
    Q_OBJECT
public:
    // Carries out one request: success, or why it was not carried out (no
    // live view for a freeze-and-save, a picture that does not load).
    using Handler = std::function<Status(const LocalRequest&)>;
    // Requests waiting beyond this many are refused at once ("busy").
    static constexpr size_t kMaxQueued = 256;

    RequestServer(Handler handler, QObject* parent = nullptr);
    ~RequestServer() override;

    // Listens at `socketPath` (the user's private socket when empty). A
    // stale socket of a workstation that is gone is replaced; a socket another
    // workstation of this user answers on is left alone (AlreadyExists).
    Status listen(const std::string& socketPath = {});
    std::string socketPath() const { return path_; }
    bool listening() const { return server_.isListening(); }

    int served() const { return served_; }
    int refused() const { return refused_; }
    size_t queued() const { return queue_.size(); }
    // How deep serving ever nested (1 once anything was served; more would
    // mean a request was served inside another's handling).
    int deepestServing() const { return deepest_; }

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        LocalRequest request;
    };
    void onConnection();
    void onReadable(QLocalSocket* socket, bool trusted);
    void onLine(QLocalSocket* socket, const QByteArray& line, bool trusted);
    void refuse(QLocalSocket* socket, const std::string& why);
    void serveQueue();
    static void answer(QLocalSocket* socket, const std::string& line);

    Handler handler_;
    QLocalServer server_;
    QTimer* drain_ = nullptr;
    std::deque<Pending> queue_;
    std::string path_;
    int served_ = 0;
    int refused_ = 0;
    int serving_ = 0;
    int deepest_ = 0;
};

}  // namespace ordavia
