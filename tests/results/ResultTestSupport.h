#pragma once
// Byte builders for hand-made ".rst" files.
#include <cstdint>
#include <string>
#include <vector>

namespace rsttest {

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& str(const std::string& s) {
        u8(static_cast<uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& newClass(const std::string& name) {
        u16(0xFFFF).u16(0).u16(static_cast<uint16_t>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
        return *this;
    }
    Bytes& format(uint16_t column, const std::string& heading, uint16_t display, uint16_t field, uint16_t dec) {
        return u16(column).u16(1).str(heading).u16(display).u16(field).u16(dec);
    }
    Bytes& block(int32_t saveCount, const std::string& subject, int32_t exam) {
        return u32(2).u32(static_cast<uint32_t>(saveCount)).str(subject).u32(static_cast<uint32_t>(exam))
            .str("owner").str("result").str("station").str("captured");
    }
};

// A two-column table with two rows, written the way the program writes it.
inline Bytes smallTable(int32_t saveCount = 1) {
    Bytes x;
    x.u16(2);
    x.newClass("Ccolformat").format(0, "filename", 20, 0, 0);  // class 1, object 2
    x.u16(0x8001).format(1, "width", 8, 7, 1);                 // object 3
    x.u32(0xFFFFFFFF).block(saveCount, "AB12", 42);
    x.u16(2).u16(2);
    x.u16(2);
    x.newClass("CStringArray").u16(2).str("a.cs1").str("    1.5");  // class 4, object 5
    x.u16(0x8004).u16(2).str("b.cs1").str("   12.0");              // object 6
    return x;
}

}  // namespace rsttest
