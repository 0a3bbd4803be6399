#pragma once
// DICOM pictures as Ordavia keeps pictures: 8 bits per sample, grey or RGB.
// The reader takes the Part 10 layout (128-byte preamble, "DICM" and the
// meta header) with native or RLE-compressed pixels through DCMTK;
// 16-bit grey becomes 8-bit by the file's window, else by the range of its
// values. It sits below the picture and movie readers so that both open
// DICOM files the same way.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

struct DicomPicture {
    int width = 0, height = 0, frames = 0;
    bool colour = false;          // 3 bytes per pixel, red first; else 1 grey byte
    std::vector<uint8_t> pixels;  // frames x height x width x samples, top row first
    // Pixel Spacing: rows apart and columns apart, in millimetres; 0 when
    // the file gives none.
    double rowSpacingMm = 0, columnSpacingMm = 0;
    double frameTimeMs = 0;  // Frame Time; 0 when the file gives none
    int bitsStored = 8;      // as stored in the file
    // The MIME type of an encapsulated document (a report), which has no
    // pixels: read by readDicomFileHeader only, with no frames.
    std::string documentMime;
    std::string sopClassUid, sopInstanceUid, studyUid, modality, patientId, patientName, studyDate,
        transferSyntax, photometric;
    int samples() const { return colour ? 3 : 1; }
    size_t frameBytes() const { return size_t(width) * size_t(height) * size_t(samples()); }
    const uint8_t* frame(int i) const { return pixels.data() + size_t(i) * frameBytes(); }
};

// One frame is refused beyond 8192 x 8192 pixels (as any picture), and a
// whole file beyond this many bytes of 8-bit pixels, before any decoding:
// a long multi-frame object opens only while it fits in memory.
constexpr uint64_t kMaxDicomFramePixels = uint64_t(1) << 26;
constexpr uint64_t kMaxDicomPixelBytes = uint64_t(1) << 30;

// "DICM" after the 128-byte preamble.
bool hasDicomSignature(const uint8_t* data, size_t size);
// The same for a file (false when it cannot be read or is no regular file).
bool isDicomFile(const std::string& path);

// Reads a whole DICOM picture. The reason names what is wrong ("no pixel
// data", "PALETTE COLOR pictures are not read", "pixel data shorter than
// 512 x 512 x 3 frames"); the caller adds the file name.
Status readDicom(const uint8_t* data, size_t size, DicomPicture& out);
// The same from a file; the reason names the file.
Status readDicomFile(const std::string& path, DicomPicture& out);
// The attributes alone, without decoding pixels (frames, size and spacing
// as the file declares them): what "info" shows. An encapsulated document
// reads too, with no frames and its MIME type.
Status readDicomFileHeader(const std::string& path, DicomPicture& out);

}  // namespace ordavia
