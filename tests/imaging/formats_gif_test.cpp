// Tests of the GIF codec: palette and quantised round trips, animation frames, transparency,
// and files exchanged with ImageMagick.
#include "imaging/cximage.h"
#include "imaging/formats/cximage_gif.h"

#include "tests/common/test_support.h"
#include "tests/imaging/formats_test_util.h"

#include <gtest/gtest.h>

using namespace fmttest;

TEST(CxImageGif, PaletteRoundTripKeepsIndicesPaletteAndTransparency)
{
    CxImage src = paletted(19, 11);
    src.SetTransparentIndex(7);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_GIF);
    ASSERT_FALSE(bytes.empty()) << src.GetLastError();
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_GIF)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(back.TransparentIndex(), 7);
    EXPECT_EQ(back.GetNumFrames(), 1);
    for (uint32_t y = 0; y < 11; ++y)
        for (uint32_t x = 0; x < 19; ++x)
            ASSERT_EQ(back.GetPixelIndex(int(x), int(y)), src.GetPixelIndex(int(x), int(y)));
    EXPECT_TRUE(imgtest::samePixels(back, src));
}

TEST(CxImageGif, TwentyFourBitPictureWithFewColoursSurvivesQuantising)
{
    CxImage src = fewColours(20, 9);
    CxImage back;
    ASSERT_TRUE(decodeBytes(back, encodeBytes(src, CXIMAGE_FORMAT_GIF), 0)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_GIF));
    EXPECT_LE(maxDifference(back, src), 8);
}

TEST(CxImageGif, AnimationFramesAreSelectableAndCounted)
{
    CxImage a = paletted(8, 6), b = paletted(8, 6), c = paletted(8, 6);
    b.Clear(3);
    c.Clear(9);
    a.SetFrameDelay(10);
    b.SetFrameDelay(20);
    c.SetFrameDelay(30);
    CxImage* frames[] = { &a, &b, &c };
    CxImageGIF gif;
    CxMemFile mem;
    mem.Open();
    ASSERT_TRUE(gif.Encode(&mem, frames, 3, true)) << gif.GetLastError();
    std::vector<uint8_t> bytes(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());

    CxImage second;
    second.SetCurrentFrame(1);
    ASSERT_TRUE(decodeBytes(second, bytes, CXIMAGE_FORMAT_GIF)) << second.GetLastError();
    EXPECT_EQ(second.GetNumFrames(), 3);
    EXPECT_EQ(second.GetPixelIndex(5, 5), 3);
    EXPECT_EQ(second.GetFrameDelay(), 20u);

    CxImage missing;
    missing.SetCurrentFrame(5);
    EXPECT_FALSE(decodeBytes(missing, bytes, CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(missing.GetNumFrames(), 3);
    EXPECT_FALSE(missing.IsValid());

    CxImage all;
    all.SetRetrieveAllFrames(true);
    ASSERT_TRUE(decodeBytes(all, bytes, CXIMAGE_FORMAT_GIF));
    ASSERT_EQ(all.GetNumFrames(), 3);
    ASSERT_NE(all.GetFrame(2), nullptr);
    EXPECT_EQ(all.GetFrame(2)->GetPixelIndex(0, 0), 9);
    EXPECT_EQ(all.GetFrame(2)->GetFrameDelay(), 30u);
    EXPECT_TRUE(imgtest::samePixels(*all.GetFrame(0), a));
}

TEST(CxImageGif, SharedPaletteMapsLaterFramesToTheFirstPalette)
{
    CxImage a = paletted(4, 4);
    CxImage b = fewColours(4, 4);
    CxImage* frames[] = { &a, &b };
    CxImageGIF gif;
    CxMemFile mem;
    mem.Open();
    ASSERT_TRUE(gif.Encode(&mem, frames, 2, false));
    std::vector<uint8_t> bytes(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
    CxImage back;
    back.SetCurrentFrame(1);
    ASSERT_TRUE(decodeBytes(back, bytes, CXIMAGE_FORMAT_GIF));
    for (uint32_t i = 0; i < 256; ++i) {
        const RGBQUAD p = back.GetPaletteColor(i), q = a.GetPaletteColor(i);
        ASSERT_TRUE(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue) << i;
    }
}

TEST(CxImageGif, ReadsAndWritesFilesImageMagickUnderstands)
{
    SKIP_WITHOUT_IMAGEMAGICK();
    testsupport::TempDir dir;
    CxImage src = fewColours(23, 13);
    writePpm(dir.file("in.ppm"), src);
    ASSERT_TRUE(convert(dir.file("in.ppm") + " " + dir.file("im.gif")));
    CxImage img;
    ASSERT_TRUE(img.Load(dir.file("im.gif").c_str(), CXIMAGE_FORMAT_GIF)) << img.GetLastError();
    EXPECT_EQ(maxDifference(img, src), 0);

    CxImage pal = paletted(17, 9);
    ASSERT_TRUE(pal.Save(dir.file("ours.gif").c_str(), CXIMAGE_FORMAT_GIF));
    CxImage seen;
    ASSERT_TRUE(readWithImageMagick(dir.file("ours.gif"), seen, dir.path().string()));
    EXPECT_EQ(maxDifference(seen, pal), 0);
}

TEST(CxImageGif, DamagedFilesFailWithAText)
{
    CxImage src = paletted(40, 30);
    std::vector<uint8_t> bytes = encodeBytes(src, CXIMAGE_FORMAT_GIF);
    CxImage img;
    EXPECT_FALSE(decodeBytes(img, { 'G', 'I', 'F', '8', '9', 'a' }, CXIMAGE_FORMAT_GIF));
    EXPECT_STRNE(img.GetLastError(), "");
    // A screen of 65535 x 65535 with a frame claiming the same, backed by a few bytes.
    std::vector<uint8_t> huge = bytes;
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
    EXPECT_FALSE(decodeBytes(img, huge, CXIMAGE_FORMAT_GIF));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_FALSE(decodeBytes(img, { 'G', 'I', 'F' }, CXIMAGE_FORMAT_GIF));
    EXPECT_STREQ(img.GetLastError(), "Not a GIF");
}
