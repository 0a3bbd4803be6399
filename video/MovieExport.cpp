#include "video/MovieExport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/ByteOrder.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieIo.h"

namespace ordavia {

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
    if (!isForeignVideo(path)) {
        const std::string temp = path + ".part";
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return Status::failure(path + ": " + errnoText(errno));
        bool ok = true;
        int64_t pos = 4 + int64_t(kMveHeaderSize);
        std::vector<uint8_t> packed;
        for (int j = 0; j < n && ok; ++j) {
            movie.CopyFrame(first + j * k, frame);
            if (j == 0) {
                uint8_t head[4 + kMveHeaderSize];
                storeLE32(head, uint32_t(kMveMagic));
                encodeImageHeader(frame, head + 4);
                ok = pwriteAll(fd, head, sizeof head, 0);
            }
            const size_t bytes = size_t(frame.rowBytes()) * size_t(frame.rows());
            ok = ok && pwriteAll(fd, packedRows(frame, packed), bytes, pos);
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
    const CZVimage& fmt = movie.formatImage();
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
        movie.CopyFrame(first + j * k, frame);
        if (Status s = w.value()->write(frame); !s) return s;
    }
    if (Status s = w.value()->close(); !s) return s;
    return n;
}

}  // namespace ordavia
