// "focus": how sharp every frame of a video is, by the measure of the
// workstation's "Focus check video" for one gap and threshold.
#include <algorithm>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/CliVideo.h"
#include "framework/AppServices.h"
#include "video/CMotivaDoc.h"
#include "video/DamagedFrames.h"
#include "live/AutoFocus.h"
#include "video/FocusCheck.h"

using namespace ordavia;

namespace {

int runFocus(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli focus VIDEO [--gap G] [--threshold T] [--json]");
    const std::string& path = a.positional[0];
    // The first gap and threshold of the focus check's defaults.
    const FocusCheckSettings defaults;
    const Result<int> gap = a.number<int>("--gap", 0, 10000, defaults.gapFrom);
    if (!gap) return cliError("focus: " + gap.reason());
    // A gap of 0 compares every pixel with itself: every frame would measure 0.
    if (gap.value() < 1) return cliError("focus: --gap 0 compares each pixel with itself; the gap is 1 pixel or more");
    const Result<int> threshold = a.number<int>("--threshold", -100000, 100000, defaults.thresholdFrom);
    if (!threshold) return cliError("focus: " + threshold.reason());
    CMotivaDoc video;
    if (Status s = openVideoDocument(path, video, a.services()); !s) return cliError(s.reason());
    Result<FocusSeries> r = Status::failure("no frames");
    if (a.has("--autofocus")) {
        // The live autofocus's own measure: its settings, its central region.
        AutoFocus af;
        if (a.services().profileStore) af.settings.load(*a.services().profileStore);
        FocusSeries series;
        CZVimage frame;
        for (int i = 0; i < video.frameCount(); ++i) {
            video.movie().CopyFrame(i, frame);
            series.values.push_back(af.measure(frame));
            if (series.best < 0 || series.values.back() > series.values[size_t(series.best)]) series.best = i;
        }
        r = std::move(series);
    } else {
        r = focusSeries(video, focusMethodBits(a.services().profileStore), gap.value(), threshold.value());
    }
    if (!r) return cliError(path + ": " + r.reason());
    if (const int bad = damagedCount(video.movie(), 0, video.frameCount()); bad > 0)
        return cliError(strprintf("%s: %d frames cannot be decoded (%s)", path.c_str(), bad,
                                  frameRuns(video.movie().damagedFrames(), 0, video.frameCount()).c_str()));
    // Frames that all measure the same (a featureless or blank video) have
    // no sharpest one: the figures leave it missing.
    const MeasureValues f = r->figures();
    const bool found = f.value("best").has_value();
    if (!a.json()) {
        for (size_t i = 0; i < r->values.size(); ++i) cliOut(strprintf("%zu %.6g\n", i, r->values[i]));
        cliOut(f.text() + "\n");
    } else {
        JsonWriter j;
        j.beginObject();
        j.key("focus").beginArray();
        for (double v : r->values) j.value(v);
        j.endArray();
        f.json(j);
        j.endObject();
        cliOut(j.str() + "\n");
    }
    if (!found)
        return cliError(path + ": no best frame was found: every frame measures the same (the video shows nothing to focus on)");
    return fileUnderExam(a, path, f.text(), "focus");
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "focus", "focus VIDEO [--gap G] [--threshold T] [--autofocus] [--json]",
    "How sharp every frame of a video is: the focus measure of \"Focus check video\" (the autofocus's\n"
    "\"fmethod\" of the profile, default the horizontal second difference) with gap G (default 5) and\n"
    "threshold T (default 2), over the video's region of interest or the whole frame drawn in by the gap.\n"
    "It is the workstation's trace \"fnessg<G>t<T>\" of the same video. best is the sharpest frame\n"
    "(none, null in JSON, and exit 1 when every frame measures the same: nothing to focus on).\n"
    "--autofocus takes the live autofocus's measure instead (the \"autofocuscontrol\" settings, over\n"
    "the central region), the figure the autofocus acts on.",
    {"--gap", "--threshold"}, runFocus});
