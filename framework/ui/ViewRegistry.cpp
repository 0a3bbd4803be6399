#include "framework/ui/ViewRegistry.h"

#include <map>

namespace ordavia {

namespace {
std::map<std::string, ViewMaker>& makers() {
    static std::map<std::string, ViewMaker> m;
    return m;
}
}  // namespace

void registerViewMaker(const std::string& viewClass, ViewMaker maker) { makers()[viewClass] = std::move(maker); }

const ViewMaker* findViewMaker(const std::string& viewClass) {
    auto it = makers().find(viewClass);
    return it == makers().end() ? nullptr : &it->second;
}

}  // namespace ordavia
