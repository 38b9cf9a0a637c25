// The shared stretch and parallelogram blits.
#include <gtest/gtest.h>

#include <vector>

#include "platform/pixels/pixel_blit.h"

using platform::PixelPoint;
using platform::PixelRect;
using platform::PixelView;

namespace {

struct Buffer {
    std::vector<std::uint8_t> bytes;
    PixelView view;
    Buffer(int w, int h, int bpp, bool bottomUp = false, int pad = 3)
        : bytes(std::size_t((w * bpp + pad) * h), 0)
    {
        const std::ptrdiff_t stride = w * bpp + pad;
        view = PixelView { bottomUp ? bytes.data() + (h - 1) * stride : bytes.data(), w, h, bottomUp ? -stride : stride,
            bpp };
    }
    // Each pixel's first byte numbers it, so a copy can be traced back to its source.
    void number()
    {
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                for (int k = 0; k < view.bytesPerPixel; ++k)
                    view.pixel(x, y)[k] = std::uint8_t(k == 0 ? x : (k == 1 ? y : 7 * k));
    }
    int sx(int x, int y) const { return view.pixel(x, y)[0]; }
    int sy(int x, int y) const { return view.pixel(x, y)[1]; }
};

} // namespace

TEST(StretchBlit, SamplesThePixelUnderEachCentre)
{
    for (int bpp : { 2, 3, 4 }) {
        Buffer src(200, 150, bpp, true);
        src.number();
        Buffer dst(9, 7, bpp);
        ASSERT_TRUE(platform::stretchBlit(dst.view, src.view));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) {
                EXPECT_EQ(dst.sx(x, y), (2 * x + 1) * 200 / 18);
                EXPECT_EQ(dst.sy(x, y), (2 * y + 1) * 150 / 14);
                if (bpp > 2) {
                    EXPECT_EQ(dst.view.pixel(x, y)[2], 14);
                }
            }
    }
}

TEST(StretchBlit, SameSizeCopiesAndDoublingRepeatsEachPixel)
{
    Buffer src(5, 4, 1);
    src.number();
    Buffer same(5, 4, 1, true);
    ASSERT_TRUE(platform::stretchBlit(same.view, src.view));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(same.sx(x, y), x);

    Buffer src3(5, 4, 3);
    src3.number();
    Buffer twice(10, 8, 3);
    ASSERT_TRUE(platform::stretchBlit(twice.view, src3.view));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(twice.sx(x, y), x / 2);
            EXPECT_EQ(twice.sy(x, y), y / 2);
        }
}

TEST(StretchBlit, ClipsTheTargetWithoutMovingTheMapping)
{
    Buffer src(4, 4, 4);
    src.number();
    Buffer dst(6, 6, 4);
    // 8 × 8 target hanging 2 pixels off the top-left: dst (0,0) is target pixel (2,2) = source (1,1).
    ASSERT_TRUE(platform::stretchBlit(dst.view, PixelRect { -2, -2, 8, 8 }, src.view, PixelRect { 0, 0, 4, 4 }));
    EXPECT_EQ(dst.sx(0, 0), 1);
    EXPECT_EQ(dst.sy(0, 0), 1);
    EXPECT_EQ(dst.sx(5, 5), 3);
    EXPECT_EQ(dst.sy(5, 5), 3);
}

TEST(StretchBlit, RefusesBadInput)
{
    Buffer a(4, 4, 4), b(4, 4, 3);
    EXPECT_FALSE(platform::stretchBlit(a.view, b.view)); // pixel sizes differ
    Buffer c(4, 4, 4);
    EXPECT_FALSE(platform::stretchBlit(a.view, PixelRect { 0, 0, 4, 4 }, c.view, PixelRect { 1, 0, 4, 4 }));
    EXPECT_FALSE(platform::stretchBlit(a.view, PixelRect { 0, 0, 0, 4 }, c.view, PixelRect { 0, 0, 4, 4 }));
    PixelView empty;
    EXPECT_FALSE(platform::stretchBlit(empty, c.view));
}

