// Neighbourhood filters against their plain rules, their edge cases, and the selection limit.
#include "imaging/cximage.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const std::vector<int> kBlur = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
const std::vector<int> kEdge = { -1, -1, -1, -1, 8, -1, -1, -1, -1 };
const std::vector<int> kHighPass = { -100, -100, -100, -100, 801, -100, -100, -100, -100 };

bool runFilter(CxImage& img, const std::vector<int>& k, int size, int div, int offset)
{
    return img.Filter(k.data(), size, div, offset);
}

TEST(CxImageFilter, MatchesTheRuleExactly)
{
    struct Case {
        std::vector<int> kernel;
        int size, div, offset;
    } cases[] = { { kBlur, 3, 9, 0 }, { kEdge, 3, -1, 255 }, { { 1, 1, 1, 1, 8, 1, 1, 1, 1 }, 3, 23, 0 },
        { kHighPass, 3, 800, 128 }, { { 1, 2, 1, 2, 4, 2, 1, 2, 1, 3, 3, 3, 0, 1, 0, 1 }, 4, 0, -40 },
        { { 0, 1, 0, 1, -4, 1, 0, 1, 0 }, 3, 0, 128 },
        { { 2, -1, 0, 7, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5 }, 5, 7, 3 } };
    for (uint32_t bpp : { 24u, 8u }) {
        for (const Case& c : cases) {
            CxImage img = opref::randomImage(23, 17, 11, bpp);
            const CxImage ref = opref::filter(img, c.kernel, c.size, c.div, c.offset);
            ASSERT_TRUE(runFilter(img, c.kernel, c.size, c.div, c.offset));
            EXPECT_EQ(opref::maxDiff(img, ref), 0) << "bpp " << bpp << " size " << c.size << " div " << c.div;
        }
    }
}

TEST(CxImageFilter, BlurKeepsUniformImagesAlsoAtCorners)
{
    CxImage img(7, 5, 24, 0);
    img.Clear(77);
    ASSERT_TRUE(runFilter(img, kBlur, 3, 9, 0));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(img.GetPixelColor(x, y).rgbRed, 77);
}

TEST(CxImageFilter, EdgeKernelGivesWhiteOnFlatAreas)
{
    CxImage img(6, 6, 24, 0);
    img.Clear(90);
    ASSERT_TRUE(runFilter(img, kEdge, 3, -1, 255));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(img.GetPixelColor(x, y).rgbGreen, 255);
}

TEST(CxImageFilter, PaletteImagesStoreNearestEntries)
{
    CxImage img = opref::randomImage(12, 9, 12, 4);
    CxImage colour(img);
    colour.IncreaseBpp(24);
    const CxImage ref = opref::filter(colour, kBlur, 3, 9, 0);
    ASSERT_TRUE(runFilter(img, kBlur, 3, 9, 0));
    EXPECT_EQ(img.GetBpp(), 4);
    CxImage probe(img, false, false, false);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(img.GetPixelIndex(x, y), probe.NearestPaletteIndex(ref.GetPixelColor(x, y, false)));
}

TEST(CxImageMorphology, ErodeDilateEdgeOnASinglePixel)
{
    CxImage img(7, 7, 24, 0);
    img.Clear(0);
    img.SetPixelColor(3, 3, RGBQUAD { 255, 255, 255, 0 });
    CxImage eroded(img), dilated(img), edged(img);
    ASSERT_TRUE(eroded.Erode(3));
    ASSERT_TRUE(dilated.Dilate(3));
    ASSERT_TRUE(edged.Edge(2));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(eroded.GetPixelColor(x, y).rgbRed, 0);
            const bool near = std::abs(x - 3) <= 1 && std::abs(y - 3) <= 1;
            EXPECT_EQ(dilated.GetPixelColor(x, y).rgbRed, near ? 255 : 0);
            // Size 2: the pixel, its left neighbour, the row below and their diagonal.
            const bool touches = (x == 3 || x == 4) && (y == 3 || y == 4);
            EXPECT_EQ(edged.GetPixelColor(x, y).rgbRed, touches ? 0 : 255) << x << "," << y;
        }
}

TEST(CxImageMorphology, ContourMarksBrighterNeighbours)
{
    CxImage img(5, 5, 24, 0);
    img.Clear(10);
    img.SetPixelColor(2, 2, RGBQUAD { 200, 200, 200, 0 });
    ASSERT_TRUE(img.Contour());
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbRed, 55); // neighbour 200 - 10 > 0: m = 200
    EXPECT_EQ(img.GetPixelColor(2, 2).rgbRed, 255); // nothing brighter around
    EXPECT_EQ(img.GetPixelColor(4, 4).rgbRed, 255);
}

