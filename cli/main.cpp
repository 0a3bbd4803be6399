// ordavia-cli: the workstation's engine without a window.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "base/ProductVersion.h"
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

#include "base/ParallelFor.h"
#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "framework/ConsolePrompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"

using namespace ordavia;

namespace {

const char* const kVersion = kProductVersionText;

std::string programPath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

// A profile must be readable when it exists, and creatable when it does not
// (a new profile beside others): a name that leads nowhere is a mistake the
// user must hear of, not a profile of defaults.
std::string profileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return path + ": the profile is not a regular file";
        if (::access(path.c_str(), R_OK) != 0) return path + ": the profile cannot be read (" + std::strerror(errno) + ")";
        return {};
    }
    const std::string folder = folderOf(path).empty() ? std::string(".") : folderOf(path);
    if (::access(folder.c_str(), W_OK) != 0)
        return path + ": the profile cannot be read or created (" + std::strerror(errno) + ")";
    return {};
}

// The debug log is opened for appending once, so that a log that cannot be
// written is said at the start instead of losing every line.
std::string logProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return path + ": the log is not a regular file";
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f) return path + ": the log cannot be written (" + std::strerror(errno) + ")";
    std::fclose(f);
    return {};
}

// "help NAME": the command of that name, or every command of a group
// ("help chart" gives "chart import" and "chart export"; "help convert"
// the picture's and the video's).
int printCommandHelp(const std::vector<std::string>& words) {
    std::string want;
    for (const std::string& w : words) want += (want.empty() ? "" : " ") + w;
    std::vector<const CliCommand*> found;
    for (const CliCommand& c : cliCommands())
        if (c.name == want || c.name.compare(0, want.size() + 1, want + " ") == 0) found.push_back(&c);
    if (found.empty() && words.size() > 1) return printCommandHelp({words[0]});
    if (found.empty()) {
        if (want == "info") {
            cliOut("usage: ordavia-cli info FILE [--json]\n\nPrints what FILE holds; with --json as one JSON object.\n");
            return 0;
        }
        return cliError("no command '" + want + "' (try 'ordavia-cli help')");
    }
    std::string text;
    for (const CliCommand* c : found)
        text += (text.empty() ? "" : "\n") + ("usage: ordavia-cli " + c->usage + "\n") +
                (c->help.empty() ? "" : "\n" + c->help + "\n");
    cliOut(text);
    return 0;
}

void printHelp() {
    std::string text = std::string("ordavia-cli ") + kVersion +
                       " - Ordavia's analyses without a window\n\n"
                       "usage: ordavia-cli [--profile FILE] [--log FILE] COMMAND [ARGS]\n\n"
                       "commands:\n"
                       "  help [COMMAND]        this text, or the help of one command\n"
                       "  info FILE [--json]    what a file holds\n";
    for (const CliCommand& c : cliCommands()) text += "  " + c.usage + "\n";
    text +=
        "\nglobal options:\n"
        "  --profile FILE   read settings from FILE instead of ordavia.ini beside the program\n"
        "  --log FILE       write the debug log to FILE\n"
        "  --version        print the version\n"
        "\nafter stabilise, fcf, linescan or any command that reads a video:\n"
        "  --threads N             use N threads (default: every core, or ORDAVIA_THREADS);\n"
        "                          the results are the same with any number\n"
        "\nafter count, detect, linescan, fcf or stabilise:\n"
        "  --exam ID --db FOLDER   also file the result as a results row of examination ID\n"
        "                          in FOLDER/orda.db, as saving in the workstation does\n";
    cliOut(text);
}

size_t matchesName(const CliCommand& c, const std::vector<std::string>& args) {
    const auto sp = c.name.find(' ');
    if (sp == std::string::npos) return !args.empty() && args[0] == c.name ? 1 : 0;
    return args.size() >= 2 && args[0] == c.name.substr(0, sp) && args[1] == c.name.substr(sp + 1) ? 2 : 0;
}

