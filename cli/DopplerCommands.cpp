// The laser Doppler from the command line: "doppler" runs a raw recording
// through the monitor (spectrum, Doppler shift, velocity trace) and the
// review's pulse analysis; "synth doppler" writes recordings of known
// velocity; "info" on a saved monitor recording (CliDoppler.h).
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/CliDoppler.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/DopplerRecording.h"
#include "doppler/PulseAnalysis.h"
#include "doppler/SavedDopplerSummary.h"
#include "doppler/Trv2Board.h"
#include "framework/AppServices.h"
#include "settings/StartupSettings.h"
#include "synth/SyntheticDoppler.h"

using namespace ordavia;

namespace {

// The command line's one number reader; the messages below say what each
// option wants.
bool number(const std::optional<std::string>& v, double& out) {
    if (!v) return true;
    const Result<double> d = parseNumber<double>(*v);
    if (!d) return false;
    out = d.value();
    return true;
}

bool whole(const std::optional<std::string>& v, double& out) { return number(v, out) && out == std::floor(out); }

// The running filter's time constant when none is given: that of a saved
// recording, so that "doppler" and "info" agree.
constexpr double kSmoothSeconds = kSavedSmoothSeconds;

int runDoppler(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli doppler RAW.bin [--rate HZ] [--method N] [--block 512]");
    const std::string& in = a.positional[0];
    StartupSettings& settings = a.services().settings();
    double rate = Trv2Board::kInitialRate, method = settings.cbvMethod, block = 512, threshold = -1, halfWidth = -1;
    double window = settings.FFTwindow, smooth = kSmoothSeconds;
    if (!number(a.get("--rate"), rate) || !(rate >= 1000 && rate <= 200000))
        return cliError(in + ": --rate needs a sampling rate from 1000 to 200000 Hz");
    if (!whole(a.get("--method"), method) || method < 0 || method > 4) return cliError(in + ": --method needs 0 to 4");
    if (!whole(a.get("--block"), block) || (block != 128 && block != 512))
        return cliError(in + ": --block needs 128 or 512 samples per spectrum");
    if (!whole(a.get("--window"), window) || window < 0 || window > 4)
        return cliError(in + ": --window needs 0 to 4 (rectangular, triangular, Hann, Hamming, Blackman)");
    if (!whole(a.get("--threshold"), threshold) || threshold > 2e9)
        return cliError(in + ": --threshold needs a whole number");
    if (!number(a.get("--smooth"), smooth) || smooth < 0 || smooth > 10)
        return cliError(in + ": --smooth needs a time constant from 0 to 10 seconds");
    if (!whole(a.get("--half-width"), halfWidth) || halfWidth > 1e6)
        return cliError(in + ": --half-width needs a whole number of velocity samples");

    Trv2Board board;
    board.setPlaybackFile(in);
    board.initialise(settings.numberofchannels);
    if (!board.present())
        return cliError(board.playbackError().empty() ? in + ": cannot read 16-bit samples from this file"
                                                      : board.playbackError());
    StartupSettings detection = settings;
    detection.cbvMethod = int(method);
    detection.FFTwindow = int(window);
    if (a.has("--autonoise")) detection.autonoise = true;
    DopplerRunOptions o;
    o.rate = rate;
    o.points = int(block / 2);
    o.threshold = int32_t(threshold);
    o.smooth = smooth;
    o.halfWidth = int(halfWidth);
    auto run = runDopplerRecording(board, detection, o);
    if (!run) return cliError(in + ": " + run.reason());
    const std::vector<double>& cbv = run->cbv;
    const PulseSummary& s = run->pulses;
    const double cbvRate = run->cbvRate;
    const int w = run->halfWidth;
    // Figures read from the noise, or from no beats, are no measurement:
    // null in JSON, not a number that looks like one.
    const bool measured = run->measured();
    cliFigures(pulseFigures(s, measured));

    if (a.json()) {
        JsonWriter j;
        j.beginObject().key("cbv").beginArray();
        for (double v : cbv) j.value(v);
        j.endArray();
        pulseFigures(s, measured).json(j);
        j.key("warnings").beginArray();
        for (const std::string& t : run->warnings) j.value(t);
        j.endArray().endObject();
        cliOut(j.str() + "\n");
    } else {
        std::string t = strprintf("%s: %zu velocities at %g Hz (method %d, threshold %d, %d-point spectra, half-width %d)\n",
                                  in.c_str(), cbv.size(), cbvRate, int(method), run->threshold, int(block / 2), w);
        if (measured) t += pulseFigures(s, true).text() + strprintf("  (%zu peaks, %zu minima)\n", s.peaks, s.minima);
        for (const std::string& warning : run->warnings) t += "warning: " + warning + "\n";
        cliOut(t);
    }
    if (!measured) return cliError(in + ": no measurement: " + run->warnings.front());
    return fileUnderExam(a, in, pulseFigures(s, true).text(), "doppler");
}

int runSynthDoppler(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth doppler OUT.bin --truth OUT.json [options]");
    const std::string& out = a.positional[0];
    const auto truthPath = a.get("--truth");
    if (!truthPath || truthPath->empty()) return cliError(out + ": --truth OUT.json is needed");
    DopplerSynthParams p;
    double seed = p.seed;
    if (!number(a.get("--seconds"), p.seconds) || !number(a.get("--rate"), p.rate) ||
        !number(a.get("--heart-rate"), p.heartRate) || !number(a.get("--vmax"), p.vmax) ||
        !number(a.get("--vmin"), p.vmin) || !number(a.get("--noise"), p.noise) || !number(a.get("--floor"), p.floor) ||
        !whole(a.get("--seed"), seed) ||
        seed < 0 || seed > 4294967295.0)
        return cliError(out + ": every option needs a number (--seed a whole one)");
    p.seed = uint32_t(seed);
    if (const std::string why = checkDopplerParams(p); !why.empty()) return cliError(out + ": " + why);
    if (int rc = cliRefuseSameOutputs(out, *truthPath)) return rc;
    const SyntheticDoppler d = synthesiseDoppler(p);
    std::vector<uint8_t> bytes(d.samples.size() * 2);
    for (size_t i = 0; i < d.samples.size(); ++i) {
        const uint16_t u = uint16_t(d.samples[i]);
        bytes[2 * i] = uint8_t(u & 0xFF);
        bytes[2 * i + 1] = uint8_t(u >> 8);
    }
    if (Status s = writeFileAtomically(out, bytes); !s) return cliError(out + ": " + s.reason());
    const std::string truth = dopplerTruthJson(p, d.truth);
    if (Status s = writeFileAtomically(*truthPath, truth + "\n"); !s) return cliError(*truthPath + ": " + s.reason());
    const DopplerTruth& t = d.truth;
    if (a.json()) cliOut(truth + "\n");
    else
        cliOut(strprintf("%s: %zu samples at %g Hz; %d beats, mean %.4f mm/s, systolic %.4f, diastolic %.4f, PI %.4f, "
                         "RI %.4f\n%s: the truth\n",
                         out.c_str(), d.samples.size(), p.rate, t.beats, t.mean, t.systolic, t.diastolic, t.pi, t.ri,
                         truthPath->c_str()));
    return 0;
}

}  // namespace