TEST(CxImageMedian, MatchesTheSortingRule)
{
    for (int size : { 3, 2, 4 }) {
        for (uint32_t bpp : { 24u, 8u }) {
            // Few distinct grays, so ties are frequent and their order matters.
            CxImage img = opref::randomImage(70, 13, 13 + uint32_t(size), bpp);
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < 70; ++x) {
                    RGBQUAD c = img.GetPixelColor(x, y, false);
                    if (bpp == 24)
                        c = (x + y) % 3 ? RGBQUAD { 0, 0, 255, 0 } : RGBQUAD { uint8_t(c.rgbBlue & 0xC0), 0, 0, 0 };
                    img.SetPixelColor(x, y, c);
                }
            const CxImage ref = opref::median(img, size);
            ASSERT_TRUE(img.Median(size));
            EXPECT_EQ(opref::maxDiff(img, ref), 0) << size << " " << bpp;
        }
    }
}

TEST(CxImageMedian, RemovesASingleBrightPixel)
{
    CxImage img(5, 5, 24, 0);
    img.Clear(20);
    img.SetPixelColor(2, 2, RGBQUAD { 255, 255, 255, 0 });
    ASSERT_TRUE(img.Median(3));
    EXPECT_EQ(img.GetPixelColor(2, 2).rgbRed, 20);
}

TEST(CxImageGaussian, TapCounts)
{
    EXPECT_EQ(opref::gaussWeights(1.0f).size(), 3u);
    EXPECT_EQ(opref::gaussWeights(2.0f).size(), 5u);
    // An impulse spreads over exactly the kernel's taps.
    for (auto [radius, taps] : { std::pair { 1.0f, 3 }, std::pair { 2.0f, 5 }, std::pair { 5.0f, 11 } }) {
        CxImage img(31, 1, 24, 0);
        img.Clear(0);
        img.SetPixelColor(15, 0, RGBQUAD { 255, 255, 255, 0 });
        ASSERT_TRUE(img.BlurGaussian(radius));
        int lit = 0;
        for (int x = 0; x < 31; ++x)
            lit += img.GetPixelColor(x, 0).rgbRed > 0;
        EXPECT_EQ(lit, taps) << radius;
    }
}

TEST(CxImageGaussian, MatchesTheRuleExactly)
{
    for (float radius : { 1.0f, 2.0f, 5.0f, 0.3f }) {
        for (auto [w, h] : { std::pair { 40, 30 }, std::pair { 3, 9 }, std::pair { 1, 1 } }) {
            CxImage img = opref::randomImage(uint32_t(w), uint32_t(h), uint32_t(w + h));
            const CxImage ref = opref::gaussian(img, radius);
            CxImage dest;
            ASSERT_TRUE(img.BlurGaussian(radius, &dest));
            EXPECT_EQ(opref::maxDiff(dest, ref), 0) << radius << " " << w << "x" << h;
        }
    }
}

TEST(CxImageGaussian, PaletteImagesComeBackAtTheirDepth)
{
    CxImage img = opref::randomImage(20, 20, 14, 4);
    const RGBQUAD entry = img.GetPaletteColor(5);
    ASSERT_TRUE(img.BlurGaussian(2.0f));
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(img.GetPaletteColor(5).rgbRed, entry.rgbRed);
    CxImage gray = opref::randomImage(20, 20, 15, 8);
    CxImage colour(gray);
    colour.IncreaseBpp(24);
    ASSERT_TRUE(gray.BlurGaussian(1.0f));
    EXPECT_EQ(gray.GetBpp(), 8);
    EXPECT_EQ(opref::maxDiff(gray, opref::gaussian(colour, 1.0f)), 0);
}

