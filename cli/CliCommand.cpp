#include "cli/CliCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "base/FileIO.h"
#include "framework/AppServices.h"
#include "image/ImageFormats.h"

namespace ordavia {

bool CliArgs::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::optional<std::string> CliArgs::get(const std::string& name) const {
    for (const auto& o : options)
        if (o.first == name) return o.second;
    return std::nullopt;
}

std::vector<std::string> CliArgs::getAll(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& o : options)
        if (o.first == name) out.push_back(o.second);
    return out;
}

std::vector<CliCommand>& cliCommands() {
    static std::vector<CliCommand> commands;
    return commands;
}

std::vector<CliInfoHandler>& cliInfoHandlers() {
    static std::vector<CliInfoHandler> handlers;
    return handlers;
}

namespace {
thread_local CliCapture* t_capture = nullptr;
}  // namespace

void cliCaptureOnThisThread(CliCapture* capture) { t_capture = capture; }

void cliFigures(const MeasureValues& values, std::initializer_list<std::string_view> keys, const std::string& part) {
    if (!t_capture) return;
    CliFigures f{part, values, {}};
    for (std::string_view k : keys) f.keys.emplace_back(k);
    if (f.keys.empty())
        for (const Measure& m : values.set().measures)
            if (m.outputs & kInJson) f.keys.emplace_back(m.key);
    t_capture->figures.push_back(std::move(f));
}

int cliError(const std::string& message) {
    if (t_capture) {
        t_capture->error = message;
        return 1;
    }
    std::fprintf(stderr, "ordavia-cli: %s\n", message.c_str());
    return 1;
}

void cliNote(const std::string& text) {
    if (t_capture) t_capture->notes.push_back(text);
    else std::fprintf(stderr, "ordavia-cli: %s\n", text.c_str());
}

void cliProgress(const std::string& text) {
    if (!t_capture) std::fprintf(stderr, "ordavia-cli: %s\n", text.c_str());
}

void cliOut(const std::string& text) {
    if (t_capture) t_capture->out += text;
    else std::fwrite(text.data(), 1, text.size(), stdout);
}

int cliRefuseOutputOverInput(const std::string& in, const std::string& out) {
    if (!sameFile(in, out)) return 0;
    return cliError(out + ": is the input " + in + " itself; write the output to another file");
}

int cliRefuseSameOutputs(const std::string& first, const std::string& second) {
    // Neither may exist yet: the names are compared with their links and
    // dot segments resolved as far as the folders exist.
    std::error_code e1, e2;
    const auto a = std::filesystem::weakly_canonical(first, e1), b = std::filesystem::weakly_canonical(second, e2);
    if (!sameFile(first, second) && (e1 || e2 || a != b)) return 0;
    return cliError(second + ": is also the output " + first + "; write the two outputs to different files");
}

Status parseCommandWords(const CliCommand& c, const std::vector<std::string>& words, CliArgs& a) {
    std::vector<std::string> valueOptions = c.valueOptions;
    // Any analysis may file its result under an examination, and say how
    // many threads it may use.
    valueOptions.insert(valueOptions.end(), {"--exam", "--db", "--threads"});
    return parseCommandWords(valueOptions, words, a);
}

Status parseCommandWords(const std::vector<std::string>& valueOptions, const std::vector<std::string>& words, CliArgs& a) {
    for (size_t k = 0; k < words.size(); ++k) {
        const std::string& s = words[k];
        if (s.size() > 2 && s.compare(0, 2, "--") == 0) {
            const auto eq = s.find('=');
            if (eq != std::string::npos) {
                a.options.emplace_back(s.substr(0, eq), s.substr(eq + 1));
            } else if (std::find(valueOptions.begin(), valueOptions.end(), s) != valueOptions.end()) {
                if (k + 1 >= words.size()) return Status::failure("option " + s + " needs a value");
                a.options.emplace_back(s, words[++k]);
            } else {
                a.options.emplace_back(s, "");
            }
        } else {
            a.positional.push_back(s);
        }
    }
    return Status::success();
}

AppServices& CliArgs::services() const {
    if (!servicesOfRun) throw std::logic_error("a command ran without the services of the run");
    return *servicesOfRun;
}

GreyWeights CliArgs::greyWeights() const { return greyWeightsOf(services().settings()); }

}  // namespace ordavia
