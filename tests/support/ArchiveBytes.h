#pragma once
// Archive bytes spelt by hand, independently of the archive code, for the
// layout tests of dimensions, documents, charts, results tables and their
// blocks.
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
    Bytes& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
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
    Bytes& f32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return u32(u);
    }
    Bytes& raw(const void* p, size_t n) {
        const auto* c = static_cast<const uint8_t*>(p);
        b.insert(b.end(), c, c + n);
        return *this;
    }
    Bytes& raw(const std::string& s) { return raw(s.data(), s.size()); }
    Bytes& raw(const std::vector<uint8_t>& v) { return raw(v.data(), v.size()); }
    Bytes& append(const Bytes& o) { return raw(o.b.data(), o.b.size()); }
    // Short archive strings only (below 255 characters).
    Bytes& str(const std::string& s) { return u8(static_cast<uint8_t>(s.size())).raw(s); }
    Bytes& rect(int l, int t, int r, int bo) { return i32(l).i32(t).i32(r).i32(bo); }
    // A new-class tag: 0xFFFF, schema, name length, name.
    Bytes& newClass(const std::string& name, uint16_t schema = 1) {
        return u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size())).raw(name);
    }
    // A class written before, by its archive index.
    Bytes& oldClass(uint16_t index) { return u16(0x8000 | index); }
    Bytes& points(const std::vector<std::pair<int, int>>& pts) {
        u16(static_cast<uint16_t>(pts.size()));
        for (auto [x, y] : pts) i32(x).i32(y);
        return *this;
    }
    // A dimension's own fields in layout 3.
    Bytes& dim3(uint32_t colour, int width, const std::string& label, const std::vector<std::pair<int, int>>& pts) {
        return i32(3).i32(static_cast<int32_t>(colour)).i32(width).str(label).points(pts);
    }
    // A results-table column format's fields.
    Bytes& format(uint16_t column, const std::string& heading, uint16_t display, uint16_t field, uint16_t dec) {
        return u16(column).u16(1).str(heading).u16(display).u16(field).u16(dec);
    }
    // The database block of a linked document, format 2.
    Bytes& block(int32_t saveCount, const std::string& subject, int32_t exam) {
        return u32(2).i32(saveCount).str(subject).i32(exam).str("owner").str("result").str("station").str("captured");
    }
};