TEST(ParallelogramBlit, UprightRectangleIsAPlainCopyOrStretch)
{
    Buffer src(7, 5, 4, true);
    src.number();
    Buffer dst(7, 5, 4);
    ASSERT_TRUE(platform::parallelogramBlit(dst.view, src.view, { 0, 0 }, { 7, 0 }, { 0, 5 }));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(dst.sx(x, y), x);
            EXPECT_EQ(dst.sy(x, y), y);
        }
    // Onto a larger rectangle it agrees with the stretch blit.
    Buffer plg(17, 11, 4), str(17, 11, 4);
    ASSERT_TRUE(platform::parallelogramBlit(plg.view, src.view, { 0, 0 }, { 17, 0 }, { 0, 11 }));
    ASSERT_TRUE(platform::stretchBlit(str.view, src.view));
    EXPECT_EQ(plg.bytes, str.bytes);
}

TEST(ParallelogramBlit, QuarterTurnAndMirrorMapCorners)
{
    Buffer src(6, 4, 3);
    src.number();
    // Clockwise quarter turn: top-left goes to the top-right corner, bottom-left to the top-left.
    Buffer cw(4, 6, 3);
    ASSERT_TRUE(platform::parallelogramBlit(cw.view, src.view, { 4, 0 }, { 4, 6 }, { 0, 0 }));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(cw.sx(x, y), y);
            EXPECT_EQ(cw.sy(x, y), 3 - x);
        }
    // Horizontal mirror (negative determinant).
    Buffer mirror(6, 4, 3);
    ASSERT_TRUE(platform::parallelogramBlit(mirror.view, src.view, { 6, 0 }, { 0, 0 }, { 6, 4 }));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(mirror.sx(x, 2), 5 - x);
}

TEST(ParallelogramBlit, LeavesPixelsOutsideAloneAndIgnoresDegenerateShapes)
{
    Buffer src(4, 4, 1);
    std::fill(src.bytes.begin(), src.bytes.end(), 9);
    Buffer dst(10, 10, 1);
    ASSERT_TRUE(platform::parallelogramBlit(dst.view, src.view, { 5, 0 }, { 10, 5 }, { 0, 5 }));
    EXPECT_EQ(dst.sx(0, 0), 0); // corner outside the diamond
    EXPECT_EQ(dst.sx(9, 9), 0);
    EXPECT_EQ(dst.sx(5, 5), 9); // centre inside
    Buffer flat(10, 10, 1);
    EXPECT_TRUE(platform::parallelogramBlit(flat.view, src.view, { 0, 0 }, { 5, 5 }, { 10, 10 }));
    for (std::uint8_t b : flat.bytes)
        EXPECT_EQ(b, 0);
    EXPECT_FALSE(platform::parallelogramBlit(flat.view, src.view, { 0, 0 }, { 1 << 30, 0 }, { 0, 5 }));
}

TEST(ParallelogramBlit, MatchesThePlainInverseMappingForManyShapes)
{
    Buffer src(13, 9, 2);
    src.number();
    std::uint32_t seed = 5;
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % std::uint32_t(range)) - range / 2;
    };
    for (int shape = 0; shape < 200; ++shape) {
        const PixelPoint p0 { next(40) + 10, next(40) + 10 }, p1 { next(60) + 10, next(60) + 10 },
            p2 { next(60) + 10, next(60) + 10 };
        Buffer dst(31, 27, 2);
        std::fill(dst.bytes.begin(), dst.bytes.end(), 0xEE);
        ASSERT_TRUE(platform::parallelogramBlit(dst.view, src.view, p0, p1, p2));
        // Each centre solved on its own in exact rational arithmetic.
        const double ax = p1.x - p0.x, ay = p1.y - p0.y, bx = p2.x - p0.x, by = p2.y - p0.y;
        const long long det = (long long)(ax * by - ay * bx);
        for (int y = 0; y < 27; ++y)
            for (int x = 0; x < 31; ++x) {
                const long long qx = 2 * x + 1 - 2 * p0.x, qy = 2 * y + 1 - 2 * p0.y;
                long long nu = 13 * (qx * (long long)by - qy * (long long)bx);
                long long nv = 9 * ((long long)ax * qy - (long long)ay * qx);
                long long den = 2 * det;
                if (den < 0) {
                    nu = -nu;
                    nv = -nv;
                    den = -den;
                }
                const bool inside = det != 0 && nu >= 0 && nu < 13 * den && nv >= 0 && nv < 9 * den;
                if (inside) {
                    ASSERT_EQ(dst.sx(x, y), nu / den) << shape << ": " << x << "," << y;
                    ASSERT_EQ(dst.sy(x, y), nv / den) << shape << ": " << x << "," << y;
                } else {
                    ASSERT_EQ(dst.sx(x, y), 0xEE) << shape << ": " << x << "," << y;
                }
            }
    }
}
