// Videos: "synth video", "info" and "convert" of movies, "average", "rms"
// and "frame".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "image/CZVimage.h"
#include "image/FileKinds.h"
#include "image/ImageFormats.h"
#include "video/AviReader.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/DamagedFrames.h"
#include "video/MovieAccumulate.h"
#include "video/MovieExport.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;

namespace {

const std::vector<std::string>& kVideoExt = videoExtensions();

// "A:B", "A:" or ":B"; a missing end is -1 (start or end of the movie).
Result<std::pair<int, int>> frameRange(const CliArgs& a) { return a.span("--range", 0, 1 << 30, {-1, -1}); }

}  // namespace

void ordavia::takeSkipDamaged(const CliArgs& a, CZVMovie& m) { m.options.skipDamaged = a.has("--skip-damaged"); }

void ordavia::reportSkippedFrames(const std::string& in, const CZVMovie& m) {
    const int n = damagedCount(m, 0, m.count());
    if (n == 0) return;
    cliNote(strprintf("%s: %d damaged frame%s left out (%s)", in.c_str(), n, n == 1 ? "" : "s",
                      frameRuns(m.damagedFrames(), 0, m.count()).c_str()));
}

int ordavia::movieError(const std::string& in, const Status& s) {
    std::string text = s.reason();
    if (text.rfind(in, 0) != 0) text = in + ": " + text;
    if (s.code() == StatusCode::BadFormat && text.find("cannot be decoded") != std::string::npos)
        text += "; --skip-damaged leaves such frames out";
    return cliError(text);
}

// A ".dcs" stands for its movie: the stored path, else the same name
// beside the document; its frame table brings the offsets.
Status ordavia::openAnyMovie(const std::string& path, CZVMovie& m, AppServices& services, CMotivaDoc* docOut) {
    if (toLower(extensionOf(path)) != ".dcs") return m.Open(path);
    CMotivaDoc local;
    local.setServices(&services);
    CMotivaDoc& doc = docOut ? *docOut : local;
    doc.setQuiet(true);
    if (Status read = doc.readDcs(path); !read) return read;
    if (doc.movieFileName().empty()) return Status::failure(path + ": the document names no movie file");
    Status s = m.Open(doc.movieFileName());
    if (!s && s.code() == StatusCode::NotFound) s = m.Open(folderOf(path) + fileNameOf(doc.movieFileName()));
    // A movie that is there but damaged says so; only a missing one is "cannot find".
    if (!s && s.code() == StatusCode::NotFound)
        return Status::failure(StatusCode::NotFound, path + ": cannot find its movie " + doc.movieFileName());
    if (!s) return s.context(path);
    const FrameInfoList& t = doc.storedFrameTable();
    for (size_t i = 0; i < std::min(t.size(), m.frameTable().size()); ++i)
        if (t[i].known()) m.frameTable()[i] = t[i];
    m.GoTo(0);
    return s;
}

