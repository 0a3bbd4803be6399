#include "settings/ProfileStore.h"

#include <sys/stat.h>

#include <ctime>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/FileIO.h"
#include "base/Text.h"

using namespace ordavia;

namespace {

// The profile refuses to read anything larger: it is a text of settings.
constexpr uint64_t kMaxProfileBytes = 64u << 20;

// The file's identity as the cache sees it: a change of any of these means
// someone else wrote it.
ProfileStore::FileStamp stampOf(const std::string& path) {
    ProfileStore::FileStamp st;
    struct stat sb {};
    if (path.empty() || ::stat(path.c_str(), &sb) != 0) return st;
    st.exists = true;
    st.size = static_cast<uint64_t>(sb.st_size);
    st.mtimeSec = static_cast<int64_t>(sb.st_mtim.tv_sec);
    st.mtimeNsec = static_cast<int64_t>(sb.st_mtim.tv_nsec);
    st.inode = static_cast<uint64_t>(sb.st_ino);
    return st;
}

void parseInto(ProfileStore::ParsedFile& f, const std::vector<uint8_t>& bytes) {
    size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        f.bom = true;
        start = 3;
    }
    size_t crlf = 0, lf = 0;
    std::string cur;
    for (size_t i = start; i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\n') {
            ProfileStore::Line l;
            if (!cur.empty() && cur.back() == '\r') {
                cur.pop_back();
                l.eol = "\r\n";
                ++crlf;
            } else {
                l.eol = "\n";
                ++lf;
            }
            l.text = std::move(cur);
            f.lines.push_back(std::move(l));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) {
        ProfileStore::Line l;
        if (cur.back() == '\r') {
            cur.pop_back();
            l.eol = "\r";
        }
        l.text = std::move(cur);
        f.lines.push_back(std::move(l));  // the last line has no end
    }
    // Lines we add end like most of the file's lines.
    f.eol = crlf > lf ? "\r\n" : "\n";
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

bool ProfileStore::SetPath(const std::string& path) {
    const std::lock_guard<std::mutex> hold(lock_.m);
    path_ = path;
    cacheValid_ = false;
    return true;
}

namespace {
int64_t nowNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
// File times advance in clock ticks: a file changed within this long of our
// reading it may have changed again with the same time and size.
constexpr int64_t kRacyNanoseconds = 50 * 1000000;
}  // namespace

bool ProfileStore::cacheCurrent(const FileStamp& now) const {
    if (!cacheValid_ || cachedPath_ != path_ || !(now == cachedStamp_)) return false;
    if (!now.exists) return true;
    const int64_t mtime = now.mtimeSec * 1000000000 + now.mtimeNsec;
    return cachedAtNs_ - mtime > kRacyNanoseconds;
}

const ProfileStore::ParsedFile& ProfileStore::file() const {
    const int64_t readAt = nowNanoseconds();
    const FileStamp now = stampOf(path_);
    if (cacheCurrent(now)) return cache_;
    cache_ = ParsedFile{};
    cachedPath_ = path_;
    cachedStamp_ = now;
    cachedAtNs_ = readAt;
    cacheValid_ = true;
    ++reads_;
    if (path_.empty() || !now.exists) return cache_;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path_, bytes, kMaxProfileBytes).ok()) {
        // There but unreadable (too large, not a file, no permission):
        // rewriting it from nothing would destroy it.
        cache_.unreadable = true;
        return cache_;
    }
    cache_.exists = true;
    parseInto(cache_, bytes);
    return cache_;
}

bool ProfileStore::lookup(const std::string& section, const std::string& key, std::string& value) const {
    const std::lock_guard<std::mutex> hold(lock_.m);
    const ParsedFile& f = file();
    bool inSection = false;
    for (const Line& line : f.lines) {
        std::string name;
        if (sectionOf(line.text, name)) {
            inSection = iequals(name, section);
            continue;
        }
        if (!inSection) continue;
        std::string k, v;
        if (keyOf(line.text, k, v) && iequals(k, key)) {
            value = std::move(v);
            return true;
        }
    }
    return false;
}

int ordavia::parseProfileInt(const std::string& text) {
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
    const std::lock_guard<std::mutex> hold(lock_.m);
    ParsedFile f = file();
    if (f.unreadable) return false;
    const std::string newLine = key + "=" + value;
    // A line we add after a last line without an end gives that line one.
    auto insertLine = [&](size_t at, std::string text) {
        if (at > 0 && (f.lines[at - 1].eol.empty() || f.lines[at - 1].eol == "\r"))
            f.lines[at - 1].eol = f.eol;
        f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), f.eol});
    };

    // Find the section; replace the key in place (keeping that line's own
    // end) or add it after the section's last key line.
    bool found = false;
    for (size_t i = 0; i < f.lines.size() && !found; ++i) {
        std::string name;
        if (!sectionOf(f.lines[i].text, name) || !iequals(name, section)) continue;
        size_t insertAt = i + 1;
        size_t j = i + 1;
        for (; j < f.lines.size(); ++j) {
            std::string other;
            if (sectionOf(f.lines[j].text, other)) break;
            std::string k, v;
            if (keyOf(f.lines[j].text, k, v)) {
                if (iequals(k, key)) {
                    f.lines[j].text = newLine;
                    found = true;
                    break;
                }
                insertAt = j + 1;
            }
        }
        if (!found) {
            insertLine(insertAt, newLine);
            found = true;
        }
    }
    if (!found) {
        insertLine(f.lines.size(), "[" + section + "]");
        insertLine(f.lines.size(), newLine);
    }

    std::string out = f.bom ? "\xEF\xBB\xBF" : "";
    for (const Line& l : f.lines) {
        out += l.text;
        out += l.eol;
    }
    if (!writeFileAtomically(path_, out).ok()) return false;
    // What we wrote is what the file holds: keep it without reading it back.
    f.exists = true;
    cache_ = std::move(f);
    cachedPath_ = path_;
    cachedAtNs_ = nowNanoseconds();
    cachedStamp_ = stampOf(path_);
    cacheValid_ = true;
    return true;
}
