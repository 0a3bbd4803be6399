#include "video/AviWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/MovieAccumulate.h"

namespace ordavia {

namespace {

// Our own uncompressed AVI: RIFF 'AVI ' with one video stream of DIB frames.
class RawAviFile {
public:
    ~RawAviFile() {
        if (f_) std::fclose(f_);
    }
    Status open(const std::string& path, const AviWriter::Params& p) {
        p_ = p;
        bpp_ = p.colour ? 3 : 1;
        stride_ = (p.width * bpp_ + 3) / 4 * 4;
        frameBytes_ = uint32_t(stride_) * uint32_t(p.height);
        f_ = std::fopen(path.c_str(), "wb");
        if (!f_) return Status::failure(path + ": " + std::strerror(errno));
        std::vector<uint8_t> head = header(0);
        if (std::fwrite(head.data(), 1, head.size(), f_) != head.size()) return Status::failure(path + ": " + std::strerror(errno));
        moviStart_ = uint32_t(head.size()) - 4;  // offsets count from the 'movi' fourcc
        pos_ = uint32_t(head.size());
        return Status::success();
    }
    Status write(const uint8_t* bottomUp) {
        if (uint64_t(pos_) + 8 + frameBytes_ + 16 * uint64_t(index_.size() + 1) + 64 > 0x7FFFFFFFull)
            return Status::failure("the uncompressed AVI would exceed 2 GB; choose a codec or a shorter range");
        uint8_t ck[8];
        std::memcpy(ck, "00db", 4);
        storeLE32(ck + 4, frameBytes_);
        if (std::fwrite(ck, 1, 8, f_) != 8 || std::fwrite(bottomUp, 1, frameBytes_, f_) != frameBytes_)
            return Status::failure(std::strerror(errno));
        index_.push_back(pos_ - moviStart_);
        pos_ += 8 + frameBytes_;
        return Status::success();
    }
    Status close() {
        std::vector<uint8_t> idx(8 + 16 * index_.size());
        std::memcpy(&idx[0], "idx1", 4);
        storeLE32(&idx[4], uint32_t(16 * index_.size()));
        for (size_t i = 0; i < index_.size(); ++i) {
            uint8_t* e = &idx[8 + 16 * i];
            std::memcpy(e, "00db", 4);
            storeLE32(e + 4, 0x10);  // key frame
            storeLE32(e + 8, index_[i]);
            storeLE32(e + 12, frameBytes_);
        }
        bool ok = std::fwrite(idx.data(), 1, idx.size(), f_) == idx.size();
        const uint32_t total = pos_ + uint32_t(idx.size());
        std::vector<uint8_t> head = header(uint32_t(index_.size()));
        storeLE32(&head[4], total - 8);
        const uint32_t moviSize = pos_ - (moviStart_ - 4);
        storeLE32(&head[moviStart_ - 4], moviSize - 4);
        ok = ok && std::fseek(f_, 0, SEEK_SET) == 0 && std::fwrite(head.data(), 1, head.size(), f_) == head.size();
        ok = std::fflush(f_) == 0 && ok;
        ok = ::fsync(fileno(f_)) == 0 && ok;
        ok = std::fclose(f_) == 0 && ok;
        f_ = nullptr;
        return ok ? Status::success() : Status::failure(std::strerror(errno));
    }
    int frames() const { return int(index_.size()); }

private:
    std::vector<uint8_t> header(uint32_t frames) const {
        std::vector<uint8_t> h;
        auto fourcc = [&](const char* s) {
            for (int i = 0; i < 4; ++i) h.push_back(uint8_t(s[i]));
        };
        auto u32 = [&](uint32_t v) {
            uint8_t b[4];
            storeLE32(b, v);
            for (uint8_t x : b) h.push_back(x);
        };
        auto u16 = [&](int v) {
            h.push_back(uint8_t(v));
            h.push_back(uint8_t(v >> 8));
        };
        const bool grey = bpp_ == 1;
        const uint32_t strfSize = 40 + (grey ? 1024 : 0);
        const uint32_t strlSize = 4 + 8 + 56 + 8 + strfSize;
        const uint32_t hdrlSize = 4 + 8 + 56 + 8 + strlSize;
        fourcc("RIFF");
        u32(0);
        fourcc("AVI ");
        fourcc("LIST");
        u32(hdrlSize);
        fourcc("hdrl");
        fourcc("avih");
        u32(56);
        u32(uint32_t(1000000.0 * p_.scale / p_.rate));
        u32(uint32_t(uint64_t(frameBytes_) * uint64_t(p_.rate) / uint64_t(p_.scale)));
        u32(0);
        u32(0x10 | 0x100);  // has index, interleaved
        u32(frames);
        u32(0);
        u32(1);
        u32(frameBytes_);
        u32(uint32_t(p_.width));
        u32(uint32_t(p_.height));
        for (int i = 0; i < 4; ++i) u32(0);
        fourcc("LIST");
        u32(strlSize);
        fourcc("strl");
        fourcc("strh");
        u32(56);
        fourcc("vids");
        fourcc("DIB ");
        u32(0);
        u16(0);
        u16(0);
        u32(0);
        u32(uint32_t(p_.scale));
        u32(uint32_t(p_.rate));
        u32(0);
        u32(frames);
        u32(frameBytes_);
        u32(0xFFFFFFFFu);
        u32(0);
        u16(0);
        u16(0);
        u16(p_.width);
        u16(p_.height);
        fourcc("strf");
        u32(strfSize);
        u32(40);
        u32(uint32_t(p_.width));
        u32(uint32_t(p_.height));  // positive: rows bottom-up
        u16(1);
        u16(bpp_ * 8);
        u32(0);
        u32(frameBytes_);
        u32(0);
        u32(0);
        u32(grey ? 256 : 0);
        u32(0);
        if (grey)
            for (int i = 0; i < 256; ++i) u32(uint32_t(i) | uint32_t(i) << 8 | uint32_t(i) << 16);
        fourcc("LIST");
        u32(0);
        fourcc("movi");
        return h;
    }

