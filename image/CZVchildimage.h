#pragma once
// CZVchildimage: a window onto a rectangle of another image's pixels. It
// shares the parent's buffer and stride and owns nothing but its display
// header and auxiliary object, so it must not outlive the parent's buffer
// (nor survive a resize of the parent that reallocates).
#include "image/CZVimage.h"

class CZVchildimage : public CZVimage {
public:
    CZVchildimage();
    ~CZVchildimage() override;

    // Only width and rows change, within the shared stride: fails (0, debug
    // log line) when width x bytesPerPixel exceeds the stride.
    int resize(int width, int rows, int bytesPerPixel) override;
    int resizedata(int width, int rows, int bytesPerPixel) { return resize(width, rows, bytesPerPixel); }

    // Takes over the header fields (tag, interlace, width, rows, origin,
    // colour), the buffer and the stride of another image.
    void attach(const CZVimage& image);
    // Points at pixels inside a parent: used by CZVimage::childFor.
    void attachRegion(const CZVimage& parent, const ordavia::ZRect& storedRect);

    CZVchildimage(CZVchildimage&&) = delete;
    CZVchildimage& operator=(CZVchildimage&&) = delete;
};
