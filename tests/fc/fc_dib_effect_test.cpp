// FCDibEffect: each effect against hand-worked values or a plain reference implementation.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "editing/fc/fc_image.h"
#include "tests/fc/fc_test_util.h"

using fctest::fillColour;
using fctest::fillNoise;
using fctest::pixels;

namespace {

// Sets channel c of every pixel of a one-row image.
void setRow(FCImage& img, const std::vector<int>& values)
{
    const int n = img.ColorBits() / 8;
    for (std::size_t x = 0; x < values.size(); ++x)
        for (int c = 0; c < 3; ++c)
            img.Row(0)[x * n + c] = std::uint8_t(values[x]);
}

std::vector<int> rowChannel(const FCImage& img, int y, int c)
{
    std::vector<int> out;
    const int n = img.ColorBits() / 8;
    for (int x = 0; x < img.Width(); ++x)
        out.push_back(img.Row(y)[x * n + c]);
    return out;
}

// Windy's row smear written out plainly over one channel.
std::vector<int> referenceSmear(std::vector<int> row, int s, bool left)
{
    const int w = int(row.size());
    if (!left)
        std::reverse(row.begin(), row.end());
    const int count = s + 1, fill = row[std::size_t(w - 1)];
    int sum = 0;
    for (int k = 0; k < count; ++k)
        sum += row[std::size_t(k)];
    row[0] = sum / count;
    for (int i = 0; i <= w - 3; ++i) {
        const int entering = i < w - s - 1 ? row[std::size_t(i + count)] : fill;
        sum += entering - row[std::size_t(i)];
        row[std::size_t(i + 1)] = std::clamp(sum / count, 0, 255);
    }
    if (!left)
        std::reverse(row.begin(), row.end());
    return row;
}

// The hue/lightness/saturation adjustment of one colour, written as plainly as it is defined.
void referenceHueSat(int fh, int fs, std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue)
{
    const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
    const double mx = std::max({ r, g, b }), mn = std::min({ r, g, b });
    double h = 0, s = 0;
    const double l = (mx + mn) / 2;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (mx == r)
            h = (g - b) / d;
        else if (mx == g)
            h = (b - r) / d + 2;
        else
            h = (r - g) / d + 4;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    if (fh != 128)
        h = h * fh / 128;
    if (fs != 128)
        s = s * fs / 128;
    auto channel = [](double v) {
        const double x = v * 255;
        return std::uint8_t(x <= 0 ? 0 : (x >= 255 ? 255 : int(x)));
    };
    if (s == 0) {
        red = green = blue = channel(l);
        return;
    }
    const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    auto component = [p, q](double t) {
        if (t < 0)
            t += 1;
        if (t > 1)
            t -= 1;
        if (t * 6 < 1)
            return p + (q - p) * 6 * t;
        if (t * 2 < 1)
            return q;
        if (t * 3 < 2)
            return p + (q - p) * (2.0 / 3.0 - t) * 6;
        return p;
    };
    red = channel(component(h + 1.0 / 3.0));
    green = channel(component(h));
    blue = channel(component(h - 1.0 / 3.0));
}

} // namespace

TEST(Emboss, FlatGreyGives128AndTheLastColumnIsAlways128)
{
    FCImage img;
    ASSERT_TRUE(img.Create(9, 4, 32));
    fillColour(img, 77, 77, 77);
    ASSERT_TRUE(img.Emboss(5));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(rowChannel(img, y, 1), std::vector<int>(9, 128));

    ASSERT_TRUE(img.Create(5, 1, 24));
    setRow(img, { 0, 100, 40, 255, 3 });
    ASSERT_TRUE(img.Emboss(2));
    // d = 3·(a − b); 128 + 2·(d / 3), clamped.
    EXPECT_EQ(rowChannel(img, 0, 0), (std::vector<int> { 0, 248, 0, 255, 128 }));
    EXPECT_EQ(img.Progress(), 100);
}

TEST(Sharp, PushesChannelsAwayFromTheRightNeighbour)
{
    FCImage img;
    ASSERT_TRUE(img.Create(6, 1, 32));
    setRow(img, std::vector<int>(6, 90));
    ASSERT_TRUE(img.Sharp(1));
    EXPECT_EQ(rowChannel(img, 0, 2), std::vector<int>(6, 90));

    setRow(img, { 10, 20, 20, 5, 250, 0 });
    ASSERT_TRUE(img.Sharp(1));
    EXPECT_EQ(rowChannel(img, 0, 0), (std::vector<int> { 0, 20, 35, 0, 255, 0 }));
    EXPECT_FALSE(img.Sharp(0));
}

