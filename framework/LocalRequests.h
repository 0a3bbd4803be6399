#pragma once
// Requests one program of this user sends to the running workstation over a
// local socket: freeze and save the live picture, load a picture, or tell
// that a file was saved. One line per request, "MESSAGE PATH\n", UTF-8, the
// path at most 260 bytes and free of control characters (it may be empty for
// a freeze-and-save, which then picks its own name).
//
// The socket lives in a folder only its user may enter (the user's runtime
// folder, else a private folder in /tmp that is checked, not trusted), and
// the server also checks the peer's user id, so that another user of the
// machine cannot make the workstation save or load anything.
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace ordavia {

struct LocalRequest {
    std::string message;  // one of the kinds below
    std::string path;
};

namespace LocalRequests {
constexpr const char* kFreezeSave = "WM_FREEZE_SAVE";
constexpr const char* kAutoLoad = "WM_AUTO_LOAD";
constexpr const char* kSaving = "WM_SAVING";
// The socket's name inside the private folder (the main window's name).
constexpr const char* kSocketName = "FENWYR";
constexpr size_t kMaxPath = 260;
// A line longer than this is junk, whatever it says.
constexpr size_t kMaxLine = 1024;
// The receiver's answers, one line each: "queued" as soon as it has read a
// request, then "ok" or "error REASON" once it has carried it out.
constexpr const char* kQueued = "queued";
constexpr const char* kOk = "ok";
constexpr const char* kError = "error";
}  // namespace LocalRequests

// The answer line for a request carried out (`done` ok) or not: "ok\n", or
// "error REASON\n" with the reason on one line.
std::string localAnswerLine(const Status& done);
// A received answer line (without its '\n'): success for "ok", a failure
// with the reason for "error REASON", BadFormat for anything else.
Status parseLocalAnswer(std::string_view line);

// The line for a request; fails for an unknown message or a path the
// receiver would refuse.
Result<std::string> localRequestLine(const std::string& message, const std::string& path);
// A received line (without its '\n'): BadFormat for anything but a known
// message, one space and an acceptable path; WM_AUTO_LOAD and WM_SAVING need
// a path.
Result<LocalRequest> parseLocalRequest(std::string_view line);

// The private folder of this user's requests, made when missing: the user's
// runtime folder ($XDG_RUNTIME_DIR) + "/ordavia" when that is a folder of
// this user's, else "/tmp/ordavia-<uid>". Refused (Failed) when the folder
// belongs to someone else or others may enter it.
Result<std::string> localRequestFolder();
// localRequestFolder() + "/" + kSocketName.
Result<std::string> localRequestSocketPath();

// The sockets a notice goes to, from a list of names separated by ';' or
// ',' (a deployment setting): a name holding '/' is a socket's path; any
// other name is a program's socket in this user's private folder `folder`,
// and kSocketName stands for this workstation's own socket, `self`. Blank
// names and repeats are dropped.
std::vector<std::string> localReceiverSockets(const std::string& list, const std::string& folder,
                                              const std::string& self);

// Sends one request to the server listening at `socketPath` and does not
// wait for its answer (the workstation's own notices and image markers,
// which run on the thread that serves the requests); NotFound when nobody
// listens there. Waits at most `timeoutMs` for the connection and the write.
Status sendLocalRequest(const std::string& socketPath, const std::string& message, const std::string& path,
                        int timeoutMs = 500);

// What became of a request sent with requestLocal.
struct LocalAnswer {
    // False when the receiver took the line without a word: a workstation
    // of an earlier version, which carries requests out but never answers.
    bool answered = false;
    // The receiver's answer (success unless it said why not).
    Status result;
};

// Sends one request and waits for the receiver's answer: at most `ackMs` for
// it to take the request, then at most `answerMs` for the outcome. A failure
// when nobody listens, the request cannot be written, or the receiver took
// it and then neither answered in time nor stayed connected.
Result<LocalAnswer> requestLocal(const std::string& socketPath, const std::string& message, const std::string& path,
                                 int ackMs = 2000, int answerMs = 10000);

// True when a workstation listens at `socketPath`.
bool localRequestServerAnswers(const std::string& socketPath, int timeoutMs = 200);

// True when the process at the other end of the connected Unix socket `fd`
// runs as this user.
bool localPeerIsThisUser(int fd);

}  // namespace ordavia
