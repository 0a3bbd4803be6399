#include "base/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string JsonWriter::escape(std::string_view s) {
    std::string o;
    o.reserve(s.size() + 2);
    for (unsigned char c : s) {
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
                    // map other bytes to their Latin-1 code points.
                    o += static_cast<char>(c);
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
