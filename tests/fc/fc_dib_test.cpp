// FCDib: creation, conversions, device bitmaps, stretch, rotations and alpha blending.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <atomic>
#include <thread>

#include "editing/fc/fc_image.h"
#include "tests/fc/fc_test_util.h"

using fctest::fillColour;
using fctest::fillNoise;
using fctest::pixels;

TEST(FCDib, CreateLaysOutBottomUpRowsAndAGreyPalette)
{
    FCImage img;
    ASSERT_TRUE(img.Create(5, 3, 24));
    EXPECT_EQ(img.Pitch(), 16); // 15 bytes rounded up to 4
    EXPECT_EQ(img.Header().size, 108u);
    EXPECT_EQ(img.Header().sizeImage, 48u);
    EXPECT_EQ(img.Row(0), img.Bits() + 2 * 16); // the top row is stored last
    EXPECT_EQ(img.Row(2), img.Bits());
    for (std::uint8_t b : pixels(img))
        EXPECT_EQ(b, 0);

    ASSERT_TRUE(img.Create(3, 1, 4));
    ASSERT_EQ(img.Palette().size(), 16u);
    EXPECT_EQ(img.Palette()[1].red, 17);
    EXPECT_EQ(img.Palette()[15].blue, 255);
    ASSERT_TRUE(img.Create(9, 1, 1));
    EXPECT_EQ(img.Pitch(), 4);
    EXPECT_EQ(img.Palette()[1].green, 255);
}

TEST(FCDib, CreateRefusesBadSizesAndKeepsTheImage)
{
    FCImage img;
    ASSERT_TRUE(img.Create(4, 4, 32));
    EXPECT_FALSE(img.Create(-1, 4, 32));
    EXPECT_FALSE(img.Create(4, 4, 7));
    EXPECT_FALSE(img.Create(70000, 4, 32));
    EXPECT_FALSE(img.Create(40000, 40000, 32)); // over the memory cap
    EXPECT_FALSE(img.GetLastError().empty());
    EXPECT_EQ(img.Width(), 4);
    EXPECT_EQ(img.ColorBits(), 32);
}

TEST(FCDib, ZeroSizeTakesTheScreenOrFailsWithoutOne)
{
    FCImage img;
    ASSERT_TRUE(img.Create(3, 3, 24));
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        EXPECT_TRUE(img.Create(0, 0, 32));
        EXPECT_GT(img.Width(), 0);
    } else {
        EXPECT_FALSE(img.Create(0, 5, 32));
        EXPECT_FALSE(img.GetLastError().empty());
        EXPECT_EQ(img.Width(), 3);
    }
}

TEST(FCDib, ProgressCanBeWatchedFromAnotherThread)
{
    FCImage img;
    ASSERT_TRUE(img.Create(1000, 2000, 32));
    std::atomic<bool> done { false };
    int outOfRange = 0;
    std::thread watcher([&] {
        while (!done.load()) {
            const int p = img.Progress();
            outOfRange += p < 0 || p > 100;
        }
    });
    EXPECT_TRUE(img.Emboss(2));
    EXPECT_TRUE(img.AdjustHueSaturation(120, 80));
    done = true;
    watcher.join();
    EXPECT_EQ(img.Progress(), 100);
    EXPECT_EQ(outOfRange, 0);
}