    AviWriter::Params p_;
    int bpp_ = 1, stride_ = 0;
    uint32_t frameBytes_ = 0;
    FILE* f_ = nullptr;
    uint32_t moviStart_ = 0, pos_ = 0;
    std::vector<uint32_t> index_;
};

const AVCodec* findEncoder(const std::string& name) {
    if (const AVCodec* c = avcodec_find_encoder_by_name(name.c_str())) return c;
    if (const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name.c_str())) return avcodec_find_encoder(d->id);
    return nullptr;
}

}  // namespace

struct AviWriter::Impl {
    Params p;
    std::string path, temp;
    // The unique temporary beside the target; its descriptor holds the
    // lock that tells other runs the file is being written.
    SaveTemp tmp;
    std::unique_ptr<RawAviFile> raw;
    AVFormatContext* oc = nullptr;
    AVCodecContext* enc = nullptr;
    AVStream* st = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    SwsContext* sws = nullptr;
    int64_t next = 0;
    int written = 0;
    bool open = false;
    std::vector<uint8_t> buf;

    ~Impl() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&enc);
        if (oc) {
            if (oc->pb) avio_closep(&oc->pb);
            avformat_free_context(oc);
        }
        abandonSaveTemp(tmp);
    }

    Status drain(bool flush) {
        if (flush) avcodec_send_frame(enc, nullptr);
        for (;;) {
            const int r = avcodec_receive_packet(enc, pkt);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return Status::success();
            if (r < 0) return Status::failure("compress failed");
            av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            if (av_interleaved_write_frame(oc, pkt) < 0) {
                debugLog("bad frame");
                return Status::failure(path + ": the frame could not be written");
            }
        }
    }
};

AviWriter::AviWriter() : d_(new Impl) {}
AviWriter::~AviWriter() = default;
int AviWriter::frames() const { return d_->written; }
const std::string& AviWriter::path() const { return d_->path; }

std::vector<std::string> AviWriter::availableCodecs() {
    std::vector<std::string> out;
    for (const char* n : {"ffv1", "mjpeg", "libx264", "mpeg4"})
        if (findEncoder(n)) out.push_back(n);
    return out;
}

