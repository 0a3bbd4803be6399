// Kymograph TIFFs that ask for more than their bytes hold are refused
// before the values are allocated.
#include <gtest/gtest.h>

#include "linescan/LineScanRun.h"
#include "support/TiffBytes.h"

using ordavia::StatusCode;

TEST(KymographTiff, SizesBeyondTheBytesOrTheCeilingAreRefused) {
    // 150 bytes declaring 8192 x 8192 (half a gigabyte of values): the ceiling.
    const std::vector<uint8_t> huge = testsupport::tiffDeclaring(8192, 8192);
    EXPECT_LT(huge.size(), 200u);
    for (bool alongX : {false, true}) {
        auto k = ordavia::loadKymograph(huge, alongX);
        ASSERT_FALSE(k);
        EXPECT_EQ(k.code(), StatusCode::NoMemory) << k.reason();
    }
    // Within the ceiling, but 16 bytes cannot hold 2048 x 2048 samples.
    auto k = ordavia::loadKymograph(testsupport::tiffDeclaring(2048, 2048), false);
    ASSERT_FALSE(k);
    EXPECT_EQ(k.code(), StatusCode::BadFormat) << k.reason();
    // A sound one still reads.
    auto ok = ordavia::loadKymograph(testsupport::greyTiffBytes(6, 3, 16, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), false);
    ASSERT_TRUE(ok) << ok.reason();
    EXPECT_EQ(ok->points, 6u);
    EXPECT_EQ(ok->values[7], 8);
}
