// "synth live-files": the pictures and the video the simulated cameras
// play, as shipped beside the programs.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

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
#include "video/CMotivaDoc.h"
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
// profile's camera settings), straight to disc as they arrive. The profile
// is read, never written: the recorder's settings go to a scratch copy in
// a private folder beside OUT, which the next run removes if a killed run
// left it behind.
//
// A new OUT is recorded in place: killed, it keeps the frames captured
// and says it was not finished. An existing OUT is replaced only by a
// finished recording (the frames go to a locked temporary beside it,
// removed by the next save of OUT if the run is killed).
namespace {

Status writeVideoDocument(const std::string& movieFile, double fps, const ImageCalibration& cal, AppServices& s) {
    const std::string dcs = withoutExtension(movieFile) + ".dcs";
    CMotivaDoc doc;
    doc.setServices(&s);
    doc.setQuiet(true);
    if (!doc.OnNewDocument()) return Status::failure(dcs + ": cannot make the video document");
    if (Status st = doc.importMovie(movieFile); !st) return st;
    doc.setFramesPerSecond(fps);
    (void)doc.setCalibration(cal);
    if (const Status saved = doc.OnSaveDocument(dcs); !saved)
        return Status::failure(saved.code(), dcs + ": " + Document::failureReason(saved));
    return Status::success();
}

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
    auto set = openSaveSet(out);
    if (!set) return cliError("live: no scratch folder: " + set.reason());
    struct Cleanup {
        SaveSet& set;
        ~Cleanup() { abandonSaveSet(set); }
    } cleanup{set.value()};
    // The recorder's settings for this run only.
    const std::string profilePath = joinPath(set.value().folder, "ordavia.ini");
    if (cli.profileStore && fileExists(cli.profileStore->path())) {
        std::error_code ec;
        std::filesystem::copy_file(cli.profileStore->path(), profilePath, ec);
    }
    ProfileStore profile(profilePath);
    profile.WriteInt("Dynamic settings", "no of frames", int(n));
    profile.WriteInt("Dynamic settings", "skip frames", 0);
    profile.WriteInt("Dynamic settings", "loop", 0);
    profile.WriteInt("Dynamic settings", "direct2disc", 1);
    profile.WriteInt("Dynamic settings", "compressoutput", 0);

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
    // Where the frames go while they arrive.
    std::optional<SaveTemp> temp;
    std::string recording = out;
    if (fileExists(out)) {
        auto t = openSaveTemp(out);
        if (!t) return cliError("live: " + t.reason());
        temp = std::move(t.value());
        recording = temp->tempPath;
    }
    struct TempGuard {
        std::optional<SaveTemp>& t;
        ~TempGuard() {
            if (t && !t->tempPath.empty()) abandonSaveTemp(*t);
        }
    } tempGuard{temp};
    CMotivaRecDoc rec;
    rec.setServices(&s);
    rec.setQuiet(true);
    if (!rec.OnNewDocument()) return cliError("live: the recorder could not start");
    rec.recordInto(recording);
    if (Status st = rec.startRecording(&live); !st) return cliError("live: " + st.reason());
    // The cameras run on their timers; a minute of camera time is plenty
    // for any frame count the store can take at the slowest source.
    for (long t = 0; rec.recording() && t < (n + 50) * 1000; t += 10) timers.advance(10);
    const Status stopped = rec.recording() ? rec.stopRecording() : rec.lastStatus();
    const CZVMovie& movie = rec.movie();
    const int count = movie.count();
    const int w = movie.formatImage().width(), h = movie.formatImage().height();
    const double fps = rec.framesPerSecond();
    const ImageCalibration cal = rec.calibration();
    rec.OnCloseDocument();
    live.OnCloseDocument();
    if (count < 1) return cliError("live: no frame arrived from the " + kind + " camera");
    if (!stopped) return cliError("live: " + stopped.reason());
    if (temp) {
        if (Status c = commitSaveTemp(*temp); !c) return cliError("live: " + c.reason());
    }
    // The movie file keeps no frame rate: the video document beside it does.
    if (Status d = writeVideoDocument(out, fps, cal, cli); !d) return cliError("live: " + d.reason());
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
    "or FILE, in a loop at its own rate. The profile's camera settings apply; it is not changed.\n"
    "Writes OUT.mve as the frames arrive (a new OUT killed mid-run keeps the frames captured and\n"
    "opens with a warning that it was not finished; an existing OUT is replaced only when the\n"
    "recording is complete) and OUT.dcs beside it, the video document with the frame rate.",
    {"--source", "--frames"}, runLive});
