#include "base/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ordavia {

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i], or 0 when the
// bytes there are not one (overlong forms, surrogates and values above
// U+10FFFF included).
size_t utf8SequenceAt(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (b(1) < lo || b(1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if (b(k) < 0x80 || b(k) > 0xBF) return 0;
    return n;
}

}  // namespace

std::string JsonWriter::escape(std::string_view s) {
    std::string o;
    o.reserve(s.size() + 2);
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '"': o += "\\\""; break;
            case '\\': o += "\\\\"; break;
            case '\n': o += "\\n"; break;
            case '\r': o += "\\r"; break;
            case '\t': o += "\\t"; break;
            case '\b': o += "\\b"; break;
            case '\f': o += "\\f"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    o += buf;
                } else if (c >= 0x80) {
                    // Stored texts are bytes in the Windows code page when
                    // they come from old files; pass valid UTF-8 through and
                    // map other bytes to their Latin-1 code points, so that
                    // the output is always valid JSON.
                    const size_t n = utf8SequenceAt(s, i);
                    if (n) {
                        o.append(s.substr(i, n));
                        i += n - 1;
                    } else {
                        o += static_cast<char>(0xC0 | (c >> 6));
                        o += static_cast<char>(0x80 | (c & 0x3F));
                    }
                } else {
                    o += static_cast<char>(c);
                }
        }
    }
    return o;
}

void JsonWriter::newline() {
    if (!pretty_) return;
    out_ += '\n';
    out_.append(stack_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!stack_.empty()) {
        if (!stack_.back().empty) out_ += ',';
        stack_.back().empty = false;
        newline();
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    out_ += '{';
    stack_.push_back({true});
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    const bool empty = stack_.back().empty;
    stack_.pop_back();
    if (!empty) newline();
    out_ += '}';
    if (stack_.empty() && pretty_) out_ += '\n';
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    out_ += '[';
    stack_.push_back({false});
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    const bool empty = stack_.back().empty;
    stack_.pop_back();
    if (!empty) newline();
    out_ += ']';
    if (stack_.empty() && pretty_) out_ += '\n';
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view k) {
    beforeValue();
    out_ += '"';
    out_ += escape(k);
    out_ += pretty_ ? "\": " : "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view s) {
    beforeValue();
    out_ += '"';
    out_ += escape(s);
    out_ += '"';
    return *this;
}

JsonWriter& JsonWriter::value(bool b) {
    beforeValue();
    out_ += b ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(int64_t v) {
    beforeValue();
    out_ += std::to_string(v);
    return *this;
}

JsonWriter& JsonWriter::unsignedValue(unsigned long long v) {
    beforeValue();
    out_ += std::to_string(v);
    return *this;
}

JsonWriter& JsonWriter::value(double v) {
    if (!std::isfinite(v)) return null();
    beforeValue();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    // Prefer the shortest text that reads back to the same value.
    for (int prec = 6; prec < 17; ++prec) {
        char t[32];
        std::snprintf(t, sizeof t, "%.*g", prec, v);
        if (std::strtod(t, nullptr) == v) {
            out_ += t;
            return *this;
        }
    }
    out_ += buf;
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    out_ += "null";
    return *this;
}

}  // namespace ordavia
