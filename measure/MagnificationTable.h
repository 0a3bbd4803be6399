#pragma once
// The default magnification for new images and the table of named
// magnifications, both kept in the profile. The table has MAXMAGS slots,
// sections "mag0" to "mag499"; an entry is addressed by its position among
// the slots whose "valid" is set. Removed slots are never reused: new
// entries always go to slot "nextmag", so a table that has seen MAXMAGS
// additions is full.
#include <string>
#include <vector>

#include "measure/Magnification.h"

class ProfileStore;

namespace ordavia {

class MagnificationTable {
public:
    static constexpr int MAXMAGS = 500;

    explicit MagnificationTable(const ProfileStore& store);

    // "settings": "magx", "magy", "magname", "magdate".
    Magnification readDefault() const;
    void writeDefault(const Magnification& m) const;

    // "settings"/"nmags".
    int count() const;
    // Writes the entry into slot "nextmag" and counts it. False (and nothing
    // written) when every slot has been used.
    bool add(const Magnification& m) const;
    // The i-th valid entry. On failure false, out.name is "not found:"
    // followed by the reason, and the other fields of out are left alone.
    bool get(int i, Magnification& out) const;
    // Marks the i-th valid entry removed; out-of-range indexes do nothing.
    void remove(int i) const;
    // Every valid entry, in slot order.
    std::vector<Magnification> entries() const;

    // "mag%1i".
    static std::string slotSection(int slot);

private:
    // The slot of the i-th valid entry, or -1.
    int findSlot(int i) const;
    Magnification readSlot(int slot) const;
    // "magx", "magy", "magname", "magdate" of a section.
    Magnification readFrom(const std::string& section, const char* defaultName) const;
    const ProfileStore& store_;
};

}  // namespace ordavia
