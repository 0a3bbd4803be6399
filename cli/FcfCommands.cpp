// "fcf": functional capillary flow and density of a video, block by block,
// with the results rows on stdout, the flow documents and the flow picture
// of the whole video.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "results/CResultDoc.h"
#include "base/FileIO.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "cli/ExamFiling.h"
#include "framework/AppServices.h"
#include "image/CZVimage.h"
#include "image/FileKinds.h"
#include "image/ImageFormats.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaDoc.h"
#include "video/FcfRun.h"
#include "video/FcfStatistics.h"
#include "video/fcfdoc.h"

using namespace ordavia;

namespace {

const std::vector<std::string>& kVideoExt = videoExtensions();

// The flow picture of every frame, cut to where frame 0 lies on the canvas.
Status wholeVideoPicture(CMotivaDoc& doc, double threshold, double gain, bool ignoreDrift, const std::string& out) {
    FcfBlock b;
    if (Status s = fcfBlockStatistics(doc.movie(), 0, doc.frameCount(), b); !s) return s;
    std::vector<double> ratio;
    fcfRatio(b.sdD, b.sdI, threshold, ratio, ignoreDrift);
    CZVimage canvas, pic;
    if (!fcfPicture(ratio, b.width, b.height, gain, canvas)) return Status::failure("memory allocation error!");
    CZVimage f0;
    doc.movie().CopyFrame(0, f0);
    const ZRect r{f0.originX() - b.originX, f0.storedOriginY() - b.originY / (f0.isField() ? 2 : 1), 0, 0};
    if (!pic.copyRect(canvas, ZRect{r.left, r.top, r.left + f0.width(), r.top + f0.rows()}))
        return Status::failure("the first frame lies outside the canvas");
    pic.setOrigin(f0.originX(), f0.originY());
    if (Status s = savePicture(pic, out); !s) return s;
    return Status::success();
}

int runFcf(const CliArgs& a) {
    if (a.positional.size() != 1)
        return cliError("usage: ordavia-cli fcf VIDEO [--block N] [--threshold T] [--gain G] [--out OUT.zvfcf] [--image OUT.zvg]");
    const std::string& in = a.positional[0];
    const ProfileStore& p = a.services().profile();
    const bool ignoreDrift = a.has("--ignore-drift") || p.GetInt("fcf", "ignoredrift", 0) != 0;
    const Result<double> thresholdOption =
        a.number("--threshold", kNoMin<double>, kNoMax<double>, p.GetDouble("fcf", "threshold", fcfdoc::kDefaultThreshold));
    const Result<double> gainOption = a.number("--gain", kNoMin<double>, kNoMax<double>, p.GetDouble("fcf", "gain", fcfdoc::kDefaultGain));
    // Frames per block; -1 for the whole video or selection.
    const Result<int> blockOption = a.number("--block", kNoMin<int>, 1000000000, -1);
    if (Status bad = firstFailure(thresholdOption, gainOption, blockOption); !bad) return cliError(bad.context(in));
    const double threshold = *thresholdOption, gain = *gainOption;
    const int block = *blockOption;
    const auto out = a.get("--out");
    if (out && toLower(extensionOf(*out)) != ".zvfcf") return cliError(*out + ": flow documents end in .zvfcf");

    CMotivaDoc video;

    video.setServices(&a.services());
    if (Status s = openVideoDocument(in, video, a.services()); !s) return movieError(in, s);
    takeSkipDamaged(a, video.movie());
    for (const auto& o : {out, a.get("--image")})
        if (o)
            if (Status s = refuseOutputIsInput({in, video.movie().fileName()}, *o); !s) return cliError(s.reason());
    FcfRun run;
    if (Status s = run.start(video, block); !s) return cliError(in + ": " + s.reason());
    run.setValues(threshold, gain, ignoreDrift);
    const bool several = run.blockCount() > 1;

    JsonWriter j;
    j.beginObject().field("video", in).field("frames", video.frameCount());
    j.field("threshold", threshold).field("gain", gain).field("ignore_drift", ignoreDrift);
    j.key("rows").beginArray();
    std::string text;
    while (!run.done()) {
        const int a0 = run.next();
        auto d = run.step();
        if (!d) return movieError(in, d.status());
        fcfdoc& doc = *d.value();
        const int b0 = run.next();
        std::string saved;
        if (out) {
            saved = several ? withoutExtension(*out) + strprintf("-%i-%i", a0, b0) + ".zvfcf" : *out;
            doc.setQuiet(true);
            if (const Status written = doc.OnSaveDocument(saved); !written)
                return cliError(saved + ": " + Document::failureReason(written));
            doc.SetPathName(saved, true);
        }
        // Saving made the text already; a run without --out files the same.
        if (saved.empty()) doc.updateResultText();
        if (int rc = fileUnderExam(a, saved.empty() ? in : saved, doc.result, saved.empty() ? "fcf" : "")) return rc;
        const MeasureValues f = doc.figures();
        cliFigures(f, {}, several ? strprintf("frames %d to %d", a0, b0) : std::string());
        j.beginObject().field("title", doc.GetTitle()).field("first", a0).field("last", b0).field("units", f.lengthUnit());
        f.json(j);
        if (!saved.empty()) j.field("file", saved);
        j.endObject();
        text += strprintf("%s: frames %d to %d: ", doc.GetTitle().c_str(), a0, b0) + f.text() + "\n";
    }
    j.endArray();
    if (auto img = a.get("--image")) {
        if (Status s = wholeVideoPicture(video, threshold, gain, ignoreDrift, *img); !s) return movieError(in, s);
        j.field("image", *img);
        text += *img + ": flow picture of the whole video on the canvas of frame 0\n";
    }
    j.endObject();
    reportSkippedFrames(in, video.movie());
    cliOut(a.json() ? j.str() + "\n" : text);
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "fcf",
    "fcf VIDEO [--block N] [--threshold T] [--gain G] [--out OUT.zvfcf] [--image OUT.zvg] [--ignore-drift] [--skip-damaged] "
    "[--json]",
    "Functional capillary flow: per pixel of the frames placed at their movement offsets, the\n"
    "standard deviation of the grey value sd(I) and of the frame-to-frame difference sd(d); where\n"
    "sd(I) reaches the threshold the flow ratio is sd(d) / sd(I), else 0. One results row per\n"
    "block of N frames of the video (of its selection for a .dcs; -1, the default, takes it\n"
    "whole): width, height, area, FCF (mean ratio), FCD (%) (share of pixels with flow), flux\n"
    "(mean sd(d)), conc (mean sd(I)), threshold. Threshold and gain default to the profile's\n"
    "(section fcf; 5 and 64).\n"
    "  --ignore-drift    holds the flicker sd(d) / sqrt(2) against the threshold instead of sd(I),\n"
    "                    so that slow changes of the light do not count as flow (fcf/ignoredrift)\n"
    "  --out OUT.zvfcf   saves the flow documents (OUT-A-B.zvfcf for each block when several); each\n"
    "                    comes with its picture OUT.bmp (the profile's settings/imagetype) and its\n"
    "                    statistics OUT.zvrawfcf beside it, all three replaced together\n"
    "  --image OUT.zvg   the flow picture (ratio x gain) of the whole video, cut to frame 0\n" +
        std::string(kSkipDamagedHelp),
    {"--block", "--threshold", "--gain", "--out", "--image"}, runFcf, kVideoExt});
