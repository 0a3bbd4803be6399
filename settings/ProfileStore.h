#pragma once
// The settings store: one profile file in the classic initialisation-file
// format ("[section]" lines, then "key=value" lines). Section and key names
// are compared without regard to case. Nothing is cached: every read reads
// the file, every write rewrites it at once (through a temporary file, so
// that a crash mid-write keeps the old profile).
#include <string>

class ProfileStore {
public:
    ProfileStore() = default;
    explicit ProfileStore(std::string path) : path_(std::move(path)) {}

    // The process-wide store over the active profile.
    static ProfileStore& instance();

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

private:
    // The raw value text, or false when the key (or file) is absent.
    bool lookup(const std::string& section, const std::string& key, std::string& value) const;
    std::string path_;
};

// Parses leading decimal digits the way the platform's profile reader does:
// blanks, an optional sign, then digits; anything else stops the parse (and
// no digits at all gives 0).
int parseProfileInt(const std::string& text);