TEST(EmbossAndSharp, MatchPlainLoopsOnNoise)
{
    for (int k : { 1, 7, 100 }) {
        FCImage emboss, sharp;
        ASSERT_TRUE(emboss.Create(45, 7, 32));
        fillNoise(emboss, std::uint32_t(k));
        ASSERT_TRUE(sharp.CopyFrom(emboss));
        std::vector<std::vector<int>> e, sh;
        for (int y = 0; y < 7; ++y) {
            std::vector<int> er(45), sums(45);
            for (int x = 0; x < 45; ++x)
                sums[std::size_t(x)] = emboss.Pixel(x, y)[0] + emboss.Pixel(x, y)[1] + emboss.Pixel(x, y)[2];
            for (int x = 0; x < 44; ++x)
                er[std::size_t(x)]
                    = std::clamp(128 + k * ((sums[std::size_t(x)] - sums[std::size_t(x + 1)]) / 3), 0, 255);
            er[44] = 128;
            e.push_back(er);
            for (int c = 0; c < 3; ++c) {
                std::vector<int> row = rowChannel(sharp, y, c);
                for (int x = 0; x < 44; ++x) {
                    const int a = row[std::size_t(x)], b = row[std::size_t(x + 1)];
                    if (a != b)
                        row[std::size_t(x)] = std::clamp(a + k * (a - b), 0, 255);
                }
                sh.push_back(row);
            }
        }
        ASSERT_TRUE(emboss.Emboss(k));
        ASSERT_TRUE(sharp.Sharp(k));
        for (int y = 0; y < 7; ++y) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(rowChannel(emboss, y, c), e[std::size_t(y)]) << k;
                EXPECT_EQ(rowChannel(sharp, y, c), sh[std::size_t(y * 3 + c)]) << k;
            }
        }
    }
}

TEST(Mosaic, FiveByFiveWithBlockTwoHasNarrowLastBlocks)
{
    FCImage img;
    ASSERT_TRUE(img.Create(5, 5, 24));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            img.Pixel(x, y)[0] = std::uint8_t(x * 10 + y);
    ASSERT_TRUE(img.Mosaic(2));
    EXPECT_EQ(img.Pixel(1, 1)[0], (0 + 1 + 10 + 11) / 4);
    EXPECT_EQ(img.Pixel(0, 0)[0], img.Pixel(1, 1)[0]);
    EXPECT_EQ(img.Pixel(4, 0)[0], (40 + 41) / 2);
    EXPECT_EQ(img.Pixel(3, 4)[0], (24 + 34) / 2);
    EXPECT_EQ(img.Pixel(4, 4)[0], 44);
    EXPECT_EQ(img.Pixel(3, 3)[0], (22 + 23 + 32 + 33) / 4);

    const auto before = pixels(img);
    EXPECT_FALSE(img.Mosaic(1));
    EXPECT_FALSE(img.Mosaic(5));
    EXPECT_EQ(pixels(img), before);
}

TEST(Windy, SmearsLeftOrRightAsWorkedByHand)
{
    FCImage img;
    ASSERT_TRUE(img.Create(5, 1, 24));
    setRow(img, { 10, 20, 30, 40, 50 });
    ASSERT_TRUE(img.Windy(1, FCDibEffect::kLeft, true));
    EXPECT_EQ(rowChannel(img, 0, 1), (std::vector<int> { 15, 22, 31, 41, 50 }));

    setRow(img, { 10, 20, 30, 40, 50 });
    ASSERT_TRUE(img.Windy(1, FCDibEffect::kRight, true));
    EXPECT_EQ(rowChannel(img, 0, 1), (std::vector<int> { 10, 19, 29, 37, 45 }));
}

