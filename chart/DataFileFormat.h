#pragma once
// How traces come in from foreign data files and go out as text or binary:
// the settings of one import or export, with their profile keys, and the
// binary and text readers.
//
// Binary import: header bytes skipped, then blocks of `block size` points
// of one element type separated by `block skip` bytes, optionally in the
// other byte order. Text import: one trace per comma-separated column;
// lines starting with a double quote are headers.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
class TraceImporter {
public:
    TraceImporter(const std::vector<uint8_t>& bytes, DataFileFormat& fmt) : bytes_(bytes), fmt_(fmt) {}
    std::unique_ptr<CTrace> next();

private:
    std::unique_ptr<CTrace> nextBinary();
    std::unique_ptr<CTrace> nextText();
    const std::vector<uint8_t>& bytes_;
    DataFileFormat& fmt_;
};

}  // namespace ordavia
