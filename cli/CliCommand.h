#pragma once
// The command-line tool's subcommands. Each area adds a file
// cli/<Area>Commands.cpp that defines its commands and registers them with
// ORDAVIA_CLI_COMMAND; main() dispatches on the first argument.
//
// A command returns the process exit code: 0 only on success; on failure it
// prints one line to stderr (cliError) naming the file concerned.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "figures/MeasureValues.h"

namespace ordavia {

class AppServices;
struct GreyWeights;

// Bounds for option values: no limit below or above, and "more than 0"
// for lengths, rates and scales.
template <class T>
constexpr T kNoMin = std::numeric_limits<T>::lowest();
template <class T>
constexpr T kNoMax = std::numeric_limits<T>::max();
constexpr double kAboveZero = std::numeric_limits<double>::denorm_min();

// A number given as text: the whole text is the number ("12abc", "", " 3",
// "nan", "inf" and values outside [min, max] are refused, never read as
// whatever prefix parses). The failure's reason says what was wanted ("a
// whole number from 0 to 4", "a positive number"). For int, int64_t,
// uint64_t and double.
template <class T>
Result<T> parseNumber(const std::string& text, T min = kNoMin<T>, T max = kNoMax<T>);
// "A,B,C": `count` numbers apart by commas (0: any count of one or more),
// each as parseNumber once the spaces around it are dropped ("1, 2" is a
// list as typed by hand); the reason says what was wanted.
template <class T>
Result<std::vector<T>> parseList(const std::string& text, T min, T max, size_t count = 0);
// The one wording of a bad option value: "bad value '12x' for --list (a
// whole number from 0 to 4)".
std::string badOptionValue(const std::string& name, const std::string& text, const std::string& wanted);

struct CliArgs {
    std::vector<std::string> positional;                 // in order, options removed
    std::vector<std::pair<std::string, std::string>> options;  // "--name" -> value ("" for flags)
    bool has(const std::string& name) const;
    std::optional<std::string> get(const std::string& name) const;
    // Every value given for a repeatable option, in order.
    std::vector<std::string> getAll(const std::string& name) const;
    bool json() const { return has("--json"); }
    // Set once the command has handed its result to fileUnderExam, so that
    // "--exam/--db" on a command that files nothing is not passed over.
    mutable bool filed = false;

    // Typed option values. Each gives `fallback` when the option is absent
    // and fails with badOptionValue's message when its value is not what
    // was wanted.
    template <class T>
    Result<T> number(const std::string& name, T min, T max, T fallback) const;
    // "X1,Y1,X2,Y2": parseList's `count` numbers; empty when the option is
    // absent.
    template <class T>
    Result<std::vector<T>> list(const std::string& name, T min, T max, size_t count = 0) const;
    // Two numbers in the `form` named in messages: a point "X,Y", a size
    // "WxH" (an upper-case X too), a scale "SX,SY"; what stands between the
    // upper-case names is the separator.
    template <class T>
    Result<std::pair<T, T>> point(const std::string& name, const std::string& form, T min, T max,
                                  std::pair<T, T> fallback) const;
    // Frames "A:B", where either end may be left out to keep its fallback.
    Result<std::pair<int, int>> span(const std::string& name, int min, int max, std::pair<int, int> fallback) const;

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
inline int cliError(const Status& failure) { return cliError(failure.reason()); }
// The words after a command's name as its arguments: "--name VALUE" for
// `valueOptions` (a command's, plus --exam/--db which any analysis takes),
// "--name=VALUE", flags, and the rest in order as positional arguments.
Status parseCommandWords(const std::vector<std::string>& valueOptions, const std::vector<std::string>& words, CliArgs& a);
Status parseCommandWords(const CliCommand& c, const std::vector<std::string>& words, CliArgs& a);
// The first failure among option values read together, or success.
template <class... R>
Status firstFailure(const R&... results) {
    Status first;
    ((first.ok() && !results.ok() ? (void)(first = results.status()) : (void)0), ...);
    return first;
}
// A remark beside the result ("2 damaged frames left out"): one line
// "ordavia-cli: TEXT" on stderr, or kept with a batch job's row.
void cliNote(const std::string& text);
// How far a long run is: "ordavia-cli: TEXT" on stderr; nothing in a
// batch job (the batch shows its own progress).
void cliProgress(const std::string& text);
// Writes text to stdout exactly as given.
void cliOut(const std::string& text);
// An output that is the input (the same file through another path or a
// link) would replace what the command still reads: refused with a message
// (exit code 1); 0 when they are different files.
int cliRefuseOutputOverInput(const std::string& in, const std::string& out);
// Two outputs of one command named alike ("a.bin" and "./a.bin", or a
// link to the other) would be written one over the other: refused with a
// message (exit code 1); 0 when they are different files.
int cliRefuseSameOutputs(const std::string& first, const std::string& second);

// What a command leaves when it runs for a batch job on a thread of its
// own rather than as the process: cliOut's text, cliError's message and the
// figures it reported, kept here instead of reaching stdout and stderr.
struct CliFigures {
    std::string part;  // "" for the run's one result; a method's or block's name otherwise
    MeasureValues values;
    std::vector<std::string> keys;  // what --json gives of them, in order
};
struct CliCapture {
    std::string out;
    std::string error;  // the last message given to cliError
    std::vector<std::string> notes;  // what cliNote said
    std::vector<CliFigures> figures;
};
// Commands run on this thread write into `capture` from now on (null: to
// the process' stdout and stderr again).
void cliCaptureOnThisThread(CliCapture* capture);
// A command hands the figures of its result here, with the keys its --json
// gives of them (none: every figure JSON shows), so that a batch files the
// numbers the command prints. Does nothing when no batch is listening.
void cliFigures(const MeasureValues& values, std::initializer_list<std::string_view> keys = {},
                const std::string& part = {});

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