TEST(FCDib, ConvertToBitsExpandsEveryDepth)
{
    FCImage pal;
    ASSERT_TRUE(pal.Create(10, 2, 4));
    pal.Palette()[3] = FCRgbQuad { 1, 2, 3, 0 };
    pal.Row(1)[2] = 0x30; // pixel 4 of row 1 has index 3, pixel 5 index 0
    ASSERT_TRUE(pal.ConvertToBits(32));
    EXPECT_EQ(pal.ColorBits(), 32);
    EXPECT_EQ(pal.Pixel(4, 1)[0], 1);
    EXPECT_EQ(pal.Pixel(4, 1)[2], 3);
    EXPECT_EQ(pal.Pixel(5, 1)[2], 0);

    FCImage mono;
    ASSERT_TRUE(mono.Create(10, 1, 1));
    mono.Row(0)[1] = 0x40; // pixel 9
    ASSERT_TRUE(mono.ConvertToBits(24));
    EXPECT_EQ(mono.Pixel(9, 0)[1], 255);
    EXPECT_EQ(mono.Pixel(8, 0)[1], 0);

    FCImage x555;
    ASSERT_TRUE(x555.Create(2, 1, 16));
    const unsigned v555 = 31u << 10 | 16u << 5 | 1u;
    x555.Row(0)[0] = std::uint8_t(v555);
    x555.Row(0)[1] = std::uint8_t(v555 >> 8);
    ASSERT_TRUE(x555.ConvertToBits(24));
    EXPECT_EQ(x555.Pixel(0, 0)[2], 255);
    EXPECT_EQ(x555.Pixel(0, 0)[1], 132);
    EXPECT_EQ(x555.Pixel(0, 0)[0], 8);

    FCImage x565;
    ASSERT_TRUE(x565.Create(2, 1, 16, FCDib::kBitFields));
    const unsigned v565 = 0u << 11 | 63u << 5 | 31u;
    x565.Row(0)[0] = std::uint8_t(v565);
    x565.Row(0)[1] = std::uint8_t(v565 >> 8);
    ASSERT_TRUE(x565.ConvertToBits(32));
    EXPECT_EQ(x565.Pixel(0, 0)[2], 0);
    EXPECT_EQ(x565.Pixel(0, 0)[1], 255);
    EXPECT_EQ(x565.Pixel(0, 0)[0], 255);

    FCImage keep;
    ASSERT_TRUE(keep.Create(2, 2, 24));
    EXPECT_FALSE(keep.ConvertToBits(8));
    EXPECT_EQ(keep.ColorBits(), 24);
}

