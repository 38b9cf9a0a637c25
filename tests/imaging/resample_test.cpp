// ResampleSmooth against the plain rules: path choice, exactness, alpha, palettes, escape.
#include "imaging/cximage.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

namespace {

struct Size {
    int sw, sh, dw, dh;
};

class ResampleMatchesRules : public ::testing::TestWithParam<Size> { };

TEST_P(ResampleMatchesRules, WithinOneLevelOfTheReference)
{
    const Size s = GetParam();
    CxImage src = opref::randomImage(uint32_t(s.sw), uint32_t(s.sh), uint32_t(s.sw * 31 + s.dh));
    src.AlphaCreate();
    for (int y = 0; y < s.sh; ++y)
        for (int x = 0; x < s.sw; ++x)
            src.AlphaSet(x, y, uint8_t(x * 13 + y * 7));
    const CxImage ref = opref::resample(src, s.dw, s.dh);
    CxImage fast(src);
    ASSERT_TRUE(fast.ResampleSmooth(s.dw, s.dh));
    ASSERT_EQ(fast.GetWidth(), uint32_t(s.dw));
    ASSERT_EQ(fast.GetHeight(), uint32_t(s.dh));
    EXPECT_LE(opref::maxDiff(fast, ref), 1);
    int alphaDiff = 0;
    for (int y = 0; y < s.dh; ++y)
        for (int x = 0; x < s.dw; ++x)
            alphaDiff = std::max(alphaDiff, std::abs(fast.AlphaGet(x, y) - ref.AlphaGet(x, y)));
    EXPECT_LE(alphaDiff, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResampleMatchesRules,
    ::testing::Values(Size { 64, 48, 32, 24 }, // area path, scale 2
        Size { 32, 24, 64, 48 }, // Catmull-Rom, scale 1/2
        Size { 125, 94, 32, 24 }, // area path, fractional scale
        Size { 40, 30, 10, 10 }, // different scales per axis
        Size { 17, 13, 45, 29 }, // odd enlargement
        Size { 40, 12, 20, 30 }, // only the width shrinks
        Size { 1, 1, 5, 3 }, // single pixel
        Size { 9, 7, 1, 1 }));

TEST(CxImageResample, HalvingAveragesEachTwoByTwoBlock)
{
    // Blocks of 2 x 2 distinct values: only an area average gives their exact mean.
    CxImage src(8, 8, 24, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t v = uint8_t(((x & 1) + 2 * (y & 1)) * 40);
            src.SetPixelColor(x, y, RGBQUAD { v, v, v, 0 });
        }
    ASSERT_TRUE(src.ResampleSmooth(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_NEAR(src.GetPixelColor(x, y).rgbGreen, 60, 1) << x << "," << y;
}

TEST(CxImageResample, DoublingInterpolatesAtHalfPixelPositions)
{
    // A linear ramp stays linear under Catmull-Rom: position (x + 0.5) / 2 - 0.5 gives 10 * that.
    CxImage src(16, 4, 24, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            src.SetPixelColor(x, y, RGBQUAD { uint8_t(10 * x + 20), 0, 0, 0 });
    ASSERT_TRUE(src.ResampleSmooth(32, 8));
    for (int x = 4; x < 28; ++x)
        EXPECT_NEAR(src.GetPixelColor(x, 3).rgbBlue, 20 + 10 * ((x + 0.5) / 2 - 0.5), 1.0) << x;
}

TEST(CxImageResample, SameSizeAndBadSizes)
{
    CxImage src = opref::randomImage(20, 10, 5);
    const CxImage before(src);
    CxImage dest;
    EXPECT_TRUE(src.ResampleSmooth(20, 10, 16, 5, &dest));
    EXPECT_EQ(opref::maxDiff(src, before), 0);
    EXPECT_EQ(opref::maxDiff(dest, before), 0);
    EXPECT_FALSE(src.ResampleSmooth(0, 10));
    EXPECT_FALSE(src.ResampleSmooth(10, -1));
    EXPECT_EQ(opref::maxDiff(src, before), 0);
    CxImage empty;
    EXPECT_FALSE(empty.ResampleSmooth(10, 10));
}

TEST(CxImageResample, DestinationLeavesSourceAlone)
{
    CxImage src = opref::randomImage(30, 20, 6);
    const CxImage before(src);
    CxImage dest;
    ASSERT_TRUE(src.ResampleSmooth(15, 10, 16, 5, &dest));
    EXPECT_EQ(opref::maxDiff(src, before), 0);
    EXPECT_EQ(dest.GetWidth(), 15u);
    EXPECT_EQ(opref::maxDiff(dest, opref::resample(src, 15, 10)) <= 1, true);
}

TEST(CxImageResample, PaletteImagesKeepTheirPaletteAndUseNearestEntries)
{
    CxImage src = opref::randomImage(24, 24, 7, 4);
    CxImage colour(src);
    ASSERT_TRUE(colour.IncreaseBpp(24));
    ASSERT_TRUE(src.ResampleSmooth(12, 12));
    ASSERT_TRUE(colour.ResampleSmooth(12, 12));
    ASSERT_EQ(src.GetBpp(), 4);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            CxImage probe(src, false, false, false);
            EXPECT_EQ(src.GetPixelIndex(x, y), probe.NearestPaletteIndex(colour.GetPixelColor(x, y, false)));
        }
}

TEST(CxImageResample, GrayScaleImagesStayGray)
{
    CxImage src = opref::randomImage(40, 30, 8, 8);
    CxImage colour(src);
    ASSERT_TRUE(colour.IncreaseBpp(24));
    ASSERT_TRUE(src.ResampleSmooth(17, 11));
    ASSERT_TRUE(colour.ResampleSmooth(17, 11));
    EXPECT_TRUE(src.IsGrayScale());
    EXPECT_EQ(opref::maxDiff(src, colour), 0);
}

TEST(CxImageResample, EscapeStillDeliversThePicture)
{
    CxImage src = opref::randomImage(40, 40, 9);
    src.SetEscape(1);
    EXPECT_TRUE(src.ResampleSmooth(20, 20));
    EXPECT_EQ(src.GetWidth(), 20u);
}

} // namespace

namespace {

TEST(CxImageResample, DisabledAveragingInterpolatesWhenReducing)
{
    const CxImage src = opref::randomImage(30, 20, 12);
    CxImage fast(src);
    ASSERT_TRUE(fast.ResampleSmooth(12, 9, 16, 5, nullptr, true));
    const double sx = 30.0 / 12, sy = 20.0 / 9;
    int worst = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const int want = int(opref::interpolated(src, 1, (x + 0.5) * sx - 0.5, (y + 0.5) * sy - 0.5));
            worst = std::max(worst, std::abs(fast.GetPixelColor(x, y).rgbGreen - want));
        }
    EXPECT_LE(worst, 1);
}

} // namespace
