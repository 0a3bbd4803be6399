#include "measure/MagnificationTable.h"

#include "base/Text.h"
#include "measure/CalibrationTexts.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
const char kSettings[] = "settings";
}

MagnificationTable::MagnificationTable(const ProfileStore& store) : store_(store) {}

std::string MagnificationTable::slotSection(int slot) { return strprintf("mag%1i", slot); }

Magnification MagnificationTable::readFrom(const std::string& section, const char* defaultName) const {
    Magnification m;
    m.xScale = store_.GetDouble(section, "magx", 1.0);
    m.yScale = store_.GetDouble(section, "magy", 1.0);
    m.name = store_.GetString(section, "magname", defaultName);
    m.date = store_.GetInt(section, "magdate", 0);
    return m;
}

Magnification MagnificationTable::readDefault() const { return readFrom(kSettings, "default"); }

void MagnificationTable::writeDefault(const Magnification& m) const {
    store_.WriteDouble(kSettings, "magx", m.xScale);
    store_.WriteDouble(kSettings, "magy", m.yScale);
    store_.WriteString(kSettings, "magname", m.name);
    store_.WriteInt(kSettings, "magdate", m.date);
}

int MagnificationTable::count() const { return store_.GetInt(kSettings, "nmags", 0); }

bool MagnificationTable::add(const Magnification& m) const {
    const int n = count();
    const int k = store_.GetInt(kSettings, "nextmag", 0);
    // A slot past the last can never be found again, and counting it would
    // make "nmags" promise an entry that does not exist.
    if (k < 0 || k >= MAXMAGS) {
        debugLog("MagnificationTable::add table full (nextmag=%i)\n", k);
        return false;
    }
    const std::string section = slotSection(k);
    store_.WriteDouble(section, "magx", m.xScale);
    store_.WriteDouble(section, "magy", m.yScale);
    store_.WriteString(section, "magname", m.name);
    store_.WriteInt(section, "magdate", m.date);
    store_.WriteInt(section, "valid", 1);
    store_.WriteInt(kSettings, "nmags", n + 1);
    store_.WriteInt(kSettings, "nextmag", k + 1);
    return true;
}

Magnification MagnificationTable::readSlot(int slot) const { return readFrom(slotSection(slot), "no name"); }

int MagnificationTable::findSlot(int i) const {
    if (i < 0) return -1;
    int seen = 0;
    for (int slot = 0; slot < MAXMAGS; ++slot) {
        if (store_.GetInt(slotSection(slot), "valid", 0) == 0) continue;
        if (seen == i) return slot;
        ++seen;
    }
    return -1;
}

bool MagnificationTable::get(int i, Magnification& out) const {
    out.name = CalibrationTexts::notFound;
    if (i >= count()) {
        out.name += CalibrationTexts::badIndexCount;
        return false;
    }
    if (i >= MAXMAGS) {
        out.name += CalibrationTexts::badIndexMax;
        return false;
    }
    const int slot = findSlot(i);
    if (slot < 0) return false;
    out = readSlot(slot);
    return true;
}

void MagnificationTable::remove(int i) const {
    const int slot = findSlot(i);
    if (slot < 0) return;
    store_.WriteInt(slotSection(slot), "valid", 0);
    store_.WriteInt(kSettings, "nmags", count() - 1);
}

std::vector<Magnification> MagnificationTable::entries() const {
    // One pass over the slots: the profile is re-read on every lookup, so
    // fetching entry by entry would scan the slots once per entry.
    std::vector<Magnification> out;
    const int n = count();
    for (int slot = 0; slot < MAXMAGS && static_cast<int>(out.size()) < n; ++slot) {
        if (store_.GetInt(slotSection(slot), "valid", 0) != 0) out.push_back(readSlot(slot));
    }
    return out;
}

}  // namespace ordavia