// Commands may share a name when they read different files (a picture's
// "convert", a video's "convert"): the input's extension decides.
const CliCommand* findCommand(const std::vector<std::string>& args, size_t& used) {
    const CliCommand* fallback = nullptr;
    size_t fallbackUsed = 0;
    for (const CliCommand& c : cliCommands()) {
        const size_t u = matchesName(c, args);
        if (!u) continue;
        if (c.inputExtensions.empty()) {
            if (!fallback) {
                fallback = &c;
                fallbackUsed = u;
            }
            continue;
        }
        for (size_t k = u; k < args.size(); ++k) {
            if (args[k].compare(0, 2, "--") == 0) continue;
            std::string ext = extensionOf(args[k]);
            for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (std::find(c.inputExtensions.begin(), c.inputExtensions.end(), ext) != c.inputExtensions.end()) {
                used = u;
                return &c;
            }
            break;
        }
    }
    used = fallbackUsed;
    return fallback;
}

int runInfo(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli info FILE [--json]");
    const std::string& path = a.positional[0];
    std::string ext = extensionOf(path);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const CliInfoHandler& h : cliInfoHandlers())
        for (const std::string& e : h.extensions)
            if (e == ext) return h.run(path, a);
    return cliError(path + ": no reader for files of type '" + ext + "'");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);

    // Global options come before the command.
    std::string profile, logFile;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--version") {
            cliOut(std::string("ordavia-cli ") + kVersion + "\n");
            return 0;
        } else if (args[i] == "--profile" || args[i] == "--log") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return cliError(args[i] + " needs a file");
            (args[i] == "--profile" ? profile : logFile) = args[i + 1];
            const std::string problem = args[i] == "--profile" ? profileProblem(profile) : logProblem(logFile);
            if (!problem.empty()) return cliError(problem);
            ++i;
        } else if (args[i] == "--help" || args[i] == "-h") {
            printHelp();
            return 0;
        } else {
            break;
        }
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
    if (args.empty()) {
        printHelp();
        return 1;
    }

    // The same profile as the workstation beside us, never created from the
    // template here.
    if (profile.empty()) {
        const std::string exe = programPath();
        if (!exe.empty()) profile = folderOf(exe) + "ordavia.ini";
    }
    // Made before the services that point at them, so that they outlive
    // whatever documents a command leaves with the services.
    static ProfileStore profileStore;
    static StartupSettings startupSettings;
    profileStore.SetPath(profile);
    startupSettings.load(profileStore);
    if (!logFile.empty()) {
        DebugLog::setFile(logFile);
        DebugLog::setEnabled(true);
    }
    // Nobody to ask: every prompt takes its proposed value, and every
    // message a document shows goes to stderr.
    static ConsolePrompter silent(stderr, "ordavia-cli");
    static ordavia::AppServices services;
    services.profileStore = &profileStore;
    services.prompterPtr = &silent;
    services.startupSettings = &startupSettings;
    services.programFolder = folderOf(programPath());

    if (args[0] == "help") {
        if (args.size() >= 2) return printCommandHelp(std::vector<std::string>(args.begin() + 1, args.end()));
        printHelp();
        return 0;
    }

    size_t used = 0;
    const CliCommand* cmd = nullptr;
    if (args[0] == "info") {
        used = 1;
    } else {
        cmd = findCommand(args, used);
        if (!cmd) return cliError("unknown command '" + args[0] + "' (try 'ordavia-cli help')");
    }

    CliArgs a;
    a.servicesOfRun = &services;
    const std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(used), args.end());
    // "info" takes no value options.
    if (Status s = cmd ? parseCommandWords(*cmd, words, a) : parseCommandWords(std::vector<std::string>{}, words, a); !s)
        return cliError(s);
    if (a.has("--threads")) {
        const Result<int> threads = a.number<int>("--threads", 1, 1024, 1);
        if (!threads) return cliError(threads.status());
        setThreadCount(*threads);
    }
    try {
        const int rc = cmd ? cmd->run(a) : runInfo(a);
        // Any command takes --exam and --db; one that made nothing to file
        // must not let the caller believe its result was filed.
        const bool ownExamOption = cmd && std::find(cmd->valueOptions.begin(), cmd->valueOptions.end(), "--exam") !=
                                              cmd->valueOptions.end();
        if (rc == 0 && !ownExamOption && (a.has("--exam") || a.has("--db")) && !a.filed)
            return cliError(args[0] + ": this command files no result under an examination; nothing was filed");
        return rc;
    } catch (const std::bad_alloc&) {
        // A buffer the command needed and could not have: said in words.
        return cliError("not enough memory for this command");
    } catch (const std::exception& e) {
        return cliError(e.what());
    }
}
