// Charts from the command line: "info" for ".zv1" and ".zvxy", "chart
// import" (the trace readers without the wizard), "chart export" (with the
// profile's export settings) and "spectrum" (the chart's power spectrum).
#include <cstdlib>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "chart/DataFileFormat.h"
#include "chart/TraceAlgorithms.h"
#include "chart/TraceExport.h"
#include "chart/ZchartDoc.h"
#include "cli/CliCommand.h"
#include "cli/CliDoppler.h"
#include "framework/AppServices.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

// Charts beyond this are not charts.
constexpr uint64_t kMaxChartBytes = uint64_t(1) << 31;

bool loadChart(const std::string& path, ZchartDoc& doc, std::string& error) {
    std::vector<uint8_t> bytes;
    const ordavia::Status r = readFileBytes(path, bytes, kMaxChartBytes);
    if (!r.ok()) {
        error = r.reason();
        return false;
    }
    const ordavia::Status s = doc.loadFromBytes(bytes);
    if (!s) error = path + ": not a chart (" + s.reason() + ")";
    return s.ok();
}

int infoChart(const std::string& path, const CliArgs& a) {
    ZchartDoc doc;
    doc.setServices(&a.services());
    std::string error;
    if (!loadChart(path, doc, error)) return cliError(error);
    if (a.json()) {
        JsonWriter w;
        w.beginObject();
        w.key("traces").beginArray();
        for (int i = 0; i < doc.traceCount(); ++i) {
            const CTrace* t = doc.trace(i);
            if (!t) continue;
            w.beginObject();
            w.field("name", t->name).field("class", std::string(t->className()));
            w.field("type", t->data ? t->data->typeCode() : 0).field("count", t->sampleCount());
            w.field("components", t->data ? unsigned(t->data->components) : 0u);
            w.field("x_period", t->xInterval).field("x_unit", t->xUnits).field("y_unit", t->yUnits);
            w.endObject();
        }
        w.endArray();
        w.key("markers").beginArray();
        for (const CMarker& m : doc.markers()) {
            w.beginObject();
            w.field("label", m.label).field("x", m.x).field("description", m.description);
            if (auto* im = dynamic_cast<const CImageMarker*>(&m)) w.field("file", im->fileName);
            w.endObject();
        }
        w.endArray();
        describeDopplerRecording(doc, &w, nullptr);
        w.endObject();
        cliOut(w.str() + "\n");
        return 0;
    }
    std::string out = path + ": chart with " + std::to_string(doc.traceCount()) + " traces, " +
                      std::to_string(doc.markers().size()) + " markers\n";
    for (int i = 0; i < doc.traceCount(); ++i) {
        const CTrace* t = doc.trace(i);
        if (!t) continue;
        out += strprintf("  %-20s %-9s type %2d  %u x %u  every %g %s  in %s\n", t->name.c_str(), t->className(),
                         t->data ? t->data->typeCode() : 0, t->sampleCount(),
                         t->data ? unsigned(t->data->components) : 0u, t->xInterval, t->xUnits.c_str(),
                         t->yUnits.c_str());
    }
    for (const CMarker& m : doc.markers()) out += strprintf("  marker %-10s at %g\n", m.label.c_str(), m.x);
    describeDopplerRecording(doc, nullptr, &out);
    cliOut(out);
    return 0;
}

