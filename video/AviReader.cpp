#include "video/AviReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/FileIO.h"
#include "base/ParallelFor.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"

namespace ordavia {

struct AviReader::Impl {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* sws = nullptr;
    int stream = -1;
    int width = 0, height = 0, count = 0, rate = 1, scale = 1;
    std::string container, codec;
    std::vector<int64_t> pts;   // presentation order: frame i has pts[i]
    std::vector<uint8_t> key;   // frame i is a key frame
    bool countMode = false;     // no usable timestamps: frames are counted from the start
    int lastDecoded = -1;       // frame now held in `frame`, -1 none
    int counter = -1;           // count mode: index of the last frame out of the decoder
    bool eofSent = false;
    bool haveFrame = false;
    int decoded = 0, seeks = 0;
    int declared = 0;
    std::vector<uint8_t> bgr;
    // Frames known to be damaged (1) since opening.
    std::vector<uint8_t> bad;
    // The index of the last frame position the decoder is known to have
    // passed in order (-1 at the start), kUnknown just after a seek.
    static constexpr int kUnknown = -2;
    int known = -1;
    int firstAfterSeek = -1;
    int64_t packets = 0;        // video packets sent since the start (count mode)
    bool stampPackets = false;  // intra-only codec without timestamps: packets carry their index

    ~Impl() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }

    int indexOf(int64_t ts) const {
        auto it = std::lower_bound(pts.begin(), pts.end(), ts);
        if (it == pts.end() || *it != ts) return -1;
        return int(it - pts.begin());
    }

    void seekTo(int target) {
        ++seeks;
        avcodec_flush_buffers(dec);
        eofSent = false;
        haveFrame = false;
        lastDecoded = -1;
        if (countMode || target <= 0) {
            // The very start: the first frame's time, or the start of the file
            // when there are no timestamps.
            if (countMode) avformat_seek_file(fmt, -1, INT64_MIN, 0, 0, 0);
            else avformat_seek_file(fmt, stream, INT64_MIN, pts[0], pts[0], 0);
            counter = -1;
            packets = 0;
            known = -1;
        } else {
            av_seek_frame(fmt, stream, pts[size_t(target)], AVSEEK_FLAG_BACKWARD);
            known = kUnknown;
        }
    }

    void markBad(int from, int to) {
        for (int k = std::max(from, 0); k < to && k < count; ++k) bad[size_t(k)] = 1;
    }

    enum class Outcome { Got, Passed, End };

    // Decodes forward until frame `target` is in `frame`. A packet the
    // decoder refuses, and a frame it marks as corrupt, cost that frame
    // only: decoding goes on with the next, and the frames it never gave
    // are noted as damaged when the position before them is known, so
    // that nobody decodes from the start again to look for them.
    Outcome decodeUntil(int target) {
        for (int guard = 0; guard < (1 << 24); ++guard) {
            const int r = avcodec_receive_frame(dec, frame);
            if (r == 0) {
                ++decoded;
                int idx;
                if (countMode) {
                    idx = stampPackets && frame->pts != AV_NOPTS_VALUE ? int(frame->pts) : counter + 1;
                    counter = idx;
                } else {
                    idx = indexOf(frame->best_effort_timestamp);
                    if (idx < 0) idx = indexOf(frame->pts);
                    if (idx < 0) idx = lastDecoded + 1;
                }
                if (idx < 0 || idx >= count) continue;
                if (known != kUnknown && idx > known + 1) markBad(known + 1, idx);
                if (known == kUnknown) firstAfterSeek = idx;
                known = std::max(known == kUnknown ? idx : known, idx);
                lastDecoded = idx;
                const bool corrupt = (frame->flags & AV_FRAME_FLAG_CORRUPT) || frame->decode_error_flags;
                haveFrame = !corrupt;
                if (corrupt) bad[size_t(idx)] = 1;
                else bad[size_t(idx)] = 0;
                if (idx == target) return corrupt ? Outcome::Passed : Outcome::Got;
                if (idx > target) return Outcome::Passed;
                continue;
            }
            if (r == AVERROR_EOF) {
                if (known != kUnknown) markBad(known + 1, count);
                return Outcome::End;
            }
            if (r != AVERROR(EAGAIN)) continue;  // this frame is lost; the decoder goes on
            if (eofSent) return Outcome::End;
            const int rr = av_read_frame(fmt, pkt);
            if (rr < 0) {
                avcodec_send_packet(dec, nullptr);
                eofSent = true;
                continue;
            }
            if (pkt->stream_index == stream && pkt->size > 0) {
                if (countMode && stampPackets) pkt->pts = pkt->dts = packets;
                ++packets;
                avcodec_send_packet(dec, pkt);  // a refused packet is a lost frame
            }
            av_packet_unref(pkt);
        }
        return Outcome::End;
    }

