#pragma once
// Archive bytes spelt by hand, independently of the archive code, for the
// layout tests of dimensions, documents and their blocks.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    Bytes& i32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(u >> (8 * k)));
        return *this;
    }
    Bytes& f64(double v) {
        uint8_t t[8];
        std::memcpy(t, &v, 8);
        b.insert(b.end(), t, t + 8);
        return *this;
    }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    // Short archive strings only (below 255 characters).
    Bytes& str(const std::string& s) { return u8(static_cast<uint8_t>(s.size())).raw(s); }
    Bytes& rect(int l, int t, int r, int bo) { return i32(l).i32(t).i32(r).i32(bo); }
    // A new-class tag: 0xFFFF, schema, name length, name.
    Bytes& newClass(const std::string& name, uint16_t schema = 1) {
        return u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size())).raw(name);
    }
    Bytes& points(const std::vector<std::pair<int, int>>& pts) {
        u16(static_cast<uint16_t>(pts.size()));
        for (auto [x, y] : pts) i32(x).i32(y);
        return *this;
    }
    // A dimension's own fields in layout 3.
    Bytes& dim3(uint32_t colour, int width, const std::string& label, const std::vector<std::pair<int, int>>& pts) {
        return i32(3).i32(static_cast<int32_t>(colour)).i32(width).str(label).points(pts);
    }
};