namespace {

Status openAny(const std::string& path, CZVMovie& m, const CliArgs& a, CMotivaDoc* docOut = nullptr) {
    return openAnyMovie(path, m, a.services(), docOut);
}

int openMovie(const std::string& path, CZVMovie& m, const CliArgs& a) {
    takeSkipDamaged(a, m);
    Status s = openAny(path, m, a);
    if (!s) return cliError(s.reason());
    if (m.count() <= 0) return cliError(path + ": the movie holds no frames");
    if (const std::string notice = m.readingNotice(); !notice.empty())
        std::fprintf(stderr, "ordavia-cli: %s: %s\n", path.c_str(), notice.c_str());
    return 0;
}

// The rate a video document gives the file: its own for a ".dcs", else
// the one a document opening the movie takes.
double documentRate(const std::string& path, const CZVMovie& m, AppServices& services) {
    if (toLower(extensionOf(path)) != ".dcs") return CMotivaDoc::frameRateOfMovie(path, m, &services);
    CMotivaDoc doc;
    doc.setServices(&services);
    doc.setQuiet(true);
    return doc.readDcs(path) ? doc.framesPerSecond() : CMotivaDoc::frameRateOfMovie(m.fileName(), m, &services);
}

const char* colourName(int c) { return c == CZVimage::kColour ? "colour" : c == CZVimage::kBayer ? "bayer" : "grey"; }

int runMovieInfo(const std::string& path, const CliArgs& a) {
    CZVMovie m;
    CMotivaDoc doc;
    doc.setServices(&a.services());
    const bool dcs = toLower(extensionOf(path)) == ".dcs";
    if (Status s = openAny(path, m, a, &doc); !s) return cliError(s.reason());
    if (const std::string notice = m.readingNotice(); !notice.empty())
        std::fprintf(stderr, "ordavia-cli: %s: %s\n", path.c_str(), notice.c_str());
    const CZVimage& f = m.formatImage();
    const std::string format = m.aviReader() ? m.aviReader()->container() : "mve";
    // The rate the analyses use: the document's, or the one a document
    // opening this movie would take.
    const double fps = dcs ? doc.framesPerSecond() : documentRate(path, m, a.services());
    if (!m.aviReader() && m.rate() == 1 && m.scale() == 1) m.setRate(int(std::lround(fps * 1000)), 1000);
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        j.field("file", path).field("format", format);
        if (m.aviReader()) j.field("codec", m.aviReader()->codec());
        j.field("count", m.count()).field("width", f.width()).field("height", f.height());
        j.field("interlace", f.interlace()).field("colour", colourName(f.colour()));
        j.field("rate", m.rate()).field("scale", m.scale()).field("fps", dcs ? doc.framesPerSecond() : fps);
        j.field("ring_start", m.ringStart()).field("wrapped", m.wrapped());
        if (!m.aviReader()) j.field("per_frame_headers", m.perFrameHeaders());
        if (dcs) {
            j.field("movie", doc.movieFileName());
            j.key("selection").beginArray().value(doc.selectionFirst()).value(doc.selectionLast()).endArray();
            j.field("frames", doc.numberOfFrames()).field("version", doc.videoVersion());
        }
        j.endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %s movie, %d frames of %dx%d %s, %g frames per second%s\n", path.c_str(), format.c_str(),
                         m.count(), f.width(), f.height(), colourName(f.colour()), fps,
                         m.wrapped() ? strprintf(", ring starting at slot %d", m.ringStart()).c_str() : ""));
    }
    return 0;
}

int runVideoConvert(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli convert IN OUT [--range A:B] [--every K] [--codec NAME]");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    ExportOptions o;
    const Result<std::pair<int, int>> range = frameRange(a);
    const Result<int> every = a.number("--every", 1, 1 << 30, o.every);
    if (Status bad = firstFailure(range, every); !bad) return cliError(bad.context(out));
    std::tie(o.first, o.last) = *range;
    o.every = *every;
    if (auto c = a.get("--codec")) o.codec = *c;
    CZVMovie m;
    if (int r = openMovie(in, m, a)) return r;
    if (Status s = refuseOutputIsInput({in, m.fileName()}, out); !s) return cliError(s.reason());
    // A foreign video keeps its own rate and scale; a movie file is written
    // at the rate its document gives it.
    if (!m.aviReader()) {
        o.rate = int(std::clamp(std::lround(documentRate(in, m, a.services()) * 1000.0), 1L, 2000000000L));
        o.scale = 1000;
    }
    auto n = exportFrames(m, out, o);
    if (!n) return movieError(in, n.status());
    reportSkippedFrames(in, m);
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("input", in).field("output", out).field("frames", n.value()).endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %d frames written\n", out.c_str(), n.value()));
    }
    return 0;
}

