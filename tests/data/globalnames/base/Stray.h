#pragma once
// A helper type of our own left in the global namespace, which the
// global-names check must refuse; the documented class and the type inside
// namespace ordavia beside it are fine.
namespace ordavia {
struct Kept {};
}  // namespace ordavia

class CZVimage {};

struct [[nodiscard]] StrayHelper {
    int value = 0;
};
