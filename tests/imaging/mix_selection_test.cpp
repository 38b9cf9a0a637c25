// Mix, keyed pasting, the key-colour mask and the selection model.
#include "imaging/cximage.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

namespace {

CxImage filled(uint32_t w, uint32_t h, RGBQUAD c)
{
    CxImage img(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(int32_t(x), int32_t(y), c);
    return img;
}

bool same(RGBQUAD a, RGBQUAD b)
{
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

TEST(CxImageMix, AlphaBlendWithoutAlphaOrKeyCopiesTheSource)
{
    CxImage dst = opref::randomImage(10, 8, 1);
    const CxImage src = opref::randomImage(10, 8, 2);
    ASSERT_TRUE(dst.Mix(src, CxImage::OpAlphaBlend));
    EXPECT_EQ(opref::maxDiff(dst, src), 0);
}

TEST(CxImageMix, ArithmeticOperationsPerChannel)
{
    const CxImage a = filled(2, 2, RGBQUAD { 200, 12, 100, 0 });
    const CxImage b = filled(2, 2, RGBQUAD { 100, 10, 0, 0 });
    struct Case {
        int op;
        RGBQUAD want;
    } cases[] = { { CxImage::OpAdd, { 255, 22, 100, 0 } }, { CxImage::OpAnd, { 200 & 100, 12 & 10, 0, 0 } },
        { CxImage::OpXor, { 200 ^ 100, 12 ^ 10, 100, 0 } }, { CxImage::OpOr, { 200 | 100, 12 | 10, 100, 0 } },
        { CxImage::OpSub, { 100, 2, 100, 0 } }, { CxImage::OpAvg, { 150, 11, 50, 0 } } };
    for (const Case& c : cases) {
        CxImage d(a);
        ASSERT_TRUE(d.Mix(b, c.op));
        EXPECT_TRUE(same(d.GetPixelColor(1, 1), c.want)) << c.op;
    }
    CxImage d(a);
    EXPECT_FALSE(d.Mix(b, 11));
    EXPECT_TRUE(same(d.GetPixelColor(0, 0), a.GetPixelColor(0, 0)));
}

TEST(CxImageMix, MaskKeepsPixelsUnderNonBlackAndOffsetsShiftTheSource)
{
    CxImage dst = filled(4, 1, RGBQUAD { 50, 60, 70, 0 });
    dst.SetTransparentColour(RGBQUAD { 1, 2, 3, 0 });
    CxImage mask = filled(4, 1, RGBQUAD { 0, 0, 0, 0 });
    mask.SetPixelColor(2, 0, RGBQUAD { 255, 255, 255, 0 });
    // Source x = x + 1: this image's pixel 1 looks at the mask's white pixel 2.
    ASSERT_TRUE(dst.Mix(mask, CxImage::OpMask, 1, 0));
    EXPECT_TRUE(same(dst.GetPixelColor(0, 0), RGBQUAD { 1, 2, 3, 0 }));
    EXPECT_TRUE(same(dst.GetPixelColor(1, 0), RGBQUAD { 50, 60, 70, 0 }));
    EXPECT_TRUE(same(dst.GetPixelColor(2, 0), RGBQUAD { 1, 2, 3, 0 }));
    // Pixel 3 has no source pixel and stays.
    EXPECT_TRUE(same(dst.GetPixelColor(3, 0), RGBQUAD { 50, 60, 70, 0 }));
}

TEST(CxImageMix, AlphaBlendWeighsTheSourceAlpha)
{
    CxImage dst = filled(1, 1, RGBQUAD { 0, 0, 0, 0 });
    CxImage src = filled(1, 1, RGBQUAD { 255, 255, 255, 0 });
    src.AlphaCreate();
    src.AlphaSet(0, 0, 102);
    ASSERT_TRUE(dst.Mix(src, CxImage::OpAlphaBlend, 0, 0, true));
    EXPECT_EQ(dst.GetPixelColor(0, 0).rgbGreen, 102);
    EXPECT_TRUE(dst.AlphaIsValid());
    EXPECT_EQ(dst.AlphaGet(0, 0), 102);
}

TEST(CxImageMix, SelectionLimitsMix)
{
    CxImage dst = opref::randomImage(6, 6, 3);
    const CxImage before(dst);
    const CxImage src = opref::randomImage(6, 6, 4);
    dst.SelectRectangle(1, 1, 2, 2);
    ASSERT_TRUE(dst.Mix(src, CxImage::OpAlphaBlend));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool in = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_TRUE(same(dst.GetPixelColor(x, y), (in ? src : before).GetPixelColor(x, y)));
        }
}

TEST(CxImagePasteKeyed, SkipsTheKeyColour)
{
    CxImage sticker = opref::randomImage(5, 4, 5);
    const RGBQUAD key = sticker.GetPixelColor(0, 3, false); // the top-left pixel
    sticker.SetPixelColor(4, 0, key);
    sticker.SetTransparentIndex(0);
    sticker.SetTransparentColour(key);
    CxImage dst = filled(10, 10, RGBQUAD { 9, 9, 9, 0 });
    ASSERT_TRUE(dst.PasteKeyed(sticker, 3, 2));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 5; ++i) {
            const RGBQUAD s = sticker.GetPixelColor(i, j, false);
            const RGBQUAD want = same(s, key) ? RGBQUAD { 9, 9, 9, 0 } : s;
            EXPECT_TRUE(same(dst.GetPixelColor(3 + i, 2 + j), want)) << i << "," << j;
        }
    EXPECT_TRUE(same(dst.GetPixelColor(2, 2), RGBQUAD { 9, 9, 9, 0 }));
    // Without a key everything is copied, partly outside the image too.
    sticker.SetTransparentIndex(-1);
    ASSERT_TRUE(dst.PasteKeyed(sticker, 7, -1));
    EXPECT_TRUE(same(dst.GetPixelColor(9, 0), sticker.GetPixelColor(2, 1, false)));
}

TEST(CxImageKeyColourMask, MarksTransparentPixels)
{
    CxImage img = filled(3, 2, RGBQUAD { 1, 1, 1, 0 });
    img.SetPixelColor(1, 1, RGBQUAD { 0, 255, 0, 0 });
    img.SetTransparentIndex(0);
    img.SetTransparentColour(RGBQUAD { 0, 255, 0, 0 });
    CxImage mask;
    ASSERT_TRUE(img.KeyColourMask(&mask));
    EXPECT_EQ(mask.GetBpp(), 1);
    EXPECT_EQ(mask.GetPixelIndex(1, 1), 1);
    EXPECT_EQ(mask.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(mask.GetPaletteColor(1).rgbRed, 255);
    EXPECT_EQ(img.GetBpp(), 24);
}

TEST(CxImageSelection, CornerOrderAndClipping)
{
    CxImage a(10, 10, 24, 0), b(10, 10, 24, 0);
    ASSERT_TRUE(a.SelectRectangle(2, 7, 5, 3));
    ASSERT_TRUE(b.SelectRectangle(5, 3, 2, 7));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(a.SelectionIsInside(x, y), x >= 2 && x <= 5 && y >= 3 && y <= 7);
            EXPECT_EQ(a.SelectionIsInside(x, y), b.SelectionIsInside(x, y));
        }
    EXPECT_EQ(a.SelectionGetBox().left, 2);
    EXPECT_EQ(a.SelectionGetBox().right, 6);
    EXPECT_EQ(a.SelectionGetBox().bottom, 3);
    EXPECT_EQ(a.SelectionGetBox().top, 8);
    CxImage c(10, 10, 24, 0);
    ASSERT_TRUE(c.SelectRectangle(-5, 20, 3, 8));
    EXPECT_EQ(c.SelectionGetBox().left, 0);
    EXPECT_EQ(c.SelectionGetBox().top, 10);
    EXPECT_EQ(c.SelectionGetBox().bottom, 8);
    EXPECT_TRUE(c.SelectionIsInside(0, 9));
    EXPECT_FALSE(c.SelectionIsInside(4, 9));
}

TEST(CxImageSelection, ClearDeleteAndRecompute)
{
    CxImage img(8, 6, 24, 0);
    EXPECT_FALSE(img.SelectionClear(255));
    ASSERT_TRUE(img.SelectionCreate());
    EXPECT_FALSE(img.SelectionIsInside(0, 0));
    ASSERT_TRUE(img.SelectionClear(255));
    EXPECT_EQ(img.SelectionGetBox().right, 8);
    EXPECT_EQ(img.SelectionGetBox().top, 6);
    img.SelectionClear(0);
    img.SelectionSet(3, 4, 9);
    img.SelectionSet(5, 1, 9);
    img.RecomputeSelectionBox();
    const CxRect b = img.SelectionGetBox();
    EXPECT_EQ(b.left, 3);
    EXPECT_EQ(b.right, 6);
    EXPECT_EQ(b.bottom, 1);
    EXPECT_EQ(b.top, 5);
    img.SelectionDelete();
    EXPECT_FALSE(img.SelectionIsValid());
    EXPECT_TRUE(img.SelectionIsInside(7, 5));
}

TEST(CxImageSelection, SetFromGrayImageAndBack)
{
    CxImage img(4, 3, 24, 0);
    CxImage colour(4, 3, 24, 0);
    EXPECT_FALSE(img.SelectionSet(colour));
    EXPECT_STREQ(img.GetLastError(), "CxImage::SelectionSet: wrong width or height, or image is not gray scale");
    CxImage gray(4, 3, 8, 0);
    gray.SetGrayPalette();
    gray.Clear(0);
    gray.SetPixelIndex(2, 1, 200);
    ASSERT_TRUE(img.SelectionSet(gray));
    EXPECT_TRUE(img.SelectionIsInside(2, 1));
    EXPECT_FALSE(img.SelectionIsInside(1, 1));
    EXPECT_EQ(img.SelectionGetBox().left, 2);
    CxImage back;
    ASSERT_TRUE(img.SelectionToImage(&back));
    EXPECT_EQ(back.GetPixelIndex(2, 1), 200);
    EXPECT_TRUE(back.IsGrayScale());
    CxImage other(4, 3, 24, 0);
    EXPECT_TRUE(other.SelectionCopy(img));
    EXPECT_TRUE(other.SelectionIsInside(2, 1));
    CxImage small(2, 2, 24, 0);
    EXPECT_FALSE(small.SelectionCopy(img));
}

} // namespace