int runImport(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli chart import DATA OUT.zv1 --text|--binary ...");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const bool text = a.has("--text"), binary = a.has("--binary");
    if (text == binary) return cliError("chart import: give exactly one of --text and --binary");
    if (int refused = cliRefuseOutputOverInput(in, out)) return refused;
    std::vector<uint8_t> bytes;
    const ordavia::Status r = readFileBytes(in, bytes, kMaxChartBytes);
    if (!r.ok()) return cliError(r.reason());

    DataFileFormat f;
    const Result<int> type = a.number("--type", 0, 7, 2);
    if (!type) return cliError(type.status());
    int skip = 0, count = -1;
    if (text) {
        if (!a.get("--columns") || !a.get("--rows")) return cliError("chart import --text needs --columns and --rows");
        const Result<int> columns = a.number("--columns", 1, 100000, 0);
        const Result<int> rows = a.number("--rows", 1, INT32_MAX, 0);
        if (Status bad = firstFailure(columns, rows); !bad) return cliError(bad);
        f.binary = false;
        f.columns = *columns;
        f.count = *rows;
        f.currentColumn = 0;
        f.outputType = *type;
    } else {
        if (!a.get("--type")) return cliError("chart import --binary needs --type");
        const Result<int> header = a.number("--header", 0, INT32_MAX, 0);
        const Result<int> block = a.number("--block", 1, INT32_MAX, 1);
        const Result<int> skipped = a.number("--skip", 0, INT32_MAX, 0);
        const Result<int> counted = a.number("--count", 0, INT32_MAX, -1);
        if (Status bad = firstFailure(header, block, skipped, counted); !bad) return cliError(bad);
        skip = *skipped;
        count = *counted;
        f.binary = true;
        f.inputType = f.outputType = *type;
        f.headerBytes = *header;
        f.blockSize = *block;
        f.blockSkip = static_cast<int>(skip);
        f.swapBytes = a.has("--swap");
        const int64_t get = count >= 0 ? count : f.availablePoints(bytes.size());
        if (!f.planBinary(bytes.size(), get)) return cliError(in + ": a block of no bytes");
    }
    ZchartDoc doc;
    doc.setServices(&a.services());
    ordavia::Status why;
    const int n = doc.importTraces(bytes, f, &why);
    // A file read in part is not imported: nothing is written.
    if (!why) return cliError(in + ": " + why.reason());
    if (n == 0) return cliError(in + ": no samples to import");
    const ordavia::Status w = writeFileAtomically(out, doc.saveToBytes());
    if (!w.ok()) return cliError(w.reason());
    if (a.json()) {
        JsonWriter j;
        j.beginObject().field("file", out).field("traces", n).endObject();
        cliOut(j.str() + "\n");
    } else {
        cliOut(strprintf("%s: %d trace%s imported into %s\n", in.c_str(), n, n == 1 ? "" : "s", out.c_str()));
    }
    return 0;
}

int runExport(const CliArgs& a) {
    if (a.positional.size() != 2) return cliError("usage: ordavia-cli chart export IN.zv1 OUT.(txt|csv|bin) [--trace NAME]");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    const std::string ext = toLower(extensionOf(out));
    if (ext != ".txt" && ext != ".csv" && ext != ".bin") return cliError(out + ": the output must end in .txt, .csv or .bin");
    if (int refused = cliRefuseOutputOverInput(in, out)) return refused;
    ZchartDoc doc;
    doc.setServices(&a.services());
    std::string error;
    if (!loadChart(in, doc, error)) return cliError(error);
    std::vector<const CTrace*> chosen;
    if (const auto name = a.get("--trace")) {
        const CTrace* t = doc.findTrace(*name);
        if (!t) return cliError(in + ": no trace named '" + *name + "'");
        chosen.push_back(t);
    } else {
        for (int i = 0; i < doc.traceCount(); ++i)
            if (const CTrace* t = doc.trace(i); t && t->hasData()) chosen.push_back(t);
    }
    DataFileFormat f;
    f.read(a.services().profile(), "Export");
    ordavia::Status w;
    if (ext == ".bin") {
        std::vector<uint8_t> bytes;
        for (const CTrace* t : chosen) {
            const ordavia::Status s = t->writeBinary(bytes, f.headers, -1, -1);
            if (!s) return cliError(in + ": " + t->name + ": " + s.reason());
        }
        w = writeFileAtomically(out, bytes);
    } else {
        // A ".csv" file is comma-separated whatever the profile's delimiter.
        if (ext == ".csv") f.columnDelimiter = 1;
        w = writeFileAtomically(out, exportTracesAsText(chosen, f, 0, 0, [&doc](const CTrace& t, double raw) {
                                    return doc.isMissingSample(t, raw);
                                }));
    }
    if (!w.ok()) return cliError(w.reason());
    if (!a.json()) cliOut(strprintf("%s: %zu trace%s written to %s\n", in.c_str(), chosen.size(),
                                    chosen.size() == 1 ? "" : "s", out.c_str()));
    else cliOut(JsonWriter().beginObject().field("file", out).field("traces", chosen.size()).endObject().str() + "\n");
    return 0;
}

