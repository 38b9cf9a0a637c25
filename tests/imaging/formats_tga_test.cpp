// Tests of the TGA codec: round trips, run-length and top-origin files built by hand, 16-bit
// pixels, files exchanged with ImageMagick and damaged headers.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

namespace {
std::vector<uint8_t> tgaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor)
{
    std::vector<uint8_t> v = { 0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    imgtest::put16(v, w);
    imgtest::put16(v, h);
    v.push_back(depth);
    v.push_back(descriptor);
    return v;
}
} // namespace

TEST(CxImageTga, RoundTripsKeepPixelsPaletteAndAlpha)
{
    CxImage pal = paletted(13, 7);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(pal, CXIMAGE_FORMAT_TGA), CXIMAGE_FORMAT_TGA)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_TRUE(imgtest::samePixels(back, pal));

    CxImage gray(5, 4, 8, 0);
    gray.SetGrayPalette();
    gray.SetPixelIndex(1, 2, 200);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(gray, CXIMAGE_FORMAT_TGA), CXIMAGE_FORMAT_TGA));
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_EQ(back.GetPixelIndex(1, 2), 200);

    CxImage rgb = imgtest::patterned(17, 9);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, CXIMAGE_FORMAT_TGA), CXIMAGE_FORMAT_TGA));
    EXPECT_FALSE(back.AlphaIsValid());
    EXPECT_TRUE(imgtest::samePixels(back, rgb));
    ASSERT_TRUE(rgb.AlphaCreate());
    rgb.AlphaSet(16, 8, 3);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(rgb, CXIMAGE_FORMAT_TGA), CXIMAGE_FORMAT_TGA));
    EXPECT_TRUE(imgtest::samePixels(back, rgb));
    ASSERT_TRUE(back.AlphaIsValid());
    EXPECT_EQ(back.AlphaGet(16, 8), 3);
    EXPECT_EQ(back.AlphaGet(0, 0), 255);
}

TEST(CxImageTga, RunLengthTopOriginFileLoadsUpright)
{
    // 3 x 2, 24 bits, RLE, top-left origin: top row red red blue, bottom row three green.
    std::vector<uint8_t> v = tgaHeader(10, 3, 2, 24, 0x20);
    const uint8_t data[] = { 0x81, 0, 0, 255, 0x00, 255, 0, 0, 0x82, 0, 255, 0 };
    v.insert(v.end(), data, data + sizeof(data));
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v, CXIMAGE_FORMAT_TGA)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelColor(0, 1).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(2, 1).rgbBlue, 255);
    EXPECT_EQ(img.GetPixelColor(2, 0).rgbGreen, 255);
    EXPECT_EQ(img.GetPixelColor(2, 0).rgbRed, 0);

    // 16 bits, bottom-right origin: 0x7C00 is full red.
    std::vector<uint8_t> w16 = tgaHeader(2, 2, 1, 16, 0x10);
    w16.insert(w16.end(), { 0x00, 0x7C, 0x1F, 0x00 });
    ASSERT_TRUE(decodeBytes(img, w16, CXIMAGE_FORMAT_TGA));
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 255); // first stored pixel lands on the right
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, 255);
}

TEST(CxImageTga, ExchangesFilesWithImageMagick)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(29, 11);
    writePpm(dir.file("in.ppm"), src);
    // ImageMagick writes its rows top first; -orient TopLeft makes the header say so.
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -orient TopLeft " + dir.file("raw.tga")));
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -orient TopLeft -compress RLE " + dir.file("rle.tga")));
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -flip -orient BottomLeft -compress RLE " + dir.file("bottom.tga")));
    for (const char* name : { "raw.tga", "rle.tga", "bottom.tga" }) {
        CxImage img;
        ASSERT_TRUE(img.Load(dir.file(name).c_str(), CXIMAGE_FORMAT_TGA)) << name << img.GetLastError();
        EXPECT_EQ(maxDifference(img, src), 0) << name;
    }
    CxImage pal = paletted(10, 6);
    ASSERT_TRUE(pal.Save(dir.file("ours.tga").c_str(), CXIMAGE_FORMAT_TGA));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.tga"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, pal), 0);
    ASSERT_TRUE(src.Save(dir.file("ours24.tga").c_str(), CXIMAGE_FORMAT_TGA));
    ASSERT_TRUE(readWithImageMagick(dir.file("ours24.tga"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, src), 0);
}

TEST(CxImageTga, DamagedFilesFailWithAText)
{
    CxImage img;
    std::vector<uint8_t> raw = tgaHeader(2, 100, 100, 24, 0);
    raw.resize(raw.size() + 100);
    EXPECT_FALSE(decodeBytes(img, raw, CXIMAGE_FORMAT_TGA));
    EXPECT_STREQ(img.GetLastError(), "TGA file is truncated");
    // A tiny run-length file claiming 65535 x 65535 pixels is refused before allocating.
    std::vector<uint8_t> bomb = tgaHeader(10, 65535, 65535, 24, 0);
    bomb.insert(bomb.end(), { 0xFF, 1, 2, 3 });
    EXPECT_FALSE(decodeBytes(img, bomb, CXIMAGE_FORMAT_TGA));
    EXPECT_STREQ(img.GetLastError(), "TGA file is truncated");
    std::vector<uint8_t> cutRun = tgaHeader(10, 4, 4, 24, 0);
    cutRun.insert(cutRun.end(), { 0x83, 1, 2, 3, 0x05, 1 });
    EXPECT_FALSE(decodeBytes(img, cutRun, CXIMAGE_FORMAT_TGA));
    EXPECT_FALSE(decodeBytes(img, tgaHeader(2, 4, 4, 13, 0), CXIMAGE_FORMAT_TGA));
    EXPECT_STREQ(img.GetLastError(), "Not a TGA");
}
