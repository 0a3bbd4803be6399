// "synth live-files": the pictures and the video the simulated cameras
// play, as shipped beside the programs.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <stdlib.h>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "framework/AppServices.h"
#include "framework/Timer.h"
#include "live/CameraSources.h"
#include "live/ZBasicfgDoc.h"
#include "results/ResultTables.h"
#include "settings/ProfileStore.h"
#include "video/CMotivaRecDoc.h"
#include "video/LiveVideoSource.h"
#include "synth/LiveDeviceFiles.h"

using namespace ordavia;

namespace {

int runLiveFiles(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth live-files FOLDER");
    const Status s = writeLiveDeviceFiles(a.positional[0]);
    if (!s) return cliError("synth live-files: " + s.reason());
    cliOut("wrote pseudo.bmp, pseudocol.bmp, pseudobayer.zvg and pseudoflow.avi in " + a.positional[0] + "\n");
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

// "live": N frames from a simulated camera, recorded as the workstation's
// recorder records them (the same live document, the same recorder, the
// profile's camera settings), then written as one movie file. The profile
// is read, never written: the recorder's settings go to a scratch copy.
namespace {

int runLive(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli live --source pseudo|video[:FILE] --frames N OUT.mve [--json]");
    const std::string out = a.positional[0];
    if (toLower(extensionOf(out)) != ".mve") return cliError("live: the output is a .mve movie: " + out);
    const std::string source = a.get("--source").value_or("pseudo");
    std::string kind = source, file;
    if (const size_t colon = source.find(':'); colon != std::string::npos) {
        kind = source.substr(0, colon);
        file = source.substr(colon + 1);
    }
    if (!a.has("--frames")) return cliError("live: --frames N is needed (1 to 100000)");
    const Result<int> frames = a.number<int>("--frames", 1, 100000, 1);
    if (!frames) return cliError("live: " + frames.reason());
    const long n = frames.value();

    AppServices& cli = a.services();
    char scratchTemplate[] = "/tmp/ordavia-live-XXXXXX";
    const char* scratch = ::mkdtemp(scratchTemplate);
    if (!scratch) return cliError("live: no scratch folder: " + std::string(std::strerror(errno)));
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } cleanup{scratch};
    // The recorder's settings for this run only.
    const std::string profilePath = cleanup.dir + "/ordavia.ini";
    if (cli.profileStore && fileExists(cli.profileStore->path())) {
        std::error_code ec;
        std::filesystem::copy_file(cli.profileStore->path(), profilePath, ec);
    }
    ProfileStore profile(profilePath);
    profile.WriteInt("Dynamic settings", "no of frames", int(n));
    profile.WriteInt("Dynamic settings", "skip frames", 0);
    profile.WriteInt("Dynamic settings", "loop", 0);
    profile.WriteInt("Dynamic settings", "direct2disc", 0);
    profile.WriteString("directories", "recorddir", cleanup.dir);

    ManualTimerFactory timers;
    ResultTables results;
    AppServices s;
    s.profileStore = &profile;
    s.prompterPtr = cli.prompterPtr;
    s.startupSettings = cli.startupSettings;
    s.provide<ResultTables>(&results);
    s.timerFactory = &timers;
    s.programFolder = cli.programFolder;
    CameraSources cameras(s);
    registerLiveVideoSource(cameras);
    if (!cameras.select(kind, file)) return cliError("live: unknown source " + kind + " (pseudo or video[:FILE])");

    ZBasicfgDoc live;
    live.setServices(&s);
    live.setQuiet(true);
    if (!live.OnNewDocument() || !live.isLive())
        return cliError("live: the simulated camera could not start (its picture or video is missing from " +
                        s.programFolder + ")");
    CMotivaRecDoc rec;
    rec.setServices(&s);
    rec.setQuiet(true);
    if (!rec.OnNewDocument()) return cliError("live: the recorder could not start");
    if (Status st = rec.startRecording(&live); !st) return cliError("live: " + st.reason());
    // The cameras run on their timers; a minute of camera time is plenty
    // for any frame count the store can take at the slowest source.
    for (long t = 0; rec.recording() && t < (n + 50) * 1000; t += 10) timers.advance(10);
    if (rec.recording()) (void)rec.stopRecording();
    CZVMovie& movie = rec.movie();
    if (movie.count() < 1) return cliError("live: no frame arrived from the " + kind + " camera");
    const double fps = rec.framesPerSecond();
    // The movie file carries the recording's frame rate.
    if (fps > 0) movie.setRate(int(std::lround(fps * 1000)), 1000);
    if (Status st = movie.save(out, 0, movie.count()); !st) return cliError("live: " + st.reason());
    const int count = movie.count();
    const int w = movie.formatImage().width(), h = movie.formatImage().height();
    rec.OnCloseDocument();
    live.OnCloseDocument();
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("file", out).field("source", kind).field("frames", count);
        j.field("width", w).field("height", h).field("fps", fps).endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %d frames of %d x %d from the %s camera at %.3g fps\n", out.c_str(), count, w, h, kind.c_str(), fps));
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "live", "live --source pseudo|video[:FILE] --frames N OUT.mve [--json]",
    "Records N frames from a simulated camera as the workstation's recorder does: \"pseudo\"\n"
    "plays the stored picture beside the program, \"video\" the shipped flowing-capillary video\n"
    "or FILE, in a loop at its own rate. The profile's camera settings apply; it is not changed.",
    {"--source", "--frames"}, runLive});
