// Tests of the WMF codec: a placeable metafile built here (a red rectangle on a white page)
// renders at its own size, EMF and damaged files fail with a text, saving is refused.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;
using imgtest::put16;
using imgtest::put32;

namespace {
void record(std::vector<uint8_t>& v, uint16_t function, std::initializer_list<uint16_t> params)
{
    put32(v, uint32_t(3 + params.size()));
    put16(v, function);
    for (uint16_t p : params)
        put16(v, p);
}

/// A 200 x 100 unit page at 100 units per inch (192 x 96 pixels at 96 dpi) with a red
/// rectangle over its left half.
std::vector<uint8_t> redRectangleWmf()
{
    std::vector<uint8_t> body;
    record(body, 0x020B, { 0, 0 }); // SetWindowOrg
    record(body, 0x020C, { 100, 200 }); // SetWindowExt: height, width
    record(body, 0x02FC, { 0, 0x00FF, 0, 0 }); // CreateBrushIndirect: solid, red, no hatch
    record(body, 0x012D, { 0 }); // SelectObject
    record(body, 0x0000 + 0x0106, { 5 }); // SetPolyFillMode, harmless
    record(body, 0x041B, { 100, 100, 0, 0 }); // Rectangle: bottom, right, top, left
    record(body, 0x0000, {}); // end of file

    std::vector<uint8_t> v;
    put32(v, 0x9AC6CDD7);
    put16(v, 0);
    put16(v, 0);
    put16(v, 0);
    put16(v, 200);
    put16(v, 100);
    put16(v, 100); // units per inch
    put32(v, 0);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2)
        checksum ^= uint16_t(v[i] | (v[i + 1] << 8));
    put16(v, checksum);
    put16(v, 1);
    put16(v, 9);
    put16(v, 0x0300);
    put32(v, uint32_t((18 + body.size()) / 2));
    put16(v, 1);
    put32(v, 7);
    put16(v, 0);
    v.insert(v.end(), body.begin(), body.end());
    return v;
}
} // namespace

TEST(CxImageWmf, PlaceableMetafileRendersAtItsOwnSize)
{
    // libwmf loads its standard Type 1 fonts even for pictures without text.
    if (!std::filesystem::exists("/usr/share/fonts/type1/urw-base35"))
        GTEST_SKIP() << "fonts-urw-base35 (libwmf's fonts) is not installed";
    CxImage img;
    ASSERT_TRUE(decodeBytes(img, redRectangleWmf(), CXIMAGE_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_WMF));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetWidth(), 192u);
    EXPECT_EQ(img.GetHeight(), 96u);
    // Left half red (its outline drawn with the default black pen), right half white.
    const RGBQUAD inside = img.GetPixelColor(88, 48), outside = img.GetPixelColor(104, 48);
    EXPECT_EQ(inside.rgbRed, 255);
    EXPECT_EQ(inside.rgbGreen, 0);
    EXPECT_EQ(outside.rgbRed, 255);
    EXPECT_EQ(outside.rgbGreen, 255);
    EXPECT_EQ(outside.rgbBlue, 255);

    CxImage probed;
    ASSERT_TRUE(decodeBytes(probed, redRectangleWmf(), 0)) << probed.GetLastError();
    EXPECT_EQ(probed.GetType(), uint32_t(CXIMAGE_FORMAT_WMF));
}

TEST(CxImageWmf, EmfDamagedFilesAndSavingFail)
{
    std::vector<uint8_t> emf(88, 0);
    emf[0] = 1;
    emf[4] = 88;
    emf[40] = ' ';
    emf[41] = 'E';
    emf[42] = 'M';
    emf[43] = 'F';
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, emf, CXIMAGE_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "EMF files are not supported");

    std::vector<uint8_t> cut = redRectangleWmf();
    cut.resize(30);
    EXPECT_FALSE(decodeBytes(img, cut, CXIMAGE_FORMAT_WMF));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, std::vector<uint8_t>(64, 7), CXIMAGE_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "Not a WMF");

    testsupport::TempDir dir;
    CxImage pic = imgtest::patterned(3, 3);
    EXPECT_FALSE(pic.Save(dir.file("x.wmf").c_str(), CXIMAGE_FORMAT_WMF));
    EXPECT_STREQ(pic.GetLastError(), "Save WMF not supported");
}