    bool keyBetween(int from, int to) const {
        for (int k = std::max(from, 0); k <= to && k < int(key.size()); ++k)
            if (key[size_t(k)]) return true;
        return false;
    }

    // False when the decoded frame cannot be turned into grey.
    bool toGrey(CZVimage& out) {
        const AVPixelFormat pf = AVPixelFormat(frame->format);
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(pf);
        const int w = std::min(width, frame->width), h = std::min(height, frame->height);
        const bool lumaPlane = d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE)) &&
                               d->comp[0].depth == 8 && d->comp[0].step == 1 && d->comp[0].plane == 0 && d->comp[0].offset == 0;
        if (lumaPlane) {
            const bool full = pf == AV_PIX_FMT_GRAY8 || pf == AV_PIX_FMT_YUVJ420P || pf == AV_PIX_FMT_YUVJ422P ||
                              pf == AV_PIX_FMT_YUVJ444P || pf == AV_PIX_FMT_YUVJ440P || frame->color_range == AVCOL_RANGE_JPEG;
            uint8_t lut[256];
            for (int v = 0; v < 256; ++v)
                lut[v] = full ? uint8_t(v) : uint8_t(std::clamp((v - 16) * 255 / 219 + ((v - 16) * 255 % 219 >= 110 ? 1 : 0), 0, 255));
            for (int y = 0; y < h; ++y) {
                const uint8_t* s = frame->data[0] + ptrdiff_t(y) * frame->linesize[0];
                uint8_t* o = out.row(y);
                if (full) std::memcpy(o, s, size_t(w));
                else
                    for (int x = 0; x < w; ++x) o[x] = lut[s[x]];
            }
            return true;
        }
        if (pf == AV_PIX_FMT_PAL8) {
            // Our own palette lookup: the palette reaches the decoder only
            // with the first packet after opening, so after a seek the
            // frame's palette may be empty; the stream format holds it too.
            const uint8_t* pal = frame->data[1];
            bool empty = true;
            for (int i = 0; pal && i < 1024 && empty; ++i) empty = pal[i] == 0;
            const AVCodecParameters* par = fmt->streams[stream]->codecpar;
            if (empty && par->extradata && par->extradata_size >= 1024) pal = par->extradata;
            uint8_t lut[256] = {};
            for (int i = 0; pal && i < 256; ++i)
                lut[i] = uint8_t((pal[4 * i] * 29 + pal[4 * i + 1] * 150 + pal[4 * i + 2] * 77 + 128) >> 8);
            for (int y = 0; y < h; ++y) {
                const uint8_t* s = frame->data[0] + ptrdiff_t(y) * frame->linesize[0];
                uint8_t* o = out.row(y);
                for (int x = 0; x < w; ++x) o[x] = lut[s[x]];
            }
            return true;
        }
        // A damaged stream can hand over a frame swscale would abort on.
        if (!d || frame->width <= 0 || frame->height <= 0 || !sws_isSupportedInput(pf)) return false;
        sws = sws_getCachedContext(sws, frame->width, frame->height, pf, frame->width, frame->height, AV_PIX_FMT_BGR24,
                                   SWS_POINT, nullptr, nullptr, nullptr);
        if (!sws) return false;
        const int stride = frame->width * 3;
        bgr.resize(size_t(stride) * size_t(frame->height));
        uint8_t* dst[4] = {bgr.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {stride, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = &bgr[size_t(y) * size_t(stride)];
            uint8_t* o = out.row(y);
            for (int x = 0; x < w; ++x, s += 3) o[x] = uint8_t((s[0] * 29 + s[1] * 150 + s[2] * 77 + 128) >> 8);
        }
        return true;
    }
};

AviReader::AviReader() : d_(new Impl) {}