TEST(FCDib, DeviceBitmapRoundTripKeepsColours)
{
    QImage in(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            in.setPixel(x, y, qRgb(x * 30, y * 50, 200 - x));
    for (int bits : { 24, 32 }) {
        FCImage img;
        ASSERT_TRUE(img.CopyFromBitmap(in, bits));
        EXPECT_EQ(img.Pixel(3, 4)[0], 197); // blue, green, red from the top-left
        EXPECT_EQ(img.Pixel(3, 4)[1], 200);
        EXPECT_EQ(img.Pixel(3, 4)[2], 90);
        if (bits == 32) {
            EXPECT_EQ(img.Pixel(3, 4)[3], 0);
        }
        const QImage out = img.CreateDeviceBitmap();
        EXPECT_EQ(out.convertToFormat(QImage::Format_RGB32), in);
    }
    FCImage grey;
    ASSERT_TRUE(grey.CopyFromBitmap(in, 16));
    EXPECT_EQ(grey.CreateDeviceBitmap().pixel(6, 0), qRgb(181, 0, 198)); // 5-bit precision

    // A two-colour picture survives the palette depths unchanged.
    QImage two(11, 3, QImage::Format_RGB32);
    two.fill(qRgb(255, 255, 255));
    two.setPixel(0, 0, qRgb(0, 0, 0));
    two.setPixel(10, 2, qRgb(0, 0, 0));
    two.setPixel(5, 1, qRgb(0, 0, 0));
    for (int bits : { 1, 8 }) {
        FCImage pal;
        ASSERT_TRUE(pal.CopyFromBitmap(two, bits));
        EXPECT_EQ(pal.ColorBits(), bits);
        EXPECT_EQ(pal.CreateDeviceBitmap(), two) << bits;
    }

    FCImage none;
    EXPECT_FALSE(none.CopyFromBitmap(QImage(), 32));
    EXPECT_FALSE(none.CopyFromBitmap(in, 4));
    EXPECT_TRUE(none.CreateDeviceBitmap().isNull());
}

TEST(FCDib, CopyFromIsDeepAndSelfCopyIsHarmless)
{
    FCImage a, b;
    ASSERT_TRUE(a.Create(6, 4, 8));
    fillNoise(a);
    a.Palette()[5].red = 77;
    ASSERT_TRUE(b.CopyFrom(a));
    EXPECT_EQ(pixels(b), pixels(a));
    EXPECT_EQ(b.Palette()[5].red, 77);
    b.Row(0)[0] ^= 0xFF;
    EXPECT_NE(pixels(b), pixels(a));
    const auto before = pixels(a);
    EXPECT_TRUE(a.CopyFrom(a));
    EXPECT_EQ(pixels(a), before);
    FCImage empty;
    EXPECT_TRUE(a.CopyFrom(empty));
    EXPECT_EQ(pixels(a), before);
}

TEST(FCDib, StretchKeepingProportionsFitsTheLimitingSideExactly)
{
    FCImage img;
    ASSERT_TRUE(img.Create(4000, 3000, 32));
    ASSERT_TRUE(img.Stretch(90, 67, true));
    EXPECT_EQ(img.Width(), 89);
    EXPECT_EQ(img.Height(), 67);

    // 49 × (1 / 49) is below 1 in floating point; the side must still come out whole.
    ASSERT_TRUE(img.Create(49, 98, 24));
    ASSERT_TRUE(img.Stretch(1, 1000, true));
    EXPECT_EQ(img.Width(), 1);
    EXPECT_EQ(img.Height(), 2);

    ASSERT_TRUE(img.Create(240, 320, 32));
    ASSERT_TRUE(img.Stretch(240, 240, true));
    EXPECT_EQ(img.Width(), 180);
    EXPECT_EQ(img.Height(), 240);

    ASSERT_TRUE(img.Create(1000, 1, 32)); // extreme aspect ratio keeps at least one pixel
    ASSERT_TRUE(img.Stretch(10, 10, true));
    EXPECT_EQ(img.Height(), 1);

    EXPECT_FALSE(img.Stretch(0, 10));
    EXPECT_EQ(img.Width(), 10);
}

TEST(FCDib, StretchSamplesPixelsAtEveryDepth)
{
    FCImage img;
    ASSERT_TRUE(img.Create(4, 2, 24));
    fillNoise(img);
    const auto src = pixels(img);
    ASSERT_TRUE(img.Stretch(8, 2));
    const auto out = pixels(img);
    for (int x = 0; x < 8; ++x)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(out[std::size_t(24 + x * 3 + k)], src[std::size_t(12 + (x / 2) * 3 + k)]);

    FCImage mono;
    ASSERT_TRUE(mono.Create(8, 1, 1));
    mono.Row(0)[0] = 0xA5; // 10100101
    ASSERT_TRUE(mono.Stretch(16, 2));
    EXPECT_EQ(mono.Row(0)[0], 0xCC);
    EXPECT_EQ(mono.Row(1)[1], 0x33);
    EXPECT_EQ(mono.Palette()[1].red, 255);
}

TEST(FCDib, QuarterTurnsMoveThePixelsAndComposeToTheOriginal)
{
    for (int bits : { 8, 16, 24, 32 }) {
        FCImage img;
        ASSERT_TRUE(img.Create(13, 7, bits));
        fillNoise(img, 3);
        const auto original = pixels(img);
        const int n = bits / 8;
        std::vector<std::uint8_t> topRight(img.Row(0) + 12 * n, img.Row(0) + 13 * n);

        ASSERT_TRUE(img.RotateLeft());
        EXPECT_EQ(img.Width(), 7);
        EXPECT_EQ(img.Height(), 13);
        // Counter-clockwise: the old top-right corner is now the top-left.
        EXPECT_EQ(std::vector<std::uint8_t>(img.Row(0), img.Row(0) + n), topRight);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(img.RotateLeft());
        EXPECT_EQ(pixels(img), original);

        ASSERT_TRUE(img.RotateRight());
        // Clockwise: the old top-right corner is now the bottom-right.
        EXPECT_EQ(std::vector<std::uint8_t>(img.Row(12) + 6 * n, img.Row(12) + 7 * n), topRight);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(img.RotateRight());
        EXPECT_EQ(pixels(img), original);
    }
    FCImage mono;
    ASSERT_TRUE(mono.Create(8, 8, 4));
    EXPECT_FALSE(mono.RotateLeft());
    EXPECT_EQ(mono.ColorBits(), 4);
}

TEST(FCDib, RotateAngleBuildsTheLargerBlackCanvas)
{
    FCImage img;
    ASSERT_TRUE(img.Create(100, 100, 32));
    fillColour(img, 10, 20, 30);
    ASSERT_TRUE(img.RotateAngle(45));
    EXPECT_EQ(img.Width(), 142);
    EXPECT_EQ(img.Height(), 142);
    for (auto [x, y] : { std::pair { 0, 0 }, { 141, 0 }, { 0, 141 }, { 141, 141 } })
        EXPECT_EQ(img.Pixel(x, y)[2], 0) << x << "," << y;
    EXPECT_EQ(img.Pixel(71, 71)[2], 30);
    EXPECT_EQ(img.Pixel(70, 1)[2], 30); // the old top-left corner sits at the top
    EXPECT_EQ(img.Progress(), 100);

    // 30° on 200 × 100: width = trunc(100·sin + 200·cos + 1), height = trunc(100·cos + 200·sin + 1).
    ASSERT_TRUE(img.Create(200, 100, 8));
    ASSERT_TRUE(img.RotateAngle(30));
    EXPECT_EQ(img.Width(), 224);
    EXPECT_EQ(img.Height(), 187);
    EXPECT_EQ(img.Palette().size(), 256u);

    // Sub-byte pixels take the same path through whole bytes.
    FCImage nibbles;
    ASSERT_TRUE(nibbles.Create(9, 9, 4));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 5; ++x)
            nibbles.Row(y)[x] = 0x55;
    ASSERT_TRUE(nibbles.RotateAngle(45));
    EXPECT_EQ(nibbles.Width(), 13);
    EXPECT_EQ(nibbles.ColorBits(), 4);
    EXPECT_EQ(nibbles.Row(6)[3] >> 4, 5); // pixel (6, 6), the centre
    EXPECT_EQ(nibbles.Row(0)[0] >> 4, 0); // the corner stays black
    EXPECT_EQ(nibbles.Palette()[5].red, 85);

    EXPECT_FALSE(img.RotateAngle(0));
    EXPECT_FALSE(img.RotateAngle(90));
    EXPECT_EQ(img.Width(), 224);
}

