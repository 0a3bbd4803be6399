#pragma once
// A line-scan document fed by hand with red cells of a known velocity, one
// column per sample, 0.02 s a field and 1 um a point.
#include <gtest/gtest.h>

#include "linescan/ZlineScanDoc.h"
#include "support/LineScanFeed.h"
#include "support/TestServices.h"

namespace linescantest {

struct ScanDocTest : ::testing::Test {
    ordavia::test::TestServices svc;
    ZlineScanDoc doc;
    int view = 0;
    MovingTexture tex;

    // A new document with a ring of `columns` columns.
    void open(ordavia::CbvParams p = {}, int32_t columns = 200) {
        svc.adopt(doc);
        ASSERT_TRUE(doc.OnNewDocument());
        doc.setParams(p, false);
        doc.setColumnsToSample(columns);
    }
    void start(uint32_t points, ordavia::CbvParams p = {}, int32_t columns = 200) {
        open(p, columns);
        ASSERT_TRUE(doc.startScan(&view, points, 1, 0.02, 1.0, "um"));
    }
    // Samples [from, from + n) of cells moving v points per sample.
    void feed(uint32_t points, double v, uint32_t n, uint32_t from = 0) {
        for (uint32_t s = from; s < from + n; ++s) {
            doc.sampleVector(0) = tex.sample(points, v, s);
            (void)doc.addSample(s);
        }
    }
};

}  // namespace linescantest