int runSpectrum(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli spectrum IN.zv1 --trace NAME [--window N] --json");
    const std::string& in = a.positional[0];
    const auto name = a.get("--trace");
    if (!name) return cliError("spectrum needs --trace NAME");
    const Result<int> window = a.number("--window", 0, 4, 0);
    if (!window) return cliError(window.status());
    std::string error;
    ZchartDoc doc;
    doc.setServices(&a.services());
    if (!loadChart(in, doc, error)) return cliError(error);
    const CTrace* t = doc.findTrace(*name);
    if (!t) return cliError(in + ": no trace named '" + *name + "'");
    if (!t->hasData() || t->data->twoD()) return cliError(in + ": trace '" + *name + "' is not a one-dimensional trace");
    if (t->sampleCount() < ordavia::kMinSpectrumSamples)
        return cliError(in + ": trace '" + *name + "' has fewer than " + std::to_string(ordavia::kMinSpectrumSamples) +
                        " samples");
    const auto rows = ordavia::powerSpectrumRows(*t, *window);
    // One spectrum: the mean of the rows, before the chart's 16-bit storage.
    std::vector<double> mean(256, 0.0);
    for (const auto& r : rows)
        for (size_t k = 0; k < 256; ++k) mean[k] += r[k] / rows.size();
    const double binWidth = 1.0 / (512.0 * t->xInterval);
    if (a.json()) {
        JsonWriter w(false);
        w.beginObject();
        w.key("frequencies").beginArray();
        for (size_t k = 0; k < 256; ++k) w.value(k * binWidth);
        w.endArray();
        w.key("power").beginArray();
        for (double p : mean) w.value(p);
        w.endArray();
        w.field("rows", rows.size());
        w.endObject();
        cliOut(w.str() + "\n");
    } else {
        std::string out = strprintf("%s: %zu rows of 512 samples, bins of %g per %s\n", t->name.c_str(), rows.size(),
                                    binWidth, t->xUnits.empty() ? "unit" : t->xUnits.c_str());
        for (size_t k = 0; k < 256; ++k) out += strprintf("%12.6g %14.8g\n", k * binWidth, mean[k]);
        cliOut(out);
    }
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliInfoHandler{{".zv1", ".zvxy"}, infoChart});
ORDAVIA_CLI_REGISTER(CliCommand{
    "chart import",
    "chart import DATA OUT.zv1 --text --columns N --rows M [--type T] | --binary --type T [--header B] [--block N] "
    "[--skip S] [--count N] [--swap]",
    "Reads traces from a foreign data file into a new chart. Text: one trace per\n"
    "comma-separated column, at most M rows; lines starting with a quote or a\n"
    "letter are headings. A value a row lacks (an empty cell, a short row, NA,\n"
    "NaN) stays missing (float and double traces only); a cell that is not a\n"
    "number refuses the file, and so does a file without samples. Binary: one trace of element type T after B header\n"
    "bytes, in blocks of N points separated by S bytes. Types: 0 signed 8-bit,\n"
    "1 unsigned 8-bit, 2 signed 16-bit, 3 unsigned 16-bit, 4 signed 32-bit,\n"
    "5 unsigned 32-bit, 6 float, 7 double.",
    {"--columns", "--rows", "--type", "--header", "--block", "--skip", "--count"},
    runImport});
ORDAVIA_CLI_REGISTER(CliCommand{
    "chart export", "chart export IN.zv1 OUT.(txt|csv|bin) [--trace NAME]",
    "Writes the chart's traces (or one) as text or binary with the export settings\n"
    "of the profile section \"Export\"; binary files carry the 128-byte header when\n"
    "the settings ask for headers.",
    {"--trace"}, runExport});
ORDAVIA_CLI_REGISTER(CliCommand{
    "spectrum", "spectrum IN.zv1 --trace NAME [--window N] [--json]",
    "The chart's power spectrum of a trace: one 512-point real FFT per 512 samples\n"
    "(window 0 none, 1 triangular, 2 Hann, 3 Hamming, 4 Blackman), averaged over\n"
    "the rows: {\"frequencies\", \"power\", \"rows\"}.",
    {"--trace", "--window"}, runSpectrum});
