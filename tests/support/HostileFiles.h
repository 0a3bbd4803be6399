#pragma once
// Small files that ask for a great deal: builders for the bounded-memory
// tests (and for measuring the program against them).
#include <memory>
#include <string>
#include <vector>

#include "base/Archive.h"
#include "results/CResultDoc.h"

namespace testsupport {

// A results table of `columns` column formats and `rows` rows without a
// single cell: about 20 bytes per column and 6 per row on disc, yet a CSV
// export writes a comma for every row and column.
inline std::vector<uint8_t> emptyWideResultsBytes(size_t columns, size_t rows) {
    ordavia::registerResultClasses();
    std::vector<std::unique_ptr<Ccolformat>> formats;
    for (size_t i = 0; i < columns; ++i) {
        auto f = std::make_unique<Ccolformat>();
        f->column = static_cast<uint16_t>(i);
        f->kind = 1;
        formats.push_back(std::move(f));
    }
    std::vector<std::unique_ptr<ordavia::CStringArray>> empty;
    for (size_t i = 0; i < rows; ++i) empty.push_back(std::make_unique<ordavia::CStringArray>());
    ordavia::Archive ar;
    ar.writeObjectArray(formats);
    ar.writeInt(-1);
    CResultDoc block;
    block.serializeDbBlock(ar);
    ar.writeWord(static_cast<uint16_t>(columns));
    ar.writeWord(static_cast<uint16_t>(rows));
    ar.writeObjectArray(empty);
    return ar.bytes();
}

}  // namespace testsupport