TEST(Windy, MatchesTheReferenceWithInjectedRandomNumbers)
{
    for (int bits : { 24, 32 })
        for (bool left : { true, false })
            for (bool smooth : { true, false }) {
                FCImage img;
                ASSERT_TRUE(img.Create(37, 6, bits));
                fillNoise(img, 11);
                const int strength = 9;
                std::deque<std::uint32_t> numbers { 18, 5, 7, 40, 3, 0, 2, 4, 11, 22, 1, 13 };
                std::deque<std::uint32_t> replay = numbers;
                img.SetRandomSource([&numbers] {
                    const std::uint32_t v = numbers.front();
                    numbers.pop_front();
                    return v;
                });
                std::vector<std::vector<std::vector<int>>> expected;
                for (int y = 0; y < 6; ++y) {
                    int s = strength;
                    if (!smooth) {
                        const std::uint32_t r1 = replay.front();
                        replay.pop_front();
                        s = 1;
                        if (r1 % strength > 0) {
                            s = int(replay.front() % strength);
                            replay.pop_front();
                        }
                    }
                    expected.emplace_back();
                    for (int c = 0; c < 3; ++c)
                        expected.back().push_back(referenceSmear(rowChannel(img, y, c), s, left));
                }
                ASSERT_TRUE(img.Windy(strength, left ? FCDibEffect::kLeft : FCDibEffect::kRight, smooth));
                for (int y = 0; y < 6; ++y)
                    for (int c = 0; c < 3; ++c)
                        EXPECT_EQ(rowChannel(img, y, c), expected[std::size_t(y)][std::size_t(c)])
                            << "bits " << bits << " left " << left << " smooth " << smooth << " row " << y;
                EXPECT_EQ(numbers, replay); // drew exactly the numbers the rule asks for
            }
}

TEST(Windy, LongSmearsMatchTheReference)
{
    FCImage img;
    ASSERT_TRUE(img.Create(300, 4, 32));
    fillNoise(img, 12);
    for (int y = 0; y < 4; ++y)
        img.Row(y)[4 * 299 + 1] = 255; // a bright far end feeds the fill colour
    std::vector<std::vector<int>> expected;
    for (int y = 0; y < 4; ++y)
        for (int c = 0; c < 3; ++c)
            expected.push_back(referenceSmear(rowChannel(img, y, c), 298, true));
    ASSERT_TRUE(img.Windy(298, FCDibEffect::kLeft, true));
    for (int y = 0; y < 4; ++y)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(rowChannel(img, y, c), expected[std::size_t(y * 3 + c)]);
}

TEST(Windy, RefusesStrengthOutsideOneToWidthMinusTwo)
{
    FCImage img;
    ASSERT_TRUE(img.Create(2, 3, 32));
    fillNoise(img);
    const auto narrow = pixels(img);
    EXPECT_FALSE(img.Windy(1, FCDibEffect::kLeft, true)); // a row of two has no room
    EXPECT_EQ(pixels(img), narrow);

    ASSERT_TRUE(img.Create(10, 3, 32));
    fillNoise(img);
    const auto before = pixels(img);
    EXPECT_FALSE(img.Windy(0, FCDibEffect::kLeft, true));
    EXPECT_FALSE(img.Windy(9, FCDibEffect::kLeft, true));
    EXPECT_FALSE(img.Windy(3, 4, true));
    EXPECT_EQ(pixels(img), before);
    EXPECT_TRUE(img.Windy(8, FCDibEffect::kRight, false));
}

TEST(Stripe, SwingZeroChangesNothingAndSwingTenLiftsByTwentyTwoRows)
{
    FCImage img;
    ASSERT_TRUE(img.Create(50, 240, 24));
    fillNoise(img, 5);
    const auto before = pixels(img);
    ASSERT_TRUE(img.Stripe(0, 35));
    EXPECT_EQ(pixels(img), before);

    FCImage copy;
    ASSERT_TRUE(copy.CopyFrom(img));
    ASSERT_TRUE(img.Stripe(10, 0)); // frequency 0: a pure lift
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 50; x += 7)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(img.Pixel(x, y)[c], y < 218 ? copy.Pixel(x, y + 22)[c] : 255);
}