namespace ordavia {

void describeDopplerRecording(const ZchartDoc& doc, JsonWriter* json, std::string* text) {
    const auto s = summariseSavedDoppler(doc);
    if (!s) return;
    const std::string why = s->why();
    if (json) {
        json->key("doppler").beginObject();
        json->field("velocities", s->velocities).field("velocity_period", s->period).field("units", s->units);
        json->field("spectrum_points", s->spectrumPoints).field("bandwidth_hz", s->bandwidthHz);
        // No beats (silence, a flat trace) or saturation: no figures, rather
        // than zeros or numbers read from the noise.
        s->figures().json(*json);
        json->key("warnings").beginArray();
        if (!why.empty()) json->value(why);
        json->endArray();
        json->endObject();
    }
    if (text) {
        *text += strprintf("  Doppler recording: %u velocities every %g s, %u-point spectra, bandwidth %g Hz\n",
                           s->velocities, s->period, s->spectrumPoints, s->bandwidthHz) +
                 "  " + s->figures().text() + "\n";
        if (!why.empty()) *text += "  warning: " + why + "\n";
    }
}

}  // namespace ordavia

ORDAVIA_CLI_REGISTER(CliCommand{
    "doppler", "doppler RAW.bin [--rate HZ] [--method N] [--block 512] [--threshold T] [--window N] [--smooth S] [--half-width N] [--autonoise] [--json]",
    "Runs a raw laser Doppler recording (little-endian signed 16-bit samples, as raw.bin) through\n"
    "the monitor: spectra of the last --block samples (128 or 512, default 512) every 100\n"
    "samples, the Doppler shift of each by --method (0 maximum, 1 peak, 2 % of total power,\n"
    "3 average, 4 automatic; default the profile's \"cbvMethod\") with the detection threshold\n"
    "--threshold (default 200; 90 % for method 2) and the profile's \"TRVcalcs\" settings, and\n"
    "the velocity in mm/s. Then the pulse analysis: systolic peaks and diastolic minima by a\n"
    "sliding window of 2 x --half-width + 1 velocities (default a third of a second each\n"
    "side), their means, PI and RI.\n"
    "  --rate HZ     sampling rate of the recording (default 40000)\n"
    "  --window N    spectral window: 0 rectangular, 1 triangular, 2 Hann, 3 Hamming, 4 Blackman\n"
    "                (default the profile's \"FFTwindow\")\n"
    "  --smooth S    time constant of the running filter over the velocities before the pulse\n"
    "                analysis, seconds (default 0.02; 0: none)\n"
    "  --autonoise   the threshold follows the spectrum's noise floor\n"
    "The file is read as it is analysed: any length, in bounded memory; a recording of more than\n"
    "a million velocities gives the means of consecutive ones (the figures use every one).\n"
    "With --json: {\"cbv\": [...], \"mean\", \"systolic\", \"diastolic\", \"pi\", \"ri\", \"warnings\": [...]}.\n"
    "When the velocity sits at the top of the band (a threshold under the noise floor) in most\n"
    "spectra, or shows no beats, mean to ri are null, the warnings say why and the exit code is 1.\n"
    "Writes no file.",
    {"--rate", "--method", "--block", "--threshold", "--window", "--smooth", "--half-width"},
    runDoppler});

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth doppler",
    "synth doppler OUT.bin --truth OUT.json [--seconds S] [--rate HZ] [--heart-rate BPM] [--vmax MM_S] [--vmin MM_S] "
    "[--noise R] [--floor PCT] [--seed N] [--json]",
    "Writes a laser Doppler recording of a nailfold capillary whose velocity is known: a band of\n"
    "red-cell beat notes whose upper edge follows a pulsatile centre-line velocity, over tissue\n"
    "movement, detector noise and a DC offset, as little-endian signed 16-bit samples (OUT.bin,\n"
    "playable as raw.bin), and the truth as JSON (OUT.json): the parameters, the mean velocity,\n"
    "the means of the beats' maxima (systolic) and minima (diastolic), PI, RI and the velocity\n"
    "at 100 samples per second. The same options and seed always give the same bytes.\n"
    "  --seconds S       length (default 10)\n"
    "  --rate HZ         sampling rate (default 40000)\n"
    "  --heart-rate BPM  (default 72)\n"
    "  --vmax, --vmin    systolic and diastolic centre-line velocity, mm/s (default 1.2, 0.4)\n"
    "  --noise R         white noise RMS over the Doppler signal's RMS (default 0.3)\n"
    "  --floor PCT       and the detector's own white noise floor, RMS in percent of the\n"
    "                    16-bit full scale (default 0; about 2 on a real monitor)\n"
    "  --seed N          random seed (default 1)",
    {"--truth", "--seconds", "--rate", "--heart-rate", "--vmax", "--vmin", "--noise", "--floor", "--seed"},
    runSynthDoppler});
