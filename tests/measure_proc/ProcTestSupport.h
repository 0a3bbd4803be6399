#pragma once
// A fixture for the processing commands: a private profile and a scripted
// prompter, both in a fresh temporary folder per test.
#include <cstring>

#include "measure/ImageProcessing.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/ImageDocFixture.h"

// A command of the image document, as the menus call it.
using Command = ordavia::ImageProcessing::Command;

class ProcTest : public ImageDocFixture<> {
protected:
    // A picture whose pixels all differ from their neighbours: p = (x * 7 + y * 13) % 256.
    static CZVimage ramp(int w, int h) {
        CZVimage img(w, h, 0, CZVimage::kFrame, CZVimage::kGrey);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img.row(y)[x] = static_cast<uint8_t>((x * 7 + y * 13) % 256);
        return img;
    }
    static CZVimage copyOf(const CZVimage& img) {
        CZVimage c;
        c.Copy(img);
        return c;
    }
    static bool samePixels(const CZVimage& a, const CZVimage& b) {
        if (a.width() != b.width() || a.rows() != b.rows()) return false;
        for (int y = 0; y < a.rows(); ++y)
            if (std::memcmp(a.row(y), b.row(y), static_cast<size_t>(a.width())) != 0) return false;
        return true;
    }
};
