// The processing pass of a movie: its output and the frames written to it.
#include "video/MoviePass.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieIo.h"
#include "video/MveFormat.h"

namespace ordavia {

namespace {

std::string withExtension(const std::string& name, const char* ext) {
    return iequals(extensionOf(name), ext) ? name : name + ext;
}

}  // namespace

MoviePass::MoviePass() = default;

MoviePass::~MoviePass() { abandon(); }

Status MoviePass::open(CZVMovie& movie, bool inPlace, const std::string& outputName) {
    if (running_) abandon();
    table_.clear();
    error_.clear();
    headerWritten_ = false;
    pos_ = 0;
    inPlace_ = false;
    if (!movie.storage_->isOpen() || movie.count_ <= 0) return Status::failure("there is no movie to process");
    if (movie.storage_->lendsFrames() && inPlace) {
        inPlace_ = true;
        running_ = true;
        return Status::success();
    }
    std::string name = outputName;
    if (name.empty()) {
        const std::string& temp = movie.options.tempFolder;
        std::string base = movie.fileName_.empty() ? joinPath(temp.empty() ? "." : temp, "movie") : withoutExtension(movie.fileName_);
        name = base + strprintf("-%lu", static_cast<unsigned long>(std::time(nullptr)));
    }
    if (movie.options.compressOutput) {
        name_ = withExtension(name, ".avi");
        running_ = true;  // the writer opens with the first frame, when its shape is known
        return Status::success();
    }
    if (movie.ownFile_ || !inPlace || !movie.storage_->rewritable()) {
        // Never write into a file that is already there: a name taken
        // gets a number.
        std::string base = withoutExtension(withExtension(name, ".mve"));
        std::string candidate = base + ".mve";
        int fd = -1;
        for (int k = 1; k < 1000; ++k) {
            fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, ordavia::newFileMode(candidate));
            if (fd >= 0 || errno != EEXIST) break;
            candidate = base + strprintf("-%i", k) + ".mve";
        }
        if (fd < 0) {
            debugLog("movie::openprocessing %s open failed\n", candidate.c_str());
            return Status::failure("Could not open processing output file.\n" + candidate + ": " + errnoText(errno));
        }
        fd_ = fd;
        name_ = candidate;
        pos_ = 4 + int64_t(kMveHeaderSize);
    } else {
        inPlace_ = true;
    }
    running_ = true;
    return Status::success();
}

void MoviePass::writeLeftFrame(CZVMovie& movie) {
    if (movie.currentIndex_ < 0 || movie.currentIndex_ >= movie.count_) return;
    const int slot = movie.PhysicalIndex(movie.currentIndex_);
    FrameInfo e = movie.table_[size_t(slot)];
    const CZVimage& current = movie.current_;
    if (!e.known()) e = FrameInfo{current.tag(), current.interlace(), current.originX(), current.originY()};
    const size_t n = size_t(current.rowBytes()) * size_t(current.rows());
    if (movie.options.compressOutput && !inPlace_) {
        if (!avi_ && error_.empty()) {
            AviWriter::Params p;
            p.width = current.width();
            p.height = current.rows();
            p.colour = current.colour() == CZVimage::kColour;
            p.rate = movie.rate_ > 0 ? movie.rate_ : 25;
            p.scale = movie.scale_ > 0 ? movie.scale_ : 1;
            p.codec = movie.options.codec;
            auto w = AviWriter::open(name_, p);
            if (w) avi_ = std::move(w.value());
            else error_ = w.reason();
        }
        if (avi_) {
            Status s = avi_->write(current);
            if (!s && error_.empty()) error_ = s.reason();
        }
    } else if (fd_ >= 0) {
        if (!headerWritten_) {
            uint8_t head[4 + kMveHeaderSize];
            storeLE32(head, uint32_t(kMveMagic));
            encodeImageHeader(current, head + 4);
            if (!pwriteAll(fd_, head, sizeof head, 0) && error_.empty()) error_ = name_ + ": " + errnoText(errno);
            headerWritten_ = true;
            rowBytes_ = n;
        }
        if (n != rowBytes_) {
            debugLog("movie::processing frame %i has another size; not written\n", movie.currentIndex_);
            return;
        }
        if (!pwriteAll(fd_, packedRows(current, movie.scratch_), n, pos_) && error_.empty())
            error_ = name_ + ": " + errnoText(errno);
        pos_ += int64_t(n);
    } else if (inPlace_) {
        // Back into the movie's own frames (a memory movie's are already there).
        if (Status s = movie.storage_->rewrite(slot, current, movie.scratch_); !s && error_.empty()) error_ = s.reason();
    }
    table_.push_back(e);
}

void MoviePass::abandon() {
    running_ = false;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(name_.c_str());
    }
    if (avi_) {
        (void)avi_->close();
        avi_.reset();
        ::unlink(name_.c_str());
    }
    table_.clear();
}

Status MoviePass::finish(CZVMovie& movie) {
    if (!running_) return Status::failure("no processing pass is running");
    running_ = false;
    FrameInfoList table = std::move(table_);
    table_.clear();
    if (!error_.empty()) {
        running_ = true;
        abandon();
        return Status::failure(error_);
    }
    if (movie.storage_->lendsFrames() && inPlace_) {
        movie.modified_ = true;
        return Status::success();
    }
    if (movie.options.compressOutput && !inPlace_) {
        if (!avi_) return Status::failure("the pass wrote no frames");
        Status s = avi_->close();
        avi_.reset();
        if (!s) {
            ::unlink(name_.c_str());
            return s;
        }
        return movie.reopenAs(name_, false, &table);
    }
    if (fd_ >= 0) {
        uint8_t tail[8];
        storeLE32(tail, uint32_t(table.size()));
        storeLE32(tail + 4, 0);
        bool ok = true;
        if (!headerWritten_) {
            uint8_t head[4 + kMveHeaderSize];
            storeLE32(head, uint32_t(kMveMagic));
            encodeImageHeader(movie.format_, head + 4);
            ok = pwriteAll(fd_, head, sizeof head, 0);
        }
        ok = ok && pwriteAll(fd_, tail, 8, pos_) && ::close(fd_) == 0;
        fd_ = -1;
        if (!ok) {
            ::unlink(name_.c_str());
            return Status::failure(name_ + ": " + errnoText(errno));
        }
        return movie.reopenAs(name_, false, &table);
    }
    // In place: the frames are back where they were read.
    FrameInfoList full = movie.table_;
    for (size_t i = 0; i < std::min(table.size(), full.size()); ++i) full[size_t(movie.PhysicalIndex(int(i)))] = table[i];
    return movie.reopenAs(movie.fileName_, false, &full);
}

}  // namespace ordavia
