// Tests of the SKA codec: exact round trips at 1, 4 and 8 bits, refusal of deeper pictures,
// and short files.
#include "imaging/cximage.h"

#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageSka, RoundTripsKeepDepthPaletteAndIndices)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage src = paletted(23, 6, bpp);
        std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_SKA);
        ASSERT_EQ(bytes.size(), 9u + 3u * (1u << bpp) + 23u * 6u);
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_SKA)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_SKA));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 23; ++x)
                ASSERT_EQ(back.GetPixelIndex(x, y), src.GetPixelIndex(x, y));
        EXPECT_TRUE(imgtest::samePixels(back, src));
    }
}

TEST(CxImageSka, DeepPicturesAndShortFilesFail)
{
    CxImage rgb = imgtest::patterned(3, 3);
    CxMemFile mem;
    mem.Open();
    EXPECT_FALSE(rgb.Encode(&mem, CXIMAGE_FORMAT_SKA));
    EXPECT_STREQ(rgb.GetLastError(), "SKA Images must be 8 bit or less");
    CxImage src = paletted(40, 40);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_SKA);
    bytes.resize(bytes.size() - 1);
    CxImage back;
    EXPECT_FALSE(decodeBytes(back, bytes, CXIMAGE_FORMAT_SKA));
    EXPECT_STREQ(back.GetLastError(), "SKA file is truncated");
    EXPECT_FALSE(decodeBytes(back, { 1, 0, 1, 0, 3, 0, 0, 0, 0 }, CXIMAGE_FORMAT_SKA));
    EXPECT_STREQ(back.GetLastError(), "Not a SKA");
}
