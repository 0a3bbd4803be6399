// The stack-free region fill against a breadth-first reference, on shapes
// that defeat naive fills: a whole dark picture and a long comb.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <random>
#include <string>

#include "FilterTestSupport.h"
#include "image/RegionFill.h"

using namespace ordavia;

namespace {

BytePlane planeOf(CZVimage& img) { return {img.data(), img.stride(), img.width(), img.rows()}; }

// Queue-based reference: the set reached from (x, y) over `target`.
std::vector<char> reference(const CZVimage& img, int sx, int sy, uint8_t target, bool eight) {
    const int w = img.width(), h = img.rows();
    std::vector<char> seen(size_t(w) * size_t(h), 0);
    if (px(img, sx, sy) != target) return seen;
    std::deque<std::pair<int, int>> q{{sx, sy}};
    seen[size_t(sy * w + sx)] = 1;
    while (!q.empty()) {
        auto [x, y] = q.front();
        q.pop_front();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || (!eight && dx != 0 && dy != 0)) continue;
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= w || ny >= h || seen[size_t(ny * w + nx)] || px(img, nx, ny) != target)
                    continue;
                seen[size_t(ny * w + nx)] = 1;
                q.push_back({nx, ny});
            }
    }
    return seen;
}

// Fills and checks the result pixel by pixel against the reference.
void checkFill(CZVimage& img, int sx, int sy, uint8_t target, uint8_t label, Connectivity conn) {
    CZVimage before = copyOf(img);
    const auto want = reference(img, sx, sy, target, conn == Connectivity::Eight);
    const FillStats st = fillRegion(planeOf(img), sx, sy, target, label, conn);
    int64_t n = 0;
    double sx2 = 0;
    ZRect b{img.width(), img.rows(), 0, 0};
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const bool in = want[size_t(y * img.width() + x)];
            ASSERT_EQ(px(img, x, y), in ? label : px(before, x, y)) << x << "," << y;
            if (in) {
                ++n;
                sx2 += x;
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1)};
            }
        }
    EXPECT_EQ(st.count, n);
    EXPECT_DOUBLE_EQ(st.sumX, sx2);
    if (n) {
        EXPECT_EQ(st.bounds, b);
    }
}

// Peak resident memory since the last reset, in kB; -1 when the system
// does not let us reset it.
long peakKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
bool resetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    if (!out) return false;
    out << "5";
    out.flush();
    return bool(out);
}

}  // namespace

TEST(RegionFill, WholeDarkPictureOf4000SquareInBoundedMemory) {
    CZVimage img = greyImage(4000, 4000, 0);
    ASSERT_FALSE(img.isEmpty());
    const bool canMeasure = resetPeak();
    const long before = peakKb();
    const FillStats st = fillRegion(planeOf(img), 1234, 2345, 0, 1, Connectivity::Four);
    const long after = peakKb();
    EXPECT_EQ(st.count, 16000000);
    EXPECT_EQ(st.bounds, (ZRect{0, 0, 4000, 4000}));
    for (int y = 0; y < 4000; y += 97)
        for (int x = 0; x < 4000; x += 89) ASSERT_EQ(px(img, x, y), 1);
    EXPECT_EQ(px(img, 3999, 3999), 1);
    // A stack or queue of positions would need tens of megabytes here.
    if (canMeasure && before > 0) {
        EXPECT_LT(after - before, 2048) << before << " -> " << after << " kB";
    }
}

TEST(RegionFill, RandomPicturesMatchTheReferenceAndBadSeedsAreRefused) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        CZVimage img = randomImage(23 + int(seed % 7), 17 + int(seed % 5), seed, 0, 2);  // values 0, 1, 2
        for (int y = 0; y < img.rows(); ++y)
            for (int x = 0; x < img.width(); ++x) img.row(y)[x] = img.row(y)[x] == 0 ? 0 : 255;
        const int sx = int(seed * 5) % img.width(), sy = int(seed * 3) % img.rows();
        CZVimage four = copyOf(img);
        checkFill(four, sx, sy, px(img, sx, sy), 100, Connectivity::Four);
        checkFill(img, sx, sy, px(img, sx, sy), 100, Connectivity::Eight);
    }
    CZVimage img = greyImage(5, 5, 3);
    EXPECT_EQ(fillRegion(planeOf(img), -1, 0, 3, 4, Connectivity::Four).count, 0);
    EXPECT_EQ(fillRegion(planeOf(img), 0, 5, 3, 4, Connectivity::Four).count, 0);
    EXPECT_EQ(fillRegion(planeOf(img), 0, 0, 9, 4, Connectivity::Four).count, 0);
    EXPECT_EQ(fillRegion(planeOf(img), 0, 0, 3, 3, Connectivity::Four).count, 0);  // label = target
    EXPECT_EQ(px(img, 0, 0), 3);
    EXPECT_EQ(fillRegion(planeOf(img), 4, 4, 3, 4, Connectivity::Four).count, 25);
}

TEST(RegionFill, HolesAreWhatTheOutsideCannotReachDiagonally) {
    // A 5 x 5 region labelled 1 with a one-pixel hole at (1,3). The pixel
    // (3,1) is closed on its four sides too, but touches the open (4,0)
    // corner-to-corner, so the outside reaches it: not a hole.
    CZVimage img = greyImage(7, 6, {1, 1, 1, 1, 0, 9, 9,  //
                                    1, 1, 1, 0, 1, 9, 9,  //
                                    1, 1, 1, 1, 1, 9, 9,  //
                                    1, 0, 1, 1, 1, 9, 9,  //
                                    1, 1, 1, 1, 1, 9, 9,  //
                                    9, 9, 9, 9, 9, 9, 9});
    const FillStats added = fillHoles(planeOf(img), {0, 0, 5, 5}, 1);
    EXPECT_EQ(added.count, 1);
    EXPECT_EQ(px(img, 1, 3), 1);
    EXPECT_EQ(added.sumX, 1.0);
    EXPECT_EQ(px(img, 3, 1), 0);
    EXPECT_EQ(px(img, 4, 0), 0);
    EXPECT_EQ(px(img, 5, 0), 9);
}

TEST(RegionFill, CombWithMoreRunsThanTheStackHolds) {
    // A bar with a tooth every other column and random gaps: far more
    // pending runs than the scanline fill keeps, so most of the teeth are
    // finished by the boundary walk.
    CZVimage img = greyImage(140001, 6, 255);
    std::mt19937 rng(3);
    for (int x = 0; x < img.width(); ++x) {
        img.row(0)[x] = 0;
        if (x % 2 == 0)
            for (int y = 1; y < 6; ++y) img.row(y)[x] = (rng() % 9 == 0) ? 255 : 0;
    }
    CZVimage eight = copyOf(img);
    checkFill(img, 5, 0, 0, 7, Connectivity::Four);
    checkFill(eight, 77, 0, 0, 7, Connectivity::Eight);
}
