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
}  // namespace LocalRequests

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

// Sends one request to the server listening at `socketPath`; NotFound when
// nobody listens there. Waits at most `timeoutMs` for the connection and the
// write.
Status sendLocalRequest(const std::string& socketPath, const std::string& message, const std::string& path,
                        int timeoutMs = 500);

// True when a workstation listens at `socketPath`.
bool localRequestServerAnswers(const std::string& socketPath, int timeoutMs = 200);

// True when the process at the other end of the connected Unix socket `fd`
// runs as this user.
bool localPeerIsThisUser(int fd);

}  // namespace ordavia
