#pragma once
// What the import wizard proposes for a data file before the user sees it:
// whether it looks like text, and for text the columns, rows and element
// type that take in all of its numbers. Only a proposal: the user confirms
// or changes every value, and the text reader reads what was confirmed.
#include <cstdint>
#include <vector>

namespace ordavia {

struct TextImportGuess {
    bool text = false;  // printable bytes only (tabs and line ends aside)
    int columns = 0;    // most comma-separated numbers on one line
    int rows = 0;       // lines holding at least one number
    int type = 2;       // "Data Type" choice: 2 (2 byte integer) when every
                        // number is a whole one that fits, 4 for larger whole
                        // numbers, 6 (float) otherwise
};

// Lines end at "\n" (a "\r" before it is ignored); a line starting with a
// double quote is a heading, as the reader skips it, and so is a line
// without any number (a heading of names).
TextImportGuess guessTextImport(const std::vector<uint8_t>& bytes);

}  // namespace ordavia