TEST(Stripe, MatchesTheLiftThenWaveReference)
{
    for (int bits : { 8, 16, 24, 32 }) {
        FCImage img;
        ASSERT_TRUE(img.Create(61, 40, bits));
        fillNoise(img, 9);
        const int n = bits / 8, w = 61, h = 40, swing = 60, freq = 25;
        // Reference: lift every row, then move each column down, exactly in the stated order.
        std::vector<std::vector<std::uint8_t>> ref(static_cast<std::size_t>(h));
        const int lift = swing * h * 95 / 10000;
        for (int y = 0; y < h; ++y)
            ref[std::size_t(y)] = y + lift < h ? std::vector<std::uint8_t>(img.Row(y + lift), img.Row(y + lift) + w * n)
                                               : std::vector<std::uint8_t>(std::size_t(w * n), 255);
        double angle = 0;
        const double step = freq * 3.1415926536 / w / 10;
        for (int x = 0; x < w; ++x, angle += step) {
            const int k = int((lift / 2) * (1 - std::cos(angle)));
            for (int y = h - 1; y >= 0; --y)
                for (int b = 0; b < n; ++b)
                    ref[std::size_t(y)][std::size_t(x * n + b)]
                        = y >= k ? ref[std::size_t(y - k)][std::size_t(x * n + b)] : 255;
        }
        ASSERT_TRUE(img.Stripe(swing, freq));
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(std::vector<std::uint8_t>(img.Row(y), img.Row(y) + w * n), ref[std::size_t(y)])
                << "bits " << bits << " row " << y;
    }
}

TEST(ToneAdjustments, HundredPercentIsTheIdentity)
{
    FCImage img;
    ASSERT_TRUE(img.Create(64, 16, 32));
    fillNoise(img, 21);
    const auto before = pixels(img);
    ASSERT_TRUE(img.AdjustBrightness(100, 0));
    ASSERT_TRUE(img.AdjustContrast(100));
    ASSERT_TRUE(img.AdjustRGB(0, 0, 0));
    EXPECT_EQ(pixels(img), before);

    ASSERT_TRUE(img.AdjustHueSaturation(100, 100));
    const auto after = pixels(img);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i % 4 != 3)
            EXPECT_LE(std::abs(int(after[i]) - int(before[i])), 1) << i;
        else
            EXPECT_EQ(after[i], before[i]); // the fourth byte stays
    }
}

TEST(ToneAdjustments, FollowTheirFormulas)
{
    FCImage img;
    ASSERT_TRUE(img.Create(3, 1, 24));
    setRow(img, { 0, 100, 250 });
    ASSERT_TRUE(img.AdjustBrightness(150, 0)); // f = 192
    EXPECT_EQ(rowChannel(img, 0, 0), (std::vector<int> { 0, 150, 255 }));

    setRow(img, { 0, 100, 250 });
    ASSERT_TRUE(img.AdjustContrast(50)); // f = 64: 128 + 64·(c − 128) / 128, toward zero
    EXPECT_EQ(rowChannel(img, 0, 0), (std::vector<int> { 64, 114, 189 }));

    setRow(img, { 0, 100, 250 });
    ASSERT_TRUE(img.AdjustRGB(10, -120, 0));
    EXPECT_EQ(rowChannel(img, 0, 2), (std::vector<int> { 10, 110, 255 }));
    EXPECT_EQ(rowChannel(img, 0, 1), (std::vector<int> { 0, 0, 130 }));
    EXPECT_EQ(rowChannel(img, 0, 0), (std::vector<int> { 0, 100, 250 }));

    // Saturation 0 leaves the lightness grey; hue 50 turns pure red (hue 0) into red still and
    // pure blue (hue 2/3) into green-ish yellow (hue 1/3 → green).
    ASSERT_TRUE(img.Create(2, 1, 32));
    img.Pixel(0, 0)[2] = 255; // red
    img.Pixel(1, 0)[0] = 255; // blue
    FCImage grey;
    ASSERT_TRUE(grey.CopyFrom(img));
    ASSERT_TRUE(grey.AdjustHueSaturation(100, 0));
    EXPECT_EQ(grey.Pixel(0, 0)[0], 127);
    EXPECT_EQ(grey.Pixel(0, 0)[1], 127);
    EXPECT_EQ(grey.Pixel(0, 0)[2], 127);
    ASSERT_TRUE(img.AdjustHueSaturation(50, 100));
    EXPECT_EQ(img.Pixel(0, 0)[2], 255);
    EXPECT_EQ(img.Pixel(1, 0)[1], 255);
    EXPECT_EQ(img.Pixel(1, 0)[0], 0);

    const auto before = pixels(img);
    EXPECT_FALSE(img.AdjustBrightness(201, 0));
    EXPECT_FALSE(img.AdjustBrightness(100, 1));
    EXPECT_FALSE(img.AdjustContrast(-1));
    EXPECT_FALSE(img.AdjustHueSaturation(100, 300));
    EXPECT_FALSE(img.AdjustRGB(0, 256, 0));
    EXPECT_EQ(pixels(img), before);
}

