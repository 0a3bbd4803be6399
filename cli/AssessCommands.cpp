// "assess": the standardised capillaroscopy assessment of one picture, and
// "synth nailfold": synthetic pictures with known assessment findings.
#include <cmath>
#include <string>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/AssessFiling.h"
#include "measure/ExamAssessment.h"
#include "cli/CliCommand.h"
#include "cli/ExamFiling.h"
#include "cli/PictureLine.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "measure/AssessmentFigures.h"
#include "measure/AssessmentOverlay.h"
#include "framework/AppServices.h"
#include "measure/CapillaryCountTool.h"
#include "measure/CapillaryAssessment.h"
#include "synth/SyntheticExamination.h"

using namespace ordavia;

namespace {

bool fingerName(const std::string& f) {
    return f.size() == 2 && (f[0] == 'L' || f[0] == 'R') && f[1] >= '2' && f[1] <= '5';
}

int runAssess(const CliArgs& a) {
    const char* usage =
        "usage: ordavia-cli assess IMAGE [--line X1,Y1,X2,Y2] [--scale UM] [--finger L2..L5|R2..R5] "
        "[--exam ID --db FOLDER] [--overlay OUT.png] [--json]";
    if (a.positional.size() != 1) return cliError(usage);
    const std::string& path = a.positional[0];
    AssessOptions o;
    const Result<double> scale = a.number("--scale", std::nextafter(0.05, 1.0), 100.0, 0.0);
    if (!scale) return cliError("assess: " + scale.reason());
    o.umPerPixel = a.has("--scale") ? *scale : 0;
    if (auto f = a.get("--finger")) {
        if (!fingerName(*f)) return cliError("assess: bad value '" + *f + "' for --finger (L2..L5 or R2..R5)");
        o.finger = *f;
    } else {
        o.finger = fingerInFileName(path);  // as the workstation proposes it
    }
    CZVimage img;
    img.setColour(CZVimage::kColour);  // colour stays colour: haemorrhages are told by it
    if (const Status st = loadPicture(path, img, a.greyWeights()); !st.ok()) return cliError(st.reason());
    if (a.has("--line")) {
        const Result<std::vector<double>> ends = a.list("--line", kNoMin<double>, kNoMax<double>, 4);
        if (!ends) return cliError("assess: " + ends.reason());
        const std::vector<double>& e = *ends;
        if (const std::string bad = pictureLineError("assess", e[0], e[1], e[2], e[3], img.width(), img.height()); !bad.empty())
            return cliError(bad);
        o.lineFrom = AssessPoint{e[0], e[1]};
        o.lineTo = AssessPoint{e[2], e[3]};
        // Counted as "count" counts the same line.
        o.lineCount = CapillaryCountTool::storedSettings(a.services().profile());
    }
    Result<CapillaryAssessment> r = assessPicture(img, o);
    if (!r) return cliError(path + ": " + r.reason());
    const CapillaryAssessment& as = r.value();
    if (auto overlay = a.get("--overlay")) {
        CZVimage out;
        if (!drawAssessment(img, as, out)) return cliError(*overlay + ": cannot draw the overlay picture");
        if (const Status s = savePicture(out, *overlay); !s) return cliError(s.reason());
    }
    const MeasureValues f = assessmentFigures(as);
    // A batch row holds the figures the JSON holds, in its order.
    cliFigures(f, {"density_per_mm", "count", "giants", "dilated", "abnormal_shapes", "longest_gap_um", "avascular",
                   "pattern", "rule", "phase", "quality"});
    auto r2 = [](double v) { return std::round(v * 100) / 100; };
    if (a.json()) {
        JsonWriter j;
        j.beginObject();
        f.json(j, {"density_per_mm", "count"});
        j.key("line").beginArray().value(r2(as.lineFrom.x)).value(r2(as.lineFrom.y)).value(r2(as.lineTo.x))
            .value(r2(as.lineTo.y)).endArray();
        j.key("capillaries").beginArray();
        for (const AssessedCapillary& c : as.capillaries) {
            j.beginObject();
            j.key("apex").beginArray().value(r2(c.apex.x)).value(r2(c.apex.y)).endArray();
            j.field("apex_um", std::isfinite(c.apexUm) ? r2(c.apexUm) : NAN);
            j.field("dilated", c.dilated).field("giant", c.giant).field("shape", shapeName(c.shape));
            j.endObject();
        }
        j.endArray();
        f.json(j, {"giants", "dilated", "abnormal_shapes"});
        j.key("haemorrhages").beginArray();
        for (const Haemorrhage& h : as.haemorrhages) {
            j.beginObject();
            j.key("centre").beginArray().value(r2(h.centre.x)).value(r2(h.centre.y)).endArray();
            j.field("area_um2", std::round(h.areaUm2));
            j.endObject();
        }
        j.endArray();
        f.json(j, {"longest_gap_um", "avascular", "pattern", "rule", "phase", "quality"});
        // Each figure's own quality, under the figure's key.
        j.key("qualities").beginObject();
        for (const FigureQuality& fq : figureQualities(as)) j.field(fq.key, r2(fq.quality));
        j.endObject();
        j.key("warnings").beginArray();
        for (const std::string& w : as.warnings) j.value(w);
        j.endArray();
        j.endObject();
        cliOut(j.str());
    } else {
        std::string t = path + ": " + f.text() + "\n";
        t += strprintf("row from %.0f, %.0f to %.0f, %.0f (%s), %s long\n", as.lineFrom.x, as.lineFrom.y, as.lineTo.x,
                       as.lineTo.y, as.lineAutomatic ? "found" : "given", f.withUnit("row_um").c_str());
        if (as.scleroderma && phaseName(as.phase))
            t += std::string("suggested phase (a suggestion only): ") + phaseName(as.phase) + "\n";
        for (const std::string& w : as.warnings) t += "warning: " + w + "\n";
        if (const std::string untrusted = untrustedFigures(as); !untrusted.empty()) t += "not trusted: " + untrusted + "\n";
        for (size_t i = 0; i < as.capillaries.size(); ++i) {
            const AssessedCapillary& c = as.capillaries[i];
            t += strprintf("  %zu: apex %.1f, %.1f  apical diameter %s  %s%s%s\n", i + 1, c.apex.x, c.apex.y,
                           std::isfinite(c.apexUm) ? strprintf("%.1f um", c.apexUm).c_str() : "n/a", shapeName(c.shape),
                           c.giant ? ", giant" : "", c.dilated ? ", dilated" : "");
        }
        for (const Haemorrhage& h : as.haemorrhages)
            t += strprintf("  haemorrhage at %.1f, %.1f, %.0f um^2\n", h.centre.x, h.centre.y, h.areaUm2);
        cliOut(t);
    }
    // The results row files the figures' text; the assessment itself (its
    // figures and findings record) goes to the examination's assessments,
    // which the finger grid, the report and the review read back.
    return fileAssessmentRows(a, path, as, f.text());
}

int runSynthNailfold(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli synth nailfold OUT.png [options]");
    const std::string& out = a.positional[0];
    const Result<uint64_t> seed = a.number<uint64_t>("--seed", 0, kNoMax<uint64_t>, 1);
    if (!seed) return cliError("synth nailfold: " + seed.reason());
    const std::string condition = a.get("--condition").value_or("typical");
    std::vector<std::string> names;
    std::vector<SynthFindings> findings;
    if (auto pattern = a.get("--pattern")) {
        findings = examinationFindings(*pattern, *seed);
        if (findings.empty())
            return cliError("synth nailfold: bad value '" + *pattern + "' for --pattern (normal, nonspecific, early, active or late)");
        for (const char* f : kExamFingers) names.push_back(f);
    } else {
        SynthFindings f;
        const Result<double> d = a.number("--density", 0.5, 14.0, 8.0);
        if (!d) return cliError("synth nailfold: " + d.reason());
        f.densityPerMm = *d;
        struct Whole {
            const char* name;
            int* to;
        };
        for (const Whole& w : {Whole{"--giants", &f.giants}, Whole{"--dilated", &f.dilated}, Whole{"--ramified", &f.ramified},
                               Whole{"--bizarre", &f.bizarre}, Whole{"--haemorrhages", &f.haemorrhages},
                               Whole{"--gaps", &f.avascularGaps}}) {
            const Result<int> v = a.number(w.name, 0, 200, 0);
            if (!v) return cliError("synth nailfold: " + v.reason());
            *w.to = *v;
        }
        const Result<double> dis = a.number("--disorder", 0.0, 1.0, 0.0);
        if (!dis) return cliError("synth nailfold: " + dis.reason());
        f.disorder = *dis;
        findings.push_back(f);
        names.push_back("");
    }
    // Eight fingers: OUT gets the finger before its extension (a-R2.png).
    const size_t dot = out.rfind('.');
    const std::string stem = dot == std::string::npos ? out : out.substr(0, dot);
    const std::string ext = dot == std::string::npos ? ".png" : out.substr(dot);
    const auto truthPath = a.get("--truth");
    JsonWriter summary(false);
    summary.beginObject().key("pictures").beginArray();
    bool scleroderma = false;
    for (size_t i = 0; i < findings.size(); ++i) {
        SyntheticNailfold::Params p;
        CapillaroscopeLook look;
        if (const Status s = assessmentScene(condition, *seed + i, findings[i], p, look); !s)
            return cliError("synth nailfold: " + s.reason());
        look.colour = !a.has("--grey");
        CZVimage img;
        SyntheticNailfold::Truth t;
        if (const Status s = generateCapillaroscope(p, look, img, t); !s) return cliError(s.context(out));
        const std::string file = names[i].empty() ? out : stem + "-" + names[i] + ext;
        if (const Status s = savePicture(img, file); !s) return cliError(s.reason());
        const AssessmentTruth at = assessmentTruth(t);
        scleroderma = scleroderma || at.scleroderma;
        if (truthPath && !truthPath->empty()) {
            std::string json = SyntheticNailfold::truthJson(t, p);
            const size_t close = json.rfind('}');
            JsonWriter j(false);
            j.beginObject();
            j.field("density_per_mm", std::round(at.densityPerMm * 100) / 100).field("count", at.count);
            j.field("giants", at.giants).field("dilated", at.dilated).field("abnormal_shapes", at.abnormalShapes);
            j.field("haemorrhages", at.haemorrhages).field("longest_gap_um", std::round(at.longestGapUm));
            j.field("avascular", at.avascular).field("pattern", at.scleroderma ? "scleroderma" : "non-scleroderma");
            j.field("rule", at.rule);
            j.key("phase");
            if (phaseName(at.phase)) j.value(phaseName(at.phase));
            else j.null();
            j.endObject();
            json = json.substr(0, close) + ",\"assessment\":" + j.str() + "}\n";
            const std::string tp = names[i].empty() ? *truthPath
                                                    : truthPath->substr(0, truthPath->rfind('.')) + "-" + names[i] + ".json";
            if (const Status s = writeFileAtomically(tp, json); !s.ok()) return cliError(s.reason());
        }
        summary.beginObject().field("image", file).field("pattern", at.scleroderma ? "scleroderma" : "non-scleroderma");
        summary.field("rule", at.rule).field("density_per_mm", std::round(at.densityPerMm * 100) / 100).endObject();
    }
    summary.endArray().field("pattern", scleroderma ? "scleroderma" : "non-scleroderma").endObject();
    if (a.json()) cliOut(summary.str() + "\n");
    else cliOut(strprintf("%zu picture(s) written, pattern %s\n", findings.size(), scleroderma ? "scleroderma" : "non-scleroderma"));
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "assess",
    "assess IMAGE [--line X1,Y1,X2,Y2] [--scale UM] [--finger L2..L5|R2..R5] [--exam ID --db FOLDER] "
    "[--overlay OUT.png] [--json]",
    "The standardised capillaroscopy assessment of one picture: the distal row (found, or\n"
    "along the line given), each capillary's apex, apical diameter, size (dilated 20-50 um,\n"
    "giant 50 um or more) and shape, haemorrhages, the longest gap between neighbours\n"
    "(avascular over 500 um), the density per mm, and the Fast Track pattern with the rule\n"
    "that decided it and, for a scleroderma pattern, a suggested phase.\n"
    "  --line X1,Y1,X2,Y2  the distal row, in pixels (default: fitted through the most distal apexes)\n"
    "  --scale UM      micrometres per pixel; without it 2.6 is assumed, no loop is called dilated\n"
    "                  or giant and the pattern is marked \"pattern not trusted\"\n"
    "  --finger F      the finger, L2..L5 or R2..R5 (default: the one the file name\n"
    "                  names as a word of its own, as in f-R2.png)\n"
    "  --exam ID --db FOLDER  file the result under the examination (its results row, and the\n"
    "                  assessment for the examination's finger grid: see \"db assess\")\n"
    "  --overlay OUT.png  also write the picture with the findings drawn in\n"
    "  --json          {\"density_per_mm\", \"count\", \"line\", \"capillaries\": [{\"apex\", \"apex_um\",\n"
    "                  \"dilated\", \"giant\", \"shape\"}], \"giants\", \"dilated\", \"abnormal_shapes\",\n"
    "                  \"haemorrhages\": [{\"centre\", \"area_um2\"}], \"longest_gap_um\", \"avascular\",\n"
    "                  \"pattern\", \"rule\", \"phase\", \"quality\", \"qualities\", \"warnings\"}\n"
    "                  (\"quality\": the pattern's, 0 to 1; \"qualities\": each figure's, under its key:\n"
    "                  density_per_mm, apex_um, giants, abnormal_shapes, haemorrhages, longest_gap_um;\n"
    "                  a figure under 0.5 is not trusted)",
    {"--line", "--scale", "--finger", "--exam", "--db", "--overlay"},
    runAssess});

