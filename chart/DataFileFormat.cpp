#include "chart/DataFileFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"
#include "chart/CTrace.h"
#include "settings/ProfileStore.h"

const char* const DataFileFormat::kTypeNames[8] = {
    "&1 byte integer",         "1 byte unsigned integer", "2 byte integer", "2 byte unsigned integer",
    "4 byte integer",          "4 byte unsigned integer", "float",          "double float"};

int DataFileFormat::elementSize(int type) {
    static const int sizes[8] = {1, 1, 2, 2, 4, 4, 4, 8};
    return type >= 0 && type < 8 ? sizes[type] : 0;
}

void DataFileFormat::read(const ProfileStore& p, const std::string& s) {
    yMode = p.GetInt(s, "y_scaled", 0);
    xMode = p.GetInt(s, "x_scaled", 0);
    zMode = p.GetInt(s, "z_scaled", 2);
    binary = p.GetInt(s, "binary", 0) != 0;
    headers = p.GetInt(s, "headers", 0) != 0;
    columnDelimiter = p.GetInt(s, "col delimiters", 1);
    rowDelimiter = p.GetInt(s, "row delimiters", 0);
    numberFormat = p.GetInt(s, "format", 1);
    precision = p.GetInt(s, "precision", 0);
    swapBytes = p.GetInt(s, "swapbytes", 0) != 0;
    valid = true;
}

void DataFileFormat::write(const ProfileStore& p, const std::string& s) const {
    if (!valid) return;
    p.WriteInt(s, "y_scaled", yMode);
    p.WriteInt(s, "x_scaled", xMode);
    p.WriteInt(s, "z_scaled", zMode);
    p.WriteInt(s, "binary", binary);
    p.WriteInt(s, "headers", headers);
    p.WriteInt(s, "col delimiters", columnDelimiter);
    p.WriteInt(s, "row delimiters", rowDelimiter);
    p.WriteInt(s, "format", numberFormat);
    p.WriteInt(s, "precision", precision);
    p.WriteInt(s, "swapbytes", swapBytes);
}

std::string DataFileFormat::columnDelimiterText() const {
    switch (columnDelimiter) {
        case 0: return "\t";
        case 1: return ",";
        case 2: return ";";
        case 3: return " ";
        default: return "";
    }
}

std::string DataFileFormat::rowDelimiterText() const {
    switch (rowDelimiter) {
        case 0: return "\r\n";
        case 1: return "\r";
        case 2: return "\n";
        case 3: return columnDelimiterText();
        default: return "";
    }
}

std::string DataFileFormat::numberFormatText() const {
    // Precision is clamped so the format stays a sane printf format.
    const int p = std::clamp(precision, 0, 30);
    switch (numberFormat) {
        case 0: return "%." + std::to_string(p) + "E";
        case 1: return "%." + std::to_string(p) + "f";
        case 2: return "%." + std::to_string(p + 1) + "g";
        default: return "";
    }
}

int64_t DataFileFormat::availablePoints(uint64_t len) const {
    const int s = elementSize(inputType);
    return s ? static_cast<int64_t>(len / s) : 0;
}

bool DataFileFormat::planBinary(uint64_t len, int64_t get) {
    const int s = elementSize(inputType);
    const int64_t record = int64_t(s) * blockSize + blockSkip;
    if (record <= 0 || blockSize <= 0 || headerBytes < 0 || blockSkip < 0) return false;
    const int64_t body = int64_t(len) - headerBytes;
    blocks = body > 0 ? static_cast<int>(std::min<int64_t>(body / record, INT32_MAX)) : 0;
    count = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(get, int64_t(blocks) * blockSize), 0, INT32_MAX));
    return true;
}

