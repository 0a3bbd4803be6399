#include "dicom/DicomBounds.h"

#include <cstring>
#include <string>

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcxfer.h"

namespace ordavia {

namespace {

constexpr uint32_t kUndefined = 0xFFFFFFFFu;
constexpr int kMaxDepth = 32;

struct Walker {
    const uint8_t* d;
    size_t n;
    std::string problem;

    uint16_t u16(size_t p) const { return uint16_t(d[p] | d[p + 1] << 8); }
    uint32_t u32(size_t p) const { return uint32_t(d[p]) | uint32_t(d[p + 1]) << 8 | uint32_t(d[p + 2]) << 16 | uint32_t(d[p + 3]) << 24; }
    bool fail(const char* why) {
        if (problem.empty()) problem = why;
        return false;
    }
    // Value representations with a 2-byte length; every other one, known
    // or not, has two reserved bytes and a 4-byte length (as the toolkit
    // reads an unknown one).
    static bool longForm(const uint8_t* vr) {
        static const char* const shortKinds[] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS", "LO",
                                                 "LT", "PN", "SH", "SL", "SS", "ST", "TM", "UI", "UL", "US"};
        for (const char* k : shortKinds)
            if (vr[0] == k[0] && vr[1] == k[1]) return false;
        return true;
    }
    // Only the standard's value representations: the toolkit reads an
    // unknown one in more than one way.
    static bool looksLikeVr(const uint8_t* vr) {
        static const char* const known[] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS", "LO", "LT",
                                            "OB", "OD", "OF", "OL", "OV", "OW", "PN", "SH", "SL", "SQ", "SS", "ST",
                                            "SV", "TM", "UC", "UI", "UL", "UN", "UR", "US", "UT", "UV"};
        for (const char* k : known)
            if (vr[0] == k[0] && vr[1] == k[1]) return true;
        return false;
    }

    // Items of a sequence (datasets) or of encapsulated pixels (raw
    // fragments), from pos up to end or the sequence delimitation.
    bool items(size_t& pos, size_t end, bool explicitVr, bool fragments, int depth) {
        while (pos < end) {
            if (end - pos < 8) return fail("an item is cut short");
            const uint16_t g = u16(pos), e = u16(pos + 2);
            const uint32_t len = u32(pos + 4);
            pos += 8;
            if (g != 0xFFFE) return fail("a sequence holds something other than items");
            if (e == 0xE0DD) return true;
            if (e != 0xE000) return fail("a sequence holds something other than items");
            if (len == kUndefined) {
                if (fragments) return fail("a pixel fragment without a length");
                if (!dataset(pos, end, explicitVr, depth + 1, true)) return false;
            } else {
                if (len > end - pos) return fail("an item is longer than the file");
                size_t inner = pos;
                if (!fragments && !dataset(inner, pos + len, explicitVr, depth + 1, false)) return false;
                pos += len;
            }
        }
        return true;
    }

    // Elements from pos up to end, or up to an item delimitation when the
    // item has no length.
    bool dataset(size_t& pos, size_t end, bool explicitVr, int depth, bool untilDelimiter) {
        if (depth > kMaxDepth) return fail("sequences nested too deeply");
        while (pos < end) {
            if (end - pos < 8) return fail("an element is cut short");
            const uint16_t g = u16(pos), e = u16(pos + 2);
            if (g == 0xFFFE) {
                pos += 8;
                if (e == 0xE00D && untilDelimiter) return true;
                return fail("a stray item in a data set");
            }
            uint32_t len;
            bool sequence = false;
            bool binary = !explicitVr;  // OB or OW: pixels in fragments when without length
            if (explicitVr) {
                const uint8_t* vr = d + pos + 4;
                binary = vr[0] == 'O' && (vr[1] == 'B' || vr[1] == 'W');
                if (!looksLikeVr(vr)) return fail("an element without a value representation");
                if (longForm(vr)) {
                    if (end - pos < 12) return fail("an element is cut short");
                    len = u32(pos + 8);
                    pos += 12;
                } else {
                    len = u16(pos + 6);
                    pos += 8;
                }
                sequence = vr[0] == 'S' && vr[1] == 'Q';
            } else {
                len = u32(pos + 4);
                pos += 8;
            }
            // Pixel data of another representation is read by the toolkit
            // as items of data sets, so it is checked as such.
            const bool pixels = g == 0x7FE0 && e == 0x0010 && binary;
            if (len == kUndefined) {
                // A sequence, encapsulated pixels, or an unknown element
                // that holds items (always in implicit VR).
                if (!items(pos, end, explicitVr && (sequence || pixels), pixels, depth)) return false;
                continue;
            }
            if (len > end - pos) return fail("an element is longer than the file");
            // Items inside a defined length are checked too: in implicit VR
            // a sequence is known by its first item.
            if (sequence || (!explicitVr && len >= 8 && u16(pos) == 0xFFFE && u16(pos + 2) == 0xE000)) {
                size_t inner = pos;
                if (!items(inner, pos + len, explicitVr, false, depth)) return false;
            }
            pos += len;
        }
        return !untilDelimiter || fail("an item without its end");
    }
};

}  // namespace

