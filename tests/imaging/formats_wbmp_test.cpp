// Tests of the WBMP codec: round trips, multi-byte sizes, brightness threshold for deeper
// pictures and files exchanged with ImageMagick.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageWbmp, RoundTripKeepsBitsAndUsesMultiByteSizes)
{
    CxImage src(130, 5, 1, 0);
    src.SetPaletteColor(0, 0, 0, 0);
    src.SetPaletteColor(1, 255, 255, 255);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 130; ++x)
            src.SetPixelIndex(x, y, uint8_t((x * y + x / 3) & 1));
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_WBMP);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(bytes[2], 0x81); // 130 = 1 * 128 + 2
    EXPECT_EQ(bytes[3], 0x02);
    EXPECT_EQ(bytes.size(), 5u + 17 * 5);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_WBMP)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 1);
    EXPECT_TRUE(imgtest::samePixels(back, src));
}

TEST(CxImageWbmp, DeeperPicturesAreThresholdedByBrightness)
{
    CxImage src(2, 1, 24, 0);
    src.SetPixelColor(0, 0, RGBQUAD { 200, 200, 200, 0 });
    src.SetPixelColor(1, 0, RGBQUAD { 255, 20, 20, 0 }); // dark: mostly blue
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(src, CXIMAGE_FORMAT_WBMP), CXIMAGE_FORMAT_WBMP));
    EXPECT_EQ(back.GetPixelColor(0, 0).rgbRed, 255);
    EXPECT_EQ(back.GetPixelColor(1, 0).rgbRed, 0);
}

TEST(CxImageWbmp, ExchangesFilesWithImageMagick)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src(21, 6, 24, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 21; ++x)
            src.SetPixelColor(x, y, (x + y) % 3 ? RGBQUAD { 255, 255, 255, 0 } : RGBQUAD { 0, 0, 0, 0 });
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("im.wbmp")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("im.wbmp").c_str(), CXIMAGE_FORMAT_WBMP)) << img.GetLastError();
    EXPECT_EQ(maxDifference(img, src), 0);
    ASSERT_TRUE(src.Save(dir.file("ours.wbmp").c_str(), CXIMAGE_FORMAT_WBMP));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.wbmp"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, src), 0);
}

TEST(CxImageWbmp, DamagedFilesFailWithAText)
{
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, { 0, 0, 10, 10, 0xFF }, CXIMAGE_FORMAT_WBMP));
    EXPECT_STREQ(img.GetLastError(), "WBMP file is truncated");
    EXPECT_FALSE(decodeBytes(img, { 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x7F }, CXIMAGE_FORMAT_WBMP));
    EXPECT_STREQ(img.GetLastError(), "WBMP file is truncated");
    EXPECT_FALSE(decodeBytes(img, { 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 1 }, CXIMAGE_FORMAT_WBMP));
    EXPECT_STREQ(img.GetLastError(), "Not a WBMP");
    EXPECT_FALSE(decodeBytes(img, { 1, 0, 1, 1, 0 }, CXIMAGE_FORMAT_WBMP));
    EXPECT_STREQ(img.GetLastError(), "Not a WBMP");
}
