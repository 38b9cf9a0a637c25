// Tests of the BMP reader and writer: header variants, RLE, bit fields, top-down files, alpha.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include "tests/common/test_support.h"
#include "tests/imaging/imaging_test_util.h"

#include <gtest/gtest.h>

using namespace imgtest;

namespace {
bool decodeBytes(CxImage& img, std::vector<uint8_t> bytes, uint32_t id = CXIMAGE_FORMAT_BMP)
{
    CxMemFile mem(bytes.data(), bytes.size());
    return img.Decode(&mem, id);
}

std::vector<uint8_t> encode(CxImage& img, uint32_t id = CXIMAGE_FORMAT_BMP)
{
    CxMemFile mem;
    mem.Open();
    EXPECT_TRUE(img.Encode(&mem, id)) << img.GetLastError();
    const uint8_t* b = mem.GetBuffer(false);
    return std::vector<uint8_t>(b, b + mem.Size());
}
} // namespace

TEST(CxImageBmp, TwentyFourBitRoundTripKeepsPixelsAndDpi)
{
    CxImage src = patterned(13, 7);
    src.SetXDPI(300);
    std::vector<uint8_t> bytes = encode(src);
    ASSERT_EQ(bytes.size(), 14u + src.GetSize());
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[10], 54);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes));
    EXPECT_TRUE(samePixels(back, src));
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_BMP));
}

TEST(CxImageBmp, BareDibLoads)
{
    CxImage src = patterned(6, 3);
    std::vector<uint8_t> bytes = encode(src);
    bytes.erase(bytes.begin(), bytes.begin() + 14);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes));
    EXPECT_TRUE(samePixels(back, src));
}

TEST(CxImageBmp, TopDownFileLoadsUpright)
{
    // 2 x 2, 24 bits, top row first: top-left red, bottom-left blue.
    std::vector<uint8_t> v = bmpHeaders(2, -2, 24, 0, 0, 54);
    const uint8_t rows[] = { 0, 0, 255, 0, 255, 0, 0, 0, /* top */ 255, 0, 0, 255, 255, 255, 0, 0 };
    v.insert(v.end(), rows, rows + sizeof(rows));
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v));
    EXPECT_EQ(img.GetPixelColor(0, 1).rgbRed, 255);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, 255);
    EXPECT_EQ(img.GetHeight(), 2u);
}

TEST(CxImageBmp, AlphaRoundTripThroughThirtyTwoBits)
{
    CxImage src = patterned(5, 4);
    ASSERT_TRUE(src.AlphaCreate());
    src.AlphaSet(2, 3, 17);
    std::vector<uint8_t> bytes = encode(src);
    EXPECT_EQ(bytes[28], 32); // bit count
    EXPECT_EQ(bytes.size(), 54u + 5 * 4 * 4);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes));
    EXPECT_EQ(back.GetBpp(), 24);
    ASSERT_TRUE(back.AlphaIsValid());
    EXPECT_EQ(back.AlphaGet(2, 3), 17);
    EXPECT_EQ(back.AlphaGet(0, 0), 255);
    EXPECT_TRUE(samePixels(back, src));
}

TEST(CxImageBmp, ThirtyTwoBitsWithZeroAlphaIsOpaque)
{
    std::vector<uint8_t> v = bmpHeaders(2, 1, 32, 0, 0, 54);
    const uint8_t px[] = { 1, 2, 3, 0, 4, 5, 6, 0 };
    v.insert(v.end(), px, px + 8);
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v));
    EXPECT_EQ(img.AlphaGet(0, 0), 255);
    EXPECT_EQ(img.AlphaGet(1, 0), 255);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 6);
}

TEST(CxImageBmp, PaletteImagesRoundTrip)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage src(11, 3, bpp, 0);
        for (uint32_t i = 0; i < src.GetNumColors(); ++i)
            src.SetPaletteColor(i, uint8_t(i * 3), uint8_t(255 - i), uint8_t(i));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                src.SetPixelIndex(x, y, uint8_t((x + y) % src.GetNumColors()));
        std::vector<uint8_t> bytes = encode(src);
        EXPECT_EQ(bytes[10] | (bytes[11] << 8), int(54 + 4 * src.GetNumColors()));
        CxImage back;
        ASSERT_TRUE(decodeBytes(back, bytes)) << bpp;
        EXPECT_EQ(back.GetBpp(), bpp);
        EXPECT_EQ(back.GetPixelIndex(10, 2), src.GetPixelIndex(10, 2));
        EXPECT_TRUE(samePixels(back, src));
    }
}

