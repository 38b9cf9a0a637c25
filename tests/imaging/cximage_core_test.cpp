// Tests of the CxImage container: creation rules, copying, aliasing, pixels, palette, alpha.
#include "imaging/cximage.h"

#include <cstring>

#include <QImage>

#include <gtest/gtest.h>

TEST(CxImageCore, CreateRejectsZeroSize)
{
    CxImage img;
    EXPECT_EQ(img.Create(0, 10, 24, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CxImage::Create : width and height must be greater than zero");
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImageCore, CreateRoundsDepthAndSizesPalette)
{
    CxImage img;
    ASSERT_NE(img.Create(5, 3, 2, 0), nullptr);
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(img.GetNumColors(), 16u);
    for (uint32_t bpp : { 9u, 16u, 23u, 32u }) {
        ASSERT_NE(img.Create(5, 3, bpp, 0), nullptr);
        EXPECT_EQ(img.GetBpp(), 24) << bpp;
        EXPECT_EQ(img.GetNumColors(), 0u);
    }
    ASSERT_NE(img.Create(1, 1, 24, 0), nullptr);
    EXPECT_EQ(img.GetEffWidth(), 4u);
    ASSERT_NE(img.Create(33, 1, 1, 0), nullptr);
    EXPECT_EQ(img.GetEffWidth(), 8u);
    EXPECT_EQ(img.GetSize(), 40u + 8u + 8u);
}

TEST(CxImageCore, MemoryLimitIsExact)
{
    CxImage img;
    // 16384 x 16384 x 8 bits = exactly 256 MiB: allowed (but not allocated here: 1 bit keeps it cheap).
    ASSERT_NE(img.Create(65536, 32768, 1, 0), nullptr); // 256 MiB / 1 bit = 2^31 pixels
    EXPECT_EQ(img.Create(65536, 32769, 1, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    // Row padding counts: 1 x 70M at 1 bit is under 9 MB by bit count but 280 MB stored.
    EXPECT_EQ(img.Create(1, 70000000, 1, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    EXPECT_EQ(img.Create(100000, 100000, 24, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CXIMAGE_MAX_MEMORY exceeded");
    EXPECT_FALSE(img.IsValid());
}

TEST(CxImageCore, InitialStateAndDpi)
{
    CxImage img(CXIMAGE_FORMAT_PNG);
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(img.GetJpegQuality(), 90);
    EXPECT_EQ(img.TransparentIndex(), -1);
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 3780);
    img.SetXDPI(0);
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 3780);
    ASSERT_TRUE(img.Create(2, 2, 24, 0));
    img.SetYDPI(300);
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(img.GetDIB())->biYPelsPerMeter, 11811);
    EXPECT_FALSE(img.SetType(16));
    EXPECT_EQ(img.GetType(), 0u);
    EXPECT_TRUE(img.SetType(19));
    EXPECT_FALSE(img.SetType(20));
}

TEST(CxImageCore, PixelAccessOutsideFollowsTransparency)
{
    CxImage img(4, 3, 24, 0);
    img.Clear(0);
    img.SetPixelColor(0, 0, RGBQUAD { 10, 20, 30, 0 });
    img.SetPixelColor(3, 2, RGBQUAD { 1, 2, 3, 0 });
    RGBQUAD c = img.GetPixelColor(-1, 5);
    EXPECT_EQ(c.rgbBlue, 10);
    EXPECT_EQ(c.rgbRed, 30);
    c = img.GetPixelColor(3, 2);
    EXPECT_EQ(c.rgbBlue, 1);
    EXPECT_EQ(img.BlindGetPixelPointer(3, 2)[2], 3);
    img.SetTransparentIndex(0); // 24-bit images have no palette: stored as 0
    img.SetTransparentColour(RGBQUAD { 1, 2, 3, 99 });
    EXPECT_EQ(img.TransparentColour().rgbReserved, 0);
    EXPECT_TRUE(img.IsTransparent(3, 2));
    EXPECT_EQ(img.GetPixelColor(10, 10).rgbBlue, 1);

    CxImage pal(9, 2, 4, 0);
    pal.Clear(0);
    pal.SetPixelIndex(8, 1, 7);
    pal.SetPixelIndex(7, 1, 3);
    EXPECT_EQ(pal.GetPixelIndex(8, 1), 7);
    EXPECT_EQ(pal.GetPixelIndex(7, 1), 3);
    EXPECT_EQ(pal.GetBits(1)[3], 0x03);
    EXPECT_EQ(pal.GetBits(1)[4], 0x70);
    EXPECT_EQ(pal.GetBits(2), nullptr);
    pal.SetTransparentIndex(300);
    EXPECT_EQ(pal.TransparentIndex(), 0);
    pal.SetTransparentIndex(-1);
    EXPECT_EQ(pal.TransparentIndex(), -1);
    EXPECT_EQ(pal.GetPixelIndex(-1, 0), pal.GetBits(0)[0]);

    CxImage mono(10, 1, 1, 0);
    mono.Clear(1);
    EXPECT_EQ(mono.GetBits(0)[0], 0xFF);
    mono.SetPixelIndex(1, 0, 0);
    EXPECT_EQ(mono.GetBits(0)[0], 0xBF);
}

TEST(CxImageCore, PaletteOperations)
{
    CxImage img(4, 1, 8, 0);
    img.SetGrayPalette();
    EXPECT_TRUE(img.IsGrayScale());
    EXPECT_EQ(img.GetPaletteColor(255).rgbRed, 255);
    EXPECT_EQ(img.GetPaletteColor(256).rgbRed, 0);
    EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD { 100, 100, 100, 0 }), 100);
    img.SetPaletteColor(5, 100, 100, 100);
    // The cache is cleared by the palette change; entry 5 is now the first exact match.
    EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD { 100, 100, 100, 0 }), 5);
    EXPECT_FALSE(img.IsGrayScale());
    img.SetImportantColours(4);
    EXPECT_EQ(img.NearestPaletteIndex(RGBQUAD { 200, 200, 200, 0 }), 3);
    img.SetImportantColours(300);
    EXPECT_EQ(img.GetImportantColours(), 0u);

    for (int x = 0; x < 4; ++x)
        img.SetPixelIndex(x, 0, uint8_t(x));
    img.SwapPaletteEntries(1, 2);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 2);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 1);
    EXPECT_EQ(img.GetPaletteColor(1).rgbRed, 2);

    CxImage mono(3, 3, 1, 0);
    mono.SetImportantColours(5);
    EXPECT_EQ(mono.GetImportantColours(), 2u);
    mono.SetGrayPalette();
    EXPECT_EQ(mono.GetPaletteColor(1).rgbGreen, 255);

    CxImage rgb(2, 1, 24, 0);
    rgb.SetPixelColor(1, 0, RGBQUAD { 1, 2, 3, 0 });
    rgb.SwapRedAndBlue();
    EXPECT_EQ(rgb.GetPixelColor(1, 0).rgbBlue, 3);
}

