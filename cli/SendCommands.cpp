// Requests to this user's running workstation: "send freeze-save [FILE]"
// freezes and saves the live picture, "send autoload FILE" opens a picture
// in the auto-load window, "send saving FILE" tells that a file was saved.
// The workstation answers whether it carried the request out; one of an
// earlier version takes requests without answering, and then "sent" is all
// that can be said.
#include <string>

#include "base/JsonWriter.h"
#include "cli/CliCommand.h"
#include "framework/LocalRequests.h"

using namespace ordavia;

namespace {

int runSend(const CliArgs& a) {
    if (a.positional.empty()) return cliError("send: which request? freeze-save, autoload or saving");
    const std::string& kind = a.positional[0];
    const std::string path = a.positional.size() > 1 ? a.positional[1] : std::string();
    if (a.positional.size() > 2) return cliError("send: one file name at most");
    std::string message;
    if (kind == "freeze-save") message = LocalRequests::kFreezeSave;
    else if (kind == "autoload") message = LocalRequests::kAutoLoad;
    else if (kind == "saving") message = LocalRequests::kSaving;
    else return cliError("send: unknown request " + kind + " (freeze-save, autoload or saving)");
    int waitSeconds = 10;
    if (auto w = a.get("--wait")) {
        try {
            waitSeconds = std::stoi(*w);
        } catch (...) {
            waitSeconds = -1;
        }
        if (waitSeconds < 0 || waitSeconds > 3600) return cliError("send: --wait takes seconds from 0 to 3600");
    }

    std::string socket = a.get("--socket").value_or("");
    if (socket.empty()) {
        Result<std::string> p = localRequestSocketPath();
        if (!p) return cliError("send: " + p.reason());
        socket = p.value();
    }
    const Result<LocalAnswer> r = requestLocal(socket, message, path, 2000, waitSeconds * 1000);
    // Not delivered, or delivered and refused or failed, or delivered to a
    // workstation that does not say.
    const Status failure = !r ? r.status() : r->result;
    const bool answered = r && r->answered;
    if (a.json()) {
        JsonWriter w;
        w.beginObject();
        w.field("request", message).field("path", path).field("socket", socket).field("sent", r.ok());
        w.field("answered", answered).field("done", r.ok() && answered && failure.ok());
        if (!failure) w.field("error", failure.reason());
        w.endObject();
        cliOut(w.str() + "\n");
    }
    if (!failure) return a.json() ? 1 : cliError("send: " + failure.reason());
    if (!a.json())
        cliOut(std::string(answered ? "done " : "sent (the workstation does not answer requests) ") + message +
               (path.empty() ? "" : " " + path) + "\n");
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "send", "send freeze-save [FILE] | autoload FILE | saving FILE [--socket PATH] [--wait SECONDS] [--json]",
    "Sends a request to this user's running workstation: freeze and save the\n"
    "live picture (under FILE, or a name of its own), open FILE in the auto-load\n"
    "picture window, or tell that FILE was saved, and waits up to --wait seconds\n"
    "(10) for the workstation to carry it out. Exits 1 with the workstation's\n"
    "reason when it could not (a picture that does not load, no live video\n"
    "window), when it did not answer in time, or when no workstation of this\n"
    "user is running. A workstation of an earlier version takes requests\n"
    "without answering: then \"sent\" is printed and the exit code is 0.",
    {"--socket", "--wait"}, runSend});
