// Sub-pixel offset tables (".zvoff") from hostile bytes: parsing succeeds
// or fails with a reason, never crashes or grows beyond the frame bound; a
// table that parses writes itself back to the same entries.
#include <cstddef>
#include <cstdint>
#include <string>

#include "video/FineOffsets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto r = ordavia::FineOffsets::parse(text, 5000);
    if (!r) return 0;
    if (r->entries().size() > 5000) __builtin_trap();
    auto again = ordavia::FineOffsets::parse(r->format(), 5000);
    if (!again) __builtin_trap();
    const auto& a = r->entries();
    const auto& b = again->entries();
    for (size_t i = 0; i < a.size(); ++i) {
        const bool bset = i < b.size() && b[i].set;
        if (a[i].set != bset) __builtin_trap();
    }
    return 0;
}