TEST(CxImageBmp, CoreHeaderWithThreeBytePalette)
{
    std::vector<uint8_t> v = { 'B', 'M' };
    put32(v, 0);
    put32(v, 0);
    put32(v, 14 + 12 + 6);
    put32(v, 12);
    put16(v, 3);
    put16(v, 1);
    put16(v, 1);
    put16(v, 1);
    const uint8_t pal[] = { 0, 0, 0, 10, 20, 30 };
    v.insert(v.end(), pal, pal + 6);
    const uint8_t row[] = { 0xA0, 0, 0, 0 }; // pixels 1, 0, 1
    v.insert(v.end(), row, row + 4);
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v));
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 30);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 0);
    EXPECT_EQ(img.GetPaletteColor(1).rgbReserved, 0);
}

TEST(CxImageBmp, Rle8EscapesAndOverlongRuns)
{
    std::vector<uint8_t> v = bmpHeaders(4, 3, 8, 1, 2, 14 + 40 + 8);
    put32(v, 0x000000);
    put32(v, 0x00FFFFFF);
    const uint8_t rle[] = {
        9, 1, // run of 9 on a 4-pixel row: clipped at the row end
        0, 0, // end of line
        0, 3, 1, 0, 1, 0, // literal of 3 with padding
        0, 2, 0, 1, // delta: up 1 -> (3, 2)
        2, 1, 0, 1, // run of 2 clipped at the row end, then end of bitmap
        5, 1, // never reached
    };
    v.insert(v.end(), rle, rle + sizeof(rle));
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelIndex(3, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(img.GetPixelIndex(1, 1), 0);
    EXPECT_EQ(img.GetPixelIndex(2, 1), 1);
    EXPECT_EQ(img.GetPixelIndex(3, 2), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 2), 0);
    EXPECT_EQ(img.GetPixelIndex(0, 2), 0);
}

TEST(CxImageBmp, Rle4AlternatesNibbles)
{
    std::vector<uint8_t> v = bmpHeaders(5, 1, 4, 2, 0, 14 + 40 + 64);
    for (int i = 0; i < 16; ++i)
        put32(v, uint32_t(i * 0x111111));
    const uint8_t rle[] = { 3, 0x12, 0, 3, 0x45, 0x60, 0, 1 };
    v.insert(v.end(), rle, rle + sizeof(rle));
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v));
    const uint8_t expect[] = { 1, 2, 1, 4, 5 };
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(img.GetPixelIndex(x, 0), expect[x]) << x;
}

TEST(CxImageBmp, SixteenBitDefaultAndBitFields)
{
    std::vector<uint8_t> v = bmpHeaders(2, 1, 16, 0, 0, 54);
    put16(v, 0x7C00); // 5-5-5 red
    put16(v, 0x001F); // blue
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, v));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0xF8);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbBlue, 0xF8);

    std::vector<uint8_t> f = bmpHeaders(1, 1, 16, 3, 0, 66);
    put32(f, 0xF800);
    put32(f, 0x07E0);
    put32(f, 0x001F);
    put16(f, 0x07E0);
    put16(f, 0);
    ASSERT_TRUE(decodeBytes(img, f));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 0xFC);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0);
}

TEST(CxImageBmp, ThirtyTwoBitFieldsDecodeTrueChannelValues)
{
    // Masks off byte boundaries: green 0x00000FF0, blue 0x0000000F (4 bits), red 0x3FF00000 (10 bits).
    std::vector<uint8_t> f = bmpHeaders(2, 1, 32, 3, 0, 66);
    put32(f, 0x3FF00000);
    put32(f, 0x00000FF0);
    put32(f, 0x0000000F);
    put32(f, 0x2AB00000 | 0x5A0 | 0x9); // red 0x2AB, green 0x5A, blue 9
    put32(f, 0x3FF00000 | 0xFF0 | 0xF);
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, f)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 0x5A);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0x2AB >> 2);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, 9 << 4);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbGreen, 0xFF);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 0xFF);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbBlue, 0xF0);

    // Whole-byte masks keep the byte-position rule: red and blue exchanged places.
    std::vector<uint8_t> b = bmpHeaders(1, 1, 32, 3, 0, 66);
    put32(b, 0x000000FF);
    put32(b, 0x0000FF00);
    put32(b, 0x00FF0000);
    put32(b, 0x00112233);
    ASSERT_TRUE(decodeBytes(img, b)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0x33);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbGreen, 0x22);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, 0x11);
}