int runStatistic(const CliArgs& a, bool average) {
    const char* name = average ? "average" : "rms";
    if (a.positional.size() != 2) return cliError(strprintf("usage: ordavia-cli %s IN OUT.zvg [--range A:B]", name));
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const Result<std::pair<int, int>> range = frameRange(a);
    if (!range) return cliError(range.status().context(out));
    auto [first, last] = *range;
    CZVMovie m;
    if (int r = openMovie(in, m, a)) return r;
    if (Status s = refuseOutputIsInput({in, m.fileName()}, out); !s) return cliError(s.reason());
    CZVimage img;
    Status s = average ? averageRange(m, first, last, img) : rmsRange(m, first, last, img);
    if (!s) return movieError(in, s);
    if (const Status s = savePicture(img, out); !s) return cliError(s.reason());
    reportSkippedFrames(in, m);
    m.clampRange(first, last);
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("output", out).field("first", first).field("last", last);
        j.field("width", img.width()).field("height", img.height()).field("origin_x", img.originX()).field("origin_y", img.originY());
        double mean = 0;
        img.statistics({}, &mean, nullptr, nullptr);
        j.field("mean", mean).endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %s of frames %d to %d, %dx%d\n", out.c_str(), name, first, last, img.width(), img.height()));
    }
    return 0;
}

int runFrame(const CliArgs& a) {
    if (a.positional.size() != 3) return cliError("usage: ordavia-cli frame IN N OUT.(zvg|bmp|tif)");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[2];
    CZVMovie m;
    if (int r = openMovie(in, m, a)) return r;
    if (Status s = refuseOutputIsInput({in, m.fileName()}, out); !s) return cliError(s.reason());
    const Result<int> frame = parseNumber(a.positional[1], 0, m.count() - 1);
    if (!frame)
        return cliError(strprintf("%s: frame '%s' is not one of 0 to %d", in.c_str(), a.positional[1].c_str(), m.count() - 1));
    const int n = *frame;
    const CZVimage& f = m.GoTo(n);
    // A frame that did not decode (or found no memory) is not written as a black picture.
    if (Status s = frameReadStatus(m, n); !s) return cliError(in + ": " + s.reason());
    if (f.isEmpty()) return cliError(in + ": not enough memory for frame " + std::to_string(n));
    if (const Status s = savePicture(f, out); !s) return cliError(s.reason());
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("output", out).field("frame", n).field("field", f.tag());
        j.field("origin_x", f.originX()).field("origin_y", f.originY()).endObject();
        cliOut(j.str() + "\n");
    }
    return 0;
}

