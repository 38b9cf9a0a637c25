// Flip, Mirror and the colour operations: gray scale, threshold, lookup tables, gamma, palettes, depths.
#include "imaging/cximage.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

namespace {

TEST(CxImageGeometry, FlipOddRowsKeepsTheMiddleRow)
{
    CxImage img = opref::randomImage(5, 7, 1);
    const CxImage before(img);
    img.AlphaCreate();
    img.AlphaSet(0, 0, 7);
    ASSERT_TRUE(img.Flip());
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(img.GetPixelColor(x, y, false).rgbRed, before.GetPixelColor(x, 6 - y, false).rgbRed);
    EXPECT_EQ(img.AlphaGet(0, 6), 7);
    CxImage empty;
    EXPECT_FALSE(empty.Flip());
}

TEST(CxImageGeometry, FlipSelectionMovesMaskAndBox)
{
    CxImage img = opref::randomImage(6, 10, 2);
    img.SelectRectangle(1, 1, 2, 3);
    ASSERT_TRUE(img.Flip(true, true));
    const CxRect b = img.SelectionGetBox();
    EXPECT_EQ(b.bottom, 6);
    EXPECT_EQ(b.top, 9);
    EXPECT_TRUE(img.SelectionIsInside(1, 8));
    EXPECT_FALSE(img.SelectionIsInside(1, 1));
}

TEST(CxImageGeometry, MirrorReversesRowsAtEveryDepth)
{
    for (uint32_t bpp : { 1u, 4u, 8u, 24u }) {
        CxImage img = opref::randomImage(13, 3, 3, bpp);
        const CxImage before(img);
        img.SelectRectangle(0, 0, 2, 2);
        ASSERT_TRUE(img.Mirror(true, true)) << bpp;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x) {
                const RGBQUAD a = img.GetPixelColor(x, y, false), b = before.GetPixelColor(12 - x, y, false);
                EXPECT_TRUE(a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue) << bpp;
            }
        EXPECT_EQ(img.SelectionGetBox().left, 10);
        EXPECT_EQ(img.SelectionGetBox().right, 13);
        EXPECT_TRUE(img.SelectionIsInside(12, 0));
    }
}

TEST(CxImageColour, NegativeInvertsSelectedPixelsOnly)
{
    CxImage img = opref::randomImage(8, 8, 4);
    const CxImage before(img);
    img.SelectRectangle(2, 2, 4, 4);
    ASSERT_TRUE(img.Negative());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int inside = x >= 2 && x <= 4 && y >= 2 && y <= 4;
            const int a = img.GetPixelColor(x, y).rgbGreen, b = before.GetPixelColor(x, y).rgbGreen;
            EXPECT_EQ(a, inside ? 255 - b : b);
        }
}

TEST(CxImageColour, GrayOfPureRedIs76)
{
    CxImage img(2, 2, 24, 0);
    img.Clear(0);
    img.SetPixelColor(0, 0, RGBQUAD { 0, 0, 255, 0 });
    ASSERT_TRUE(img.GrayScale());
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_TRUE(img.IsGrayScale());
    EXPECT_EQ(img.GetPixelIndex(0, 0), 76);
}

TEST(CxImageColour, GrayScaleOfPaletteImages)
{
    CxImage img(4, 1, 4, 0);
    img.SetPaletteColor(3, 255, 0, 0);
    img.SetPaletteColor(5, 0, 255, 0);
    img.SetPixelIndex(0, 0, 3);
    img.SetPixelIndex(1, 0, 5);
    img.SetTransparentIndex(5);
    ASSERT_TRUE(img.GrayScale());
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 76);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 149);
    EXPECT_EQ(img.TransparentIndex(), 149);
}

TEST(CxImageColour, ThresholdZeroWhitensEveryNonBlackPixel)
{
    CxImage img(3, 1, 24, 0);
    img.SetPixelColor(0, 0, RGBQUAD { 0, 0, 0, 0 });
    img.SetPixelColor(1, 0, RGBQUAD { 0, 0, 4, 0 }); // gray 1
    img.SetPixelColor(2, 0, RGBQUAD { 255, 255, 255, 0 });
    ASSERT_TRUE(img.Threshold(0));
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 1);
    EXPECT_EQ(img.GetPixelColor(2, 0).rgbRed, 255);
}

