#pragma once
// The program's version, written here and nowhere else: the window title and
// About box, `ordavia-cli --version`, the database's info row, the report's
// creator and the build itself (CMake reads the four numbers from this file).

#define ORDAVIA_VERSION_MAJOR 4
#define ORDAVIA_VERSION_MINOR 42
#define ORDAVIA_VERSION_PATCH 0
#define ORDAVIA_VERSION_TWEAK 0

#define ORDAVIA_VERSION_STR_(x) #x
#define ORDAVIA_VERSION_STR(x) ORDAVIA_VERSION_STR_(x)

namespace ordavia {

inline constexpr int kProductVersion[4] = {ORDAVIA_VERSION_MAJOR, ORDAVIA_VERSION_MINOR, ORDAVIA_VERSION_PATCH,
                                           ORDAVIA_VERSION_TWEAK};
// "4.42.0.0"
inline constexpr const char kProductVersionText[] =
    ORDAVIA_VERSION_STR(ORDAVIA_VERSION_MAJOR) "." ORDAVIA_VERSION_STR(ORDAVIA_VERSION_MINOR) "." ORDAVIA_VERSION_STR(
        ORDAVIA_VERSION_PATCH) "." ORDAVIA_VERSION_STR(ORDAVIA_VERSION_TWEAK);
// "Ordavia 4.42.0.0": the main window's title and the About box's first line.
inline constexpr const char kProductTitle[] = "Ordavia " ORDAVIA_VERSION_STR(ORDAVIA_VERSION_MAJOR) "." ORDAVIA_VERSION_STR(
    ORDAVIA_VERSION_MINOR) "." ORDAVIA_VERSION_STR(ORDAVIA_VERSION_PATCH) "." ORDAVIA_VERSION_STR(ORDAVIA_VERSION_TWEAK);

}  // namespace ordavia
