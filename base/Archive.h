#pragma once
// The binary serialization stream that every document file is written with.
// Layout (byte-compatible with files written by the Windows program):
//  - integers and reals little-endian at their declared width;
//  - strings: length byte < 255, else 0xFF + word < 0xFFFE, else 0xFF 0xFFFF + dword;
//  - counts: word < 0xFFFF, else 0xFFFF + dword;
//  - object references: 0 = null; a new object is preceded by its class
//    (0xFFFF, schema word, name length word, name) or, for a class already
//    written, by 0x8000|index; an object already written is its index.
//    Classes and objects share one index sequence starting at 1; indexes of
//    0x7FFF or more are written as 0x7FFF and a dword (0x80000000|index for
//    a class).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace ordavia {

class CObject;

// Raised by every reading operation on malformed or truncated input.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Archive {
public:
    enum class Mode { Load, Store };

    // A storing archive collecting its bytes in memory.
    Archive();
    // A loading archive over the given bytes (copied).
    explicit Archive(std::vector<uint8_t> bytes);
    Archive(const uint8_t* data, size_t size);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool IsLoading() const { return mode_ == Mode::Load; }
    bool IsStoring() const { return mode_ == Mode::Store; }

    // Storing.
    void writeByte(uint8_t v);
    void writeWord(uint16_t v);
    void writeShort(int16_t v) { writeWord(static_cast<uint16_t>(v)); }
    void writeDword(uint32_t v);
    void writeInt(int32_t v) { writeDword(static_cast<uint32_t>(v)); }
    void writeInt64(int64_t v);
    void writeFloat(float v);
    void writeDouble(double v);
    void writeBytes(const void* data, size_t n);
    void writeString(const std::string& s);
    void writeCount(uint32_t n);
    // Writes a reference to obj (null allowed), with its class and fields the
    // first time the object is met.
    void writeObject(const CObject* obj);
    // Writes count and each element as an object reference.
    template <class Ptr>
    void writeObjectArray(const std::vector<Ptr>& objs) {
        writeCount(static_cast<uint32_t>(objs.size()));
        for (const auto& p : objs) {
            if constexpr (std::is_pointer_v<Ptr>) writeObject(p);
            else writeObject(p.get());
        }
    }

    // Loading. Every call throws ArchiveError when the bytes run out.
    uint8_t readByte();
    uint16_t readWord();
    int16_t readShort() { return static_cast<int16_t>(readWord()); }
    uint32_t readDword();
    int32_t readInt() { return static_cast<int32_t>(readDword()); }
    int64_t readInt64();
    float readFloat();
    double readDouble();
    void readBytes(void* data, size_t n);
    std::string readString();
    uint32_t readCount();
    // A count of elements that each take at least minElementBytes in the
    // stream: a count the remaining bytes cannot hold is a format error.
    uint32_t readCountFor(size_t minElementBytes);

    // Reads an object reference. Null gives nullptr; a new object is created
    // through the class registry, read, and handed over to the caller; a
    // class other than T (or a subclass) is a format error. A reference to
    // an object read earlier is refused: every document file owns each of
    // its objects exactly once, so a back reference is a sign of a damaged
    // or hostile file and would otherwise make two owners.
    template <class T>
    std::unique_ptr<T> readObject() {
        std::unique_ptr<CObject> o = readObjectBase();
        if (!o) return nullptr;
        T* t = dynamic_cast<T*>(o.get());
        if (!t) throw ArchiveError("archive: object of class " + lastClassName_ + " is not of the expected class");
        o.release();
        return std::unique_ptr<T>(t);
    }
    // Reads count and that many object references.
    template <class T>
    std::vector<std::unique_ptr<T>> readObjectArray() {
        uint32_t n = readCountFor(2);
        std::vector<std::unique_ptr<T>> out;
        out.reserve(n);
        for (uint32_t i = 0; i < n; ++i) out.push_back(readObject<T>());
        return out;
    }

    // Bytes left to read, and the bytes written so far.
    size_t remaining() const { return data_.size() - pos_; }
    size_t position() const { return pos_; }
    const std::vector<uint8_t>& bytes() const { return data_; }
    std::vector<uint8_t> takeBytes() { return std::move(data_); }

    // Throws unless at least n more bytes are there to read.
    void require(size_t n) const;

    // Streaming shorthands in the spirit of the original framework.
    Archive& operator<<(uint8_t v) { writeByte(v); return *this; }
    Archive& operator<<(uint16_t v) { writeWord(v); return *this; }
    Archive& operator<<(int16_t v) { writeShort(v); return *this; }
    Archive& operator<<(uint32_t v) { writeDword(v); return *this; }
    Archive& operator<<(int32_t v) { writeInt(v); return *this; }
    Archive& operator<<(float v) { writeFloat(v); return *this; }
    Archive& operator<<(double v) { writeDouble(v); return *this; }
    Archive& operator<<(const std::string& v) { writeString(v); return *this; }
    Archive& operator>>(uint8_t& v) { v = readByte(); return *this; }
    Archive& operator>>(uint16_t& v) { v = readWord(); return *this; }
    Archive& operator>>(int16_t& v) { v = readShort(); return *this; }
    Archive& operator>>(uint32_t& v) { v = readDword(); return *this; }
    Archive& operator>>(int32_t& v) { v = readInt(); return *this; }
    Archive& operator>>(float& v) { v = readFloat(); return *this; }
    Archive& operator>>(double& v) { v = readDouble(); return *this; }
    Archive& operator>>(std::string& v) { v = readString(); return *this; }

private:
    std::unique_ptr<CObject> readObjectBase();
    void writeIndexTag(uint32_t index, bool isClass);

    Mode mode_;
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
    uint32_t mapCount_ = 1;  // next index; 0 is the null reference
    // Storing: object address or class name -> index.
    std::unordered_map<const void*, uint32_t> storedObjects_;
    std::unordered_map<std::string, uint32_t> storedClasses_;
    // Loading: index -> class name (empty for object slots).
    std::vector<std::string> loadedSlots_;
    std::string lastClassName_;
    int depth_ = 0;
};

}  // namespace ordavia
