// The counter on synthetic count rows of 1 to 12 capillaries per mm, by
// density band: what a change of method or settings does to the range.
//   count_study [--condition typical|hard] [--per N] [--seed S]
//               [--limb MIN MAX] [--band UM] [--single-limb UM] [--spacing UM]
//               [--threshold T] [--cache DIR] [--frames N] [--dump]
//               [--method count|assess|assess-fill] [--show D]
// --method assess counts along each line as "assess --line" does (since
// the assessment takes the counter's count along a user's line, the same
// figures as the counter); assess-fill with the assessment's own row steps
// (vessel-mask tops near the line, and the loops the mask lost found again
// as along an automatic row), the method a user's line had before.
// --show D draws one row of D per mm (with --seed, --condition) and prints
// its lines' truth and the profiles along its first line (SHOW_LINE=n: that
// line; SHOW_LOOPS=1: the drawn loops near each line); the picture's upper
// half goes to /tmp/show.png (SHOW_CROP=x,y,w,h,zoom: /tmp/crop.png, its
// green stretched over the crop's own range). --dump names the --seed that
// --show draws each picture with.
// --frames N scores N whole frames of the condition (5 to 9 loops per mm)
// instead of the rows; --dump prints one row per line instead of the bands.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/AssessPlanes.h"
#include "image/ImageFormats.h"
#include "measure/AssessSteps.h"
#include "measure/CapillaryAssessment.h"
#include "support/CountRowScore.h"

using namespace ordavia;