TEST(CxImageCore, CopyAliasAndTakeOver)
{
    CxImage src(6, 4, 24, CXIMAGE_FORMAT_BMP);
    src.Clear(7);
    ASSERT_TRUE(src.AlphaCreate());
    src.AlphaSet(1, 1, 33);
    CxImage copy(src);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetDIB(), src.GetDIB());
    EXPECT_EQ(std::memcmp(copy.GetDIB(), src.GetDIB(), src.GetSize()), 0);
    EXPECT_EQ(copy.AlphaGet(1, 1), 33);
    CxImage noPixels(src, false, false, false);
    EXPECT_FALSE(noPixels.AlphaIsValid());

    {
        CxImage alias;
        alias.MakeAlias(src);
        EXPECT_EQ(alias.GetDIB(), src.GetDIB());
        EXPECT_FALSE(alias.Destroy());
        EXPECT_FALSE(alias.DestroyFrames());
    }
    EXPECT_TRUE(src.IsValid()); // the alias freed nothing
    EXPECT_EQ(src.GetPixelColor(0, 0).rgbBlue, 7);

    CxImage target(2, 2, 8, 0);
    uint8_t* dib = src.GetDIB();
    ASSERT_TRUE(target.TakeOver(src));
    EXPECT_EQ(target.GetDIB(), dib);
    EXPECT_EQ(target.GetWidth(), 6u);
    EXPECT_EQ(target.AlphaGet(1, 1), 33);
    EXPECT_FALSE(src.IsValid());
    EXPECT_EQ(src.GetWidth(), 0u);

    CxImage assigned;
    assigned = target;
    EXPECT_EQ(assigned.GetWidth(), 6u);
    assigned = assigned;
    EXPECT_TRUE(assigned.IsValid());
}

TEST(CxImageCore, AlphaPlane)
{
    CxImage img(3, 2, 24, 0);
    EXPECT_EQ(img.AlphaGet(0, 0), 0);
    ASSERT_TRUE(img.AlphaCreate());
    EXPECT_EQ(img.AlphaGet(2, 1), 255);
    img.AlphaSet(0, 0, 10);
    img.AlphaSet(5, 5, 10); // outside: ignored
    img.AlphaInvert();
    EXPECT_EQ(img.AlphaGet(0, 0), 245);
    img.AlphaMirror();
    EXPECT_EQ(img.AlphaGet(2, 0), 245);
    img.AlphaFlip();
    EXPECT_EQ(img.AlphaGet(2, 1), 245);
    EXPECT_TRUE(img.IsTransparent(0, 0));
    EXPECT_EQ(img.GetPixelColor(2, 1).rgbReserved, 245);

    CxImage gray(3, 2, 8, 0);
    gray.SetGrayPalette();
    gray.Clear(128);
    ASSERT_TRUE(img.AlphaFromGray(gray));
    EXPECT_EQ(img.AlphaGet(1, 1), 128);
    CxImage other(3, 3, 24, 0);
    EXPECT_FALSE(other.AlphaCopy(img));
    img.AlphaDelete();
    EXPECT_FALSE(img.AlphaIsValid());
}