int AviReader::width() const { return d_->width; }
int AviReader::height() const { return d_->height; }
int AviReader::count() const { return d_->count; }
int AviReader::declaredFrames() const { return d_->declared; }
std::string AviReader::truncation() const {
    if (d_->declared <= d_->count) return {};
    return strprintf("the video is truncated: its header declares %d frames, %d are there", d_->declared, d_->count);
}
int AviReader::rate() const { return d_->rate; }
int AviReader::scale() const { return d_->scale; }
const std::string& AviReader::container() const { return d_->container; }
const std::string& AviReader::codec() const { return d_->codec; }
int AviReader::decodedFrames() const { return d_->decoded; }
int AviReader::seeks() const { return d_->seeks; }

namespace {

// A video in memory read through FFmpeg's own I/O layer (the fuzz target
// reads every container this way).
struct MemoryInput {
    const uint8_t* data = nullptr;
    int64_t size = 0, pos = 0;

    static int read(void* opaque, uint8_t* buf, int n) {
        auto* m = static_cast<MemoryInput*>(opaque);
        const int64_t left = m->size - m->pos;
        if (left <= 0) return AVERROR_EOF;
        const int k = int(std::min<int64_t>(n, left));
        std::memcpy(buf, m->data + m->pos, size_t(k));
        m->pos += k;
        return k;
    }
    static int64_t seek(void* opaque, int64_t offset, int whence) {
        auto* m = static_cast<MemoryInput*>(opaque);
        if (whence & AVSEEK_SIZE) return m->size;
        int64_t to = offset;
        switch (whence & ~AVSEEK_FORCE) {
            case SEEK_SET: break;
            case SEEK_CUR: to += m->pos; break;
            case SEEK_END: to += m->size; break;
            default: return -1;
        }
        if (to < 0 || to > m->size) return -1;
        m->pos = to;
        return to;
    }
};

// A frame needs bytes: no codec we meet stores more than 1024 pixels in
// a byte of a whole file, beyond a first megapixel that any file may
// declare. A few hundred bytes that declare 8192 x 8190 frames are damaged,
// and must not make the program reserve gigabytes for them.
constexpr int64_t kPixelsPerFileByte = 1024;
constexpr int64_t kFreePixels = int64_t(1) << 20;
constexpr int64_t kMaxFramePixels = int64_t(1) << 26;

Status checkDeclaredSize(int64_t width, int64_t height, int64_t fileBytes) {
    if (width <= 0 || height <= 0) return Status::success();  // not known yet
    const int64_t pixels = width * height;
    if (pixels > kMaxFramePixels)
        return Status::failure(StatusCode::NoMemory, strprintf("frames of %lld x %lld pixels are beyond what this program reads",
                                                               (long long)width, (long long)height));
    if (fileBytes > 0 && pixels > kFreePixels + fileBytes * kPixelsPerFileByte)
        return Status::failure(StatusCode::BadFormat,
                               strprintf("the video is damaged: it declares frames of %lld x %lld pixels, more than its %lld bytes can hold",
                                         (long long)width, (long long)height, (long long)fileBytes));
    return Status::success();
}

}  // namespace

