#pragma once
// How traces come in from foreign data files and go out as text or binary:
// the settings of one import or export, with their profile keys, and the
// binary and text readers.
//
// Binary import: header bytes skipped, then blocks of `block size` points
// of one element type separated by `block skip` bytes, optionally in the
// other byte order. Text import: one trace per comma-separated column;
// lines starting with a double quote or a letter are headings. Every other
// line is one row of every column: a value a row lacks (an empty cell, a
// short row, "NaN" or "NA") is missing, never a zero and never the next
// row's value, and a cell that is not a number refuses the file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"

class CTrace;
class ProfileStore;

class DataFileFormat {
public:
    int yMode = 0;
    int xMode = 0;
    int zMode = 0;
    bool binary = false;
    bool headers = false;
    int rowDelimiter = 0;
    int columnDelimiter = 0;
    int numberFormat = 0;
    int precision = 0;
    bool swapBytes = false;
    bool valid = false;
    int inputType = 2;
    int outputType = 2;
    int count = 0;
    int headerBytes = 0;
    int blockSize = 1;
    int blockSkip = 0;
    int blocks = 0;
    int columns = 0;
    int currentColumn = 0;

    static int elementSize(int type);
    // The "Data Type" dialog's choices, type 0..7.
    static const char* const kTypeNames[8];

    void read(const ProfileStore& p, const std::string& section);
    // Only settings that were read are written back.
    void write(const ProfileStore& p, const std::string& section) const;

    std::string columnDelimiterText() const;
    std::string rowDelimiterText() const;
    std::string numberFormatText() const;

    // Binary layout from the file length: the points available, then blocks
    // and count for `get` points. False when a record has no size.
    int64_t availablePoints(uint64_t fileLength) const;
    bool planBinary(uint64_t fileLength, int64_t get);
};

namespace ordavia {

// Reads traces from a whole file's bytes, one per call, until null.
// A text file is read once, whatever its number of columns; a column
// without any value gives no trace.
class TraceImporter {
public:
    TraceImporter(const std::vector<uint8_t>& bytes, DataFileFormat& fmt) : bytes_(bytes), fmt_(fmt) {}
    std::unique_ptr<CTrace> next();
    // Why reading stopped before the file was taken in (a cell that is not
    // a number, a missing value an integer trace cannot hold, no memory);
    // success otherwise.
    const Status& status() const { return status_; }

    // Missing values (NaN) and values of all columns beyond this are not
    // kept: a file that would need more is refused.
    static constexpr uint64_t kMaxTextCells = uint64_t(32) << 20;

private:
    std::unique_ptr<CTrace> nextBinary();
    std::unique_ptr<CTrace> nextText();
    Status readTextTable();
    const std::vector<uint8_t>& bytes_;
    DataFileFormat& fmt_;
    bool textRead_ = false;
    std::vector<std::vector<float>> textColumns_;  // per column, NaN where a row has no value
    Status status_;
};

}  // namespace ordavia
