// CircleTransform against a per-pixel reference, hand-computed source positions, the selection,
// the escape field and the "circle" operation string.
#include "imaging/cximage.h"
#include "imaging/cximage_apply.h"
#include "ops_reference.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

/// The warp written straight from its rule, through the checked pixel accessors.
CxImage circleReference(const CxImage& src, int type, int limit, float coefficient)
{
    CxImage out(src);
    const int w = int(src.GetWidth()), h = int(src.GetHeight());
    int xmin = 0, ymin = 0, xmax = w, ymax = h;
    if (src.SelectionIsValid()) {
        const CxRect b = src.GetSelectionBox();
        xmin = b.left;
        ymin = b.bottom;
        xmax = b.right;
        ymax = b.top;
    }
    const int xmid = w / 2, ymid = h / 2;
    if (limit == 0)
        limit = int(std::sqrt(float((xmid - xmin) * (xmid - xmin) + (ymid - ymin) * (ymid - ymin))));
    if (coefficient == 0.0f)
        coefficient = 1.0f;
    for (int y = ymin; y < ymax; ++y) {
        for (int x = xmin; x < xmax; ++x) {
            if (src.SelectionIsValid() && !src.SelectionIsInside(x, y))
                continue;
            const int nx = xmid - x, ny = ymid - y;
            const float r = std::sqrt(float(nx * nx + ny * ny));
            int sx = -1, sy = -1;
            if (r < float(limit)) {
                float angle = std::atan2(float(ny), float(nx));
                float rn = r;
                if (type == 0)
                    rn = r * r / float(limit);
                if (type == 1)
                    rn = std::sqrt(r * float(limit));
                if (type == 2)
                    angle += r / coefficient;
                if (type <= 2) {
                    sx = xmid + int(rn * std::cos(angle));
                    sy = ymid - int(rn * std::sin(angle));
                } else if (type == 3) {
                    sx = int(std::fabs(angle * float(xmax) / 6.2831852f));
                    sy = int(std::fabs(r * float(ymax) / float(limit)));
                } else {
                    sx = x + x % 32 - 16;
                    sy = y;
                }
            }
            if (src.GetNumColors())
                out.SetPixelIndex(x, y, src.GetPixelIndex(sx, sy));
            else
                out.SetPixelColor(x, y, src.GetPixelColor(sx, sy, false));
            if (src.AlphaIsValid())
                out.AlphaSet(x, y, src.AlphaGet(sx, sy));
        }
    }
    return out;
}

bool sameIndices(const CxImage& a, const CxImage& b)
{
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        for (uint32_t x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelIndex(int32_t(x), int32_t(y)) != b.GetPixelIndex(int32_t(x), int32_t(y)))
                return false;
    return true;
}

int alphaDiff(const CxImage& a, const CxImage& b)
{
    int d = 0;
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        for (uint32_t x = 0; x < a.GetWidth(); ++x)
            d = std::max(d, std::abs(a.AlphaGet(int32_t(x), int32_t(y)) - b.AlphaGet(int32_t(x), int32_t(y))));
    return d;
}

TEST(CircleTransform, EveryTypeMatchesTheReference)
{
    struct Case {
        int type, limit;
        float coefficient;
    };
    for (const Case c : { Case { 0, 0, 100 }, Case { 1, 0, 100 }, Case { 2, 0, 100 }, Case { 2, 20, 7.5f },
             Case { 3, 0, 100 }, Case { 4, 0, 1 }, Case { 0, 12, 100 }, Case { 2, 0, 0 } }) {
        CxImage img = opref::randomImage(61, 47, 11);
        img.AlphaCreate();
        for (int y = 0; y < 47; ++y)
            for (int x = 0; x < 61; ++x)
                img.AlphaSet(x, y, uint8_t(x * 4 + y));
        const CxImage ref = circleReference(img, c.type, c.limit, c.coefficient);
        ASSERT_TRUE(img.CircleTransform(c.type, c.limit, c.coefficient)) << c.type;
        EXPECT_EQ(opref::maxDiff(img, ref), 0) << "type " << c.type << " limit " << c.limit;
        EXPECT_EQ(alphaDiff(img, ref), 0) << "type " << c.type;
        EXPECT_EQ(img.GetProgress(), 100);
    }
}

TEST(CircleTransform, PaletteImagesTakeTheSourceIndex)
{
    for (uint32_t bpp : { 1u, 4u, 8u }) {
        CxImage img = opref::randomImage(40, 30, 5, bpp);
        const CxImage ref = circleReference(img, 2, 0, 100);
        ASSERT_TRUE(img.CircleTransform(2, 0, 100));
        EXPECT_EQ(img.GetBpp(), bpp);
        EXPECT_TRUE(sameIndices(img, ref)) << bpp;
    }
}

