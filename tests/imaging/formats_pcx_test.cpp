// Tests of the PCX codec: round trips at every written depth, planar layouts, runs across
// lines, files exchanged with ImageMagick and damaged headers.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImagePcx, RoundTripsKeepDepthPaletteAndPixels)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage src = paletted(37, 9, bpp);
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, encodeBytes(src, CXIMAGE_FORMAT_PCX), CXIMAGE_FORMAT_PCX)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_TRUE(imgtest::samePixels(back, src)) << bpp;
    }
    CxImage rgb = imgtest::patterned(31, 8);
    rgb.SetXDPI(200);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, CXIMAGE_FORMAT_PCX), 0));
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_PCX));
    EXPECT_TRUE(imgtest::samePixels(back, rgb));
    EXPECT_EQ(back.GetXDPI(), 200);
    // Long runs and bytes >= 0xC0 must survive the run-length coder.
    CxImage flat(200, 3, 8, 0);
    flat.SetGrayPalette();
    flat.Clear(0xC5);
    flat.SetPixelIndex(7, 1, 0xFF);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(flat, CXIMAGE_FORMAT_PCX), CXIMAGE_FORMAT_PCX));
    EXPECT_TRUE(imgtest::samePixels(back, flat));
}

TEST(CxImagePcx, ExchangesFilesWithImageMagick)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(27, 13);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("rgb.pcx")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("rgb.pcx").c_str(), CXIMAGE_FORMAT_PCX)) << img.GetLastError();
    EXPECT_EQ(maxDifference(img, src), 0);
    CxImage few = fewColours(21, 10);
    writePpm(dir.file("few.ppm"), few);
    ASSERT_TRUE(convert(dir.file("few.ppm") + " -type Palette " + dir.file("pal.pcx")));
    ASSERT_TRUE(img.Load(dir.file("pal.pcx").c_str(), CXIMAGE_FORMAT_PCX)) << img.GetLastError();
    EXPECT_LE(img.GetBpp(), 8);
    EXPECT_EQ(maxDifference(img, few), 0);

    // 1-bit files are left out: ImageMagick ignores their palette and shows set bits black.
    for (uint32_t bpp : { 4u, 8u, 24u }) {
        CxImage ours = bpp == 24 ? src : paletted(19, 7, bpp);
        ASSERT_TRUE(ours.Save(dir.file("ours.pcx").c_str(), CXIMAGE_FORMAT_PCX));
        CxImage seen;
        ASSERT_TRUE(readWithImageMagick(dir.file("ours.pcx"), seen, dir.path().string())) << bpp;
        EXPECT_EQ(maxDifference(seen, ours), 0) << bpp;
    }
}

TEST(CxImagePcx, DamagedFilesFailWithAText)
{
    CxImage src = imgtest::patterned(64, 64);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_PCX);
    CxImage img;
    std::vector<uint8_t> huge = bytes;
    huge[8] = huge[10] = 0x9F; // xmax, ymax = 3999
    huge[9] = huge[11] = 0x0F;
    huge[66] = 0xA0; // 4000 bytes per line
    huge[67] = 0x0F;
    EXPECT_FALSE(decodeBytes(img, huge, CXIMAGE_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "PCX file is truncated");
    std::vector<uint8_t> narrow = bytes;
    narrow[66] = 2;
    narrow[67] = 0;
    EXPECT_FALSE(decodeBytes(img, narrow, CXIMAGE_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "PCX header is invalid");
    std::vector<uint8_t> odd = bytes;
    odd[3] = 3;
    EXPECT_FALSE(decodeBytes(img, odd, CXIMAGE_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "PCX layout is not supported");
    EXPECT_FALSE(decodeBytes(img, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 60), CXIMAGE_FORMAT_PCX));
    EXPECT_STREQ(img.GetLastError(), "Not a PCX");
}
