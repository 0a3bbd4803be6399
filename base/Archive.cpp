#include "base/Archive.h"

#include <bit>
#include <cstring>

#include "base/CObject.h"
#include "base/ClassRegistry.h"

namespace ordavia {

static_assert(std::endian::native == std::endian::little, "the archive assumes a little-endian host");

namespace {
constexpr uint16_t kNullTag = 0;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kMaxMapCount = 0x3FFFFFFE;
// Nesting deeper than this is not a document but an attack on the stack.
constexpr int kMaxDepth = 256;
// Class names in real files are short identifiers.
constexpr uint16_t kMaxClassName = 255;
}  // namespace

Archive::Archive() : mode_(Mode::Store) {}

Archive::Archive(std::vector<uint8_t> bytes) : mode_(Mode::Load), data_(std::move(bytes)) {
    loadedSlots_.emplace_back();  // slot 0: null
}

Archive::Archive(const uint8_t* data, size_t size)
    : Archive(std::vector<uint8_t>(data, data + size)) {}

Archive::~Archive() = default;

// ---- storing ----

void Archive::writeBytes(const void* data, size_t n) {
    if (n == 0) return;
    const auto* b = static_cast<const uint8_t*>(data);
    data_.insert(data_.end(), b, b + n);
}

void Archive::writeByte(uint8_t v) { data_.push_back(v); }
void Archive::writeWord(uint16_t v) { writeBytes(&v, 2); }
void Archive::writeDword(uint32_t v) { writeBytes(&v, 4); }
void Archive::writeInt64(int64_t v) { writeBytes(&v, 8); }
void Archive::writeFloat(float v) { writeBytes(&v, 4); }
void Archive::writeDouble(double v) { writeBytes(&v, 8); }

void Archive::writeString(const std::string& s) {
    const size_t n = s.size();
    if (n < 255) {
        writeByte(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        writeByte(0xFF);
        writeWord(static_cast<uint16_t>(n));
    } else {
        writeByte(0xFF);
        writeWord(0xFFFF);
        writeDword(static_cast<uint32_t>(n));
    }
    writeBytes(s.data(), n);
}

void Archive::writeCount(uint32_t n) {
    if (n < 0xFFFF) {
        writeWord(static_cast<uint16_t>(n));
    } else {
        writeWord(0xFFFF);
        writeDword(n);
    }
}

void Archive::writeIndexTag(uint32_t index, bool isClass) {
    if (index < kBigObjectTag) {
        writeWord(static_cast<uint16_t>(isClass ? (kClassTag | index) : index));
    } else {
        writeWord(kBigObjectTag);
        writeDword(isClass ? (kBigClassTag | index) : index);
    }
}

void Archive::writeObject(const CObject* obj) {
    if (!obj) {
        writeWord(kNullTag);
        return;
    }
    if (auto it = storedObjects_.find(obj); it != storedObjects_.end()) {
        writeIndexTag(it->second, false);
        return;
    }
    const std::string name = obj->className();
    if (auto it = storedClasses_.find(name); it != storedClasses_.end()) {
        writeIndexTag(it->second, true);
    } else {
        writeWord(kNewClassTag);
        writeWord(obj->schema());
        writeWord(static_cast<uint16_t>(name.size()));
        writeBytes(name.data(), name.size());
        storedClasses_[name] = mapCount_++;
    }
    storedObjects_[obj] = mapCount_++;
    // Serialize only reads through the archive when loading; storing leaves
    // the object as it is.
    const_cast<CObject*>(obj)->Serialize(*this);
}

// ---- loading ----

void Archive::require(size_t n) const {
    if (n > data_.size() - pos_) throw ArchiveError("archive: unexpected end of file");
}

void Archive::readBytes(void* data, size_t n) {
    require(n);
    if (n) std::memcpy(data, data_.data() + pos_, n);
    pos_ += n;
}

uint8_t Archive::readByte() {
    require(1);
    return data_[pos_++];
}
uint16_t Archive::readWord() {
    uint16_t v;
    readBytes(&v, 2);
    return v;
}
uint32_t Archive::readDword() {
    uint32_t v;
    readBytes(&v, 4);
    return v;
}
int64_t Archive::readInt64() {
    int64_t v;
    readBytes(&v, 8);
    return v;
}
float Archive::readFloat() {
    float v;
    readBytes(&v, 4);
    return v;
}
double Archive::readDouble() {
    double v;
    readBytes(&v, 8);
    return v;
}

std::string Archive::readString() {
    uint32_t n = readByte();
    if (n == 0xFF) {
        n = readWord();
        // 0xFFFE marks a wide-character string of a Unicode build; reading
        // it as 65534 narrow characters would silently garble the rest.
        if (n == 0xFFFE) throw ArchiveError("archive: wide-character string not supported");
        if (n == 0xFFFF) n = readDword();
    }
    require(n);
    std::string s(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return s;
}

uint32_t Archive::readCount() {
    uint32_t n = readWord();
    if (n == 0xFFFF) n = readDword();
    return n;
}

uint32_t Archive::readCountFor(size_t minElementBytes) {
    const uint32_t n = readCount();
    if (minElementBytes && n > remaining() / minElementBytes)
        throw ArchiveError("archive: count " + std::to_string(n) + " exceeds the data left in the file");
    return n;
}

std::unique_ptr<CObject> Archive::readObjectBase() {
    const uint16_t tag = readWord();
    if (tag == kNullTag) return nullptr;

    std::string className;
    if (tag == kNewClassTag) {
        const uint16_t schema = readWord();
        const uint16_t len = readWord();
        if (len == 0 || len > kMaxClassName) throw ArchiveError("archive: bad class name length");
        require(len);
        className.assign(reinterpret_cast<const char*>(data_.data() + pos_), len);
        pos_ += len;
        const ClassRegistry::Entry* e = ClassRegistry::instance().find(className);
        if (!e) throw ArchiveError("archive: unknown class " + className);
        if (e->schema != schema)
            throw ArchiveError("archive: class " + className + " has schema " + std::to_string(schema) +
                               ", expected " + std::to_string(e->schema));
        if (mapCount_ >= kMaxMapCount) throw ArchiveError("archive: too many objects");
        loadedSlots_.push_back(className);
        ++mapCount_;
    } else {
        uint32_t index;
        bool isClass;
        if (tag == kBigObjectTag) {
            const uint32_t big = readDword();
            isClass = (big & kBigClassTag) != 0;
            index = big & ~kBigClassTag;
        } else {
            isClass = (tag & kClassTag) != 0;
            index = tag & 0x7FFF;
        }
        if (index == 0 || index >= loadedSlots_.size())
            throw ArchiveError("archive: bad index " + std::to_string(index));
        if (!isClass) {
            if (!loadedSlots_[index].empty())
                throw ArchiveError("archive: index " + std::to_string(index) + " names a class, not an object");
            throw ArchiveError("archive: an object is referenced twice");
        }
        className = loadedSlots_[index];
        if (className.empty())
            throw ArchiveError("archive: index " + std::to_string(index) + " names an object, not a class");
    }

    const ClassRegistry::Entry* e = ClassRegistry::instance().find(className);
    if (!e) throw ArchiveError("archive: unknown class " + className);
    if (mapCount_ >= kMaxMapCount) throw ArchiveError("archive: too many objects");
    if (depth_ >= kMaxDepth) throw ArchiveError("archive: objects nested too deeply");
    std::unique_ptr<CObject> obj = e->factory();
    loadedSlots_.emplace_back();  // the object's own slot
    ++mapCount_;
    lastClassName_ = className;
    ++depth_;
    try {
        obj->Serialize(*this);
    } catch (...) {
        --depth_;
        throw;
    }
    --depth_;
    lastClassName_ = className;
    return obj;
}

}  // namespace ordavia
