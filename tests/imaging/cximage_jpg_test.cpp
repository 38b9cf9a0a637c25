// Tests of the JPEG codec: colour, gray and CMYK reading, scale, density, EXIF, quality, refusals.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "imaging/formats/cximage_jpg.h"

#include "tests/common/test_support.h"
#include "tests/imaging/imaging_test_util.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace imgtest;

namespace {
std::vector<uint8_t> encodeJpeg(CxImage& img)
{
    CxMemFile mem;
    mem.Open();
    EXPECT_TRUE(img.Encode(&mem, CXIMAGE_FORMAT_JPG)) << img.GetLastError();
    const uint8_t* b = mem.GetBuffer(false);
    return std::vector<uint8_t>(b, b + mem.Size());
}

bool decodeJpeg(CxImage& img, std::vector<uint8_t> bytes)
{
    CxMemFile mem(bytes.data(), bytes.size());
    return img.Decode(&mem, CXIMAGE_FORMAT_JPG);
}

int maxDifference(const CxImage& a, const CxImage& b)
{
    int worst = 0;
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(int32_t(x), int32_t(y), false);
            const RGBQUAD q = b.GetPixelColor(int32_t(x), int32_t(y), false);
            worst = std::max({ worst, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen),
                std::abs(p.rgbBlue - q.rgbBlue) });
        }
    }
    return worst;
}

/// Values of the first quantisation table (zig-zag order) of a JPEG stream.
std::vector<int> firstQuantTable(const std::vector<uint8_t>& jpg)
{
    for (size_t i = 2; i + 4 < jpg.size(); ++i) {
        if (jpg[i] == 0xFF && jpg[i + 1] == 0xDB)
            return std::vector<int>(jpg.begin() + long(i) + 5, jpg.begin() + long(i) + 5 + 64);
    }
    return {};
}

/// Little-endian EXIF block: X and Y resolution 72/1 and 144/1, unit inch.
std::vector<uint8_t> exifBlock()
{
    std::vector<uint8_t> v = { 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0 };
    put32(v, 8);
    put16(v, 3);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        put16(v, tag);
        put16(v, type);
        put32(v, count);
        put32(v, value);
    };
    const uint32_t data = 8 + 2 + 3 * 12 + 4;
    entry(0x011A, 5, 1, data);
    entry(0x011B, 5, 1, data + 8);
    entry(0x0128, 3, 1, 2);
    put32(v, 0);
    put32(v, 72);
    put32(v, 1);
    put32(v, 144);
    put32(v, 1);
    return v;
}
} // namespace

TEST(CxImageJpg, ColourRoundTripIsClose)
{
    CxImage src = smooth(64, 48);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    CxImage back;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(back.GetWidth(), 64u);
    EXPECT_LE(maxDifference(back, src), 12);
    // Orientation: the bottom-left corner is dark in blue and green, the top-right bright.
    EXPECT_LT(back.GetPixelColor(0, 0).rgbBlue, 20);
    EXPECT_GT(back.GetPixelColor(63, 47).rgbGreen, 230);
}

TEST(CxImageJpg, GrayRoundTripGivesGrayPalette)
{
    CxImage gray(16, 16, 8, 0);
    gray.SetGrayPalette();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            gray.SetPixelIndex(x, y, uint8_t(x * 16));
    std::vector<uint8_t> bytes = encodeJpeg(gray);
    CxImage back;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_NEAR(back.GetPixelIndex(8, 3), 128, 6);
}

TEST(CxImageJpg, QualityIsWrittenAsSet)
{
    static const int kLuminance[64] = { 16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24,
        40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113,
        92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99 };
    static const int kZigzag[64] = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41,
        34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52,
        45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };
    for (int quality : { 99, 90, 50 }) {
        CxImage src = smooth(16, 16);
        src.SetJpegQuality(float(quality));
        const std::vector<int> table = firstQuantTable(encodeJpeg(src));
        ASSERT_EQ(table.size(), 64u);
        const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
        for (int i = 0; i < 64; ++i) {
            const int expect = std::clamp((kLuminance[kZigzag[i]] * scale + 50) / 100, 1, 255);
            ASSERT_EQ(table[size_t(i)], expect) << "quality " << quality << " entry " << i;
        }
    }
}

