// Reading DICOM pictures. DCMTK parses the data set from a bounded buffer
// (or the file) and checks each element's length against what is left; we
// then check the picture's declared size against the pixel data present
// (native) or against our limits (compressed) before anything is decoded
// or allocated.
#include "dicom/DicomPicture.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Text.h"
#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcistrmb.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcxfer.h"
#include "dicom/DicomBounds.h"
#include "dicom/DicomToolkit.h"

namespace ordavia {

namespace {

// A compressed picture may not claim more decoded bytes than this, or than
// a ratio of its compressed size that real pictures do not exceed.
constexpr uint64_t kCompressedFloorBytes = uint64_t(48) << 20;
constexpr uint64_t kMaxCompressionRatio = 64;

std::string text(DcmItem& ds, const DcmTagKey& key) {
    OFString v;
    if (ds.findAndGetOFStringArray(key, v).good()) return std::string(v.c_str());
    return {};
}

long integer(DcmItem& ds, const DcmTagKey& key, long fallback) {
    Sint32 v = 0;
    if (ds.findAndGetSint32(key, v).good()) return v;
    Uint16 u = 0;
    if (ds.findAndGetUint16(key, u).good()) return u;
    // Number of Frames is an integer string.
    const std::string s = text(ds, key);
    if (!s.empty()) {
        char* end = nullptr;
        const long n = std::strtol(s.c_str(), &end, 10);
        if (end && *end == 0) return n;
    }
    return fallback;
}

double real(DcmItem& ds, const DcmTagKey& key, unsigned long pos) {
    Float64 v = 0;
    if (ds.findAndGetFloat64(key, v, pos).good() && std::isfinite(v) && v > 0) return v;
    return 0;
}

struct Layout {
    long rows = 0, columns = 0, frames = 1, samples = 1, bitsAllocated = 8, bitsStored = 8, pixelRep = 0, planar = 0;
    std::string photometric;
};

Status readAttributes(DcmDataset& ds, DicomPicture& out, Layout& l, bool pixels) {
    out.sopClassUid = text(ds, DCM_SOPClassUID);
    out.sopInstanceUid = text(ds, DCM_SOPInstanceUID);
    out.studyUid = text(ds, DCM_StudyInstanceUID);
    out.modality = text(ds, DCM_Modality);
    out.patientId = text(ds, DCM_PatientID);
    out.patientName = text(ds, DCM_PatientName);
    out.studyDate = text(ds, DCM_StudyDate);
    l.rows = integer(ds, DCM_Rows, 0);
    l.columns = integer(ds, DCM_Columns, 0);
    l.frames = integer(ds, DCM_NumberOfFrames, 1);
    l.samples = integer(ds, DCM_SamplesPerPixel, 1);
    l.bitsAllocated = integer(ds, DCM_BitsAllocated, 0);
    l.bitsStored = integer(ds, DCM_BitsStored, l.bitsAllocated);
    l.pixelRep = integer(ds, DCM_PixelRepresentation, 0);
    l.planar = integer(ds, DCM_PlanarConfiguration, 0);
    l.photometric = text(ds, DCM_PhotometricInterpretation);
    out.photometric = l.photometric;
    out.rowSpacingMm = real(ds, DCM_PixelSpacing, 0);
    out.columnSpacingMm = real(ds, DCM_PixelSpacing, 1);
    if (out.rowSpacingMm <= 0 || out.columnSpacingMm <= 0) out.rowSpacingMm = out.columnSpacingMm = 0;
    const std::string ft = text(ds, DCM_FrameTime);
    out.frameTimeMs = 0;
    if (!ft.empty()) {
        char* end = nullptr;
        const double v = std::strtod(ft.c_str(), &end);
        if (end != ft.c_str() && std::isfinite(v) && v > 0) out.frameTimeMs = v;
    }
    if (!ds.tagExists(DCM_PixelData)) {
        out.documentMime = text(ds, DCM_MIMETypeOfEncapsulatedDocument);
        if (pixels || out.documentMime.empty()) return Status::failure("no pixel data (not a picture)");
        return Status::success();
    }
    if (l.rows <= 0 || l.columns <= 0) return Status::failure("picture without rows or columns");
    if (l.frames <= 0) return Status::failure(strprintf("bad Number of Frames %ld", l.frames));
    if (l.samples != 1 && l.samples != 3) return Status::failure(strprintf("%ld samples per pixel are not read", l.samples));
    if (l.bitsAllocated != 8 && l.bitsAllocated != 16)
        return Status::failure(strprintf("%ld bits allocated are not read (8 or 16)", l.bitsAllocated));
    if (l.bitsStored <= 0 || l.bitsStored > l.bitsAllocated) l.bitsStored = l.bitsAllocated;
    if (l.samples == 3 && l.bitsAllocated != 8) return Status::failure("colour pictures of 16 bits are not read");
    const bool grey = l.photometric == "MONOCHROME1" || l.photometric == "MONOCHROME2";
    const bool colour = l.photometric == "RGB" || l.photometric == "YBR_FULL" || l.photometric == "YBR_FULL_422";
    if ((l.samples == 1 && !grey) || (l.samples == 3 && !colour))
        return Status::failure((l.photometric.empty() ? std::string("unnamed") : l.photometric) +
                               " pictures are not read");
    if (uint64_t(l.rows) * uint64_t(l.columns) > kMaxDicomFramePixels)
        return Status::failure(strprintf("a frame of %ld x %ld pixels is larger than Ordavia opens", l.columns, l.rows));
    const uint64_t outBytes = uint64_t(l.rows) * uint64_t(l.columns) * uint64_t(l.samples) * uint64_t(l.frames);
    if (outBytes > kMaxDicomPixelBytes)
        return Status::failure(strprintf("%ld frames of %ld x %ld pixels are more than the %llu MB Ordavia keeps in memory",
                                         l.frames, l.columns, l.rows,
                                         static_cast<unsigned long long>(kMaxDicomPixelBytes >> 20)));
    out.width = int(l.columns);
    out.height = int(l.rows);
    out.frames = int(l.frames);
    out.colour = l.samples == 3;
    out.bitsStored = int(l.bitsStored);
    return Status::success();
}

// 16-bit grey to 8 bits: the file's first window when it gives one, else
// the range of the values present.
void greyFrom16(const Uint16* src, size_t n, const Layout& l, DcmDataset& ds, uint8_t* dst) {
    const int bits = int(l.bitsStored);
    auto value = [&](Uint16 raw) -> double {
        const uint32_t mask = bits >= 16 ? 0xFFFFu : ((1u << bits) - 1u);
        uint32_t v = raw & mask;
        if (l.pixelRep == 1 && bits < 32 && (v & (1u << (bits - 1)))) return double(int64_t(v) - (int64_t(1) << bits));
        return double(v);
    };
    Float64 slope = 1, intercept = 0;
    if (ds.findAndGetFloat64(DCM_RescaleSlope, slope).bad() || !std::isfinite(slope) || slope == 0) slope = 1;
    if (ds.findAndGetFloat64(DCM_RescaleIntercept, intercept).bad() || !std::isfinite(intercept)) intercept = 0;
    Float64 centre = 0, width = 0;
    double lo, hi;
    if (ds.findAndGetFloat64(DCM_WindowCenter, centre).good() && ds.findAndGetFloat64(DCM_WindowWidth, width).good() &&
        std::isfinite(centre) && std::isfinite(width) && width >= 1) {
        lo = centre - 0.5 - (width - 1) / 2;
        hi = centre - 0.5 + (width - 1) / 2;
    } else {
        lo = 1e300, hi = -1e300;
        for (size_t i = 0; i < n; ++i) {
            const double v = value(src[i]) * slope + intercept;
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    }
    const double span = hi > lo ? hi - lo : 1.0;
    for (size_t i = 0; i < n; ++i) {
        const double v = (value(src[i]) * slope + intercept - lo) / span * 255.0 + 0.5;
        dst[i] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
}

uint8_t clampByte(double v) { return uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

Status readPixels(DcmDataset& ds, DicomPicture& out, const Layout& l, uint64_t inputBytes) {
    const E_TransferSyntax xfer = ds.getOriginalXfer();
    const DcmXfer x(xfer);
    out.transferSyntax = x.getXferName();
    const uint64_t perSample = uint64_t(l.bitsAllocated / 8);
    const uint64_t frameSamples = uint64_t(l.rows) * uint64_t(l.columns) * uint64_t(l.samples);
    const uint64_t stored = frameSamples * perSample * uint64_t(l.frames);
    if (x.isEncapsulated()) {
        if (xfer != EXS_RLELossless)
            return Status::failure(std::string("pictures compressed as ") + x.getXferName() +
                                   " are not read (uncompressed and RLE ones are)");
        if (stored > std::max(kCompressedFloorBytes, inputBytes * kMaxCompressionRatio) || stored > kMaxDicomPixelBytes * 2)
            return Status::failure("compressed pixels claim more than their data can hold");
        if (ds.chooseRepresentation(EXS_LittleEndianExplicit, nullptr).bad() ||
            !ds.canWriteXfer(EXS_LittleEndianExplicit))
            return Status::failure(std::string("pixels compressed as ") + x.getXferName() + " could not be decoded");
    }
    DcmElement* elem = nullptr;
    if (ds.findAndGetElement(DCM_PixelData, elem).bad() || !elem) return Status::failure("no pixel data");
    // Decoding may have changed the colour model (JPEG's YCbCr to RGB).
    std::string photometric = text(ds, DCM_PhotometricInterpretation);
    const bool ybr = photometric.rfind("YBR_FULL", 0) == 0;
    const uint64_t have = elem->getLength();
    if (have < stored)
        return Status::failure(strprintf("pixel data shorter than %ld x %ld x %ld frames", l.columns, l.rows, l.frames));
    const size_t n = size_t(frameSamples * uint64_t(l.frames));
    try {
        out.pixels.assign(n, 0);
    } catch (const std::bad_alloc&) {
        return Status::failure(StatusCode::NoMemory, "not enough memory for the pixels");
    }
    if (l.bitsAllocated == 16) {
        Uint16* src = nullptr;
        if (elem->getUint16Array(src).bad() || !src) return Status::failure("pixel data could not be read");
        greyFrom16(src, n, l, ds, out.pixels.data());
    } else {
        Uint8* src = nullptr;
        if (elem->getUint8Array(src).bad() || !src) return Status::failure("pixel data could not be read");
        if (l.samples == 3 && l.planar == 1) {
            // Colour by plane per frame: RRR..GGG..BBB.. to RGBRGB...
            const size_t px = size_t(l.rows) * size_t(l.columns);
            for (long f = 0; f < l.frames; ++f) {
                const Uint8* s = src + size_t(f) * px * 3;
                uint8_t* d = out.pixels.data() + size_t(f) * px * 3;
                for (size_t i = 0; i < px; ++i) d[3 * i] = s[i], d[3 * i + 1] = s[px + i], d[3 * i + 2] = s[2 * px + i];
            }
        } else {
            std::memcpy(out.pixels.data(), src, n);
        }
    }
    if (l.samples == 3 && ybr) {
        for (size_t i = 0; i + 2 < n; i += 3) {
            const double y = out.pixels[i], cb = out.pixels[i + 1] - 128.0, cr = out.pixels[i + 2] - 128.0;
            out.pixels[i] = clampByte(y + 1.402 * cr);
            out.pixels[i + 1] = clampByte(y - 0.344136 * cb - 0.714136 * cr);
            out.pixels[i + 2] = clampByte(y + 1.772 * cb);
        }
    }
    if (photometric == "MONOCHROME1")
        for (uint8_t& v : out.pixels) v = uint8_t(255 - v);
    return Status::success();
}

Status decode(DcmFileFormat& ff, DicomPicture& out, uint64_t inputBytes, bool pixels) {
    DcmDataset* ds = ff.getDataset();
    if (!ds) return Status::failure("not a DICOM file");
    DicomPicture result;
    Layout l;
    if (Status s = readAttributes(*ds, result, l, pixels); !s) return s;
    if (pixels) {
        if (Status s = readPixels(*ds, result, l, inputBytes); !s) return s;
    } else {
        result.transferSyntax = DcmXfer(ds->getOriginalXfer()).getXferName();
    }
    out = std::move(result);
    return Status::success();
}

}  // namespace

bool hasDicomSignature(const uint8_t* data, size_t size) {
    return data && size >= 132 && std::memcmp(data + 128, "DICM", 4) == 0;
}

bool isDicomFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream f(path, std::ios::binary);
    uint8_t head[132] = {};
    if (!f.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    return hasDicomSignature(head, sizeof head);
}

Status readDicom(const uint8_t* data, size_t size, DicomPicture& out) {
    prepareDicomToolkit();
    if (!data || size < 8) return Status::failure("not a DICOM file");
    if (Status s = checkDicomLengths(data, size); !s) return s;
    DcmInputBufferStream in;
    in.setBuffer(data, offile_off_t(size));
    in.setEos();
    DcmFileFormat ff;
    ff.transferInit();
    const OFCondition c = ff.read(in, EXS_Unknown, EGL_noChange, DCM_MaxReadLength);
    ff.transferEnd();
    if (c.bad()) return Status::failure(std::string("damaged DICOM file (") + c.text() + ")");
    return decode(ff, out, size, true);
}

namespace {
Status readFile(const std::string& path, DicomPicture& out, bool pixels) {
    prepareDicomToolkit();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Status::failure(path + ": not a file that can be read");
    // Every length is checked on the mapped file before the toolkit reads it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::failure(path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 8) {
        ::close(fd);
        return Status::failure(path + ": not a DICOM file");
    }
    const uint64_t size = uint64_t(st.st_size);
    void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) return Status::failure(path + ": " + std::strerror(errno));
    const Status bounds = checkDicomLengths(static_cast<const uint8_t*>(map), size_t(size));
    ::munmap(map, size_t(size));
    if (!bounds) return bounds.context(path);
    DcmFileFormat ff;
    // Without the pixels, large values stay in the file unread.
    const OFCondition c = ff.loadFile(OFFilename(path.c_str()), EXS_Unknown, EGL_noChange,
                                      pixels ? DCM_MaxReadLength : 4096, ERM_autoDetect);
    if (c.bad()) return Status::failure(path + ": damaged DICOM file (" + c.text() + ")");
    if (Status s = decode(ff, out, size, pixels); !s) return s.context(path);
    return Status::success();
}
}  // namespace

Status readDicomFile(const std::string& path, DicomPicture& out) { return readFile(path, out, true); }
Status readDicomFileHeader(const std::string& path, DicomPicture& out) { return readFile(path, out, false); }

}  // namespace ordavia
