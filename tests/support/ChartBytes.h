#pragma once
// Byte builders for hand-made chart and results-table files: archive fields, class tags,
// data vectors, traces and ".zv1" documents, written independently of the
// code under test.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace charttest {

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& f32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return u32(u);
    }
    Bytes& f64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        return u32(uint32_t(u)).u32(uint32_t(u >> 32));
    }
    Bytes& raw(const void* p, size_t n) {
        const auto* c = static_cast<const uint8_t*>(p);
        b.insert(b.end(), c, c + n);
        return *this;
    }
    Bytes& str(const std::string& s) {
        u8(static_cast<uint8_t>(s.size()));
        return raw(s.data(), s.size());
    }
    // A new class tag: 0xFFFF, schema, name.
    Bytes& newClass(const std::string& name, uint16_t schema = 1) {
        u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size()));
        return raw(name.data(), name.size());
    }
    // A class written before, by its archive index.
    Bytes& oldClass(uint16_t index) { return u16(0x8000 | index); }
    Bytes& append(const Bytes& o) { return raw(o.b.data(), o.b.size()); }
    // A results-table column format's fields.
    Bytes& format(uint16_t column, const std::string& heading, uint16_t display, uint16_t field, uint16_t dec) {
        return u16(column).u16(1).str(heading).u16(display).u16(field).u16(dec);
    }
    // The database block of a linked document, format 2.
    Bytes& block(int32_t saveCount, const std::string& subject, int32_t exam) {
        return u32(2).u32(static_cast<uint32_t>(saveCount)).str(subject).u32(static_cast<uint32_t>(exam))
            .str("owner").str("result").str("station").str("captured");
    }
};

// A one-dimensional vector's fields (after its class tag).
template <class T>
Bytes vectorBody(const std::vector<T>& values, uint16_t stride = 1, uint32_t cursor = 0) {
    Bytes v;
    v.u32(static_cast<uint32_t>(values.size())).u16(stride).u32(cursor);
    v.raw(values.data(), values.size() * sizeof(T));
    return v;
}

// Trace fields of the current layout (version 0x5A000008) around a data
// object given as bytes (tag included).
struct TraceFields {
    uint32_t colour = 0x0000FF, head = 0;
    double yScale = 2.0, xInterval = 0.01, dYScale = 0.5, dXScale = 0.02;
    int32_t xStart = 1500, dYOffset = 7;
    std::string name = "flux", xUnits = "s", yUnits = "PU";
    uint32_t ring = 0;
    double yOffset = -1.0;
    int32_t yGroup = 3;
    uint32_t auxFlag = 1, showPoints = 1;
    int32_t pointSize = 4;
};

inline Bytes traceBody(const TraceFields& f, const Bytes& dataObject) {
    Bytes t;
    t.u32(0x5A000008).u32(f.colour).u32(f.head).f64(f.yScale).f64(f.xInterval).append(dataObject);
    t.f64(f.dYScale).f64(f.dXScale).u32(uint32_t(f.xStart)).u32(uint32_t(f.dYOffset));
    t.str(f.name).str(f.xUnits).str(f.yUnits).u32(f.ring).f64(f.yOffset).u32(uint32_t(f.yGroup));
    t.u32(f.auxFlag).u32(f.showPoints).u32(uint32_t(f.pointSize));
    return t;
}

inline Bytes markerBody(double x, const std::string& label, const std::string& desc, uint16_t attr = 0,
                        uint16_t width = 2, uint16_t height = 1, uint16_t pole = 3) {
    Bytes m;
    m.u16(1).u16(attr).f64(x).u16(width).u16(height).u16(pole).str(label).str(desc);
    return m;
}

}  // namespace charttest