TEST(CxImageColour, GammaOneIsIdentityAndZeroIsRefused)
{
    CxImage img = opref::randomImage(9, 9, 5);
    const CxImage before(img);
    ASSERT_TRUE(img.Gamma(1.0f));
    EXPECT_EQ(opref::maxDiff(img, before), 0);
    EXPECT_FALSE(img.Gamma(0.0f));
    EXPECT_STRNE(img.GetLastError(), "");
    ASSERT_TRUE(img.Gamma(2.0f));
    // Brightening: mid gray goes up, black and white stay.
    CxImage g(1, 1, 24, 0);
    g.SetPixelColor(0, 0, RGBQUAD { 128, 0, 255, 0 });
    g.Gamma(2.0f);
    EXPECT_GT(g.GetPixelColor(0, 0).rgbBlue, 170);
    EXPECT_EQ(g.GetPixelColor(0, 0).rgbGreen, 0);
    EXPECT_EQ(g.GetPixelColor(0, 0).rgbRed, 255);
}

TEST(CxImageColour, LookupTableOnPaletteAndEmptySelection)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = uint8_t(255 - i);
    CxImage pal = opref::randomImage(4, 4, 6, 4);
    const RGBQUAD e = pal.GetPaletteColor(2);
    ASSERT_TRUE(pal.ApplyLookupTable(table));
    EXPECT_EQ(pal.GetPaletteColor(2).rgbRed, 255 - e.rgbRed);
    CxImage img = opref::randomImage(4, 4, 7);
    img.SelectionCreate();
    EXPECT_FALSE(img.ApplyLookupTable(table));
}

TEST(CxImageColour, DecreaseBppRules)
{
    CxImage img = opref::randomImage(16, 16, 8, 8);
    img.SetStandardPalette();
    EXPECT_FALSE(img.DecreaseBpp(24, false));
    EXPECT_STREQ(img.GetLastError(), "DecreaseBpp: target BPP greater than source BPP");
    CxImage colour = opref::randomImage(16, 16, 9);
    const CxImage before(colour);
    ASSERT_TRUE(colour.DecreaseBpp(16, false));
    EXPECT_EQ(colour.GetBpp(), 24);
    EXPECT_EQ(opref::maxDiff(colour, before), 0);
    ASSERT_TRUE(colour.DecreaseBpp(8, false));
    EXPECT_EQ(colour.GetBpp(), 8);
    CxImage probe(colour, false, false, false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(colour.GetPixelIndex(x, y), probe.NearestPaletteIndex(before.GetPixelColor(x, y, false)));
}

TEST(CxImageColour, ErrorDiffusionSpreadsTheError)
{
    // Mid gray on black-and-white: without diffusion all black; with it about half the pixels white.
    CxImage img(32, 32, 24, 0);
    img.Clear(128);
    CxImage plain(img);
    ASSERT_TRUE(plain.DecreaseBpp(1, false));
    ASSERT_TRUE(img.DecreaseBpp(1, true));
    int whitePlain = 0, whiteDiffused = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            whitePlain += plain.GetPixelIndex(x, y);
            whiteDiffused += img.GetPixelIndex(x, y);
        }
    EXPECT_EQ(whitePlain, 1024); // 128 is nearer to 255 than to 0
    EXPECT_GT(whiteDiffused, 350);
    EXPECT_LT(whiteDiffused, 700);
}

TEST(CxImageColour, IncreaseBppKeepsColoursAndTransparency)
{
    CxImage img = opref::randomImage(7, 5, 10, 4);
    img.SetTransparentIndex(3);
    const CxImage before(img);
    ASSERT_TRUE(img.IncreaseBpp(24));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(opref::maxDiff(img, before), 0);
    EXPECT_EQ(img.TransparentColour().rgbRed, before.GetPaletteColor(3).rgbRed);
    CxImage four = opref::randomImage(7, 5, 11, 1);
    ASSERT_TRUE(four.IncreaseBpp(8));
    EXPECT_EQ(four.GetBpp(), 8);
    EXPECT_FALSE(four.IncreaseBpp(4));
    EXPECT_FALSE(four.IncreaseBpp(16));
}

TEST(CxImageColour, HueRampAndStandardPalettes)
{
    CxImage img(4, 4, 8, 0);
    img.SetGrayPalette();
    ASSERT_TRUE(img.HueRampPalette(1.0f));
    // Hue 0 is red, hue 85 (120 degrees) green, hue 170 blue.
    EXPECT_GT(img.GetPaletteColor(0).rgbRed, 200);
    EXPECT_GT(img.GetPaletteColor(85).rgbGreen, 200);
    EXPECT_GT(img.GetPaletteColor(170).rgbBlue, 200);
    img.SetStandardPalette();
    EXPECT_EQ(img.GetPaletteColor(7).rgbRed, 192);
    EXPECT_EQ(img.GetPaletteColor(18).rgbRed, 185);
    EXPECT_EQ(img.GetPaletteColor(18).rgbGreen, 122);
    CxImage four(2, 2, 4, 0);
    four.SetStandardPalette();
    EXPECT_EQ(four.GetPaletteColor(9).rgbRed, 255);
    EXPECT_EQ(four.GetPaletteColor(9).rgbGreen, 0);
}

} // namespace
