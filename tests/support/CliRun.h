#pragma once
// Runs the built ordavia-cli as a user would, with a private profile;
// stderr joins stdout.
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

namespace clitest {

struct CliRun {
    int code = -1;
    std::string out;
};

// `shell`: commands run before it in the same shell ("ulimit -v N; ").
inline CliRun cli(const std::string& args, const std::filesystem::path& dir, const std::string& shell = "") {
    const std::string cmd = shell + std::string(ORDAVIA_PROGRAM_DIR) + "/ordavia-cli --profile " + (dir / "p.ini").string() +
                            " " + args + " 2>&1";
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The same on a thread of its own while `pump` keeps the caller's event
// loop turning: a workstation in this process has to answer the command.
inline CliRun cliWhile(const std::string& args, const std::filesystem::path& dir, const std::function<void()>& pump) {
    std::future<CliRun> f = std::async(std::launch::async, [&] { return cli(args, dir); });
    while (f.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) pump();
    return f.get();
}

// The number after "KEY": in pretty-printed --json output; NaN when the
// key is missing or null.
inline double numberAfter(const std::string& out, const std::string& key) {
    const size_t at = out.find("\"" + key + "\": ");
    if (at == std::string::npos || out.compare(at + key.size() + 4, 4, "null") == 0) return NAN;
    return std::strtod(out.c_str() + at + key.size() + 4, nullptr);
}

}  // namespace clitest
