#pragma once
// Base of every object that is written to an archive as an object reference.
#include <cstdint>
#include <memory>
#include <string>

namespace ordavia {

class Archive;

class CObject {
public:
    virtual ~CObject() = default;
    // The class name and schema number written with the object's class tag.
    virtual const char* className() const = 0;
    virtual uint16_t schema() const = 0;
    // Reads or writes the object's own fields.
    virtual void Serialize(Archive& ar) = 0;
};

// Declares className()/schema() for a serializable class.
#define ORDAVIA_SERIAL(Class, Schema)                                   \
public:                                                                \
    static constexpr const char* kClassName = #Class;                  \
    static constexpr uint16_t kSchema = Schema;                        \
    const char* className() const override { return kClassName; }      \
    uint16_t schema() const override { return kSchema; }

}  // namespace ordavia
