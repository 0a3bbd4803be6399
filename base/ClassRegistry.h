#pragma once
// Registry of the classes an archive can create by name when reading.
// Each library registers its classes explicitly (a function such as
// registerMeasureClasses()) before reading documents; registration is
// idempotent. Static registration objects are avoided because the linker
// drops them from static libraries.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ordavia {

class CObject;

class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<CObject>()>;

    static ClassRegistry& instance();

    void add(const std::string& name, uint16_t schema, Factory factory);
    template <class T>
    void add() {
        add(T::kClassName, T::kSchema, [] { return std::unique_ptr<CObject>(new T()); });
    }

    struct Entry {
        uint16_t schema = 0;
        Factory factory;
    };
    // Null when the name is unknown.
    const Entry* find(const std::string& name) const;

private:
    ClassRegistry() = default;
    struct Impl;
    std::shared_ptr<Impl> impl_;
    Impl& impl();
    const Impl* implIfAny() const { return impl_.get(); }
};

}  // namespace ordavia
