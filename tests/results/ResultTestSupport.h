#pragma once
// Byte builders for hand-made ".rst" files.
#include "tests/support/ChartBytes.h"

namespace rsttest {

using charttest::Bytes;

// A two-column table with two rows, written the way the program writes it.
inline Bytes smallTable(int32_t saveCount = 1) {
    Bytes x;
    x.u16(2);
    x.newClass("Ccolformat", 0).format(0, "filename", 20, 0, 0);  // class 1, object 2
    x.u16(0x8001).format(1, "width", 8, 7, 1);                 // object 3
    x.u32(0xFFFFFFFF).block(saveCount, "AB12", 42);
    x.u16(2).u16(2);
    x.u16(2);
    x.newClass("CStringArray", 0).u16(2).str("a.cs1").str("    1.5");  // class 4, object 5
    x.u16(0x8004).u16(2).str("b.cs1").str("   12.0");              // object 6
    return x;
}

}  // namespace rsttest
