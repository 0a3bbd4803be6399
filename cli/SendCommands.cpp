// Requests to this user's running workstation: "send freeze-save [FILE]"
// freezes and saves the live picture, "send autoload FILE" opens a picture
// in the auto-load window, "send saving FILE" tells that a file was saved.
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

    std::string socket = a.get("--socket").value_or("");
    if (socket.empty()) {
        Result<std::string> p = localRequestSocketPath();
        if (!p) return cliError("send: " + p.reason());
        socket = p.value();
    }
    const Status s = sendLocalRequest(socket, message, path);
    if (a.json()) {
        JsonWriter w;
        w.beginObject();
        w.field("request", message).field("path", path).field("socket", socket).field("sent", s.ok());
        if (!s) w.field("error", s.reason());
        w.endObject();
        cliOut(w.str() + "\n");
    }
    if (!s) return a.json() ? 1 : cliError("send: " + s.reason());
    if (!a.json()) cliOut("sent " + message + (path.empty() ? "" : " " + path) + "\n");
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "send", "send freeze-save [FILE] | autoload FILE | saving FILE [--socket PATH] [--json]",
    "Sends a request to this user's running workstation: freeze and save the\n"
    "live picture (under FILE, or a name of its own), open FILE in the auto-load\n"
    "picture window, or tell that FILE was saved. Fails when no workstation of\n"
    "this user is running.",
    {"--socket"}, runSend});