Result<std::unique_ptr<AviWriter>> AviWriter::open(const std::string& path, const Params& p) {
    av_log_set_level(AV_LOG_QUIET);
    debugLog("aviwriteopen %s ", path.c_str());
    if (p.width < 1 || p.height < 1 || p.width > 32768 || p.height > 32768 || p.rate < 1 || p.scale < 1)
        return Status::failure(strprintf("%s: bad video size %i x %i or rate %i/%i", path.c_str(), p.width, p.height, p.rate, p.scale));
    std::unique_ptr<AviWriter> w(new AviWriter);
    Impl& d = *w->d_;
    d.p = p;
    d.path = path;
    const std::string ext = toLower(path.substr(path.find_last_of('.') == std::string::npos ? path.size() : path.find_last_of('.')));
    auto t = openSaveTemp(path);
    if (!t) return t.status();
    d.tmp = std::move(t.value());
    d.temp = d.tmp.tempPath;
    if (p.codec.empty() && (ext == ".avi" || ext.empty())) {
        d.raw = std::make_unique<RawAviFile>();
        Status s = d.raw->open(d.temp, p);
        if (!s) {
            debugLog("failed AVI file %s open", path.c_str());
            return s;
        }
        d.open = true;
        return w;
    }
    std::string codec = p.codec;
    if (codec.empty()) codec = ext == ".mp4" || ext == ".mov" ? "libx264" : "ffv1";
    const AVCodec* c = findEncoder(codec);
    if (!c && codec == "libx264") c = findEncoder("mpeg4");
    if (!c) {
        debugLog("failed to open AVI compressor\n");
        return Status::failure("no encoder named " + codec + " in this FFmpeg");
    }
    // What an encoder holds while it works, per pixel of a frame: its
    // reference, look-ahead and slice buffers (measured on grey frames of
    // 8192 x 8190: FFV1 about 40 bytes, H.264 about 22), three times that
    // for colour. A small file may declare frames that large; the pass
    // ceiling holds here as it does for the statistics.
    const uint64_t perPixel = c->id == AV_CODEC_ID_FFV1 ? 40 : c->id == AV_CODEC_ID_MJPEG ? 8 : 24;
    const uint64_t pixels = uint64_t(p.width) * uint64_t(p.height);
    const std::string encoding = strprintf("encoding frames of %d x %d (%s)", p.width, p.height, codec.c_str());
    if (Status s = passMemoryBudget(pixels * perPixel * (p.colour ? 3 : 1), encoding.c_str()); !s) return s;
    const AVOutputFormat* of = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!of) of = av_guess_format("avi", nullptr, nullptr);
    if (avformat_alloc_output_context2(&d.oc, of, nullptr, d.temp.c_str()) < 0 || !d.oc) {
        debugLog("failed AVI file %s open", path.c_str());
        return Status::failure(path + ": the container cannot be written");
    }
    d.enc = avcodec_alloc_context3(c);
    d.st = avformat_new_stream(d.oc, nullptr);
    d.frame = av_frame_alloc();
    d.pkt = av_packet_alloc();
    if (!d.enc || !d.st || !d.frame || !d.pkt) return Status::failure("Low memory.  Save all data & exit.");
    const AVPixelFormat src = p.colour ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_GRAY8;
    AVPixelFormat pf = src;
    if (c->pix_fmts) {
        pf = avcodec_find_best_pix_fmt_of_list(c->pix_fmts, src, 0, nullptr);
        for (const AVPixelFormat* f = c->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
            if (*f == src) pf = src;
    }
    d.enc->width = p.width;
    d.enc->height = p.height;
    d.enc->pix_fmt = pf;
    d.enc->time_base = AVRational{p.scale, p.rate};
    d.enc->framerate = AVRational{p.rate, p.scale};
    d.enc->gop_size = 12;
    d.enc->thread_count = 1;
    if (c->id == AV_CODEC_ID_MJPEG || c->id == AV_CODEC_ID_MPEG4) {
        d.enc->flags |= AV_CODEC_FLAG_QSCALE;
        d.enc->global_quality = FF_QP2LAMBDA * 2;
        if (c->id == AV_CODEC_ID_MJPEG) d.enc->color_range = AVCOL_RANGE_JPEG;
    }
    if (c->id == AV_CODEC_ID_H264) {
        av_opt_set(d.enc->priv_data, "preset", "veryfast", 0);
        av_opt_set(d.enc->priv_data, "crf", "16", 0);
    }
    if (d.oc->oformat->flags & AVFMT_GLOBALHEADER) d.enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(d.enc, c, nullptr) < 0) {
        debugLog("compress start failed.");
        return Status::failure("the " + codec + " encoder cannot be started for this size");
    }
    if (avcodec_parameters_from_context(d.st->codecpar, d.enc) < 0) {
        debugLog(" failed AVI create stream");
        return Status::failure("failed AVI create stream");
    }
    d.st->time_base = d.enc->time_base;
    d.st->avg_frame_rate = d.enc->framerate;
    if (avio_open(&d.oc->pb, d.temp.c_str(), AVIO_FLAG_WRITE) < 0) {
        debugLog("failed AVI file %s open", path.c_str());
        return Status::failure(path + ": " + std::strerror(errno));
    }
    d.open = true;
    if (avformat_write_header(d.oc, nullptr) < 0) {
        debugLog("failed AVI set format");
        return Status::failure("failed AVI set format");
    }
    d.frame->format = pf;
    d.frame->width = p.width;
    d.frame->height = p.height;
    if (av_frame_get_buffer(d.frame, 0) < 0) return Status::failure("Low memory.  Save all data & exit.");
    d.sws = sws_getContext(p.width, p.height, src, p.width, p.height, pf, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!d.sws) return Status::failure("compress start failed.");
    return w;
}