ORDAVIA_CLI_REGISTER(CliCommand{
    "synth nailfold",
    "synth nailfold OUT.png [--condition clean|typical|hard] [--seed N] [--density D] [--giants N] [--dilated N] "
    "[--ramified N] [--bizarre N] [--haemorrhages N] [--gaps N] [--disorder F] [--pattern P] [--grey] "
    "[--truth OUT.json] [--json]",
    "Draws a synthetic videocapillaroscope picture with known assessment findings and writes\n"
    "its truth (every loop, the haemorrhages, and the true figures and Fast Track pattern under\n"
    "\"assessment\") to the --truth file. With --pattern, draws a whole examination instead:\n"
    "eight pictures OUT-R2.png .. OUT-L5.png with truths OUT-R2.json .. beside the --truth name.\n"
    "  --condition C   clean, typical (default) or hard, like real 200x pictures\n"
    "  --density D     capillaries per mm of the distal row before gaps, 0.5..14 (default 8)\n"
    "  --giants N, --dilated N, --ramified N, --bizarre N, --haemorrhages N\n"
    "  --gaps N        avascular gaps (two or more capillaries missing)\n"
    "  --disorder F    a disorganised row with skin texture between the loops, 0..1\n"
    "  --pattern P     normal, nonspecific, early, active or late: an examination of 8 fingers\n"
    "  --grey          a grey picture instead of colour\n"
    "  --json          {\"pictures\": [{\"image\", \"pattern\", \"rule\", \"density_per_mm\"}], \"pattern\"}",
    {"--condition", "--seed", "--density", "--giants", "--dilated", "--ramified", "--bizarre", "--haemorrhages", "--gaps",
     "--disorder", "--pattern", "--truth"},
    runSynthNailfold});
