#include "measure/ExamAssessment.h"

#include <algorithm>
#include <cctype>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

namespace {

constexpr const char* kBothHands = "fingers 2-5 of both hands";

std::optional<double> figure(const StoredAssessment& a, const char* key) {
    const auto it = a.figures.find(key);
    if (it == a.figures.end()) return std::nullopt;
    return it->second;
}

// The figures of the finger's pictures taken together: counts add up,
// the density is the mean, the longest gap the longest, avascular any.
void combine(FingerSummary& f, const std::vector<const StoredAssessment*>& pics) {
    double densitySum = 0;
    int densities = 0;
    std::optional<double> gap;
    std::optional<double> counts[4];
    const char* countKeys[4] = {"giants", "dilated", "haemorrhages", "abnormal_shapes"};
    bool avascular = false, anyAvascular = false;
    bool sclerodermaTrusted = false, allTrusted = true;
    for (const StoredAssessment* a : pics) {
        if (const auto d = figure(*a, "density_per_mm")) densitySum += *d, ++densities;
        if (const auto g = figure(*a, "longest_gap_um")) gap = std::max(gap.value_or(0), *g);
        for (int k = 0; k < 4; ++k)
            if (const auto c = figure(*a, countKeys[k])) counts[k] = counts[k].value_or(0) + *c;
        if (const auto v = figure(*a, "avascular")) anyAvascular = true, avascular = avascular || *v != 0;
        const bool sclero = figure(*a, kSclerodermaKey).value_or(0) != 0;
        const int rule = static_cast<int>(figure(*a, kRuleKey).value_or(0));
        // A scleroderma picture decides the finger; otherwise the first one.
        if ((sclero && !f.scleroderma) || f.rule == 0) f.rule = rule;
        if (sclero) f.phase = std::max(f.phase, static_cast<int>(figure(*a, kPhaseKey).value_or(0)));
        f.scleroderma = f.scleroderma || sclero;
        const bool trusted = figure(*a, kQualityKey).value_or(1) >= kAssessTrustedQuality;
        sclerodermaTrusted = sclerodermaTrusted || (sclero && trusted);
        allTrusted = allTrusted && trusted;
        f.pictures.push_back(a->filename);
        for (const std::string& k : a->byHand)
            if (std::find(f.byHand.begin(), f.byHand.end(), k) == f.byHand.end()) f.byHand.push_back(k);
    }
    f.trusted = f.scleroderma ? sclerodermaTrusted : allTrusted;
    f.figures.set("pictures", static_cast<double>(pics.size()));
    if (densities > 0) f.figures.set("density_per_mm", densitySum / densities);
    f.figures.set("longest_gap_um", gap);
    for (int k = 0; k < 4; ++k) f.figures.set(countKeys[k], counts[k]);
    if (anyAvascular) f.figures.set("avascular", avascular ? 1.0 : 0.0);
}

const char* ruleWords(int rule) {
    switch (rule) {
        case 1: return "rule 1: density of 7 per mm or more and no giant capillaries";
        case 2: return "rule 2: giant capillaries, or density of 3 per mm or less with abnormal shapes";
        case 3: return "rule 3: neither rule 1 nor rule 2 applies";
        default: return "";
    }
}

}  // namespace

const std::vector<std::string>& examFingers() {
    static const std::vector<std::string> f = {"L2", "L3", "L4", "L5", "R2", "R3", "R4", "R5"};
    return f;
}

std::string fingerLabel(const std::string& text) {
    const std::string t = trim(text);
    if (t.size() != 2) return {};
    const std::string label{static_cast<char>(std::toupper(static_cast<unsigned char>(t[0]))), t[1]};
    const auto& f = examFingers();
    return std::find(f.begin(), f.end(), label) != f.end() ? label : std::string();
}

const std::vector<std::string>& siteChoices() {
    static const std::vector<std::string> c = [] {
        std::vector<std::string> v{kBothHands};
        v.insert(v.end(), examFingers().begin(), examFingers().end());
        return v;
    }();
    return c;
}

std::string fingerInFileName(const std::string& fileName) {
    std::string name = fileName.substr(fileName.find_last_of("/\\") == std::string::npos ? 0 : fileName.find_last_of("/\\") + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    std::string found;
    size_t i = 0;
    while (i < name.size()) {
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < name.size() && std::isalnum(static_cast<unsigned char>(name[end]))) ++end;
        if (const std::string f = fingerLabel(name.substr(i, end - i)); !f.empty()) {
            if (!found.empty() && found != f) return {};
            found = f;
        }
        i = end;
    }
    return found;
}

std::string nextFinger(const std::string& site, const std::vector<StoredAssessment>& done) {
    if (const std::string f = fingerLabel(site); !f.empty()) return f;
    for (const std::string& f : examFingers()) {
        const bool taken = std::any_of(done.begin(), done.end(), [&](const auto& a) { return fingerLabel(a.finger) == f; });
        if (!taken) return f;
    }
    return examFingers().back();
}