TEST(CxImageBmp, BrokenFilesFailWithText)
{
    CxImage img = patterned(2, 2);
    EXPECT_FALSE(decodeBytes(img, { 'B', 'M', 0 }));
    EXPECT_STREQ(img.GetLastError(), "Not a BMP");
    EXPECT_FALSE(decodeBytes(img, bmpHeaders(2, 2, 24, 0, 0, 54, true)));
    EXPECT_STREQ(img.GetLastError(), "BMP file is truncated");
    EXPECT_FALSE(decodeBytes(img, bmpHeaders(2, 2, 24, 1, 0, 54)));
    EXPECT_STREQ(img.GetLastError(), "unknown compression");
    std::vector<uint8_t> rle4On8 = bmpHeaders(2, 2, 8, 2, 2, 62);
    rle4On8.resize(rle4On8.size() + 8 + 16);
    EXPECT_FALSE(decodeBytes(img, rle4On8));
    EXPECT_STREQ(img.GetLastError(), "compression type not supported");
    EXPECT_FALSE(decodeBytes(img, bmpHeaders(60000, 60000, 24, 0, 0, 54)));
    EXPECT_STREQ(img.GetLastError(), "BMP file is truncated"); // checked before allocating
    std::vector<uint8_t> hugeRle = bmpHeaders(60000, 60000, 8, 1, 2, 62);
    hugeRle.resize(hugeRle.size() + 8 + 4);
    EXPECT_FALSE(decodeBytes(img, hugeRle));
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    // 1 x 600M at 4 bits: 300 MB of pixels by the bit count, 2.4 GB with row padding.
    std::vector<uint8_t> tall = bmpHeaders(1, 600000000, 4, 2, 2, 62);
    tall.resize(tall.size() + 8 + 4);
    EXPECT_FALSE(decodeBytes(img, tall));
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    std::vector<uint8_t> shortInfo = bmpHeaders(2, 2, 24, 0, 0, 54);
    shortInfo.resize(30);
    EXPECT_FALSE(decodeBytes(img, shortInfo));
    EXPECT_STREQ(img.GetLastError(), "Error reading BMP info");
    EXPECT_EQ(img.GetWidth(), 2u); // the earlier picture survived every failure
    EXPECT_TRUE(img.IsValid());
}

TEST(CxImageBmp, ImageMagickFilesLoad)
{
    const std::string im = imageMagick();
    if (im.empty())
        GTEST_SKIP() << "ImageMagick not installed";
    testsupport::TempDir dir;
    // A 4x2 picture: top row red, green, blue, white; bottom row black, grey, yellow, cyan.
    const std::string ppm = dir.file("src.ppm");
    writeFile(ppm, [] {
        std::string h = "P6\n4 2\n255\n";
        std::vector<uint8_t> v(h.begin(), h.end());
        const uint8_t px[]
            = { 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128, 255, 255, 0, 0, 255, 255 };
        v.insert(v.end(), px, px + sizeof(px));
        return v;
    }());
    struct Case {
        const char* args;
        const char* out;
    };
    const Case cases[] = {
        { "", "BMP3:" },
        { "", "BMP:" },
        { "-type palette", "BMP3:" },
        { "-type palette -compress RLE", "BMP3:" },
        { "-define bmp:subtype=RGB565", "BMP:" },
        { "-alpha set", "BMP:" },
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = dir.file("im" + std::to_string(n++) + ".bmp");
        ASSERT_TRUE(run(im + " " + ppm + " " + c.args + " " + c.out + out)) << c.args;
        CxImage img;
        ASSERT_TRUE(img.Load(out.c_str(), CXIMAGE_FORMAT_BMP)) << c.args << ": " << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), 4u);
        const bool rgb565 = std::string(c.args).find("565") != std::string::npos;
        const RGBQUAD tl = img.GetPixelColor(0, 1, false);
        EXPECT_GE(tl.rgbRed, 248) << c.args;
        EXPECT_EQ(tl.rgbGreen, 0) << c.args;
        const RGBQUAD grey = img.GetPixelColor(1, 0, false);
        EXPECT_NEAR(grey.rgbGreen, 128, rgb565 ? 4 : 0) << c.args;
        const RGBQUAD cyan = img.GetPixelColor(3, 0, false);
        EXPECT_EQ(cyan.rgbRed, 0) << c.args;
        EXPECT_GE(cyan.rgbBlue, 248) << c.args;
    }
}
