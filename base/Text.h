#pragma once
// Small text helpers shared by every library.
#include <cstdarg>
#include <string>
#include <string_view>

namespace ordavia {

// printf-style formatting into a std::string.
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vstrprintf(const char* fmt, va_list ap);

// Case-insensitive comparison of ASCII names (profile sections and keys,
// file extensions).
bool iequals(std::string_view a, std::string_view b);
std::string toLower(std::string_view s);
std::string trim(std::string_view s);

bool startsWith(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

}  // namespace ordavia
