#pragma once
// Little helpers that spell archive bytes by hand for the layout tests.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Bytes& i32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(u >> (8 * k)));
        return *this;
    }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    // A new-class tag: 0xFFFF, schema, name length, name.
    Bytes& newClass(const std::string& name, uint16_t schema = 1) {
        return u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size())).raw(name);
    }
    Bytes& points(std::initializer_list<std::pair<int, int>> pts) {
        u16(static_cast<uint16_t>(pts.size()));
        for (auto [x, y] : pts) i32(x).i32(y);
        return *this;
    }
};
