// The command line's one reader of option values: every number, list,
// point and span an option takes goes through parseNumber, so that each
// command refuses the same junk with the same words.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <cctype>

#include "base/Text.h"
#include "cli/CliCommand.h"

namespace ordavia {

namespace {

std::string shown(double v) { return strprintf("%g", v); }
std::string shown(int64_t v) { return std::to_string(v); }
std::string shown(uint64_t v) { return std::to_string(v); }
std::string shown(int v) { return std::to_string(v); }

template <class T>
std::string wanted(T min, T max) {
    const std::string kind = std::numeric_limits<T>::is_integer ? "a whole number" : "a number";
    const std::string low = shown(min);
    if constexpr (!std::numeric_limits<T>::is_integer) {
        if (min == kAboveZero) return max == kNoMax<T> ? "a positive number" : "a positive number up to " + shown(max);
        // A bound just above a round value ("above 0.05") shows as that value.
        if (std::strtod(low.c_str(), nullptr) < min)
            return kind + " above " + low + (max == kNoMax<T> ? std::string() : ", up to " + shown(max));
    }
    const bool lowOpen = min == kNoMin<T> && !std::is_unsigned_v<T>;
    if (lowOpen && max == kNoMax<T>) return kind;
    if (max == kNoMax<T>) return kind + " of " + low + " or more";
    if (lowOpen) return kind + " of " + shown(max) + " or less";
    return kind + " from " + low + " to " + shown(max);
}

// The text as a number of the widest type of its kind, or nothing.
std::optional<long long> wholeOf(const std::string& s) {
    if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno || *end) return std::nullopt;
    return v;
}

std::optional<unsigned long long> unsignedOf(const std::string& s) {
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s[0]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    if (errno || *end) return std::nullopt;
    return v;
}

std::optional<double> realOf(const std::string& s) {
    if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (errno || *end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t at = s.find(sep, from);
        parts.push_back(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

}  // namespace

template <class T>
Result<T> parseNumber(const std::string& text, T min, T max) {
    const auto refuse = [&] { return Status::failure(StatusCode::OutOfRange, wanted(min, max)); };
    if constexpr (std::is_floating_point_v<T>) {
        const auto v = realOf(text);
        if (!v || *v < min || *v > max) return refuse();
        return static_cast<T>(*v);
    } else if constexpr (std::is_unsigned_v<T>) {
        const auto v = unsignedOf(text);
        if (!v || *v < min || *v > max) return refuse();
        return static_cast<T>(*v);
    } else {
        const auto v = wholeOf(text);
        if (!v || *v < min || *v > max) return refuse();
        return static_cast<T>(*v);
    }
}

template Result<int> parseNumber(const std::string&, int, int);
template Result<int64_t> parseNumber(const std::string&, int64_t, int64_t);
template Result<uint64_t> parseNumber(const std::string&, uint64_t, uint64_t);
template Result<double> parseNumber(const std::string&, double, double);

std::string badOptionValue(const std::string& name, const std::string& text, const std::string& wanted) {
    return "bad value '" + text + "' for " + name + " (" + wanted + ")";
}

template <class T>
Result<T> CliArgs::number(const std::string& name, T min, T max, T fallback) const {
    const auto text = get(name);
    if (!text) return fallback;
    Result<T> v = parseNumber(*text, min, max);
    if (!v) return Status::failure(v.code(), badOptionValue(name, *text, v.reason()));
    return v;
}

template <class T>
Result<std::vector<T>> parseList(const std::string& text, T min, T max, size_t count) {
    const std::vector<std::string> parts = split(text, ',');
    const std::string what = (count ? std::to_string(count) + " numbers" : std::string("numbers")) +
                             " apart by commas, each " + wanted(min, max);
    if (count && parts.size() != count) return Status::failure(StatusCode::BadFormat, what);
    std::vector<T> out;
    for (const std::string& part : parts) {
        Result<T> v = parseNumber(trim(part), min, max);
        if (!v) return Status::failure(StatusCode::OutOfRange, what);
        out.push_back(*v);
    }
    return out;
}

template Result<std::vector<int>> parseList(const std::string&, int, int, size_t);
template Result<std::vector<double>> parseList(const std::string&, double, double, size_t);

template <class T>
Result<std::vector<T>> CliArgs::list(const std::string& name, T min, T max, size_t count) const {
    const auto text = get(name);
    if (!text) return std::vector<T>{};
    Result<std::vector<T>> v = parseList(*text, min, max, count);
    if (!v) return Status::failure(v.code(), badOptionValue(name, *text, v.reason()));
    return v;
}

template <class T>
Result<std::pair<T, T>> CliArgs::point(const std::string& name, const std::string& form, T min, T max,
                                       std::pair<T, T> fallback) const {
    const auto text = get(name);
    if (!text) return fallback;
    // The separator is what stands between the two upper-case names of the form.
    const auto sep = std::find_if(form.begin(), form.end(), [](char c) { return !std::isupper(static_cast<unsigned char>(c)); });
    const std::string seps = sep == form.end() ? std::string(",") : *sep == 'x' ? std::string("xX") : std::string(1, *sep);
    const size_t at = text->find_first_of(seps);
    const std::string what = form + ", each " + wanted(min, max);
    if (at == std::string::npos) return Status::failure(StatusCode::BadFormat, badOptionValue(name, *text, what));
    Result<T> a = parseNumber(text->substr(0, at), min, max);
    Result<T> b = parseNumber(text->substr(at + 1), min, max);
    if (!a || !b) return Status::failure(StatusCode::OutOfRange, badOptionValue(name, *text, what));
    return std::pair<T, T>(*a, *b);
}

Result<std::pair<int, int>> CliArgs::span(const std::string& name, int min, int max, std::pair<int, int> fallback) const {
    const auto text = get(name);
    if (!text) return fallback;
    const size_t at = text->find(':');
    const std::string what = "frames A:B, each " + wanted(min, max) + " or left out";
    if (at == std::string::npos) return Status::failure(StatusCode::BadFormat, badOptionValue(name, *text, what));
    const std::string a = text->substr(0, at), b = text->substr(at + 1);
    Result<int> first = a.empty() ? Result<int>(fallback.first) : parseNumber(a, min, max);
    Result<int> last = b.empty() ? Result<int>(fallback.second) : parseNumber(b, min, max);
    if (!first || !last) return Status::failure(StatusCode::OutOfRange, badOptionValue(name, *text, what));
    return std::pair<int, int>(*first, *last);
}

template Result<int> CliArgs::number(const std::string&, int, int, int) const;
template Result<int64_t> CliArgs::number(const std::string&, int64_t, int64_t, int64_t) const;
template Result<uint64_t> CliArgs::number(const std::string&, uint64_t, uint64_t, uint64_t) const;
template Result<double> CliArgs::number(const std::string&, double, double, double) const;
template Result<std::vector<int>> CliArgs::list(const std::string&, int, int, size_t) const;
template Result<std::vector<double>> CliArgs::list(const std::string&, double, double, size_t) const;
template Result<std::pair<int, int>> CliArgs::point(const std::string&, const std::string&, int, int,
                                                    std::pair<int, int>) const;
template Result<std::pair<double, double>> CliArgs::point(const std::string&, const std::string&, double, double,
                                                          std::pair<double, double>) const;

}  // namespace ordavia
