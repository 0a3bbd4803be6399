// "stabilise": movement correction of a video without the workstation.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

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
    for (const IntOption& o : ints) {
        const Result<int> v = a.number(o.name, o.lo, o.hi, *o.to);
        if (!v) return cliError(v.status().context(in));
        *o.to = *v;
    }
    // --range is the searched range in percent; "A:B" selects frames instead.
    int first = -1, last = -1;
    if (auto r = a.get("--range"); r && r->find(':') == std::string::npos) {
        const Result<int> range = a.number("--range", 0, 50, p.range);
        if (!range) return cliError(range.status().context(in));
        p.range = *range;
    } else if (r) {
        const Result<std::pair<int, int>> frames = a.span("--range", 0, 1 << 30, {first, last});
        if (!frames) return cliError(frames.status().context(in));
        std::tie(first, last) = *frames;
    }
    const Result<std::pair<int, int>> frames = a.span("--frames", 0, 1 << 30, {first, last});
    if (!frames) return cliError(frames.status().context(in));
    std::tie(first, last) = *frames;
    // As the workstation runs it: the profile's choice, or the option.
    p.subpixel = p.subpixel || a.has("--subpixel");
    p.robust = p.robust || a.has("--robust");
    if (const Status valid = p.validate(); !valid) return cliError(valid.context(in));

    CMotivaDoc doc;
    if (Status s = openVideoDocument(in, doc, a.services()); !s) return movieError(in, s);
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
            cliProgress(strprintf("%s: %s (%d %%)", in.c_str(), run->progressText().c_str(), pct));
        }
    }
    const Status outcome = run->status();
    const int unaligned = run->unaligned();
    doc.endMovementCorrection();
    if (!outcome) return movieError(in, outcome);
    if (unaligned > 0)
        cliNote(strprintf("%s: %d frame%s showed nothing to align by and kept %s offsets", in.c_str(), unaligned,
                          unaligned == 1 ? "" : "s", unaligned == 1 ? "its" : "their"));
    reportSkippedFrames(in, doc.movie());
    if (auto out = a.get("--out")) {
        if (toLower(extensionOf(*out)) != ".dcs") return cliError(*out + ": the document is written as .dcs");
        if (const Status saved = doc.OnSaveDocument(*out); !saved)
            return cliError(*out + ": " + Document::failureReason(saved));
    }
    const int n = doc.frameCount();
    const MeasureValues f = doc.movementFigures();
    cliFigures(f);
    if (a.json()) {
        JsonWriter j(false);
        j.beginObject().key("offsets").beginArray();
        for (int i = 0; i < n; ++i) {
            // A frame left out has no offsets: null, never a made-up 0, 0.
            if (doc.movie().isDamaged(i)) {
                j.null();
                continue;
            }
            double x, y;
            doc.frameOffset(i, x, y);
            j.beginArray().value(tidy(x)).value(tidy(y)).endArray();
        }
        j.endArray();
        f.json(j);
        j.endObject();
        cliOut(j.str() + "\n");
    } else {
        for (int i = 0; i < n; ++i) {
            if (doc.movie().isDamaged(i)) {
                cliOut(strprintf("%05i, left out (cannot be decoded)\n", i));
                continue;
            }
            double x, y;
            doc.frameOffset(i, x, y);
            cliOut(strprintf("%05i, %g, %g\n", i, tidy(x), tidy(y)));
        }
    }
    return fileUnderExam(a, a.get("--out").value_or(in), f.text(), a.has("--out") ? "" : "stabilise");
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
