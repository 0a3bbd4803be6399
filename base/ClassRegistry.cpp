#include "base/ClassRegistry.h"

#include <map>

#include "base/CObject.h"

namespace ordavia {

struct ClassRegistry::Impl {
    std::map<std::string, Entry> entries;
};

ClassRegistry& ClassRegistry::instance() {
    static ClassRegistry registry;
    return registry;
}

ClassRegistry::Impl& ClassRegistry::impl() {
    if (!impl_) impl_ = std::make_shared<Impl>();
    return *impl_;
}

void ClassRegistry::add(const std::string& name, uint16_t schema, Factory factory) {
    impl().entries[name] = Entry{schema, std::move(factory)};
}

const ClassRegistry::Entry* ClassRegistry::find(const std::string& name) const {
    const Impl* i = implIfAny();
    if (!i) return nullptr;
    auto it = i->entries.find(name);
    return it == i->entries.end() ? nullptr : &it->second;
}

}  // namespace ordavia