int runSynthVideo(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth video OUT.mve --truth OUT.json [options]");
    const std::string& out = a.positional[0];
    SyntheticVideo::Params p;
    for (const auto& [name, value] : a.options) {
        static const char* const known[] = {"--frames", "--fps", "--size",  "--scale", "--seed",
                                            "--jitter", "--still", "--noise", "--defocus", "--truth", "--json"};
        if (std::find(std::begin(known), std::end(known), name) == std::end(known))
            return cliError("synth video: unknown option " + name);
    }
    const Result<int> frames = a.number("--frames", 1, 100000, p.frames);
    const Result<double> fps = a.number("--fps", kNoMin<double>, kNoMax<double>, p.fps);
    const Result<std::pair<int, int>> size = a.point("--size", "WxH", 1, 1 << 20, {p.width, p.height});
    const Result<double> scale = a.number("--scale", kNoMin<double>, kNoMax<double>, p.umPerPixel);
    const Result<uint64_t> seed = a.number<uint64_t>("--seed", 0, kNoMax<uint64_t>, p.seed);
    const Result<double> jitter = a.number("--jitter", kNoMin<double>, kNoMax<double>, p.jitter);
    const Result<int> still = a.number("--still", 0, 1 << 20, p.stillCount);
    const Result<double> noise = a.number("--noise", 0.0, 100.0, p.noiseSigma);
    // K or K,STEP: frame K sharp, STEP pixels more blur per frame away.
    const Result<std::vector<double>> defocus = a.list<double>("--defocus", 0.0, 100000.0);
    if (Status bad = firstFailure(frames, fps, size, scale, seed, jitter, still, noise, defocus); !bad)
        return cliError("synth video: " + bad.reason());
    if (!defocus->empty()) {
        if (defocus->size() > 2 || defocus->front() != std::floor(defocus->front()))
            return cliError("synth video: bad value '" + *a.get("--defocus") + "' for --defocus (K or K,STEP)");
        p.defocusFrame = int(defocus->front());
        if (defocus->size() == 2) p.defocusStep = (*defocus)[1];
    }
    p.frames = *frames;
    p.fps = *fps;
    std::tie(p.width, p.height) = *size;
    p.umPerPixel = *scale;
    p.seed = *seed;
    p.jitter = *jitter;
    p.stillCount = *still;
    p.noiseSigma = *noise;
    SyntheticVideo gen;
    if (const Status prepared = gen.prepare(p); !prepared) return cliError(prepared.context(out));
    CZVimage frame;
    if (toLower(extensionOf(out)) != ".mve")
        return cliError(out + ": synthetic videos are written as .mve (convert them afterwards)");
    {
        // Recorded into a temporary beside OUT, which replaces OUT only when
        // the whole movie is on the disc.
        auto temp = openSaveTemp(out);
        if (!temp) return cliError(temp.reason());
        SaveTemp& t = temp.value();
        CZVMovie m;
        m.options.captureFrameRate = p.fps;
        if (!m.Record(t.tempPath, p.frames, p.width, p.height, CZVimage::kGrey)) {
            abandonSaveTemp(t);
            return cliError(out + ": cannot create the movie file");
        }
        for (int k = 0; k < p.frames; ++k) {
            gen.frame(k, frame);
            m.AddFrame(frame, true);
        }
        Status s = m.finishRecording();
        const int count = m.count();
        m.Close();
        if (!s || count != p.frames) {
            abandonSaveTemp(t);
            return cliError(s ? out + ": the movie could not be written completely" : s.reason());
        }
        if (Status c = commitSaveTemp(t); !c) return cliError(c.reason());
    }
    // A movie file keeps neither the frame rate nor the size of a pixel: a
    // video document beside it does, so the workstation opens the video
    // calibrated and at the speed it was made for.
    const std::string dcs = withoutExtension(out) + ".dcs";
    {
        CMotivaDoc doc;
        doc.setServices(&a.services());
        doc.setQuiet(true);
        if (!doc.OnNewDocument()) return cliError(dcs + ": cannot make the video document");
        if (Status s = doc.movie().Open(out); !s) return cliError(s.reason());
        doc.setFramesPerSecond(p.fps);
        ImageCalibration c = doc.calibration();
        c.xScale = c.yScale = p.umPerPixel;
        c.calibrated = true;
        c.units = "um";
        c.magName = "synthetic";
        (void)doc.setCalibration(c);
        if (const Status saved = doc.OnSaveDocument(dcs); !saved)
            return cliError(dcs + ": " + Document::failureReason(saved));
    }
    const auto truthPath = a.get("--truth");
    if (truthPath && !truthPath->empty()) {
        const ordavia::Status fr = writeFileAtomically(*truthPath, gen.truth().json());
        if (!fr.ok()) return cliError(fr.reason());
    }
    int flowing = 0;
    for (const auto& c : gen.truth().capillaries) flowing += c.flows;
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("movie", out).field("document", dcs);
        j.key("truth");
        if (truthPath) j.value(*truthPath);
        else j.null();
        j.field("frames", p.frames).field("fps", p.fps).field("width", p.width).field("height", p.height);
        j.field("capillaries", int(gen.truth().capillaries.size())).field("flowing", flowing);
        j.field("seed", static_cast<unsigned long long>(p.seed)).endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %d frames %dx%d at %g fps, %d capillaries (%d flowing), seed %llu\n", out.c_str(), p.frames, p.width,
                         p.height, p.fps, int(gen.truth().capillaries.size()), flowing, static_cast<unsigned long long>(p.seed)));
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliInfoHandler{kVideoExt, runMovieInfo});
ORDAVIA_CLI_REGISTER(CliCommand{
    "convert", "convert VIDEO OUT [--range A:B] [--every K] [--codec NAME] [--skip-damaged] [--json]",
    "Writes the frames [A, B) of a movie (.mve, AVI, MP4, MOV, MKV ...), every K-th of them, to OUT;\n"
    "the format follows OUT's extension: .mve, or a video (.avi without --codec is uncompressed:\n"
    "24-bit or 8-bit grey with a palette). --codec names an FFmpeg encoder: ffv1 (lossless),\n"
    "mjpeg, libx264, mpeg4. OUT is replaced only when the whole movie is written; it may not be\n"
    "the input itself.\n" +
        std::string(kSkipDamagedHelp),
    {"--range", "--every", "--codec"}, runVideoConvert, kVideoExt});
