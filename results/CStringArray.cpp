#include "results/CStringArray.h"

#include "base/Archive.h"

namespace ordavia {

void CStringArray::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeCount(static_cast<uint32_t>(strings.size()));
        for (const std::string& s : strings) ar.writeString(s);
        return;
    }
    const uint32_t n = ar.readCountFor(1);
    if (n > kMaxLoadCount) throw ArchiveError("CStringArray: too many strings");
    std::vector<std::string> loaded;
    loaded.reserve(n);
    for (uint32_t i = 0; i < n; ++i) loaded.push_back(ar.readString());
    strings = std::move(loaded);
}

}  // namespace ordavia
