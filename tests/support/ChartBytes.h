#pragma once
// Byte builders for hand-made chart files: data vectors, traces and
// markers, written independently of the code under test.
#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveBytes.h"

namespace charttest {

using Bytes = ::Bytes;

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