std::string phaseWord(int phase) {
    switch (phase) {
        case 1: return "early";
        case 2: return "active";
        case 3: return "late";
        default: return {};
    }
}

const FingerSummary* ExamAssessmentSummary::find(const std::string& finger) const {
    for (const FingerSummary& f : fingers)
        if (f.finger == finger) return &f;
    return nullptr;
}

ExamAssessmentSummary summariseExamination(const std::vector<StoredAssessment>& assessed) {
    // The grid's fingers first, then any other site as it was typed.
    std::vector<std::string> order = examFingers();
    const auto labelOf = [](const StoredAssessment& a) {
        const std::string f = fingerLabel(a.finger);
        if (!f.empty()) return f;
        return trim(a.finger).empty() ? std::string("no finger") : trim(a.finger);
    };
    for (const StoredAssessment& a : assessed)
        if (std::find(order.begin(), order.end(), labelOf(a)) == order.end()) order.push_back(labelOf(a));
    ExamAssessmentSummary s;
    for (const std::string& finger : order) {
        std::vector<const StoredAssessment*> pics;
        for (const StoredAssessment& a : assessed)
            if (labelOf(a) == finger) pics.push_back(&a);
        if (pics.empty()) continue;
        FingerSummary f;
        f.finger = finger;
        combine(f, pics);
        if (f.scleroderma) s.sclerodermaIn.push_back(finger);
        if (!f.trusted) s.untrustedIn.push_back(finger);
        s.pictures += static_cast<int>(pics.size());
        s.fingers.push_back(std::move(f));
    }
    return s;
}

std::string figureHeadings(const std::vector<std::string>& keys) {
    std::string out;
    for (const std::string& k : keys) {
        const Measure* m = assessmentMeasures().find(k);
        out += (out.empty() ? "" : ", ") + std::string(m ? m->heading : k.c_str());
    }
    return out;
}

std::string patternKey(bool scleroderma) { return scleroderma ? "scleroderma" : "non-scleroderma"; }

std::string patternWords(bool scleroderma, int rule, int phase) {
    std::string t = scleroderma ? "Scleroderma pattern" : "Non-scleroderma pattern";
    if (const char* r = ruleWords(rule); *r) t += std::string(" (") + r + ")";
    if (scleroderma && phase > 0) t += "; phase suggested: " + phaseWord(phase);
    return t;
}

std::string fingerPatternWords(const FingerSummary& f) {
    return patternWords(f.scleroderma, f.rule, f.phase) + (f.trusted ? "" : kPatternNotTrusted);
}

std::string fingerPatternCell(const FingerSummary& f) {
    return patternKey(f.scleroderma) + (f.rule > 0 ? strprintf(" (rule %d)", f.rule) : "") + (f.trusted ? "" : kPatternNotTrusted);
}

std::string examPatternWords(const ExamAssessmentSummary& s) {
    if (!s.hasPattern()) return "No picture of this examination is assessed yet.";
    const auto untrusted = [&](const std::string& f) {
        return std::find(s.untrustedIn.begin(), s.untrustedIn.end(), f) != s.untrustedIn.end();
    };
    if (!s.scleroderma()) {
        std::string t = strprintf("Non-scleroderma pattern: none of the %i pictures shows a scleroderma pattern.", s.pictures);
        std::string where;
        for (const std::string& f : s.untrustedIn) where += (where.empty() ? "" : ", ") + f;
        return where.empty() ? t : t + " Not trusted on " + where + ".";
    }
    std::string where;
    for (const std::string& f : s.sclerodermaIn) where += (where.empty() ? "" : ", ") + f + (untrusted(f) ? " (not trusted)" : "");
    return "Scleroderma pattern, shown by " + where + ".";
}

void writeSummaryJson(JsonWriter& j, const ExamAssessmentSummary& s) {
    j.beginObject().key("fingers").beginObject();
    for (const FingerSummary& f : s.fingers) {
        j.key(f.finger).beginObject();
        f.figures.json(j);
        j.field("pattern", patternKey(f.scleroderma));
        j.key("rule");
        if (f.rule > 0) j.value(f.rule);
        else j.null();
        j.key("phase");
        if (f.scleroderma && f.phase > 0) j.value(phaseWord(f.phase));
        else j.null();
        j.key("by_hand").beginArray();
        for (const std::string& k : f.byHand) j.value(k);
        j.endArray();
        j.field("trusted", f.trusted);
        j.endObject();
    }
    j.endObject().key("pattern");
    if (s.hasPattern()) j.value(patternKey(s.scleroderma()));
    else j.null();
    j.field("pictures", s.pictures).endObject();
}

}  // namespace ordavia
