#pragma once
// A free function of our own declared outside namespace ordavia: refused.
#include <string>

namespace ordavia {
int fine(int x);
}  // namespace ordavia

std::string strayHelper(const std::string& text);
