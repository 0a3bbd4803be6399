#pragma once
// The workstation's end of the local requests (framework/LocalRequests.h):
// listens on the user's private socket, reads one line per request, checks
// that the sender runs as this user, and hands each well-formed request to
// the frame. Junk, over-long lines and foreign senders are ignored and
// written to the debug log; so is every request served, with its path.
#include <QLocalServer>
#include <QObject>
#include <functional>
#include <string>

#include "base/Result.h"
#include "framework/LocalRequests.h"

namespace ordavia {

class RequestServer : public QObject {
    Q_OBJECT
public:
    // Answers true when the request was carried out, false when it was
    // ignored (no live view for a freeze-and-save, say).
    using Handler = std::function<bool(const LocalRequest&)>;

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

private:
    void onConnection();
    void onLine(const QByteArray& line, bool trusted);

    Handler handler_;
    QLocalServer server_;
    std::string path_;
    int served_ = 0;
    int refused_ = 0;
};

}  // namespace ordavia
