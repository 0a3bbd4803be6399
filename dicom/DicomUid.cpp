#include "dicom/DicomUid.h"

#include <cstdint>
#include <random>

namespace ordavia {

namespace {

using u128 = unsigned __int128;

std::string decimal(u128 v) {
    if (v == 0) return "0";
    std::string s;
    while (v > 0) {
        s.insert(s.begin(), char('0' + int(v % 10)));
        v /= 10;
    }
    return s;
}

uint64_t mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Two independent 64-bit hashes of the name (FNV-1a from two offsets,
// then mixed), joined to 128 bits.
u128 hash128(const std::string& name) {
    uint64_t a = 0xCBF29CE484222325ULL, b = 0x84222325CBF29CE4ULL ^ name.size();
    for (unsigned char c : name) {
        a = (a ^ c) * 0x100000001B3ULL;
        b = (b ^ c) * 0x100000001B3ULL;
        b = (b << 7) | (b >> 57);
    }
    return (u128(mix(a)) << 64) | u128(mix(b ^ a));
}

}  // namespace

std::string newDicomUid() {
    std::random_device rd;
    u128 v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 32) | u128(rd());
    return "2.25." + decimal(v);
}

std::string derivedDicomUid(const std::string& name) { return "2.25." + decimal(hash128(name)); }

bool isDicomUid(const std::string& t) {
    if (t.empty() || t.size() > 64) return false;
    size_t start = 0;
    while (true) {
        size_t end = t.find('.', start);
        if (end == std::string::npos) end = t.size();
        if (end == start) return false;
        for (size_t i = start; i < end; ++i)
            if (t[i] < '0' || t[i] > '9') return false;
        if (t[start] == '0' && end - start > 1) return false;
        if (end == t.size()) return true;
        start = end + 1;
    }
}

}  // namespace ordavia
