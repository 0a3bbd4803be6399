#include "settings/ProfileStore.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/FileIO.h"
#include "base/Text.h"

namespace {

// Lines are kept verbatim so that a rewrite changes only the line it must
// change.
struct ParsedFile {
    std::vector<std::string> lines;
    std::string eol = "\n";
    // A UTF-8 byte-order mark seen at the start (Windows editors add one);
    // it is written back so that the file keeps its encoding.
    bool bom = false;
    bool exists = false;
    // The file is there but could not be read (too large, not a file, no
    // permission): rewriting it from nothing would destroy it.
    bool unreadable = false;
};

ParsedFile loadLines(const std::string& path) {
    ParsedFile f;
    std::vector<uint8_t> bytes;
    if (path.empty()) return f;
    if (!readFileBytes(path, bytes, 64u << 20).ok()) {
        std::error_code ec;
        f.unreadable = std::filesystem::exists(path, ec) || ec;
        return f;
    }
    f.exists = true;
    size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        f.bom = true;
        start = 3;
    }
    std::string cur;
    bool sawCrlf = false;
    for (size_t i = start; i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') {
                cur.pop_back();
                sawCrlf = true;
            }
            f.lines.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) {
        if (cur.back() == '\r') cur.pop_back();
        f.lines.push_back(std::move(cur));
    }
    if (sawCrlf) f.eol = "\r\n";
    return f;
}

// The section name when the line is a section header.
bool sectionOf(const std::string& line, std::string& name) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = trim(std::string_view(t).substr(1, close - 1));
    return true;
}

// Splits a "key=value" line; comment lines and lines without '=' are not keys.
bool keyOf(const std::string& line, std::string& key, std::string& value) {
    const std::string t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(std::string_view(t).substr(0, eq));
    value = trim(std::string_view(t).substr(eq + 1));
    // The platform strips one pair of matching quotes around a value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

}  // namespace

ProfileStore& ProfileStore::instance() {
    static ProfileStore store;
    return store;
}

bool ProfileStore::SetPath(const std::string& path) {
    path_ = path;
    return true;
}

bool ProfileStore::lookup(const std::string& section, const std::string& key, std::string& value) const {
    const ParsedFile f = loadLines(path_);
    bool inSection = false;
    for (const std::string& line : f.lines) {
        std::string name;
        if (sectionOf(line, name)) {
            inSection = iequals(name, section);
            continue;
        }
        if (!inSection) continue;
        std::string k, v;
        if (keyOf(line, k, v) && iequals(k, key)) {
            value = std::move(v);
            return true;
        }
    }
    return false;
}

int parseProfileInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        neg = text[i] == '-';
        ++i;
    }
    uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = v * 10u + static_cast<uint32_t>(text[i] - '0');
    if (neg) v = 0u - v;
    return static_cast<int>(v);
}

int ProfileStore::GetInt(const std::string& section, const std::string& key, int def) const {
    std::string v;
    if (!lookup(section, key, v)) return def;
    return parseProfileInt(v);
}

double ProfileStore::GetDouble(const std::string& section, const std::string& key, double def) const {
    const std::string text = GetString(section, key, strprintf("%f", def));
    return std::atof(text.c_str());
}

std::string ProfileStore::GetString(const std::string& section, const std::string& key, const char* def) const {
    std::string v;
    if (!lookup(section, key, v)) v = def ? def : "";
    if (v.size() > kMaxValue) v.resize(kMaxValue);
    return v;
}

std::string ProfileStore::GetString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
    return GetString(section, key, def.c_str());
}

bool ProfileStore::WriteInt(const std::string& section, const std::string& key, int value) const {
    return WriteString(section, key, std::to_string(value));
}

bool ProfileStore::WriteDouble(const std::string& section, const std::string& key, double value) const {
    return WriteString(section, key, strprintf("%f", value));
}

bool ProfileStore::WriteString(const std::string& section, const std::string& key, const char* value) const {
    return WriteString(section, key, std::string(value ? value : ""));
}

bool ProfileStore::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
    if (path_.empty()) return false;
    ParsedFile f = loadLines(path_);
    if (f.unreadable) return false;
    const std::string newLine = key + "=" + value;

    // Find the section; replace the key in place or add it after the
    // section's last key line.
    bool found = false;
    for (size_t i = 0; i < f.lines.size() && !found; ++i) {
        std::string name;
        if (!sectionOf(f.lines[i], name) || !iequals(name, section)) continue;
        size_t insertAt = i + 1;
        size_t j = i + 1;
        for (; j < f.lines.size(); ++j) {
            std::string other;
            if (sectionOf(f.lines[j], other)) break;
            std::string k, v;
            if (keyOf(f.lines[j], k, v)) {
                if (iequals(k, key)) {
                    f.lines[j] = newLine;
                    found = true;
                    break;
                }
                insertAt = j + 1;
            }
        }
        if (!found) {
            f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
            found = true;
        }
    }
    if (!found) {
        f.lines.push_back("[" + section + "]");
        f.lines.push_back(newLine);
    }

    std::string out = f.bom ? "\xEF\xBB\xBF" : "";
    for (const std::string& l : f.lines) {
        out += l;
        out += f.eol;
    }
    return writeFileAtomically(path_, out).ok();
}