TEST(ToneAdjustments, HueSaturationMatchesThePlainConversionExactly)
{
    // Every fifth level of each channel plus the extremes: 54^3 colours, in 24 and 32 bits.
    std::vector<int> levels;
    for (int v = 0; v < 255; v += 5)
        levels.push_back(v);
    levels.push_back(254);
    levels.push_back(255);
    const int side = int(levels.size());
    for (int bits : { 24, 32 })
        for (auto [hue, sat] : { std::pair { 100, 100 }, { 150, 60 }, { 0, 200 }, { 200, 0 }, { 37, 181 } }) {
            FCImage img;
            ASSERT_TRUE(img.Create(side * side + 3, side, bits)); // a width that is not a multiple of four
            const int n = bits / 8;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side * side; ++x) {
                    std::uint8_t* p = img.Row(y) + x * n;
                    p[0] = std::uint8_t(levels[std::size_t(x % side)]);
                    p[1] = std::uint8_t(levels[std::size_t(x / side)]);
                    p[2] = std::uint8_t(levels[std::size_t(y)]);
                }
            FCImage ref;
            ASSERT_TRUE(ref.CopyFrom(img));
            ASSERT_TRUE(img.AdjustHueSaturation(hue, sat));
            int mismatches = 0;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side * side + 3; ++x) {
                    std::uint8_t* e = ref.Row(y) + x * n;
                    referenceHueSat(hue * 128 / 100, sat * 128 / 100, e[2], e[1], e[0]);
                    const std::uint8_t* a = img.Row(y) + x * n;
                    if (a[0] != e[0] || a[1] != e[1] || a[2] != e[2])
                        ++mismatches;
                }
            EXPECT_EQ(mismatches, 0) << "bits " << bits << " hue " << hue << " sat " << sat;
        }
}

TEST(ToneAdjustments, PaletteImagesChangeTheirColourTableOnly)
{
    FCImage img;
    ASSERT_TRUE(img.Create(4, 4, 8));
    fillNoise(img, 2);
    const auto indices = pixels(img);
    ASSERT_TRUE(img.AdjustBrightness(50, 0));
    EXPECT_EQ(pixels(img), indices);
    EXPECT_EQ(img.Palette()[200].red, 100);
    ASSERT_TRUE(img.AdjustRGB(0, 0, 30));
    EXPECT_EQ(img.Palette()[200].blue, 130);
    EXPECT_EQ(img.Palette()[200].red, 100);
    ASSERT_TRUE(img.AdjustHueSaturation(100, 0));
    ASSERT_TRUE(img.AdjustContrast(100));
    EXPECT_EQ(pixels(img), indices);
}

TEST(Effects, WrongDepthsLeaveTheImageUnchanged)
{
    FCImage img;
    ASSERT_TRUE(img.Create(20, 20, 16));
    fillNoise(img, 4);
    auto before = pixels(img);
    EXPECT_FALSE(img.Emboss(1));
    EXPECT_FALSE(img.Sharp(1));
    EXPECT_FALSE(img.Mosaic(2));
    EXPECT_FALSE(img.Windy(3, FCDibEffect::kLeft, true));
    EXPECT_FALSE(img.AdjustRGB(5, 5, 5));
    EXPECT_FALSE(img.AdjustBrightness(50, 0));
    EXPECT_FALSE(img.AdjustContrast(50));
    EXPECT_FALSE(img.AdjustHueSaturation(50, 50));
    EXPECT_EQ(pixels(img), before);
    EXPECT_FALSE(img.GetLastError().empty());
    EXPECT_TRUE(img.Stripe(10, 10));

    ASSERT_TRUE(img.Create(20, 20, 8));
    fillNoise(img, 4);
    before = pixels(img);
    EXPECT_FALSE(img.Emboss(1));
    EXPECT_FALSE(img.Sharp(1));
    EXPECT_FALSE(img.Mosaic(2));
    EXPECT_FALSE(img.Windy(3, FCDibEffect::kLeft, true));
    EXPECT_EQ(pixels(img), before);

    ASSERT_TRUE(img.Create(20, 20, 4));
    EXPECT_FALSE(img.Stripe(10, 10));
    FCImage empty;
    EXPECT_FALSE(empty.Emboss(1));
    EXPECT_FALSE(empty.Stripe(1, 1));
    EXPECT_FALSE(empty.AdjustRGB(1, 1, 1));
}