namespace ordavia {

std::unique_ptr<CTrace> TraceImporter::next() { return fmt_.binary ? nextBinary() : nextText(); }

namespace {
template <class T>
T loadValue(const uint8_t* p, int size, bool swap) {
    uint8_t b[8];
    std::memcpy(b, p, static_cast<size_t>(size));
    if (swap) std::reverse(b, b + size);
    T v;
    std::memcpy(&v, b, sizeof v);
    return v;
}

void storeTyped(CdataVect& d, uint32_t i, const uint8_t* p, int type, bool swap) {
    const int s = DataFileFormat::elementSize(type);
    switch (type) {
        case 0: d.setAt(i, static_cast<int16_t>(static_cast<int8_t>(p[0]))); break;
        case 1: d.setAt(i, static_cast<int16_t>(p[0])); break;
        case 2: d.setAt(i, loadValue<int16_t>(p, s, swap)); break;
        case 3: d.setAt(i, loadValue<uint16_t>(p, s, swap)); break;
        case 4: d.setAt(i, loadValue<int32_t>(p, s, swap)); break;
        case 5: d.setAt(i, loadValue<uint32_t>(p, s, swap)); break;
        case 6: d.setAt(i, loadValue<float>(p, s, swap)); break;
        case 7: d.setAt(i, loadValue<double>(p, s, swap)); break;
        default: break;
    }
}
}  // namespace

std::unique_ptr<CTrace> TraceImporter::nextBinary() {
    DataFileFormat& f = fmt_;
    if (f.count < 1) return nullptr;
    const int s = DataFileFormat::elementSize(f.inputType);
    if (!s || f.outputType < 0 || f.outputType > 7 || f.blockSize < 1 || f.headerBytes < 0 || f.blockSkip < 0) {
        f.count = 0;
        return nullptr;
    }
    // Never more samples than the file can fill.
    const uint64_t most = bytes_.size() / static_cast<uint64_t>(s);
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(f.count), most));
    f.count = 0;
    if (!n) return nullptr;
    auto t = std::make_unique<CTrace>(f.outputType + 1, n);
    if (!t->hasData()) return nullptr;
    CdataVect& d = *t->data;
    size_t pos = static_cast<size_t>(f.headerBytes);
    if (f.inputType == f.outputType && f.blockSkip == 0 && !f.swapBytes) {
        const size_t want = size_t(n) * s;
        if (pos < bytes_.size()) std::memcpy(d.rawData(), bytes_.data() + pos, std::min(want, bytes_.size() - pos));
        return t;
    }
    uint32_t i = 0;
    for (int b = 0; i < n && b < f.blocks; ++b) {
        if (b > 0) pos += static_cast<size_t>(f.blockSkip);
        for (int k = 0; k < f.blockSize && i < n; ++k) {
            if (pos + s > bytes_.size()) return t;  // the rest stay 0
            storeTyped(d, i++, bytes_.data() + pos, f.inputType, f.swapBytes);
            pos += s;
        }
    }
    return t;
}

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// A cell for the message: printable, and short.
std::string shown(const char* p, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && i < 24; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        out += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    }
    return n > 24 ? out + "..." : out;
}

enum class Cell { Value, Missing, NotANumber };

// The whole cell must be the number: "12abc" or "1;2" is not one.
Cell readCell(const char* p, size_t n, float& out) {
    while (n && blank(*p)) ++p, --n;
    while (n && blank(p[n - 1])) --n;
    if (!n) return Cell::Missing;
    char buf[128];
    if (n >= sizeof buf) return Cell::NotANumber;
    std::memcpy(buf, p, n);
    buf[n] = '\0';
    if (!std::strcmp(buf, "NA") || !std::strcmp(buf, "NaN") || !std::strcmp(buf, "nan")) return Cell::Missing;
    char* end = nullptr;
    const double v = std::strtod(buf, &end);
    if (end != buf + n || !std::isfinite(v)) return Cell::NotANumber;
    out = static_cast<float>(v);
    return Cell::Value;
}

}  // namespace

