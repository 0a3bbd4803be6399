#pragma once
// The command-line tool's subcommands. Each area adds a file
// cli/<Area>Commands.cpp that defines its commands and registers them with
// ORDAVIA_CLI_COMMAND; main() dispatches on the first argument.
//
// A command returns the process exit code: 0 only on success; on failure it
// prints one line to stderr (cliError) naming the file concerned.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ordavia {

class AppServices;
struct GreyWeights;

struct CliArgs {
    std::vector<std::string> positional;                 // in order, options removed
    std::vector<std::pair<std::string, std::string>> options;  // "--name" -> value ("" for flags)
    bool has(const std::string& name) const;
    std::optional<std::string> get(const std::string& name) const;
    // Every value given for a repeatable option, in order.
    std::vector<std::string> getAll(const std::string& name) const;
    bool json() const { return has("--json"); }

    // The services of this run: the profile beside the program (or the one
    // --profile names), a prompter that answers every question with its
    // default, the start-up settings. main() builds them and hands them to
    // every command; documents a command makes take them too, and may keep
    // per-run state there (the chart flags), so they are not const.
    AppServices& services() const;
    // How colour pictures read by a command become grey (the start-up settings).
    GreyWeights greyWeights() const;
    AppServices* servicesOfRun = nullptr;  // filled by main()
};

struct CliCommand {
    std::string name;     // "convert", or "db init" for a two-word command
    std::string usage;    // one line: "convert IN OUT [--rect L,T,W,H] [--palette N]"
    std::string help;     // a few lines for "ordavia-cli help NAME"
    // Options that take a value (all others are flags).
    std::vector<std::string> valueOptions;
    std::function<int(const CliArgs&)> run;
    // When set, the command answers only for an input (the first argument
    // after the command) with one of these extensions (lower case, with the
    // dot); a command of the same name without extensions takes the rest.
    std::vector<std::string> inputExtensions = {};
};

// "info" is shared by every file type: each area registers a handler for
// the extensions it reads; the first whose extension matches runs.
struct CliInfoHandler {
    std::vector<std::string> extensions;  // lower case, with the dot: ".zvg"
    std::function<int(const std::string& path, const CliArgs&)> run;
};

std::vector<CliCommand>& cliCommands();
std::vector<CliInfoHandler>& cliInfoHandlers();
int cliError(const std::string& message);  // prints "ordavia-cli: message", returns 1
// Writes text to stdout exactly as given.
void cliOut(const std::string& text);
// An output that is the input (the same file through another path or a
// link) would replace what the command still reads: refused with a message
// (exit code 1); 0 when they are different files.
int cliRefuseOutputOverInput(const std::string& in, const std::string& out);

struct CliRegistrar {
    explicit CliRegistrar(CliCommand c) { cliCommands().push_back(std::move(c)); }
    explicit CliRegistrar(CliInfoHandler h) { cliInfoHandlers().push_back(std::move(h)); }
};

#define ORDAVIA_CLI_CONCAT2(a, b) a##b
#define ORDAVIA_CLI_CONCAT(a, b) ORDAVIA_CLI_CONCAT2(a, b)
// Registers a CliCommand or CliInfoHandler at start-up (these files are
// compiled into the executable itself, so nothing is dropped by the linker).
#define ORDAVIA_CLI_REGISTER(...) \
    static ::ordavia::CliRegistrar ORDAVIA_CLI_CONCAT(cliRegistrar_, __LINE__)(__VA_ARGS__)

}  // namespace ordavia