TEST(CxImageUnsharp, SharpensByTheAmount)
{
    CxImage img = opref::randomImage(25, 20, 16);
    const CxImage blurred = opref::gaussian(img, 5.0f);
    const CxImage before(img);
    ASSERT_TRUE(img.UnsharpMask(5.0f, 0.5f, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 25; ++x) {
            const int in = before.GetPixelColor(x, y).rgbGreen, bl = blurred.GetPixelColor(x, y).rgbGreen;
            const int want = std::clamp(int(0.5f * float(in - bl) + float(in)), 0, 255);
            ASSERT_EQ(img.GetPixelColor(x, y).rgbGreen, want);
        }
}

TEST(CxImageSelectiveBlur, KeepsStrongEdges)
{
    // Left half dark, right half bright, with faint noise everywhere.
    CxImage img(30, 20, 24, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const uint8_t v = uint8_t((x < 15 ? 30 : 220) + ((x * 7 + y * 3) % 5));
            img.SetPixelColor(x, y, RGBQUAD { v, v, v, 0 });
        }
    const CxImage before(img);
    ASSERT_TRUE(img.SelectiveBlur(1.0f, 25));
    EXPECT_FALSE(img.SelectionIsValid());
    // The top and bottom rows are left out: there the high-pass is rescaled by total / used = 1 / 501
    // and sees no contrast.
    for (int y = 1; y < 19; ++y) {
        EXPECT_EQ(img.GetPixelColor(14, y).rgbRed, before.GetPixelColor(14, y).rgbRed);
        EXPECT_EQ(img.GetPixelColor(15, y).rgbRed, before.GetPixelColor(15, y).rgbRed);
    }
    EXPECT_GT(opref::maxDiff(img, before), 0); // the flat parts were smoothed
    int maxStep = 0;
    for (int x = 2; x < 12; ++x)
        maxStep = std::max(maxStep, std::abs(img.GetPixelColor(x, 10).rgbRed - img.GetPixelColor(x + 1, 10).rgbRed));
    EXPECT_LE(maxStep, 3);
}

TEST(CxImageNoise, InjectedSourceIsDeterministic)
{
    int calls = 0;
    CxImage::RandomSource high = [&] {
        ++calls;
        return 32767;
    };
    CxImage img(4, 3, 24, 0);
    img.Clear(100);
    ASSERT_TRUE(img.Noise(40, high));
    EXPECT_EQ(calls, 36);
    EXPECT_EQ(img.GetPixelColor(2, 2).rgbRed, 120);
    CxImage::RandomSource low = [] { return 0; };
    ASSERT_TRUE(img.Noise(400, low));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, 0);
}

TEST(CxImageJitter, InjectedSourceMovesPixels)
{
    CxImage img = opref::randomImage(6, 6, 17);
    const CxImage before(img);
    // r = 32767: offset (0.5 * 2 * 2) = +2 in x and y; outside the image the pixel stays.
    ASSERT_TRUE(img.Jitter(2, [] { return 32767; }));
    EXPECT_TRUE(opref::maxDiff(img, before) > 0);
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbRed, before.GetPixelColor(3, 3).rgbRed);
    EXPECT_EQ(img.GetPixelColor(5, 5).rgbRed, before.GetPixelColor(5, 5).rgbRed);
}

/// Every operation limited to a rectangle leaves the pixels outside it alone.
TEST(CxImageFilters, RectangleSelectionLimitsEveryOperation)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = uint8_t(255 - i);
    const std::vector<std::pair<const char*, std::function<bool(CxImage&)>>> ops = {
        { "filter", [](CxImage& i) { return runFilter(i, kBlur, 3, 9, 0); } },
        { "edge-kernel", [](CxImage& i) { return runFilter(i, kEdge, 3, -1, 255); } },
        { "erode", [](CxImage& i) { return i.Erode(3); } },
        { "dilate", [](CxImage& i) { return i.Dilate(3); } },
        { "edge", [](CxImage& i) { return i.Edge(2); } },
        { "contour", [](CxImage& i) { return i.Contour(); } },
        { "median", [](CxImage& i) { return i.Median(3); } },
        { "noise", [](CxImage& i) { return i.Noise(100, [] { return 32767; }); } },
        { "jitter", [](CxImage& i) { return i.Jitter(2, [] { return 0; }); } },
        { "gaussian", [](CxImage& i) { return i.BlurGaussian(2.0f); } },
        { "unsharp", [](CxImage& i) { return i.UnsharpMask(5.0f, 0.5f, 0); } },
        { "selective", [](CxImage& i) { return i.SelectiveBlur(1.0f, 200); } },
        { "negative", [](CxImage& i) { return i.Negative(); } },
        { "lut", [&](CxImage& i) { return i.ApplyLookupTable(table); } },
        { "gamma", [](CxImage& i) { return i.Gamma(1.8f); } },
    };
    for (uint32_t bpp : { 24u, 8u }) {
        for (const auto& [name, op] : ops) {
            CxImage img = opref::randomImage(20, 16, 18, bpp);
            img.SelectRectangle(5, 4, 12, 9);
            const CxImage before(img);
            ASSERT_TRUE(op(img)) << name;
            bool insideChanged = false;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 20; ++x) {
                    const RGBQUAD a = img.GetPixelColor(x, y, false), b = before.GetPixelColor(x, y, false);
                    const bool same = a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
                    if (x >= 5 && x <= 12 && y >= 4 && y <= 9)
                        insideChanged |= !same;
                    else
                        ASSERT_TRUE(same) << name << " bpp " << bpp << " at " << x << "," << y;
                }
            EXPECT_TRUE(insideChanged) << name << " bpp " << bpp;
            EXPECT_TRUE(img.SelectionIsInside(5, 4)) << name;
        }
    }
}

