#pragma once
// A real full disc for save tests: a tmpfs of a few kilobytes mounted on a
// fresh folder. Mounting needs root (CI runs as root); elsewhere the tests
// that need one skip.
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

class TinyDisc {
public:
    explicit TinyDisc(size_t bytes = 64 * 1024) {
        char tmpl[] = "/tmp/ordavia_tinydisc_XXXXXX";
        if (!::mkdtemp(tmpl)) return;
        dir_ = tmpl;
        const std::string opts = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, opts.c_str()) == 0;
    }
    ~TinyDisc() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
        if (!dir_.empty()) ::rmdir(dir_.c_str());
    }
    TinyDisc(const TinyDisc&) = delete;
    TinyDisc& operator=(const TinyDisc&) = delete;

    bool ok() const { return mounted_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Fills what is left with one file, so that the next write fails.
    void fill() const {
        std::ofstream f(path("filler"), std::ios::binary);
        const std::string block(4096, 'f');
        for (int i = 0; i < 100000 && f.write(block.data(), block.size()); ++i) {
        }
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

}  // namespace testsupport