TEST(FCDib, AlphaBlendFromClipsAtEveryEdge)
{
    FCImage dst, src;
    ASSERT_TRUE(dst.Create(4, 3, 32));
    fillColour(dst, 100, 100, 100);
    dst.Pixel(3, 2)[3] = 9;
    ASSERT_TRUE(src.Create(3, 3, 24));
    fillColour(src, 200, 0, 255);
    ASSERT_TRUE(dst.AlphaBlendFrom(src, 128, 2, 1));
    // d + (s - d)·128 / 255, truncated toward zero.
    EXPECT_EQ(dst.Pixel(2, 1)[0], 100 + 100 * 128 / 255);
    EXPECT_EQ(dst.Pixel(2, 1)[1], 100 - 100 * 128 / 255);
    EXPECT_EQ(dst.Pixel(3, 2)[2], 100 + 155 * 128 / 255);
    EXPECT_EQ(dst.Pixel(3, 2)[3], 9); // the fourth byte is not touched
    EXPECT_EQ(dst.Pixel(1, 1)[0], 100);
    EXPECT_EQ(dst.Pixel(2, 0)[0], 100);

    ASSERT_TRUE(dst.AlphaBlendFrom(src, 255, -2, -2)); // only src (2, 2) lands, on (0, 0)
    EXPECT_EQ(dst.Pixel(0, 0)[2], 255);
    EXPECT_EQ(dst.Pixel(1, 0)[2], 100);
    EXPECT_EQ(dst.Pixel(0, 1)[2], 100);
    EXPECT_TRUE(dst.AlphaBlendFrom(src, 255, 50, 0)); // entirely outside

    EXPECT_FALSE(dst.AlphaBlendFrom(src, 256, 0, 0));
    FCImage pal;
    ASSERT_TRUE(pal.Create(2, 2, 8));
    EXPECT_FALSE(dst.AlphaBlendFrom(pal, 10, 0, 0));
}