struct AviReader::Source {
    MemoryInput memory;
    AVIOContext* io = nullptr;
    ~Source() {
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

AviReader::~AviReader() = default;

Result<std::unique_ptr<AviReader>> AviReader::openMemory(const uint8_t* data, size_t size) {
    auto src = std::make_unique<Source>();
    src->memory = MemoryInput{data, int64_t(size), 0};
    auto* buffer = static_cast<uint8_t*>(av_malloc(4096));
    if (!buffer) return Status::failure(StatusCode::NoMemory, "not enough memory to read the video");
    src->io = avio_alloc_context(buffer, 4096, 0, &src->memory, &MemoryInput::read, nullptr, &MemoryInput::seek);
    if (!src->io) {
        av_free(buffer);
        return Status::failure(StatusCode::NoMemory, "not enough memory to read the video");
    }
    return openWith("(memory)", std::move(src));
}

Result<std::unique_ptr<AviReader>> AviReader::open(const std::string& path) {
    // Opening a FIFO or a device would wait for a writer, or never end.
    if (Status s = checkRegularFile(path); !s) return Status::failure(StatusCode::Unsupported, s.reason());
    return openWith(path, nullptr);
}

Result<std::unique_ptr<AviReader>> AviReader::openWith(const std::string& path, std::unique_ptr<Source> source) {
    av_log_set_level(AV_LOG_QUIET);
    std::unique_ptr<AviReader> r(new AviReader);
    Impl& d = *r->d_;
    auto fail = [&](const char* log, const std::string& why) -> Result<std::unique_ptr<AviReader>> {
        debugLog("%s", log);
        return Status::failure(StatusCode::BadFormat, path + ": " + why);
    };
    int64_t fileBytes = 0;
    if (source) {
        d.fmt = avformat_alloc_context();
        if (!d.fmt) return Status::failure(StatusCode::NoMemory, "not enough memory to read the video");
        d.fmt->pb = source->io;
        d.fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
        fileBytes = source->memory.size;
        r->source_ = std::move(source);
    } else {
        struct stat sb {};
        if (::stat(path.c_str(), &sb) == 0) fileBytes = sb.st_size;
    }
    if (avformat_open_input(&d.fmt, path.c_str(), nullptr, nullptr) < 0) {
        d.fmt = nullptr;  // freed by FFmpeg on failure
        return fail("failed AVI file open.\n", "not a video file FFmpeg can read");
    }
    // Sizes the container declares are checked before FFmpeg decodes a
    // frame to fill in the stream information.
    for (unsigned i = 0; i < d.fmt->nb_streams; ++i) {
        const AVCodecParameters* par = d.fmt->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        if (Status s = checkDeclaredSize(par->width, std::abs(int64_t(par->height)), fileBytes); !s) return s.context(path);
    }
    if (avformat_find_stream_info(d.fmt, nullptr) < 0) return fail("bad avi info.\n", "the video's stream information cannot be read");
    d.container = d.fmt->iformat ? d.fmt->iformat->name : "";
    debugLog("number of streams=%i\n", int(d.fmt->nb_streams));
    debugLog("filetype=%s\n", d.container.c_str());
    for (unsigned i = 0; i < d.fmt->nb_streams; ++i) {
        if (d.fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(d.fmt->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            d.stream = int(i);
            break;
        }
        debugLog("skipping non-video stream\n");
    }
    if (d.stream < 0) return fail("get stream failed.\n", "the file holds no video stream");
    AVStream* st = d.fmt->streams[d.stream];
    for (unsigned i = 0; i < d.fmt->nb_streams; ++i)
        if (int(i) != d.stream) d.fmt->streams[i]->discard = AVDISCARD_ALL;
    AVRational fr = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (fr.num <= 0 || fr.den <= 0) fr = AVRational{25, 1};
    d.rate = fr.num;
    d.scale = fr.den;
    debugLog("rate=%i scale=%i\n", d.rate, d.scale);
    d.width = st->codecpar->width;
    d.height = std::abs(st->codecpar->height);
    if (Status s = checkDeclaredSize(d.width, d.height, fileBytes); !s) return s.context(path);
    if (d.width <= 0 || d.height <= 0 || int64_t(d.width) * d.height > kMaxFramePixels)
        return fail("bad stream format.\n", strprintf("unusable frame size %i x %i", d.width, d.height));
    const AVCodec* c = avcodec_find_decoder(st->codecpar->codec_id);
    if (!c) return fail("Not available!\n", "no decoder for this video's codec");
    d.codec = c->name;
    d.dec = avcodec_alloc_context3(c);
    if (!d.dec || avcodec_parameters_to_context(d.dec, st->codecpar) < 0) return fail("bad stream format.\n", "bad stream format");
    // The decoder's own threads (frames in flight, or slices of one frame),
    // as many as an analysis may use. Frames still come out in order and
    // with the same pixels; a frame that fails to decode is still one
    // frame lost.
    d.dec->thread_count = std::min(threadCount(), 16);
    d.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    debugLog("Try AVI to 24 bit.\n");
    if (avcodec_open2(d.dec, c, nullptr) < 0) return fail("Not available!\n", "the decoder cannot be opened");
    d.pkt = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.pkt || !d.frame) return fail("could not allocate memory for stream format.\n", "Low memory.  Save all data & exit.");

    // The frame index: from the container's own index when it is complete
    // and presentation order equals decoding order, else one packet scan.
    const int entries = avformat_index_get_entries_count(st);
    const bool indexUsable = st->nb_frames > 0 && entries == st->nb_frames && st->codecpar->video_delay == 0;
    std::vector<std::pair<int64_t, bool>> frames;
    if (indexUsable) {
        for (int i = 0; i < entries; ++i) {
            const AVIndexEntry* e = avformat_index_get_entry(st, i);
            if (e && e->size > 0) frames.emplace_back(e->timestamp, (e->flags & AVINDEX_KEYFRAME) != 0);
        }
    } else {
        int64_t n = 0;
        bool haveTs = true;
        bool lastCut = false;
        while (av_read_frame(d.fmt, d.pkt) >= 0) {
            if (d.pkt->stream_index == d.stream && d.pkt->size > 0) {
                lastCut = (d.pkt->flags & AV_PKT_FLAG_CORRUPT) != 0;
                int64_t ts = d.pkt->pts != AV_NOPTS_VALUE ? d.pkt->pts : d.pkt->dts;
                if (ts == AV_NOPTS_VALUE) haveTs = false;
                frames.emplace_back(ts == AV_NOPTS_VALUE ? n : ts, (d.pkt->flags & AV_PKT_FLAG_KEY) != 0);
                ++n;
            }
            av_packet_unref(d.pkt);
        }
        // A file cut off while it was written (a recording on a full disc)
        // ends in half a frame: that is no frame.
        if (lastCut && frames.size() > 1) frames.pop_back();
        // An AVI cut off before its headers were finished (no frame count,
        // no index) cannot be sought by time: its frames are counted from
        // the start.
        d.countMode = !haveTs || (st->nb_frames == 0 && std::strcmp(d.fmt->iformat->name, "avi") == 0);
    }
    if (frames.empty()) return fail("bad stream format.\n", "the video holds no frames");
    if (!d.countMode) std::sort(frames.begin(), frames.end());
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!d.countMode && i > 0 && frames[i].first == frames[i - 1].first) {
            d.countMode = true;  // repeated timestamps: count instead
        }
    }
    d.pts.reserve(frames.size());
    for (auto& f : frames) {
        d.pts.push_back(f.first);
        d.key.push_back(f.second);
    }
    d.count = int(std::min<size_t>(frames.size(), size_t(1) << 30));
    d.declared = int(std::clamp<int64_t>(st->nb_frames, 0, int64_t(1) << 30));
    d.bad.assign(size_t(d.count), 0);
    const AVCodecDescriptor* desc = avcodec_descriptor_get(st->codecpar->codec_id);
    d.stampPackets = d.countMode && desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
    debugLog("w=%i h=%i len=%i\n", d.width, d.height, d.count);
    debugLog("openavi %i images, w=%i, h=%i\n", d.count, d.width, d.height);
    d.seekTo(0);
    d.seeks = 0;
    return r;
}