ORDAVIA_CLI_REGISTER(CliCommand{
    "average", "average IN OUT.zvg [--range A:B] [--skip-damaged] [--json]",
    "Averages the frames [A, B) of a movie into one picture. Frames moved by movement correction\n"
    "are placed by their offsets on a canvas that holds them all; pixels no frame covers are 0.\n" +
        std::string(kSkipDamagedHelp),
    {"--range"}, [](const CliArgs& a) { return runStatistic(a, true); }, kVideoExt});
ORDAVIA_CLI_REGISTER(CliCommand{
    "rms", "rms IN OUT.zvg [--range A:B] [--skip-damaged] [--json]",
    "The temporal standard deviation of every pixel over the frames [A, B) of a movie.\n" + std::string(kSkipDamagedHelp),
    {"--range"},
    [](const CliArgs& a) { return runStatistic(a, false); }, kVideoExt});
ORDAVIA_CLI_REGISTER(CliCommand{"frame", "frame IN N OUT.(zvg|bmp|tif) [--json]",
                                "Saves frame N (counted from 0) of a movie as a picture, with its offsets as origin.", {},
                                runFrame});
ORDAVIA_CLI_REGISTER(CliCommand{
    "synth video",
    "synth video OUT.mve --truth OUT.json [--frames N] [--fps F] [--size WxH] [--scale UM] [--seed S] [--jitter PX] "
    "[--still K] [--noise S] [--defocus K[,STEP]] [--json]",
    "Records a synthetic nailfold video whose truth is known: red cells and plasma gaps move along\n"
    "every loop at its own speed (0.1 to 3 mm/s, pulsating with the heart beat; K loops still),\n"
    "the whole picture moves by known integer and sub-pixel shifts, the light drifts slowly and\n"
    "the sensor adds noise. The truth file holds every loop's centre line, speed (pixels per\n"
    "frame and um/s), whether it flows, the true width of each limb (\"limbs\": widthUm where the\n"
    "limb is in focus, a line across it and its centre line there) and every frame's shift.\n"
    "Same options, same bytes.\n"
    "OUT.dcs beside the movie is its video document: open it to get the frame rate and the\n"
    "calibration with the pictures.\n"
    "  --frames N   frames (default 100)       --fps F      frames per second (default 25)\n"
    "  --size WxH   width a multiple of 4 (default 640x480)\n"
    "  --scale UM   micrometres per pixel (default 1.6)\n"
    "  --seed S     random seed (default 1)    --jitter PX  largest shift (default 1.5)\n"
    "  --still K    capillaries without flow (default 1)  --noise S  sensor noise (default 3)\n"
    "  --defocus K[,STEP]  a focus sweep: frame K sharp, every frame away from it STEP pixels more\n"
    "               defocus blur (default 0.4, added in quadrature to the optics' 1.2); the truth's\n"
    "               \"defocus\" holds every frame's blur sigma",
    {"--truth", "--frames", "--fps", "--size", "--scale", "--seed", "--jitter", "--still", "--noise", "--defocus"},
    runSynthVideo});
