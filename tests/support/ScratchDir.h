#pragma once
// A fresh folder of a test's own under the system's temporary folder,
// removed when it goes: named after the tag, the process and a running
// number, so that overlapping test runs and folders of the same tag never
// share files.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace testsupport {

struct ScratchDir {
    std::filesystem::path dir;
    explicit ScratchDir(const std::string& tag) {
        static std::atomic<int> made{0};
        dir = std::filesystem::temp_directory_path() /
              ("ordavia-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(made++));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

}  // namespace testsupport
