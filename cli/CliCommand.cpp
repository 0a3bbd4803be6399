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

int cliError(const std::string& message) {
    std::fprintf(stderr, "ordavia-cli: %s\n", message.c_str());
    return 1;
}

void cliOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

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

AppServices& CliArgs::services() const {
    if (!servicesOfRun) throw std::logic_error("a command ran without the services of the run");
    return *servicesOfRun;
}

GreyWeights CliArgs::greyWeights() const { return greyWeightsOf(services().settings()); }

}  // namespace ordavia