Status AviWriter::write(const CZVimage& img) {
    Impl& d = *d_;
    if (!d.open) return Status::failure("the video writer is closed");
    const int bpp = d.p.colour ? 3 : 1;
    const int stride = d.raw ? (d.p.width * bpp + 3) / 4 * 4 : d.p.width * bpp;
    d.buf.assign(size_t(stride) * size_t(d.p.height), 0);
    const int w = std::min(d.p.width, img.width()), h = std::min(d.p.height, img.rows());
    for (int y = 0; y < h; ++y) {
        // Device-independent bitmaps keep their rows bottom-up.
        uint8_t* dst = &d.buf[size_t(d.raw ? d.p.height - 1 - y : y) * size_t(stride)];
        const uint8_t* s = img.row(y);
        if (img.bytesPerPixel() == bpp) {
            std::memcpy(dst, s, size_t(w) * size_t(bpp));
        } else if (bpp == 1) {
            for (int x = 0; x < w; ++x, s += 3) dst[x] = uint8_t((s[0] * 29 + s[1] * 150 + s[2] * 77 + 128) >> 8);
        } else {
            for (int x = 0; x < w; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = s[x];
        }
    }
    if (d.raw) {
        Status s = d.raw->write(d.buf.data());
        if (s) ++d.written;
        else debugLog("bad frame");
        return s;
    }
    if (av_frame_make_writable(d.frame) < 0) return Status::failure("Low memory.  Save all data & exit.");
    const uint8_t* src[4] = {d.buf.data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {stride, 0, 0, 0};
    sws_scale(d.sws, src, srcStride, 0, d.p.height, d.frame->data, d.frame->linesize);
    d.frame->pts = d.next++;
    if (avcodec_send_frame(d.enc, d.frame) < 0) return Status::failure("compress failed");
    Status s = d.drain(false);
    if (s) ++d.written;
    return s;
}

Status AviWriter::close(bool keepPartial) {
    Impl& d = *d_;
    if (!d.open) return Status::success();
    Status s;
    if (d.raw) {
        s = d.raw->close();
        d.raw.reset();
    } else {
        s = d.drain(true);
        if (av_write_trailer(d.oc) < 0 && s) s = Status::failure(d.path + ": the video could not be finished");
        if (avio_closep(&d.oc->pb) < 0 && s) s = Status::failure(d.path + ": " + std::strerror(errno));
    }
    d.open = false;
    if (s) {
        s = commitSaveTemp(d.tmp);
    } else if (keepPartial) {
        if (Status c = commitSaveTemp(d.tmp); !c) debugLog("AviWriter::close %s\n", c.reason().c_str());
    } else {
        abandonSaveTemp(d.tmp);
    }
    return s;
}

}  // namespace ordavia