TEST(CircleTransform, SourcePositionsByHand)
{
    // 64 x 64: centre (32, 32), automatic limit trunc(sqrt(32² + 32²)) = 45.
    const CxImage src = opref::randomImage(64, 64, 3);
    auto at = [&](const CxImage& img, int x, int y) { return img.GetPixelColor(x, y, false).rgbRed; };

    CxImage punch(src);
    ASSERT_TRUE(punch.CircleTransform(0));
    // (42, 32): r 10, angle pi, r' = 100 / 45 = 2.22: source x = 32 + trunc(-2.22) = 30.
    EXPECT_EQ(at(punch, 42, 32), at(src, 30, 32));
    // The centre reads itself.
    EXPECT_EQ(at(punch, 32, 32), at(src, 32, 32));

    CxImage pinch(src);
    ASSERT_TRUE(pinch.CircleTransform(1));
    // (32, 27): nx 0, ny 5, angle pi/2, r' = sqrt(5 * 45) = 15: source y = 32 - 15 = 17.
    EXPECT_EQ(at(pinch, 32, 27), at(src, 32, 17));

    CxImage cylinder(src);
    ASSERT_TRUE(cylinder.CircleTransform(3));
    // (0, 32): angle 0, r 32: source (0, trunc(32 * 64 / 45)) = (0, 45).
    EXPECT_EQ(at(cylinder, 0, 32), at(src, 0, 45));

    CxImage bathroom(src);
    ASSERT_TRUE(bathroom.CircleTransform(4, 0, 1));
    // (20, 30): source x = 20 + 20 - 16 = 24, same row.
    EXPECT_EQ(at(bathroom, 20, 30), at(src, 24, 30));
    EXPECT_EQ(at(bathroom, 40, 30), at(src, 32, 30));
}

TEST(CircleTransform, ThePixelAtTheLimitTakesTheOutOfRangeColour)
{
    CxImage img = opref::randomImage(64, 64, 4);
    img.SetTransparentIndex(0);
    img.SetTransparentColour(RGBQUAD { 1, 2, 3, 0 });
    ASSERT_TRUE(img.CircleTransform(0));
    // (0, 0) lies at sqrt(2048) = 45.25 from the centre, not inside the truncated limit 45.
    const RGBQUAD c = img.GetPixelColor(0, 0, false);
    EXPECT_EQ(c.rgbBlue, 1);
    EXPECT_EQ(c.rgbGreen, 2);
    EXPECT_EQ(c.rgbRed, 3);
}

TEST(CircleTransform, OnlyTheSelectionChanges)
{
    CxImage img = opref::randomImage(50, 40, 6);
    const CxImage before(img);
    ASSERT_TRUE(img.SelectRectangle(10, 5, 29, 24));
    const CxImage ref = circleReference(img, 2, 0, 100);
    ASSERT_TRUE(img.CircleTransform(2, 0, 100));
    EXPECT_EQ(opref::maxDiff(img, ref), 0);
    int changedInside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = x >= 10 && x <= 29 && y >= 5 && y <= 24;
            const bool same = img.GetPixelColor(x, y).rgbRed == before.GetPixelColor(x, y).rgbRed;
            if (!inside)
                EXPECT_TRUE(same) << x << "," << y;
            else
                changedInside += !same;
        }
    EXPECT_GT(changedInside, 100);
}

TEST(CircleTransform, RefusalsLeaveTheImageUnchanged)
{
    CxImage empty;
    EXPECT_FALSE(empty.CircleTransform(0));

    CxImage img = opref::randomImage(30, 20, 7);
    const CxImage before(img);
    EXPECT_FALSE(img.CircleTransform(5));
    EXPECT_FALSE(img.CircleTransform(-1));
    EXPECT_FALSE(img.CircleTransform(0, -3));
    img.SetEscape(1);
    EXPECT_FALSE(img.CircleTransform(2));
    EXPECT_NE(std::string(img.GetLastError()).find("stopped"), std::string::npos);
    EXPECT_EQ(opref::maxDiff(img, before), 0);
}

TEST(CircleTransform, SwirlTwiceIsNotSwirlOnce)
{
    CxImage once = opref::randomImage(40, 40, 8);
    CxImage twice(once);
    once.CircleTransform(2);
    twice.CircleTransform(2);
    twice.CircleTransform(2);
    EXPECT_GT(opref::maxDiff(once, twice), 0);
}

TEST(CircleTransform, OperationStringTakesTypeLimitAndCoefficient)
{
    const CxImage src = opref::randomImage(40, 30, 9);
    std::string error;
    struct Case {
        const char* op;
        int type, limit;
        float coefficient;
    };
    for (const Case c : { Case { "circle:2", 2, 0, 100 }, Case { "circle:2,10", 2, 10, 100 },
             Case { "circle:2,0,3.5", 2, 0, 3.5f }, Case { "circle:4,0,1", 4, 0, 1 } }) {
        CxImage a(src), b(src);
        ASSERT_EQ(ApplyImageOperation(a, c.op, error), ImageOpResult::Applied) << c.op << ": " << error;
        b.CircleTransform(c.type, c.limit, c.coefficient);
        EXPECT_EQ(opref::maxDiff(a, b), 0) << c.op;
    }
    CxImage img(src);
    for (const char* op :
        { "circle", "circle:", "circle:5", "circle:x", "circle:1,-1", "circle:1,0,1,2", "circle:1,0,abc" }) {
        EXPECT_EQ(ApplyImageOperation(img, op, error), ImageOpResult::BadArguments) << op;
        EXPECT_NE(error.find(op), std::string::npos) << error;
    }
    EXPECT_EQ(opref::maxDiff(img, src), 0);
}

} // namespace