TEST(CxImageCore, PackedDibRoundTripAndBitfields)
{
    CxImage img(5, 3, 8, 0);
    img.SetGrayPalette();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            img.SetPixelIndex(x, y, uint8_t(y * 10 + x));
    std::vector<uint8_t> dib = img.ToGlobalDib();
    ASSERT_EQ(dib.size(), img.GetSize());
    CxImage back;
    ASSERT_TRUE(back.FromGlobalDib(dib.data(), dib.size()));
    EXPECT_EQ(back.GetPixelIndex(4, 2), 24);
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_FALSE(back.FromGlobalDib(dib.data(), 20));

    // 16-bit 5-6-5 DIB, top-down, two pixels: pure red then pure green.
    std::vector<uint8_t> d(40 + 12 + 8, 0);
    BITMAPINFOHEADER h {};
    h.biSize = 40;
    h.biWidth = 2;
    h.biHeight = -2;
    h.biPlanes = 1;
    h.biBitCount = 16;
    h.biCompression = 3;
    std::memcpy(d.data(), &h, 40);
    const uint32_t masks[3] = { 0xF800, 0x07E0, 0x001F };
    std::memcpy(d.data() + 40, masks, 12);
    const uint16_t px[4] = { 0xF800, 0x07E0, 0x001F, 0x0000 }; // top row: red, green
    std::memcpy(d.data() + 52, px, 8);
    ASSERT_TRUE(back.FromGlobalDib(d.data(), d.size()));
    EXPECT_EQ(back.GetBpp(), 24);
    RGBQUAD top = back.GetPixelColor(0, 1);
    EXPECT_EQ(top.rgbRed, 0xF8);
    EXPECT_EQ(top.rgbGreen, 0);
    EXPECT_EQ(back.GetPixelColor(1, 1).rgbGreen, 0xFC);
    EXPECT_EQ(back.GetPixelColor(0, 0).rgbBlue, 0xF8);
}

TEST(CxImageCore, MemoryImageRoundTrip)
{
    CxImage img(7, 5, 4, CXIMAGE_FORMAT_PNG);
    img.SetPaletteColor(3, 200, 100, 50);
    img.Clear(3);
    img.AlphaCreate();
    img.AlphaSet(6, 4, 9);
    std::vector<uint8_t> buf(img.MemoryImageSize());
    EXPECT_EQ(img.WriteMemoryImage(buf.data()), buf.size());
    CxImage back;
    ASSERT_EQ(back.ReadMemoryImage(buf.data(), buf.size()), buf.size());
    EXPECT_EQ(back.GetWidth(), 7u);
    EXPECT_EQ(back.GetBpp(), 4);
    EXPECT_EQ(back.GetPaletteColor(3).rgbRed, 200);
    EXPECT_EQ(back.GetPixelIndex(6, 4), 3);
    EXPECT_EQ(back.AlphaGet(6, 4), 9);
    EXPECT_EQ(back.GetType(), uint32_t(CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(back.ReadMemoryImage(buf.data(), buf.size() - 3), 0u);
}

TEST(CxImageCore, QImageAdapters)
{
    CxImage img(3, 2, 24, 0);
    img.Clear(0);
    img.SetPixelColor(0, 1, RGBQUAD { 0, 0, 255, 0 }); // top-left red
    img.AlphaCreate();
    img.AlphaSet(0, 1, 128);
    QImage q = img.ToDeviceBitmap();
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(q.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qRed(q.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(q.pixel(0, 0)), 128);
    CxImage back;
    ASSERT_TRUE(back.FromDeviceBitmap(q));
    EXPECT_EQ(back.GetPixelColor(0, 1).rgbRed, 255);
    EXPECT_EQ(back.AlphaGet(0, 1), 128);
    EXPECT_FALSE(back.FromDeviceBitmap(QImage()));
    EXPECT_STREQ(back.GetLastError(), "GetDIBits failed");

    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorCount(2);
    indexed.setColor(0, qRgb(0, 0, 0));
    indexed.setColor(1, qRgb(10, 20, 30));
    indexed.fill(1);
    ASSERT_TRUE(back.FromDeviceBitmap(indexed));
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(back.GetPixelColor(3, 0).rgbGreen, 20);
}
