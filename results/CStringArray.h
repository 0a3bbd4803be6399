#pragma once
// The framework's array of strings as an archived object (class
// "CStringArray", schema 0): an archive count, then each string as an
// archive string. Results tables keep one per row.
#include <string>
#include <vector>

#include "base/CObject.h"

namespace ordavia {

class CStringArray : public CObject {
    ORDAVIA_SERIAL(CStringArray, 0)

public:
    CStringArray() = default;
    explicit CStringArray(std::vector<std::string> s) : strings(std::move(s)) {}

    std::vector<std::string> strings;

    // More strings than this in one array is a damaged file, not data: no
    // row of a table comes near it, and each string costs far more memory
    // than the one length byte it needs on disc.
    static constexpr uint32_t kMaxLoadCount = 1u << 20;

    void Serialize(Archive& ar) override;
};

}  // namespace ordavia
