#include "image/Palette.h"

#include <cstring>

namespace ordavia {

namespace {

void put(uint8_t* e, int i, int b, int g, int r) {
    e[4 * i] = static_cast<uint8_t>(b);
    e[4 * i + 1] = static_cast<uint8_t>(g);
    e[4 * i + 2] = static_cast<uint8_t>(r);
    e[4 * i + 3] = 0;
}

}  // namespace

void fillPalette(int index, uint8_t* e) {
    for (int i = 0; i < 256; ++i) {
        switch (index) {
            case 1:
                if (i < 128)
                    put(e, i, 255 - 2 * i, 2 * i, 0);
                else
                    put(e, i, 0, 255 - 2 * (i - 128), 2 * (i - 128));
                break;
            case 2:
                put(e, i, 0, 0, i);
                break;
            case 3:
                put(e, i, 0, i, 0);
                break;
            case 4:
                put(e, i, i, 0, 0);
                break;
            case 5: {
                // A 64-entry cycle of four 16-entry ramps, repeated four times.
                const int part = (i % 64) / 16;
                const int v = (i % 16) * 16;
                switch (part) {
                    case 0: put(e, i, 255 - v, v, 0); break;
                    case 1: put(e, i, 0, 255 - v, v); break;
                    case 2: put(e, i, 0, v, 255 - v); break;
                    default: put(e, i, v, 255 - v, 0); break;
                }
                break;
            }
            case 6:
            case 7:
            case 8:
            case 9: {
                const int bit = 2 << (index - 6);  // 2, 4, 8, 16
                if (i & bit)
                    put(e, i, 3 * i / 4, 3 * i / 4, i);
                else
                    put(e, i, i, i, i);
                break;
            }
            default:
                put(e, i, i, i, i);
                break;
        }
    }
}

bool fillAutoContrastPalette(int min, int max, uint8_t* e) {
    if (max <= min) return false;
    const int lo = 3 * min / 4;
    const int hi = max + (255 - max) / 4;
    const int step = 256 / (hi - lo);
    for (int i = 0; i < 256; ++i) {
        int v;
        if (i < lo)
            v = 0;
        else if (i < hi)
            v = (i - lo) * step;
        else
            v = 255;
        put(e, i, v, v, v);
    }
    return true;
}

const char* paletteMenuText(int index) {
    static const char* const names[] = {"&Greylevel", "&Colour",    "&Red",      "&Green",    "&Blue",
                                        "&Multicolour", "Contour&2", "Contour&4", "Contour&8", "Contour&16"};
    return index >= 0 && index < 10 ? names[index] : "";
}

}  // namespace ordavia
