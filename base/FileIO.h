#pragma once
// Whole-file reading with a size limit, and saving that never destroys the
// previous file: bytes go to a temporary file in the same folder, which is
// flushed and then renamed over the target.
#include <cstdint>
#include <string>
#include <vector>

struct FileResult {
    bool ok = false;
    std::string error;  // a one-line message naming the file when !ok
};

// Reads the whole file; fails when it is larger than maxBytes.
FileResult readFileBytes(const std::string& path, std::vector<uint8_t>& out,
                         uint64_t maxBytes = (uint64_t(1) << 31));
FileResult writeFileAtomically(const std::string& path, const void* data, size_t size);
inline FileResult writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    return writeFileAtomically(path, bytes.data(), bytes.size());
}
inline FileResult writeFileAtomically(const std::string& path, const std::string& text) {
    return writeFileAtomically(path, text.data(), text.size());
}
bool fileExists(const std::string& path);
