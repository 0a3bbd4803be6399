#pragma once
// Builds expected file bytes by hand, independently of the archive code.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& i32(int32_t v) {
        uint8_t t[4];
        std::memcpy(t, &v, 4);
        b.insert(b.end(), t, t + 4);
        return *this;
    }
    Bytes& u16(uint16_t v) {
        b.push_back(static_cast<uint8_t>(v & 0xFF));
        b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Bytes& f64(double v) {
        uint8_t t[8];
        std::memcpy(t, &v, 8);
        b.insert(b.end(), t, t + 8);
        return *this;
    }
    // Short archive strings only (below 255 characters).
    Bytes& str(const std::string& s) {
        b.push_back(static_cast<uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& rect(int l, int t, int r, int bo) { return i32(l).i32(t).i32(r).i32(bo); }
    // A new-class tag followed by the class name.
    Bytes& newClass(const std::string& name, uint16_t schema = 1) {
        u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size()));
        return raw(name);
    }
    // A dimension's own fields in layout 3.
    Bytes& dim3(uint32_t colour, int width, const std::string& label, const std::vector<std::pair<int, int>>& pts) {
        i32(3).i32(static_cast<int32_t>(colour)).i32(width).str(label).u16(static_cast<uint16_t>(pts.size()));
        for (auto [x, y] : pts) i32(x).i32(y);
        return *this;
    }
};
