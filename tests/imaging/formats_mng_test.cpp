// Tests of the MNG codec: RGB round trip, the RGB-only refusal, frames of an animation written
// by ImageMagick, JNG files, and damaged input.
#include "imaging/cximage.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageMng, RgbRoundTripKeepsPixels)
{
    CxImage src = imgtest::patterned(37, 14);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_MNG);
    ASSERT_FALSE(bytes.empty()) << src.GetLastError();
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, 0)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_MNG));
    EXPECT_EQ(back.GetNumFrames(), 1);
    EXPECT_FALSE(back.AlphaIsValid());
    EXPECT_TRUE(imgtest::samePixels(back, src));

    CxImage pal = paletted(4, 4);
    CxMemFile mem;
    mem.Open();
    EXPECT_FALSE(pal.Encode(&mem, CXIMAGE_FORMAT_MNG));
    EXPECT_STREQ(pal.GetLastError(), "MNG encoder can save only RGB images");
}

TEST(CxImageMng, ReadsFramesOfImageMagickAnimations)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    const std::string anim = dir.file("anim.mng");
    ASSERT_TRUE(convert("-size 8x6 xc:red -size 8x6 xc:lime -size 8x6 xc:blue -delay 10 " + anim));
    for (int frame = 0; frame < 3; ++frame) {
        CxImage img;
        img.SetCurrentFrame(frame);
        ASSERT_TRUE(img.Load(anim.c_str(), CXIMAGE_FORMAT_MNG)) << frame << ": " << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), 8u);
        const RGBQUAD c = img.GetPixelColor(3, 3);
        EXPECT_EQ(c.rgbRed, frame == 0 ? 255 : 0) << frame;
        EXPECT_EQ(c.rgbGreen, frame == 1 ? 255 : 0) << frame;
        EXPECT_EQ(c.rgbBlue, frame == 2 ? 255 : 0) << frame;
        EXPECT_GE(img.GetNumFrames(), 3);
    }
    CxImage beyond;
    beyond.SetCurrentFrame(7);
    EXPECT_FALSE(beyond.Load(anim.c_str(), CXIMAGE_FORMAT_MNG));
    EXPECT_GE(beyond.GetNumFrames(), 3);

    CxImage src = imgtest::smooth(24, 16);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " -quality 95 " + dir.file("photo.jng")));
    CxImage jng;
    ASSERT_TRUE(jng.Load(dir.file("photo.jng").c_str(), 0)) << jng.GetLastError();
    EXPECT_EQ(jng.GetType(), uint32_t(CXIMAGE_FORMAT_MNG));
    EXPECT_LE(maxDifference(jng, src), 16);

    CxImage rgb = imgtest::patterned(13, 9);
    ASSERT_TRUE(rgb.Save(dir.file("ours.mng").c_str(), CXIMAGE_FORMAT_MNG));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.mng"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, rgb), 0);
}

TEST(CxImageMng, DamagedFilesFailWithAText)
{
    CxImage src = imgtest::patterned(20, 20);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_MNG);
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40), CXIMAGE_FORMAT_MNG));
    EXPECT_STRNE(img.GetLastError(), "");
    std::vector<uint8_t> huge = bytes;
    huge[16] = huge[20] = 0x7F; // MHDR width and height
    EXPECT_FALSE(decodeBytes(img, huge, CXIMAGE_FORMAT_MNG));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, { 0x8A, 'M', 'N' }, CXIMAGE_FORMAT_MNG));
    EXPECT_STREQ(img.GetLastError(), "Not a MNG");
}