TEST(CxImageJpg, PaletteImageIsRefused)
{
    CxImage pal(4, 4, 8, 0);
    pal.SetPaletteColor(0, 255, 0, 0);
    CxMemFile mem;
    mem.Open();
    EXPECT_FALSE(pal.Encode(&mem, CXIMAGE_FORMAT_JPG));
    EXPECT_STREQ(pal.GetLastError(), "JPEG can save only RGB or GreyScale images");
    CxImage mono(4, 4, 1, 0);
    EXPECT_FALSE(mono.Encode(&mem, CXIMAGE_FORMAT_JPG));
}

TEST(CxImageJpg, ScaleGivesSmallerPicture)
{
    CxImage src = smooth(64, 48);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    CxImage thumb;
    thumb.SetJpegScale(8);
    ASSERT_TRUE(decodeJpeg(thumb, bytes));
    EXPECT_EQ(thumb.GetWidth(), 8u);
    EXPECT_EQ(thumb.GetHeight(), 6u);
    EXPECT_NEAR(thumb.GetPixelColor(7, 5).rgbGreen, 235, 20);
}

TEST(CxImageJpg, DensityFromJfifUnits)
{
    CxImage src = smooth(8, 8);
    src.SetXDPI(300);
    src.SetYDPI(150);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    ASSERT_EQ(bytes[2], 0xFF);
    ASSERT_EQ(bytes[3], 0xE0);
    CxImage back;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 150);

    bytes[13] = 2; // dots per centimetre
    bytes[14] = 0;
    bytes[15] = 118;
    bytes[16] = 0;
    bytes[17] = 59;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 150);

    bytes[13] = 0; // aspect ratio only: 1:2
    bytes[15] = 1;
    bytes[17] = 2;
    CxImage aspect;
    ASSERT_TRUE(decodeJpeg(aspect, bytes));
    EXPECT_EQ(aspect.GetXDPI(), 96);
    EXPECT_EQ(aspect.GetYDPI(), 192);
}

TEST(CxImageJpg, ExifResolutionWinsAndBlockIsWrittenBack)
{
    CxImage src = smooth(8, 8);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    const std::vector<uint8_t> exif = exifBlock();
    std::vector<uint8_t> app1 = { 0xFF, 0xE1, uint8_t((exif.size() + 2) >> 8), uint8_t(exif.size() + 2) };
    app1.insert(app1.end(), exif.begin(), exif.end());
    bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());

    CxImage back;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_EQ(back.GetXDPI(), 72);
    EXPECT_EQ(back.GetYDPI(), 144);
    EXPECT_EQ(back.GetExifBlock(), exif);

    std::vector<uint8_t> again = encodeJpeg(back);
    EXPECT_NE(std::search(again.begin(), again.end(), exif.begin(), exif.end()), again.end());

    CxMemFile mem(bytes.data(), bytes.size());
    CxImageJPG jpg;
    ASSERT_TRUE(jpg.DecodeExif(&mem));
    EXPECT_DOUBLE_EQ(jpg.ExifInfo().xResolution, 72.0);
    EXPECT_EQ(jpg.ExifInfo().resolutionUnit, 2);
}

TEST(CxImageJpg, DamagedFilesFail)
{
    CxImage src = smooth(64, 64);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    CxImage img = patterned(3, 3);
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + long(bytes.size() / 2));
    EXPECT_FALSE(decodeJpeg(img, truncated));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_EQ(img.GetWidth(), 3u);
    EXPECT_FALSE(decodeJpeg(img, { 0xFF, 0xD8 }));
    EXPECT_FALSE(decodeJpeg(img, {}));
    std::vector<uint8_t> wrongSize = bytes;
    // SOF0 height 0 is not a valid picture.
    for (size_t i = 2; i + 8 < wrongSize.size(); ++i) {
        if (wrongSize[i] == 0xFF && wrongSize[i + 1] == 0xC0) {
            wrongSize[i + 5] = 0;
            wrongSize[i + 6] = 0;
            break;
        }
    }
    EXPECT_FALSE(decodeJpeg(img, wrongSize));
    EXPECT_TRUE(img.IsValid());
}

