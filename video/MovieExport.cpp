#include "video/MovieExport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"
#include "video/MovieIo.h"

namespace ordavia {

namespace {

// Lays `frame` on the canvas at its offsets from the range's smallest ones.
void placeOnCanvas(const CZVimage& frame, const CZVMovie::Bounds& b, CZVimage& canvas) {
    const int bpp = frame.bytesPerPixel();
    for (int y = 0; y < canvas.rows(); ++y) std::memset(canvas.row(y), 0, size_t(canvas.width()) * size_t(bpp));
    const int64_t ox = int64_t(frame.originX()) - b.minX, oy = int64_t(frame.originY()) - b.minY;
    for (int y = 0; y < frame.rows(); ++y) {
        const int64_t cy = y + oy;
        if (cy < 0 || cy >= canvas.rows() || ox < 0 || ox >= canvas.width()) continue;
        const int64_t n = std::min<int64_t>(frame.width(), canvas.width() - ox);
        std::memcpy(canvas.row(int(cy)) + ox * bpp, frame.row(y), size_t(n) * size_t(bpp));
    }
}

}  // namespace

Result<int> exportFrames(CZVMovie& movie, const std::string& path, const ExportOptions& o) {
    if (!movie.isOpen() || movie.count() <= 0) return Status::failure("there is no movie to export");
    int first = o.first, last = o.last;
    movie.clampRange(first, last);
    const int k = o.every < 1 ? 1 : o.every;
    const int n = (last - first) / k;
    if (n < 1) {
        debugLog("failed:n<1");
        return Status::failure("failed:n<1 (no frame to write in that range)");
    }
    // Writing over the movie being read would destroy the frames still to come.
    if (Status s = refuseOutputIsInput(movie.fileName(), path); !s) return s;
    CZVimage frame;
    CZVimage canvas;
    CZVMovie::Bounds bounds;
    if (o.corrected) {
        const CZVimage& fmt = movie.formatImage();
        if (fmt.isField()) return Status::failure("movement-corrected frames are exported from whole frames only");
        bounds = movie.OffsetBounds(first, last);
        // As for the average: a canvas beyond three frames across means damaged offsets.
        if (bounds.width <= 0 || bounds.height <= 0 || int64_t(bounds.width) > 3 * int64_t(fmt.width()) ||
            int64_t(bounds.height) > 3 * int64_t(fmt.rows()))
            return Status::failure("the offsets spread the frames too far apart");
        canvas = CZVimage(bounds.width, bounds.height, 0, fmt.interlace(), fmt.colour());
        if (canvas.isEmpty()) return Status::failure("Low memory.  Save all data & exit.");
    }
    // The frame to write, once read: as stored, or placed at its offsets.
    auto placed = [&]() -> CZVimage& {
        if (!o.corrected) return frame;
        placeOnCanvas(frame, bounds, canvas);
        canvas.setTag(frame.tag());
        return canvas;
    };
    bool damaged = false;
    // The frames written: damaged ones are left out when the movie skips
    // them, and fail the export otherwise.
    auto nextFrame = [&](int j) -> Result<bool> {
        const int i = first + j * k;
        movie.CopyFrame(i, frame);
        if (movie.outOfMemory() || frame.isEmpty())
            return Status::failure(StatusCode::NoMemory, strprintf("not enough memory for frame %d", i));
        if (!movie.isDamaged(i)) return true;
        // Without skipping, reading goes on so that the failure names every damaged frame.
        if (!movie.options.skipDamaged) damaged = true;
        return false;
    };
    // After the frames: the damaged ones named, unless they were left out.
    auto damageStatus = [&]() -> Status {
        if (!damaged) return Status::success();
        return damagedFramesStatus(movie, first, last).context(movie.fileName());
    };
    int written = 0;
    if (!isForeignVideo(path)) {
        auto temp = openSaveTemp(path);
        if (!temp) return temp.status();
        SaveTemp& t = temp.value();
        bool ok = true;
        int64_t pos = 4 + int64_t(kMveHeaderSize);
        std::vector<uint8_t> packed;
        int err = 0;
        for (int j = 0; j < n && ok; ++j) {
            auto use = nextFrame(j);
            if (!use) {
                abandonSaveTemp(t);
                return use.status().context(movie.fileName());
            }
            if (!use.value() || damaged) continue;
            CZVimage& out = placed();
            if (written == 0) {
                uint8_t head[4 + kMveHeaderSize];
                storeLE32(head, uint32_t(kMveMagic));
                encodeImageHeader(out, head + 4);
                ok = pwriteAll(t.fd, head, sizeof head, 0);
            }
            const size_t bytes = size_t(out.rowBytes()) * size_t(out.rows());
            ok = ok && pwriteAll(t.fd, packedRows(out, packed), bytes, pos);
            pos += int64_t(bytes);
            ++written;
        }
        if (Status s = damageStatus(); !s) {
            abandonSaveTemp(t);
            return s;
        }
        if (written == 0) {
            abandonSaveTemp(t);
            return Status::failure(StatusCode::BadFormat, "no frame of the range can be decoded");
        }
        uint8_t tail[8];
        storeLE32(tail, uint32_t(written));
        storeLE32(tail + 4, 0);
        ok = ok && pwriteAll(t.fd, tail, 8, pos);
        if (!ok) {
            err = errno;
            abandonSaveTemp(t);
            return Status::failure(err == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError, path + ": " + errnoText(err));
        }
        if (Status s = commitSaveTemp(t); !s) return s;
        return written;
    }
    const CZVimage& fmt = o.corrected ? canvas : movie.formatImage();
    AviWriter::Params p;
    p.width = fmt.width();
    p.height = fmt.rows();
    p.colour = fmt.colour() == CZVimage::kColour;
    p.rate = o.rate > 0 ? o.rate : (movie.rate() > 0 ? movie.rate() : 25);
    p.scale = o.rate > 0 ? std::max(1, o.scale) : (movie.scale() > 0 ? movie.scale() : 1);
    if (movie.rate() == 1 && movie.scale() == 1 && o.rate <= 0) p.rate = 25;  // ".mve" files carry no rate
    p.codec = o.codec;
    auto w = AviWriter::open(path, p);
    if (!w) return w.status();
    for (int j = 0; j < n; ++j) {
        auto use = nextFrame(j);
        if (!use) return use.status().context(movie.fileName());  // the writer drops its temporary
        if (!use.value() || damaged) continue;
        if (Status s = w.value()->write(placed()); !s) return s;
        ++written;
    }
    if (Status s = damageStatus(); !s) return s;
    if (written == 0) return Status::failure(StatusCode::BadFormat, "no frame of the range can be decoded");
    if (Status s = w.value()->close(); !s) return s;
    return written;
}

}  // namespace ordavia