namespace {

// The assessment's count along each user's line: its capillaries (tops of
// the vessel mask near the line).
std::vector<int> assessCounts(const test::CountRowPicture& pic) {
    std::vector<int> out;
    for (const auto& [a, b] : pic.lines) {
        AssessOptions o;
        o.umPerPixel = pic.umPerPixel;
        o.lineFrom = AssessPoint{a.x, a.y};
        o.lineTo = AssessPoint{b.x, b.y};
        const Result<CapillaryAssessment> r = assessPicture(pic.img, o);
        out.push_back(r ? r->count : 0);
    }
    return out;
}

// The assessment's row steps along each user's line, the loops the mask
// lost found again as along an automatic row (fillRow).
std::vector<int> assessFillCounts(const test::CountRowPicture& pic) {
    const double scale = pic.umPerPixel;
    CountSettings cs;
    cs.channel = 1;
    cs.minLimbUm = 16;
    cs.maxLimbUm = 110;
    cs.minSpacingUm = 50;
    cs.threshold = 0.035;
    cs.limbUm = 0;
    const RidgeImage ri = ridgeImage(pic.img, scale, scale, cs);
    const AssessPlanes planes = assessPlanes(pic.img, scale, ri.factor);
    const int f = ri.factor;
    const double px = scale * f;
    const std::vector<uint8_t> brown = brownPixels(planes, ri, planes.median + std::max(5 * planes.spread, 0.02f));
    const AssessMask mask = vesselMask(ri, brown);
    std::vector<AssessTip> tips = capillaryTips(mask, ri.width, ri.height, px);
    loopEvidence(ri, tips);
    std::vector<int> out;
    for (const auto& [a, b] : pic.lines) {
        AssessPoint from{(a.x + 0.5) / f - 0.5, (a.y + 0.5) / f - 0.5}, to{(b.x + 0.5) / f - 0.5, (b.y + 0.5) / f - 0.5};
        std::vector<AssessTip> row = distalRow(tips, px, false, from, to);
        fillRow(ri, planes, mask, row, from, to);
        out.push_back(static_cast<int>(row.size()));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string condition = "typical";
    int per = 2;
    uint64_t seed = 1;
    CountSettings s;
    std::string cache;
    bool dump = false;
    int frames = 0;
    std::string method = "count";
    double show = 0;
    for (int i = 1; i < argc; ++i) {
        auto more = [&](int n) { return i + n < argc; };
        if (!std::strcmp(argv[i], "--condition") && more(1)) condition = argv[++i];
        else if (!std::strcmp(argv[i], "--per") && more(1)) per = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && more(1)) seed = uint64_t(std::atoll(argv[++i]));
        else if (!std::strcmp(argv[i], "--limb") && more(2)) s.minLimbUm = std::atof(argv[++i]), s.maxLimbUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--band") && more(1)) s.bandUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--single-limb") && more(1)) s.limbUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--spacing") && more(1)) s.minSpacingUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--threshold") && more(1)) s.threshold = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--cache") && more(1)) cache = argv[++i];
        else if (!std::strcmp(argv[i], "--dump")) dump = true;
        else if (!std::strcmp(argv[i], "--method") && more(1)) method = argv[++i];
        else if (!std::strcmp(argv[i], "--show") && more(1)) show = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--frames") && more(1)) frames = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: count_study [--condition typical|hard] [--per N] [--seed S] [--limb MIN MAX] "
                                 "[--band UM] [--single-limb UM] [--spacing UM] [--threshold T] [--cache DIR] [--frames N] [--dump] "
                                 "[--method count|assess|assess-fill]\n");
            return 2;
        }
    }
    // One row of `show` per mm: the picture, and along its first line the
    // truth's crossings and the profiles by whole loops and single limbs.
    if (show > 0) {
        SyntheticNailfold::Params p;
        CapillaroscopeLook look;
        if (!countRowScene(condition, seed, show, p, look)) return 1;
        test::CountRowPicture pic;
        SyntheticNailfold::Truth truth;
        if (!generateCapillaroscope(p, look, pic.img, truth)) return 1;
        pic.umPerPixel = p.umPerPixelX;
        SynthRandom r(seed, 424243);
        test::addRowLines(pic, truth, p.width, r);
        {
            // The top half, its green stretched over the grey range, the lines drawn in.
            const int w = pic.img.width(), h = pic.img.rows() / 2;
            CZVimage out(w, h, -1, CZVimage::kFrame, CZVimage::kGrey);
            int lo = 255, hi = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) lo = std::min<int>(lo, pic.img.row(y)[3 * x + 1]), hi = std::max<int>(hi, pic.img.row(y)[3 * x + 1]);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    out.row(y)[x] = static_cast<uint8_t>(255 * (pic.img.row(y)[3 * x + 1] - lo) / std::max(1, hi - lo));
            for (const auto& [a, b] : pic.lines)
                for (double t = 0; t <= 1; t += 0.002) {
                    const int x = static_cast<int>(a.x + t * (b.x - a.x)), y = static_cast<int>(a.y + t * (b.y - a.y));
                    if (x >= 0 && y >= 0 && x < w && y < h && (static_cast<int>(t * 500) % 4) == 0) out.row(y)[x] = 255;
                }
            (void)savePicture(out, "/tmp/show.png");
            if (const char* c = std::getenv("SHOW_CROP")) {
                int x0 = 0, y0 = 0, cw = 0, ch = 0, z = 3;
                std::sscanf(c, "%d,%d,%d,%d,%d", &x0, &y0, &cw, &ch, &z);
                CZVimage crop(cw * z, ch * z, -1, CZVimage::kFrame, CZVimage::kGrey);
                // Stretched over the crop's own range of green.
                int clo = 255, chi = 0;
                auto green = [&](int y, int x) { return static_cast<int>(pic.img.row(std::min(h - 1, y0 + y))[3 * std::min(w - 1, x0 + x) + 1]); };
                for (int y = 0; y < ch; ++y)
                    for (int x = 0; x < cw; ++x) clo = std::min(clo, green(y, x)), chi = std::max(chi, green(y, x));
                for (int y = 0; y < ch * z; ++y)
                    for (int x = 0; x < cw * z; ++x) {
                        const bool line = out.row(std::min(h - 1, y0 + y / z))[std::min(w - 1, x0 + x / z)] == 255;
                        crop.row(y)[x] = line ? 255 : static_cast<uint8_t>(255 * (green(y / z, x / z) - clo) / std::max(1, chi - clo));
                    }
                (void)savePicture(crop, "/tmp/crop.png");
            }
        }
        for (size_t l = 0; l < pic.lines.size(); ++l) {
            const auto [a, b] = pic.lines[l];
            const CountLineTruth t = countLineTruth(truth, {a.x, a.y}, {b.x, b.y});
            std::printf("line %zu: %.1f,%.1f -> %.1f,%.1f truth %d at", l, a.x, a.y, b.x, b.y, t.count);
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            for (const auto& c : t.crossings) std::printf(" %.0f", std::hypot(c.x - a.x, c.y - a.y) * pic.umPerPixel);
            std::printf("\n");
            (void)len;
            // The loops near the line: apex, widths, limb spacing, length.
            if (std::getenv("SHOW_LOOPS"))
                for (const auto& L : truth.loops)
                    if (L.apex.x >= std::min(a.x, b.x) - 20 && L.apex.x <= std::max(a.x, b.x) + 20 && std::abs(L.apex.y - a.y) < 150)
                        std::printf("  loop row %d apex %.0f,%.0f widths %.0f/%.0f/%.0f spacing %.0f length %.0f shape %d dilated %d\n",
                                    L.row, L.apex.x, L.apex.y, L.arterialWidthUm, L.venousWidthUm, L.apexWidthUm,
                                    L.limbSpacingUm, L.lengthUm, L.shape, L.dilated ? 1 : 0);
        }
        const RidgeImage ridge = ridgeImage(pic.img, pic.umPerPixel, pic.umPerPixel, s);
        CountSettings loopsOnly = s;
        loopsOnly.limbUm = 0;
        const size_t shown = std::getenv("SHOW_LINE") ? std::min<size_t>(pic.lines.size() - 1, std::strtoul(std::getenv("SHOW_LINE"), nullptr, 10)) : 0;
        const auto [a, b] = pic.lines[shown];
        const CountResult byLoop = countAlongLine(ridge, a, b, loopsOnly), byLimb = countAlongLine(ridge, a, b, s);
        std::printf("loops %d at", byLoop.count);
        for (int k : byLoop.peaks) std::printf(" %.0f", k * byLoop.stepUm);
        std::printf("\ncounted %d (limbs %d) at", byLimb.count, byLimb.singleLimbs ? 1 : 0);
        for (int k : byLimb.peaks) std::printf(" %.0f", k * byLimb.stepUm);
        std::printf("\nlevel %.3f\n", byLimb.level);
        for (size_t i = 0; i < byLimb.profile.size(); i += 2)
            std::printf("%.0f %.3f %.3f\n", i * byLimb.stepUm, byLoop.profile[i], byLimb.profile[i]);
        return 0;
    }
    // Drawing the pictures takes longer than counting on them: a cache
    // keeps them between runs that try settings.
    std::vector<test::CountRowPicture> pics;
    const std::string file = cache.empty() ? "" : cache + "/" + condition + "-" + std::to_string(per) + "-" + std::to_string(seed) + (frames > 0 ? "-f" + std::to_string(frames) : "") + ".bin";
    if (std::ifstream in(file, std::ios::binary); !file.empty() && in) {
        int n = 0;
        in.read(reinterpret_cast<char*>(&n), sizeof n);
        for (int k = 0; k < n; ++k) {
            test::CountRowPicture pic;
            int w = 0, h = 0, lines = 0;
            in.read(reinterpret_cast<char*>(&w), sizeof w).read(reinterpret_cast<char*>(&h), sizeof h);
            in.read(reinterpret_cast<char*>(&pic.umPerPixel), sizeof pic.umPerPixel).read(reinterpret_cast<char*>(&lines), sizeof lines);
            pic.img = CZVimage(w, h, -1, CZVimage::kFrame, CZVimage::kColour);
            in.read(reinterpret_cast<char*>(pic.img.data()), static_cast<std::streamsize>(pic.img.byteCount()));
            pic.lines.resize(static_cast<size_t>(lines));
            pic.truth.resize(static_cast<size_t>(lines));
            in.read(reinterpret_cast<char*>(pic.lines.data()), static_cast<std::streamsize>(lines * sizeof pic.lines[0]));
            in.read(reinterpret_cast<char*>(pic.truth.data()), static_cast<std::streamsize>(lines * sizeof(int)));
            pics.push_back(std::move(pic));
        }
    } else {
        if (frames > 0) {
            // Whole frames of the condition (5 to 9 loops per mm) instead of rows.
            for (int k = 0; k < frames; ++k) {
                SyntheticNailfold::Params p;
                CapillaroscopeLook look;
                p.seed = seed + static_cast<uint64_t>(k);
                applyCapillaroscopeCondition(condition, p, look);
                SynthRandom r(p.seed, 424242);
                test::CountRowPicture pic;
                SyntheticNailfold::Truth truth;
                if (!generateCapillaroscope(p, look, pic.img, truth)) continue;
                pic.umPerPixel = p.umPerPixelX;
                test::addRowLines(pic, truth, p.width, r);
                pics.push_back(std::move(pic));
            }
        } else {
            pics = test::countRowPictures(condition, per, seed);
        }
        if (std::ofstream out(file, std::ios::binary); !file.empty() && out) {
            const int n = static_cast<int>(pics.size());
            out.write(reinterpret_cast<const char*>(&n), sizeof n);
            for (const auto& pic : pics) {
                const int w = pic.img.width(), h = pic.img.rows(), lines = static_cast<int>(pic.lines.size());
                out.write(reinterpret_cast<const char*>(&w), sizeof w).write(reinterpret_cast<const char*>(&h), sizeof h);
                out.write(reinterpret_cast<const char*>(&pic.umPerPixel), sizeof pic.umPerPixel);
                out.write(reinterpret_cast<const char*>(&lines), sizeof lines);
                out.write(reinterpret_cast<const char*>(pic.img.data()), static_cast<std::streamsize>(pic.img.byteCount()));
                out.write(reinterpret_cast<const char*>(pic.lines.data()), static_cast<std::streamsize>(lines * sizeof pic.lines[0]));
                out.write(reinterpret_cast<const char*>(pic.truth.data()), static_cast<std::streamsize>(lines * sizeof(int)));
            }
        }
    }
    // One row per line: the truth, the count by whole loops only and as
    // set, whether the picture resolves single limbs, and the widths the
    // two ridge images find for its clearest vessels.
    if (dump) {
        CountSettings loopsOnly = s;
        loopsOnly.limbUm = 0;
        std::printf("truth loops counted resolved loop_width_um limb_width_um show_seed line\n");
        for (size_t k = 0; k < pics.size(); ++k) {
            const auto& pic = pics[k];
            const RidgeImage ridge = ridgeImage(pic.img, pic.umPerPixel, pic.umPerPixel, s);
            for (size_t l = 0; l < pic.lines.size(); ++l) {
                const auto [a, b] = pic.lines[l];
                // The seed --show draws this picture with (rows, not --frames).
                const uint64_t showSeed = seed + 100 * (k / static_cast<size_t>(per) + 1) + k % static_cast<size_t>(per);
                std::printf("%d %d %d %d %.1f %.1f %llu %zu\n", pic.truth[l], countAlongLine(ridge, a, b, loopsOnly).count,
                            countAlongLine(ridge, a, b, s).count, limbsResolved(ridge, s) ? 1 : 0, ridge.vesselWidthUm,
                            ridge.limbs ? ridge.limbs->vesselWidthUm : 0.0, static_cast<unsigned long long>(showSeed), l);
            }
        }
        return 0;
    }
    const test::CountRowScore sc = method == "assess"        ? test::scoreCountRows(pics, assessCounts)
                                   : method == "assess-fill" ? test::scoreCountRows(pics, assessFillCounts)
                                                             : test::scoreCountRows(pics, s);
    const char* names[] = {"1-3", "4-6", "7-9", "10-12"};
    std::printf("%-8s %5s %6s %6s %5s %6s %7s %7s\n", "band", "lines", "MAE", "r", "+-1", "slope", "truth", "found");
    auto row = [](const char* name, const test::CountAgreement& a) {
        std::printf("%-8s %5d %6.2f %6.2f %4.0f%% %6.2f %7.2f %7.2f\n", name, a.lines(), a.mae(), a.pearson(),
                    100 * a.within1(), a.slope(), a.meanTruth(), a.meanFound());
    };
    for (int b = 0; b < 4; ++b) row(names[b], sc.band[b]);
    row("all", sc.all);
    // The range real pictures were scored over: rows of 1 to 9 per mm.
    test::CountAgreement upTo9;
    for (size_t i = 0; i < sc.all.truth.size(); ++i)
        if (sc.all.truth[i] <= 9) upTo9.truth.push_back(sc.all.truth[i]), upTo9.found.push_back(sc.all.found[i]);
    row("1-9", upTo9);
    return 0;
}