TEST(CxImageJpg, MatchesLibjpegUtilities)
{
    if (!run("command -v cjpeg") || !run("command -v djpeg"))
        GTEST_SKIP() << "libjpeg-turbo-progs not installed";
    testsupport::TempDir dir;
    CxImage src = patterned(37, 21);
    // PPM of the source, top row first.
    std::string header = "P6\n37 21\n255\n";
    std::vector<uint8_t> ppm(header.begin(), header.end());
    for (int y = 20; y >= 0; --y) {
        for (int x = 0; x < 37; ++x) {
            const RGBQUAD c = src.GetPixelColor(x, y);
            ppm.push_back(c.rgbRed);
            ppm.push_back(c.rgbGreen);
            ppm.push_back(c.rgbBlue);
        }
    }
    writeFile(dir.file("in.ppm"), ppm);
    ASSERT_TRUE(run("cjpeg -quality 85 -outfile " + dir.file("c.jpg") + " " + dir.file("in.ppm")));
    ASSERT_TRUE(run("djpeg -pnm -outfile " + dir.file("d.ppm") + " " + dir.file("c.jpg")));
    const std::vector<uint8_t> ref = readFile(dir.file("d.ppm"));
    const size_t data = ref.size() - 37 * 21 * 3;
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("c.jpg").c_str(), CXIMAGE_FORMAT_JPG));
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 37; ++x) {
            const RGBQUAD c = img.GetPixelColor(x, 20 - y);
            const uint8_t* r = &ref[data + size_t(y * 37 + x) * 3];
            ASSERT_EQ(c.rgbRed, r[0]) << x << "," << y;
            ASSERT_EQ(c.rgbGreen, r[1]);
            ASSERT_EQ(c.rgbBlue, r[2]);
        }
    }

    // Our file read by djpeg: same size and close pixels.
    src.SetJpegQuality(95);
    ASSERT_TRUE(src.Save(dir.file("ours.jpg").c_str(), CXIMAGE_FORMAT_JPG));
    ASSERT_TRUE(run("djpeg -pnm -outfile " + dir.file("o.ppm") + " " + dir.file("ours.jpg")));
    const std::vector<uint8_t> o = readFile(dir.file("o.ppm"));
    ASSERT_GT(o.size(), 37u * 21 * 3);
    EXPECT_EQ(std::string(o.begin(), o.begin() + 9), "P6\n37 21\n");
}

TEST(CxImageJpg, CmykFromImageMagick)
{
    const std::string im = imageMagick();
    if (im.empty())
        GTEST_SKIP() << "ImageMagick not installed";
    testsupport::TempDir dir;
    ASSERT_TRUE(run(im + " -size 16x8 xc:red -colorspace CMYK -quality 95 " + dir.file("cmyk.jpg")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("cmyk.jpg").c_str(), CXIMAGE_FORMAT_JPG)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    const RGBQUAD c = img.GetPixelColor(8, 4);
    EXPECT_GT(c.rgbRed, 230);
    EXPECT_LT(c.rgbGreen, 25);
    EXPECT_LT(c.rgbBlue, 25);
}

TEST(CxImageJpg, CodecOptionsChangeCodingAndOutput)
{
    CxImage src = smooth(48, 32);
    src.SetCodecOption(CxImageJPG::ENCODE_PROGRESSIVE | CxImageJPG::ENCODE_OPTIMIZE | CxImageJPG::ENCODE_SUBSAMPLE_444,
        CXIMAGE_FORMAT_JPG);
    std::vector<uint8_t> bytes = encodeJpeg(src);
    bool progressive = false;
    for (size_t i = 2; i + 1 < bytes.size(); ++i)
        progressive |= bytes[i] == 0xFF && bytes[i + 1] == 0xC2;
    EXPECT_TRUE(progressive);
    CxImage back;
    ASSERT_TRUE(decodeJpeg(back, bytes));
    EXPECT_LE(maxDifference(back, src), 10);

    CxImage gray;
    gray.SetCodecOption(CxImageJPG::DECODE_GRAYSCALE, CXIMAGE_FORMAT_JPG);
    ASSERT_TRUE(decodeJpeg(gray, bytes));
    EXPECT_EQ(gray.GetBpp(), 8);
    EXPECT_TRUE(gray.IsGrayScale());

    CxImage quantized;
    quantized.SetCodecOption(CxImageJPG::DECODE_QUANTIZE | CxImageJPG::DECODE_DITHER, CXIMAGE_FORMAT_JPG);
    ASSERT_TRUE(decodeJpeg(quantized, bytes));
    EXPECT_EQ(quantized.GetBpp(), 8);
    EXPECT_FALSE(quantized.IsGrayScale());
    EXPECT_LE(maxDifference(quantized, src), 60);
}