TEST(CxImageFilters, ClearedSelectionChangesNothing)
{
    CxImage img = opref::randomImage(10, 10, 19);
    img.SelectionCreate();
    img.SelectionClear(0);
    const CxImage before(img);
    EXPECT_TRUE(img.Median(3));
    EXPECT_TRUE(img.BlurGaussian(1.0f));
    EXPECT_TRUE(runFilter(img, kBlur, 3, 9, 0));
    EXPECT_EQ(opref::maxDiff(img, before), 0);
    img.SelectionDelete();
    EXPECT_TRUE(img.Median(3));
    EXPECT_GT(opref::maxDiff(img, before), 0);
}

TEST(CxImageFilters, EmptyImagesAndEscape)
{
    CxImage empty;
    EXPECT_FALSE(empty.Median(3));
    EXPECT_FALSE(empty.BlurGaussian(1.0f));
    EXPECT_FALSE(empty.SelectiveBlur(1.0f, 10));
    EXPECT_FALSE(empty.UnsharpMask());
    CxImage img = opref::randomImage(10, 10, 20);
    const CxImage before(img);
    img.SetEscape(1);
    EXPECT_FALSE(img.Median(3));
    EXPECT_FALSE(img.BlurGaussian(1.0f));
    EXPECT_EQ(opref::maxDiff(img, before), 0);
}

} // namespace

namespace {

TEST(CxImageFilters, OutsizedArgumentsStayBounded)
{
    CxImage img = opref::randomImage(9, 6, 21);
    CxImage big(img), huge(img);
    // A window far larger than the picture behaves like one that just covers it.
    ASSERT_TRUE(big.Median(19));
    ASSERT_TRUE(huge.Median(1 << 30));
    EXPECT_EQ(opref::maxDiff(big, huge), 0);
    CxImage d1(img), d2(img);
    ASSERT_TRUE(d1.Dilate(1 << 30));
    ASSERT_TRUE(d2.Dilate(21));
    EXPECT_EQ(opref::maxDiff(d1, d2), 0);
    // So does a Gaussian far wider than the picture.
    CxImage g1(img), g2(img);
    ASSERT_TRUE(g1.BlurGaussian(1e9f));
    ASSERT_TRUE(g2.BlurGaussian(200.0f));
    EXPECT_LE(opref::maxDiff(g1, g2), 1);
    EXPECT_FALSE(img.BlurGaussian(std::nanf("")));
    EXPECT_STRNE(img.GetLastError(), "");
}

TEST(CxImageFilter, LargeWeightsUseWideSums)
{
    const std::vector<int> k = { 40000000, -1, 3, 0, -40000000, 7, 1, 1, 1 };
    CxImage img = opref::randomImage(8, 7, 22);
    const CxImage ref = opref::filter(img, k, 3, 1000003, 17);
    ASSERT_TRUE(img.Filter(k.data(), 3, 1000003, 17));
    EXPECT_EQ(opref::maxDiff(img, ref), 0);
}

} // namespace

namespace {

TEST(CxImageFilters, PaletteImagesChangeOnlySelectedPixels)
{
    const std::vector<std::function<bool(CxImage&)>> ops = { [](CxImage& i) { return i.Erode(3); },
        [](CxImage& i) { return i.Median(3); }, [](CxImage& i) { return i.Contour(); },
        [](CxImage& i) { return i.BlurGaussian(1.0f); }, [](CxImage& i) { return i.Jitter(2, [] { return 0; }); } };
    for (size_t n = 0; n < ops.size(); ++n) {
        CxImage img = opref::randomImage(14, 12, 23, 4);
        img.SelectRectangle(3, 3, 8, 7);
        const CxImage before(img);
        ASSERT_TRUE(ops[n](img)) << n;
        EXPECT_EQ(img.GetBpp(), 4);
        bool changed = false;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 14; ++x) {
                const bool in = x >= 3 && x <= 8 && y >= 3 && y <= 7;
                const bool same = img.GetPixelIndex(x, y) == before.GetPixelIndex(x, y);
                if (!in) {
                    ASSERT_TRUE(same) << n << " at " << x << "," << y;
                }
                changed |= !same;
            }
        EXPECT_TRUE(changed) << n;
    }
}

} // namespace
