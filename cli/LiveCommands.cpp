// "synth live-files": the pictures and the video the simulated cameras
// play, as shipped beside the programs; "focus": the autofocus measure of
// every frame of a video.
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/CliVideo.h"
#include "framework/AppServices.h"
#include "live/AutoFocus.h"
#include "settings/ProfileStore.h"
#include "synth/LiveDeviceFiles.h"
#include "video/CZVMovie.h"

using namespace ordavia;

namespace {

int runLiveFiles(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth live-files FOLDER");
    const Status s = writeLiveDeviceFiles(a.positional[0]);
    if (!s) return cliError("synth live-files: " + s.reason());
    cliOut("wrote pseudo.bmp, pseudocol.bmp, pseudobayer.zvg and pseudoflow.avi in " + a.positional[0] + "\n");
    return 0;
}

// The measure the live autofocus takes, with the profile's settings, so that
// a figure here is the figure the workstation would act on.
int runFocus(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli focus VIDEO [--json]");
    const std::string& path = a.positional[0];
    CZVMovie m;
    if (Status s = openAnyMovie(path, m); !s) return cliError(s.reason());
    AutoFocus af;
    if (cliServices().profileStore) af.settings.load(*cliServices().profileStore);
    std::vector<double> values;
    int best = -1;
    CZVimage frame;
    for (int i = 0; i < m.count(); ++i) {
        m.CopyFrame(i, frame);
        if (m.isDamaged(i)) return cliError(strprintf("focus: %s: frame %d cannot be decoded", path.c_str(), i));
        values.push_back(af.measure(frame));
        if (best < 0 || values.back() > values[size_t(best)]) best = i;
    }
    if (a.json()) {
        JsonWriter j;
        j.beginObject().key("focus").beginArray();
        for (double v : values) j.value(v);
        j.endArray().field("best", best).endObject();
        cliOut(j.str() + "\n");
    } else {
        for (size_t i = 0; i < values.size(); ++i) cliOut(strprintf("%zu %.6g\n", i, values[i]));
        cliOut(strprintf("best %d\n", best));
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth live-files", "synth live-files FOLDER",
    "Writes the files the simulated cameras play into FOLDER: pseudo.bmp (grey),\n"
    "pseudocol.bmp (colour), pseudobayer.zvg (raw Bayer) and pseudoflow.avi (a\n"
    "4 s video of flowing capillaries), drawn from the synthetic nailfold.",
    {},
    runLiveFiles});
ORDAVIA_CLI_REGISTER(CliCommand{
    "focus", "focus VIDEO [--json]",
    "The autofocus measure of every frame of a video (.mve, .dcs, AVI ...): the central region\n"
    "and the measure of the \"autofocuscontrol\" settings (by default the horizontal second\n"
    "difference at a gap of 30 pixels over the central half). --json gives\n"
    "{\"focus\": [value per frame, ...], \"best\": index of the largest}.",
    {},
    runFocus});
