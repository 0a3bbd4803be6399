#include "chart/TextImportGuess.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace ordavia {

namespace {

// A cell that is a number as a whole (blanks around it allowed).
bool parseNumber(const std::string& cell, double& v) {
    const size_t a = cell.find_first_not_of(" \t\r");
    if (a == std::string::npos) return false;
    const size_t b = cell.find_last_not_of(" \t\r");
    const std::string s = cell.substr(a, b - a + 1);
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && errno == 0 && std::isfinite(v);
}

}  // namespace

TextImportGuess guessTextImport(const std::vector<uint8_t>& bytes) {
    TextImportGuess g;
    for (uint8_t c : bytes)
        if (c == 0 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return g;
    g.text = !bytes.empty();
    bool whole = true, small = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        const std::string line(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.begin() + static_cast<std::ptrdiff_t>(end));
        start = end + 1;
        if (line.empty() || line[0] == '"') continue;
        int cells = 0, numbers = 0, lastNumber = 0;
        size_t at = 0;
        while (true) {
            const size_t comma = line.find(',', at);
            double v = 0;
            ++cells;
            if (parseNumber(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at), v)) {
                ++numbers;
                lastNumber = cells;
                if (v != std::floor(v)) whole = false;
                if (v < -32768 || v > 32767) small = false;
            }
            if (comma == std::string::npos) break;
            at = comma + 1;
        }
        if (numbers == 0) continue;
        ++g.rows;
        g.columns = std::max(g.columns, lastNumber);
    }
    g.type = !whole ? 6 : small ? 2 : 4;
    return g;
}

}  // namespace ordavia
