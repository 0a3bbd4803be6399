#pragma once
// Small helpers shared by the image tests: a private temporary folder,
// patterned images, little-endian field access and the debug log's text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "settings/DebugLog.h"

namespace imgtest {

inline std::string tempDir() {
    static const std::string dir = [] {
        auto p = std::filesystem::temp_directory_path() / ("ordavia-image-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return dir;
}

inline std::string tempPath(const std::string& name) { return tempDir() + "/" + name; }

inline std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline int32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24);
}
inline int le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

inline void put32(std::vector<uint8_t>& b, int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}
inline void put16(std::vector<uint8_t>& b, int v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// Every byte of the image gets a value from its stored row and byte column.
inline void fillPattern(CZVimage& img, int seed = 0) {
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.rowBytes(); ++x) img.row(y)[x] = uint8_t(seed + y * 31 + x * 7);
}

// Captures the debug log of one test into a private file.
class LogCapture {
public:
    LogCapture() : path_(tempPath("log-" + std::to_string(counter()++) + ".log")) {
        std::remove(path_.c_str());
        DebugLog::setFile(path_);
        DebugLog::setEnabled(true);
    }
    ~LogCapture() { DebugLog::setEnabled(false); }
    std::string text() const {
        auto b = readAll(path_);
        return std::string(b.begin(), b.end());
    }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::string path_;
};

}  // namespace imgtest
