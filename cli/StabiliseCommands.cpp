// "stabilise": movement correction of a video without the workstation.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "base/FileIO.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "cli/ExamFiling.h"
#include "framework/AppServices.h"
#include "video/CMotivaDoc.h"
#include "video/MovementCorrection.h"
#include "video/MovieIo.h"

using namespace ordavia;

namespace {

bool whole(const std::string& s, int lo, int hi, int& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    out = int(v);
    return true;
}

// Offsets leave as they are stored, rounded to the thousandth of a pixel.
double tidy(double v) { return std::round(v * 1000) / 1000 + 0.0; }

int runStabilise(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli stabilise VIDEO [--out OUT.dcs] [options] [--json]");
    const std::string& in = a.positional[0];
    MovementParams p = MovementParams::fromProfile(a.services().profile());
    struct IntOption {
        const char* name;
        int* to;
        int lo, hi;
    };
    const IntOption ints[] = {{"--window", &p.window, 1, 100}, {"--step", &p.step, 1, 1000}, {"--method", &p.method, 0, 1000},
                              {"--lowpass", &p.lowpass, 0, 199}, {"--limit", &p.limit, 0, 1000},
                              {"--resolution", &p.resolution, 1, 1000}};
    for (const IntOption& o : ints)
        if (auto v = a.get(o.name); v && !whole(*v, o.lo, o.hi, *o.to))
            return cliError(strprintf("%s: %s needs a whole number from %d to %d (got '%s')", in.c_str(), o.name, o.lo, o.hi, v->c_str()));
    // --range is the searched range in percent; "A:B" selects frames instead.
    int first = -1, last = -1;
    if (auto r = a.get("--range")) {
        const auto c = r->find(':');
        if (c == std::string::npos) {
            if (!whole(*r, 0, 50, p.range)) return cliError(in + ": --range needs a percentage of 0 to 50, or frames A:B (got '" + *r + "')");
        } else {
            const std::string x = r->substr(0, c), y = r->substr(c + 1);
            if ((!x.empty() && !whole(x, 0, 1 << 30, first)) || (!y.empty() && !whole(y, 0, 1 << 30, last)))
                return cliError(in + ": --range needs A:B (got '" + *r + "')");
        }
    }
    if (auto f = a.get("--frames")) {
        const auto c = f->find(':');
        const std::string x = c == std::string::npos ? *f : f->substr(0, c), y = c == std::string::npos ? "" : f->substr(c + 1);
        if (c == std::string::npos || (!x.empty() && !whole(x, 0, 1 << 30, first)) || (!y.empty() && !whole(y, 0, 1 << 30, last)))
            return cliError(in + ": --frames needs A:B (got '" + *f + "')");
    }
    // As the workstation runs it: the profile's choice, or the option.
    p.subpixel = p.subpixel || a.has("--subpixel");
    p.robust = p.robust || a.has("--robust");
    if (const std::string why = p.validate(); !why.empty()) return cliError(in + ": " + why);

    CMotivaDoc doc;
    doc.setServices(&a.services());
    doc.setQuiet(true);
    if (toLower(extensionOf(in)) == ".dcs") {
        if (!doc.OnOpenDocument(in)) return movieError(in, Status::failure(doc.lastError().empty() ? "cannot be read" : doc.lastError()));
        if (!doc.hasFrames())
            return movieError(in, Status::failure(doc.lastError().empty() ? "cannot find its movie " + doc.movieFileName() : doc.lastError()));
    } else {
        if (!doc.OnNewDocument()) return cliError(in + ": cannot create a video document");
        const Status s = isForeignVideo(in) ? doc.importAvi(in) : doc.importMovie(in);
        if (!s) return movieError(in, s);
        if (!doc.hasFrames()) return cliError(in + ": the movie holds no frames");
    }
    takeSkipDamaged(a, doc.movie());
    if (auto out = a.get("--out"))
        if (Status s = refuseOutputIsInput({in, doc.movie().fileName()}, *out); !s) return cliError(s.reason());
    doc.setSelection(first, last);
    if (Status s = doc.startMovementCorrection(p); !s) return movieError(in, s);
    const ordavia::MovementRun* run = doc.movementRun();
    // Large frames take a while: say how far the run is, about every 5 %.
    const bool tell = run->comparisonsPerFrame() * uint64_t(run->totalSteps()) > (uint64_t(1) << 32);
    int told = -1;
    while (doc.movementStep()) {
        const int pct = run->totalSteps() > 0 ? run->stepsDone() * 100 / run->totalSteps() : 100;
        if (tell && pct / 5 != told) {
            told = pct / 5;
            std::fprintf(stderr, "ordavia-cli: %s: %s (%d %%)\n", in.c_str(), run->progressText().c_str(), pct);
        }
    }
    const Status outcome = run->status();
    const int unaligned = run->unaligned();
    doc.endMovementCorrection();
    if (!outcome) return movieError(in, outcome);
    if (unaligned > 0)
        std::fprintf(stderr, "ordavia-cli: %s: %d frame%s showed nothing to align by and kept %s offsets\n", in.c_str(), unaligned,
                     unaligned == 1 ? "" : "s", unaligned == 1 ? "its" : "their");
    reportSkippedFrames(in, doc.movie());
    if (auto out = a.get("--out")) {
        if (toLower(extensionOf(*out)) != ".dcs") return cliError(*out + ": the document is written as .dcs");
        if (!doc.OnSaveDocument(*out)) return cliError(*out + ": " + (doc.lastError().empty() ? "cannot be written" : doc.lastError()));
    }
    const int n = doc.frameCount();
    if (a.json()) {
        JsonWriter j(false);
        j.beginObject().key("offsets").beginArray();
        for (int i = 0; i < n; ++i) {
            double x, y;
            doc.frameOffset(i, x, y);
            j.beginArray().value(tidy(x)).value(tidy(y)).endArray();
        }
        j.endArray().endObject();
        cliOut(j.str() + "\n");
    } else {
        for (int i = 0; i < n; ++i) {
            double x, y;
            doc.frameOffset(i, x, y);
            cliOut(strprintf("%05i, %g, %g\n", i, tidy(x), tidy(y)));
        }
    }
    return fileUnderExam(a, a.get("--out").value_or(in), strprintf("movement corrected, %i frames", n));
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "stabilise",
    "stabilise VIDEO [--out OUT.dcs] [--window P] [--range P|A:B] [--frames A:B] [--step N] [--method M] [--lowpass N] "
    "[--limit P] [--resolution N] [--subpixel] [--robust] [--skip-damaged] [--json]",
    "Movement correction: finds for every frame the shift that lays it over the first frame (the\n"
    "reference is renewed when a frame has moved more than --limit % of the range) and prints the\n"
    "offsets, one pair per frame, in the sign a video document stores: the origin that aligns the\n"
    "frame with the reference. Defaults come from the profile (section \"movement\", subpixel and\n"
    "robust included), as in the workstation; a .dcs brings its offsets.\n"
    "  --window P   compared window, % of width and height (50)   --range P  searched shift, % (10)\n"
    "  --step N     sampling step in the window (8)    --method M  1 points, 2 lines, 3 random (1)\n"
    "  --lowpass N  box low pass before comparing, 0 none (5)      --resolution N  shift step (1)\n"
    "  --frames A:B (or --range A:B) the frames [A, B) to correct; others keep their offsets\n"
    "  --subpixel   refine to a fraction of a pixel (kept beside OUT.dcs in OUT.zvoff)\n"
    "  --robust     band-pass the frames and align them again to the mean of the first pass, so\n"
    "               that flowing cells and changes of light do not pull the offsets\n"
    "  --out OUT.dcs  a video document linked to the movie, with the offsets\n"
    "Frames that show nothing to compare keep their offsets (named on stderr); when no frame can be\n"
    "aligned the command fails. A search too large for the frames is refused.\n" +
        std::string(kSkipDamagedHelp),
    {"--out", "--window", "--range", "--frames", "--step", "--method", "--lowpass", "--limit", "--resolution"},
    runStabilise});
