#pragma once
// Small helpers shared by the image tests: a private temporary folder,
// patterned images, little-endian fields and the debug log's text.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "tests/support/MveBytes.h"

namespace imgtest {

using testsupport::LeBytes;
using testsupport::readBytes;
using testsupport::writeBytes;

inline std::string tempPath(const std::string& name) {
    static const testsupport::ScratchDir dir("image-test");
    return dir / name;
}

inline int32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24);
}
inline int le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

// Expects each little-endian 32-bit field {offset, value}.
inline void expectLe32(const std::vector<uint8_t>& b, std::initializer_list<std::pair<size_t, int32_t>> fields) {
    for (auto [at, v] : fields) EXPECT_EQ(le32(b, at), v) << "at offset " << at;
}

// Little-endian 32-bit fields, one after another.
inline std::vector<uint8_t> ints(std::initializer_list<int32_t> values) {
    LeBytes b;
    for (int32_t v : values) b.i32(v);
    return b.b;
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
        ordavia::DebugLog::setFile(path_);
        ordavia::DebugLog::setEnabled(true);
    }
    ~LogCapture() { ordavia::DebugLog::setEnabled(false); }
    std::string text() const {
        auto b = readBytes(path_);
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
