// Tests of the ICO codec: palette and 24-bit entries with their masks, 32-bit alpha, PNG
// entries, several entries per file, and icons exchanged with ImageMagick.
#include "imaging/cximage.h"
#include "imaging/formats/cximage_ico.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageIco, PaletteEntryMaskMarksTransparentPixels)
{
    CxImage src = paletted(16, 16, 4);
    src.SetTransparentIndex(5);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_ICO);
    ASSERT_FALSE(bytes.empty());
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_ICO)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 4);
    EXPECT_TRUE(imgtest::samePixels(back, src));
    ASSERT_TRUE(back.AlphaIsValid());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(back.AlphaGet(x, y), src.GetPixelIndex(x, y) == 5 ? 0 : 255) << x << "," << y;
}

TEST(CxImageIco, AlphaPictureTravelsAsThirtyTwoBits)
{
    CxImage src = imgtest::patterned(24, 20);
    ASSERT_TRUE(src.AlphaCreate());
    src.AlphaSet(1, 2, 77);
    src.AlphaSet(5, 6, 0);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_ICO);
    EXPECT_EQ(bytes[6 + 6], 32); // bit count in the directory
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, 0));
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_ICO));
    EXPECT_TRUE(imgtest::samePixels(back, src));
    EXPECT_EQ(back.AlphaGet(1, 2), 77);
    EXPECT_EQ(back.AlphaGet(5, 6), 0);
    EXPECT_EQ(back.AlphaGet(7, 7), 255);

    CxImage opaque = imgtest::patterned(9, 5);
    ASSERT_TRUE(decodeBytes(back, encodeBytes(opaque, CXIMAGE_FORMAT_ICO), CXIMAGE_FORMAT_ICO));
    EXPECT_FALSE(back.AlphaIsValid());
    EXPECT_TRUE(imgtest::samePixels(back, opaque));
}

TEST(CxImageIco, LargePicturesBecomePngEntriesAndAllEntriesRead)
{
    CxImage small = paletted(16, 16, 8), big = imgtest::patterned(300, 20);
    CxImage* images[] = { &small, &big };
    CxImageICO ico;
    CxMemFile mem;
    mem.Open();
    ASSERT_TRUE(ico.Encode(&mem, images, 2)) << ico.GetLastError();
    std::vector<uint8_t> bytes(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
    CxImage second;
    second.SetCurrentFrame(1);
    ASSERT_TRUE(decodeBytes(second, bytes, CXIMAGE_FORMAT_ICO)) << second.GetLastError();
    EXPECT_EQ(second.GetNumFrames(), 2);
    EXPECT_EQ(second.GetType(), uint32_t(CXIMAGE_FORMAT_ICO));
    EXPECT_TRUE(imgtest::samePixels(second, big));

    CxImage all;
    all.SetRetrieveAllFrames(true);
    ASSERT_TRUE(decodeBytes(all, bytes, CXIMAGE_FORMAT_ICO));
    ASSERT_EQ(all.GetNumFrames(), 2);
    EXPECT_TRUE(imgtest::samePixels(*all.GetFrame(0), small));
    CxImage none;
    none.SetCurrentFrame(2);
    EXPECT_FALSE(decodeBytes(none, bytes, CXIMAGE_FORMAT_ICO));
    EXPECT_EQ(none.GetNumFrames(), 2);
}

TEST(CxImageIco, ExchangesIconsWithImageMagick)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src = imgtest::patterned(32, 32);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("im.ico")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("im.ico").c_str(), CXIMAGE_FORMAT_ICO)) << img.GetLastError();
    EXPECT_EQ(maxDifference(img, src), 0);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("im.cur")));
    EXPECT_TRUE(img.Load(dir.file("im.cur").c_str(), 0)) << img.GetLastError();

    CxImage pal = paletted(16, 16, 8);
    ASSERT_TRUE(pal.Save(dir.file("ours.ico").c_str(), CXIMAGE_FORMAT_ICO));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.ico"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, pal), 0);
}

TEST(CxImageIco, DamagedFilesFailWithAText)
{
    CxImage src = paletted(16, 16, 8);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_ICO);
    CxImage img;
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 100);
    EXPECT_FALSE(decodeBytes(img, cut, CXIMAGE_FORMAT_ICO));
    EXPECT_STREQ(img.GetLastError(), "ICO entry is truncated");
    std::vector<uint8_t> huge = bytes;
    huge[22 + 4] = huge[22 + 5] = huge[22 + 6] = 0xFF; // entry width
    huge[22 + 7] = 0x7F;
    EXPECT_FALSE(decodeBytes(img, huge, CXIMAGE_FORMAT_ICO));
    EXPECT_STREQ(img.GetLastError(), "ICO entry size is invalid");
    std::vector<uint8_t> badOffset = bytes;
    badOffset[18] = 0xFF;
    badOffset[19] = 0xFF;
    EXPECT_FALSE(decodeBytes(img, badOffset, CXIMAGE_FORMAT_ICO));
    EXPECT_STREQ(img.GetLastError(), "ICO entry is outside the file");
    EXPECT_FALSE(decodeBytes(img, { 0, 0, 1, 0, 0, 0 }, CXIMAGE_FORMAT_ICO));
    EXPECT_STREQ(img.GetLastError(), "Not an ICO");
}
