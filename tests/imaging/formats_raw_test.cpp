// Tests of the camera raw codec: a linear DNG written here with libtiff is developed by
// LibRaw, its size is read without developing, and saving is refused.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

#include <tiffio.h>

using namespace fmttest;

namespace {
/// A 64 x 48 linear-raw DNG: the left half strongly red, the right half strongly blue.
void writeDng(const std::string& path)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    const uint32_t w = 64, h = 48;
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, 34892); // linear raw
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
    TIFFSetField(t, TIFFTAG_MAKE, "Kivra");
    TIFFSetField(t, TIFFTAG_MODEL, "Test");
    static const uint8_t version[4] = { 1, 4, 0, 0 };
    TIFFSetField(t, TIFFTAG_DNGVERSION, version);
    TIFFSetField(t, TIFFTAG_UNIQUECAMERAMODEL, "Kivra Test");
    float matrix[9] = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
    TIFFSetField(t, TIFFTAG_COLORMATRIX1, 9, matrix);
    float neutral[3] = { 1, 1, 1 };
    TIFFSetField(t, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    std::vector<uint16_t> row(w * 3);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            row[x * 3] = x < w / 2 ? 60000 : 2000;
            row[x * 3 + 1] = 2000;
            row[x * 3 + 2] = x < w / 2 ? 2000 : 60000;
        }
        TIFFWriteScanline(t, row.data(), y, 0);
    }
    TIFFClose(t);
}
} // namespace

TEST(CxImageRaw, DevelopsADngIntoATwentyFourBitPicture)
{
    testsupport::TempDir dir;
    writeDng(dir.file("shot.dng"));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("shot.dng").c_str(), CXIMAGE_FORMAT_RAW)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_RAW));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetWidth(), 64u);
    EXPECT_EQ(img.GetHeight(), 48u);
    const RGBQUAD left = img.GetPixelColor(5, 5), right = img.GetPixelColor(58, 40);
    EXPECT_GT(left.rgbRed, left.rgbBlue + 100);
    EXPECT_GT(right.rgbBlue, right.rgbRed + 100);

    // Probing reaches the raw decoder: the TIFF reader refuses the linear raw data.
    CxImage probed;
    ASSERT_TRUE(probed.Load(dir.file("shot.dng").c_str(), CXIMAGE_FORMAT_UNKNOWN)) << probed.GetLastError();
    EXPECT_EQ(probed.GetType(), uint32_t(CXIMAGE_FORMAT_RAW));

    CxImage info;
    info.SetEscape(-1);
    ASSERT_TRUE(info.Load(dir.file("shot.dng").c_str(), CXIMAGE_FORMAT_RAW));
    EXPECT_EQ(info.GetWidth(), 64u);
    EXPECT_EQ(info.GetHeight(), 48u);
    EXPECT_EQ(info.GetType(), uint32_t(CXIMAGE_FORMAT_RAW));
}

TEST(CxImageRaw, SavingIsRefusedAndGarbageIsNotRaw)
{
    testsupport::TempDir dir;
    CxImage img = imgtest::patterned(4, 4);
    EXPECT_FALSE(img.Save(dir.file("x.nef").c_str(), CXIMAGE_FORMAT_RAW));
    EXPECT_STREQ(img.GetLastError(), "Save RAW not supported");
    CxImage junk;
    EXPECT_FALSE(decodeBytes(junk, std::vector<uint8_t>(300, 0x5A), CXIMAGE_FORMAT_RAW));
    EXPECT_STREQ(junk.GetLastError(), "Not a camera raw file");
}