Status checkDicomLengths(const uint8_t* data, size_t size) {
    Walker w{data, size, {}};
    size_t pos = size >= 132 && std::memcmp(data + 128, "DICM", 4) == 0 ? 132 : 0;
    // The meta group: explicit VR little endian, with the transfer syntax.
    // Its group length, when given, is what the toolkit reads up to,
    // whatever the elements' groups; without it, the elements of group 2.
    std::string syntax;
    size_t metaEnd = size;
    bool bounded = false;
    if (size - pos >= 12 && w.u16(pos) == 0x0002 && w.u16(pos + 2) == 0x0000 && data[pos + 4] == 'U' &&
        data[pos + 5] == 'L' && w.u16(pos + 6) == 4) {
        const uint32_t length = w.u32(pos + 8);
        if (length > size - pos - 12) return Status::failure("damaged DICOM file (the meta header is longer than the file)");
        metaEnd = pos + 12 + length;
        bounded = true;
    }
    // A group length of any other form is read by the toolkit as a length
    // all the same (up to the value's first four bytes): refused.
    if (!bounded && size - pos >= 8 && w.u16(pos) == 0x0002 && w.u16(pos + 2) == 0x0000)
        return Status::failure("damaged DICOM file (its meta group length is not a 4-byte UL)");
    // Elements in ascending order, each once: a repeated transfer syntax
    // might be read otherwise by the toolkit than here.
    int64_t lastTag = -1;
    while (pos < metaEnd && metaEnd - pos >= 8 && (bounded || w.u16(pos) == 0x0002)) {
        const uint16_t e = w.u16(pos + 2);
        const int64_t tag = int64_t(w.u16(pos)) << 16 | e;
        if (tag <= lastTag) return Status::failure("damaged DICOM file (meta elements out of order)");
        lastTag = tag;
        const uint8_t* vr = data + pos + 4;
        if (!Walker::looksLikeVr(vr)) {
            if (bounded) return Status::failure("damaged DICOM file (a meta element without a value representation)");
            break;  // an implicit data set without meta group
        }
        uint32_t len;
        if (Walker::longForm(vr)) {
            if (metaEnd - pos < 12) return Status::failure("damaged DICOM file (the meta header is cut short)");
            len = w.u32(pos + 8);
            pos += 12;
        } else {
            len = w.u16(pos + 6);
            pos += 8;
        }
        if (len > metaEnd - pos) return Status::failure("damaged DICOM file (a meta element is longer than its header)");
        if (w.u16(pos - (Walker::longForm(vr) ? 12 : 8)) == 0x0002 && e == 0x0010)
            syntax.assign(reinterpret_cast<const char*>(data + pos), len);
        pos += len;
    }
    if (bounded && pos != metaEnd) return Status::failure("damaged DICOM file (the meta header ends inside an element)");
    while (!syntax.empty() && (syntax.back() == '\0' || syntax.back() == ' ')) syntax.pop_back();
    // The toolkit guesses the encoding of a data set that does not name
    // it (byte order too); we check only what is named.
    if (syntax.empty()) return Status::failure("not a DICOM file (no meta header naming its transfer syntax)");
    if (syntax.find_first_not_of("0123456789.") != std::string::npos)
        return Status::failure("damaged DICOM file (its transfer syntax is not a UID)");
    const DcmXfer xfer(syntax.c_str());
    if (xfer.getXfer() == EXS_Unknown) return Status::failure("unknown transfer syntax " + syntax);
    if (xfer.getStreamCompression() != ESC_none || xfer.isBigEndian())
        return Status::failure("deflated and big-endian DICOM files are not read");
    const bool explicitVr = xfer.isExplicitVR();
    if (!w.dataset(pos, size, explicitVr, 0, false)) return Status::failure("damaged DICOM file (" + w.problem + ")");
    return Status::success();
}

}  // namespace ordavia
