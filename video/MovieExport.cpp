#include "video/MovieExport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ByteOrder.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
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
    if (movie.mode() == StorageMode::Closed || movie.count() <= 0) return Status::failure("there is no movie to export");
    int first = o.first, last = o.last;
    movie.clampRange(first, last);
    const int k = o.every < 1 ? 1 : o.every;
    const int n = (last - first) / k;
    if (n < 1) {
        debugLog("failed:n<1");
        return Status::failure("failed:n<1 (no frame to write in that range)");
    }
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
    // The frame to write: as stored, or placed at its offsets.
    auto next = [&](int index) -> CZVimage& {
        movie.CopyFrame(index, frame);
        if (!o.corrected) return frame;
        placeOnCanvas(frame, bounds, canvas);
        canvas.setTag(frame.tag());
        return canvas;
    };
    if (!isForeignVideo(path)) {
        const std::string temp = path + ".part";
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return Status::failure(path + ": " + errnoText(errno));
        bool ok = true;
        int64_t pos = 4 + int64_t(kMveHeaderSize);
        std::vector<uint8_t> packed;
        for (int j = 0; j < n && ok; ++j) {
            CZVimage& out = next(first + j * k);
            if (j == 0) {
                uint8_t head[4 + kMveHeaderSize];
                storeLE32(head, uint32_t(kMveMagic));
                encodeImageHeader(out, head + 4);
                ok = pwriteAll(fd, head, sizeof head, 0);
            }
            const size_t bytes = size_t(out.rowBytes()) * size_t(out.rows());
            ok = ok && pwriteAll(fd, packedRows(out, packed), bytes, pos);
            pos += int64_t(bytes);
        }
        uint8_t tail[8];
        storeLE32(tail, uint32_t(n));
        storeLE32(tail + 4, 0);
        ok = ok && pwriteAll(fd, tail, 8, pos) && ::fsync(fd) == 0;
        const int err = errno;
        ok = ::close(fd) == 0 && ok;
        if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
        if (!ok) {
            ::unlink(temp.c_str());
            return Status::failure(path + ": " + errnoText(err ? err : errno));
        }
        return n;
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
    for (int j = 0; j < n; ++j)
        if (Status s = w.value()->write(next(first + j * k)); !s) return s;
    if (Status s = w.value()->close(); !s) return s;
    return n;
}

}  // namespace ordavia