bool AviReader::readFrame(int i, CZVimage& out) {
    Impl& d = *d_;
    if (out.width() != d.width || out.rows() != d.height || out.colour() != CZVimage::kGrey) {
        out.setInterlace(CZVimage::kFrame);
        if (!out.resize(d.width, d.height, 1)) return false;
        out.setColour(CZVimage::kGrey);
    }
    bool ok = false;
    if (i < 0 || i >= d.count || d.bad[size_t(i)]) {
        ok = false;
    } else if (d.haveFrame && i == d.lastDecoded) {
        ok = true;
    } else {
        // Frames already known to be damaged cost nothing to pass over.
        int nextGood = d.lastDecoded + 1;
        while (nextGood < i && d.bad[size_t(nextGood)]) ++nextGood;
        const bool forward = d.lastDecoded >= 0 && i > d.lastDecoded &&
                             (i == nextGood || d.countMode || !d.keyBetween(nextGood, i));
        if (!forward) d.seekTo(i);
        ok = d.decodeUntil(i) == Impl::Outcome::Got;
        if (!ok && !forward && !d.bad[size_t(i)]) {
            // The seek landed past the frame (an imprecise index): decode
            // from the start once; that pass settles every frame up to i.
            d.seekTo(0);
            ok = d.decodeUntil(i) == Impl::Outcome::Got;
            if (!ok) d.bad[size_t(i)] = 1;
        }
        if (!ok) d.bad[size_t(i)] = 1;
    }
    if (!ok) {
        debugLog("bad frame %i\n", i);
        std::memset(out.data(), 0, out.byteCount());
        return false;
    }
    if (!d.toGrey(out)) {
        d.bad[size_t(i)] = 1;
        std::memset(out.data(), 0, out.byteCount());
        return false;
    }
    out.dropDisplayHeader();
    return true;
}

}  // namespace ordavia
