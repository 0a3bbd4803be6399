#pragma once
// The settings store: one profile file in the classic initialisation-file
// format ("[section]" lines, then "key=value" lines). Section and key names
// are compared without regard to case. The parsed file is kept and read
// again only when the file changed on disc (size, time or identity), so a
// lookup costs no file access; every write rewrites the file at once
// (through a temporary file, so that a crash mid-write keeps the old
// profile). A rewrite changes only the line it must: every other line keeps
// its bytes and its own line end.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class ProfileStore {
public:
    ProfileStore() = default;
    explicit ProfileStore(std::string path) : path_(std::move(path)) {}

    bool SetPath(const std::string& path);
    const std::string& path() const { return path_; }

    int GetInt(const std::string& section, const std::string& key, int def) const;
    double GetDouble(const std::string& section, const std::string& key, double def) const;
    // At most 249 characters; longer values are cut.
    std::string GetString(const std::string& section, const std::string& key, const char* def) const;
    std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;

    bool WriteInt(const std::string& section, const std::string& key, int value) const;
    bool WriteDouble(const std::string& section, const std::string& key, double value) const;
    bool WriteString(const std::string& section, const std::string& key, const char* value) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;

    // The longest value text a read returns (the 250-character buffer
    // minus its terminator).
    static constexpr size_t kMaxValue = 249;

    // How often the file was read and parsed (for tests).
    int fileReads() const { return reads_; }

    struct Line {
        std::string text;
        std::string eol;  // "\r\n", "\n", or "" for a last line without one
    };
    struct ParsedFile {
        std::vector<Line> lines;
        // The end given to lines we add: the file's most common one.
        std::string eol = "\n";
        // A UTF-8 byte-order mark seen at the start (Windows editors add
        // one); it is written back so that the file keeps its encoding.
        bool bom = false;
        bool exists = false;
        bool unreadable = false;
    };
    struct FileStamp {
        bool exists = false;
        uint64_t size = 0, inode = 0;
        int64_t mtimeSec = 0, mtimeNsec = 0;
        bool operator==(const FileStamp&) const = default;
    };

private:
    // The raw value text, or false when the key (or file) is absent.
    bool lookup(const std::string& section, const std::string& key, std::string& value) const;
    // The parsed file, read again when it changed on disc.
    const ParsedFile& file() const;
    bool cacheCurrent(const FileStamp& now) const;
    std::string path_;
    mutable int64_t cachedAtNs_ = 0;
    mutable ParsedFile cache_;
    mutable std::string cachedPath_;
    mutable FileStamp cachedStamp_;
    mutable bool cacheValid_ = false;
    mutable int reads_ = 0;
    // Reads and writes may come from several threads at once (the jobs of
    // a batch share one profile): the cache above is theirs in turn. A copy
    // of the store gets a lock of its own.
    struct Lock {
        mutable std::mutex m;
        Lock() = default;
        Lock(const Lock&) {}
        Lock& operator=(const Lock&) { return *this; }
    };
    Lock lock_;
};

namespace ordavia {

// Parses leading decimal digits the way the platform's profile reader does:
// blanks, an optional sign, then digits; anything else stops the parse (and
// no digits at all gives 0).
int parseProfileInt(const std::string& text);

}  // namespace ordavia
