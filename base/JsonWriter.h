#pragma once
// A small streaming JSON writer for the command-line tool's --json output.
// Objects and arrays nest; commas and escaping are handled here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ordavia {

class JsonWriter {
public:
    explicit JsonWriter(bool pretty = true) : pretty_(pretty) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next value inside an object.
    JsonWriter& key(std::string_view k);

    JsonWriter& value(std::string_view s);
    JsonWriter& value(const char* s) { return value(std::string_view(s)); }
    JsonWriter& value(const std::string& s) { return value(std::string_view(s)); }
    JsonWriter& value(bool b);
    JsonWriter& value(int v) { return value(static_cast<int64_t>(v)); }
    JsonWriter& value(unsigned v) { return value(static_cast<int64_t>(v)); }
    JsonWriter& value(unsigned long v) { return unsignedValue(v); }
    JsonWriter& value(long long v) { return value(static_cast<int64_t>(v)); }
    JsonWriter& value(unsigned long long v) { return unsignedValue(v); }
    JsonWriter& value(int64_t v);
    // Non-finite reals are written as null (JSON has no NaN).
    JsonWriter& value(double v);
    JsonWriter& null();

    // Shorthand for key(k).value(v).
    template <class T>
    JsonWriter& field(std::string_view k, const T& v) {
        key(k);
        return value(v);
    }

    const std::string& str() const { return out_; }

    static std::string escape(std::string_view s);

private:
    // Sizes and counts above INT64_MAX must not turn negative.
    JsonWriter& unsignedValue(unsigned long long v);
    void beforeValue();
    void newline();
    std::string out_;
    struct Level {
        bool isObject;
        bool empty = true;
    };
    std::vector<Level> stack_;
    bool afterKey_ = false;
    bool pretty_;
};

}  // namespace ordavia