Status TraceImporter::readTextTable() {
    const DataFileFormat& f = fmt_;
    const size_t columns = static_cast<size_t>(f.columns);
    const uint32_t rows = static_cast<uint32_t>(f.count);
    textColumns_.assign(columns, {});
    const char* text = reinterpret_cast<const char*>(bytes_.data());
    const size_t size = bytes_.size();
    uint64_t cells = 0;
    uint32_t row = 0;
    size_t lineNo = 0, pos = 0;
    while (pos < size && row < rows) {
        // Whole lines, however long: cutting a line cuts a number in two.
        // "\n", "\r\n" and a lone "\r" end a line.
        size_t end = pos;
        while (end < size && text[end] != '\n' && text[end] != '\r') ++end;
        const char* line = text + pos;
        const size_t length = end - pos;
        pos = end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? end + 2 : end + 1;
        ++lineNo;
        size_t lead = 0;
        while (lead < length && blank(line[lead])) ++lead;
        if (lead == length || line[0] == '"' || std::isalpha(static_cast<unsigned char>(line[lead]))) continue;
        size_t start = 0;
        for (size_t col = 0; col < columns && start <= length; ++col) {
            const char* comma = static_cast<const char*>(std::memchr(line + start, ',', length - start));
            const size_t stop = comma ? static_cast<size_t>(comma - line) : length;
            float v = 0;
            const Cell c = readCell(line + start, stop - start, v);
            if (c == Cell::NotANumber)
                return Status::failure(StatusCode::BadFormat,
                                       strprintf("line %zu, column %zu: '%s' is not a number (columns are separated "
                                                 "by commas)",
                                                 lineNo, col + 1, shown(line + start, stop - start).c_str()));
            if (c == Cell::Value) {
                std::vector<float>& column = textColumns_[col];
                cells += row + 1 - column.size();
                if (cells > kMaxTextCells)
                    return Status::failure(StatusCode::NoMemory,
                                           strprintf("the columns would hold more than %llu values",
                                                     static_cast<unsigned long long>(kMaxTextCells)));
                column.resize(row, std::numeric_limits<float>::quiet_NaN());
                column.push_back(v);
            }
            if (!comma) break;
            start = stop + 1;
        }
        ++row;
    }
    // Integer traces have no value for "missing": such a column is kept
    // only where nothing is missing before its last value.
    if (f.outputType < 6)
        for (size_t c = 0; c < columns; ++c)
            for (size_t r = 0; r < textColumns_[c].size(); ++r)
                if (std::isnan(textColumns_[c][r]))
                    return Status::failure(StatusCode::BadFormat,
                                           strprintf("column %zu has no value in data row %zu: import as float or "
                                                     "double to keep missing values missing",
                                                     c + 1, r + 1));
    return Status::success();
}

std::unique_ptr<CTrace> TraceImporter::nextText() {
    DataFileFormat& f = fmt_;
    if (f.count <= 0 || f.columns <= 0 || f.currentColumn >= f.columns) return nullptr;
    if (f.outputType < 0 || f.outputType > 7) return nullptr;
    if (!textRead_) {
        textRead_ = true;
        status_ = readTextTable();
        if (!status_) {
            textColumns_.clear();
            f.currentColumn = f.columns;
            return nullptr;
        }
    }
    while (f.currentColumn < f.columns) {
        const int c = f.currentColumn++;
        std::vector<float>& values = textColumns_[static_cast<size_t>(c)];
        if (values.empty()) continue;
        auto t = std::make_unique<CTrace>(f.outputType + 1, static_cast<uint32_t>(values.size()));
        if (!t->hasData()) {
            status_ = Status::failure(StatusCode::NoMemory, strprintf("no memory for column %d", c + 1));
            f.currentColumn = f.columns;
            return nullptr;
        }
        t->name = strprintf("col%i", c + 1);
        for (uint32_t i = 0; i < values.size(); ++i) t->data->setAt(i, values[i]);
        std::vector<float>().swap(values);
        return t;
    }
    return nullptr;
}

}  // namespace ordavia
