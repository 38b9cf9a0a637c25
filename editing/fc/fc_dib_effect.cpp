// FCDibEffect: emboss, sharpen, mosaic, windy, stripe and the tone adjustments.
#include "editing/fc/fc_dib_effect.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editing/fc/fc_dib_p.h"

using fc_detail::clamp255;

namespace {

constexpr double kPi = 3.1415926536;

inline int sum3(const std::uint8_t* p)
{
    return p[0] + p[1] + p[2];
}

// Percent to the 128-based factor the tone adjustments use.
inline int percentFactor(int percent)
{
    return percent * 128 / 100;
}

// Hue/saturation over four pixels at a time. The conversion is the plain double-precision formula;
// the lanes only replace branches by selections, which give the same values, because on photos
// those branches follow no pattern. Compiled for AVX2 and for the baseline, chosen at run time.
struct UnitTable {
    double v[256];
    UnitTable()
    {
        for (int i = 0; i < 256; ++i)
            v[i] = i / 255.0;
    }
};
const UnitTable kUnit;

#pragma GCC diagnostic ignored "-Wpsabi" // the vectors never cross a call boundary
using V4d = double __attribute__((vector_size(32)));
using V4l = long long __attribute__((vector_size(32)));

[[gnu::always_inline]] inline V4d hlsComponent(V4d p, V4d q, V4d t)
{
    const V4d zero = V4d {} + 0.0, one = zero + 1.0;
    t = t + (t < 0 ? one : zero);
    t = t - (t > 1 ? one : zero);
    return t * 6 < 1 ? p + (q - p) * 6 * t : (t * 2 < 1 ? q : (t * 3 < 2 ? p + (q - p) * (2.0 / 3.0 - t) * 6 : p));
}

// Truncation toward zero, then clamping to 0..255.
[[gnu::always_inline]] inline V4l toChannel(V4d v)
{
    V4d x = v * 255;
    x = x >= 255 ? V4d {} + 255.0 : x;
    x = x > 0 ? x : V4d {} + 0.0;
    return __builtin_convertvector(x, V4l);
}

/// Adjusts four pixels of blue, green, red bytes lying step bytes apart.
[[gnu::always_inline]] inline void hueSaturation4(std::uint8_t* px, std::ptrdiff_t step, int fh, int fs)
{
    std::uint8_t* const p[4] = { px, px + step, px + 2 * step, px + 3 * step };
    // Channel / 255 from a table: the same values as dividing, without the divisions. The
    // largest and smallest channels are picked on the whole numbers. Building the vectors from
    // scalars in registers avoids a store-forwarding stall per vector.
    auto unit = [](int v) { return kUnit.v[v]; };
    auto hi = [unit](const std::uint8_t* q) { return unit(std::max(q[0], std::max(q[1], q[2]))); };
    auto lo = [unit](const std::uint8_t* q) { return unit(std::min(q[0], std::min(q[1], q[2]))); };
    const V4d b { unit(p[0][0]), unit(p[1][0]), unit(p[2][0]), unit(p[3][0]) };
    const V4d g { unit(p[0][1]), unit(p[1][1]), unit(p[2][1]), unit(p[3][1]) };
    const V4d r { unit(p[0][2]), unit(p[1][2]), unit(p[2][2]), unit(p[3][2]) };
    const V4d mx { hi(p[0]), hi(p[1]), hi(p[2]), hi(p[3]) };
    const V4d mn { lo(p[0]), lo(p[1]), lo(p[2]), lo(p[3]) };
    const V4d zero = V4d {} + 0.0;

    // To hue, lightness, saturation.
    const V4l grey = mx == mn;
    const V4d l = (mx + mn) / 2;
    const V4d d = mx - mn;
    V4d s = d / (l < 0.5 ? mx + mn : 2 - mx - mn);
    // One division for the three sectors (red largest first, then green); adding 0 changes nothing.
    const V4d num = mx == r ? g - b : (mx == g ? b - r : r - g);
    const V4d offset = mx == r ? zero : (mx == g ? zero + 2.0 : zero + 4.0);
    V4d h = num / d + offset;
    h = h / 6;
    h = h + (h < 0 ? zero + 1.0 : zero);
    h = grey ? zero : h;
    s = grey ? zero : s;
    if (fh != 128)
        h = h * double(fh) / 128;
    if (fs != 128)
        s = s * double(fs) / 128;

    // And back.
    const V4d q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const V4d pp = 2 * l - q;
    const V4l flat = s == 0;
    const V4l lc = toChannel(l);
    const V4l rc = flat ? lc : toChannel(hlsComponent(pp, q, h + 1.0 / 3.0));
    const V4l gc = flat ? lc : toChannel(hlsComponent(pp, q, h));
    const V4l bc = flat ? lc : toChannel(hlsComponent(pp, q, h - 1.0 / 3.0));
    for (int k = 0; k < 4; ++k) {
        p[k][0] = std::uint8_t(bc[k]);
        p[k][1] = std::uint8_t(gc[k]);
        p[k][2] = std::uint8_t(rc[k]);
    }
}

/// Adjusts count pixels of blue, green, red bytes lying step bytes apart.
[[gnu::target_clones("arch=x86-64-v4", "avx2", "default")]] void hueSaturationRun(
    std::uint8_t* px, int count, int step, int fh, int fs)
{
    int i = 0;
    for (; i + 4 <= count; i += 4)
        hueSaturation4(px + std::ptrdiff_t(i) * step, step, fh, fs);
    if (i == count)
        return;
    // The last one to three pixels go through a padded copy.
    std::uint8_t tail[16] = {};
    const int rest = count - i;
    for (int k = 0; k < rest; ++k)
        std::memcpy(tail + 4 * k, px + std::ptrdiff_t(i + k) * step, 3);
    hueSaturation4(tail, 4, fh, fs);
    for (int k = 0; k < rest; ++k)
        std::memcpy(px + std::ptrdiff_t(i + k) * step, tail + 4 * k, 3);
}

} // namespace

FCDibEffect::FCDibEffect()
    : m_random([] { return std::uint32_t(std::rand()); })
{
}

void FCDibEffect::SetRandomSource(RandomSource source)
{
    m_random = source ? std::move(source) : RandomSource([] { return std::uint32_t(std::rand()); });
}

bool FCDibEffect::CheckTrueColour(const char* effect)
{
    if (IsEmpty())
        return Fail(std::string(effect) + ": the image is empty");
    if (ColorBits() != 24 && ColorBits() != 32)
        return Fail(std::string(effect) + ": needs 24 or 32 bits per pixel");
    return true;
}

bool FCDibEffect::CheckNot16(const char* effect)
{
    if (IsEmpty())
        return Fail(std::string(effect) + ": the image is empty");
    if (ColorBits() == 16)
        return Fail(std::string(effect) + ": 16 bits per pixel are not supported");
    return true;
}

bool FCDibEffect::Emboss(int strength)
{
    if (!CheckTrueColour("Emboss"))
        return false;
    SetProgress(0);
    const int n = ColorBits() / 8, w = Width();
    const std::int64_t k = strength;
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        int current = sum3(p);
        for (int j = 0; j < w - 1; ++j, p += n) {
            const int next = sum3(p + n);
            const auto v = std::uint8_t(clamp255(128 + k * ((current - next) / 3)));
            p[0] = p[1] = p[2] = v;
            current = next;
        }
        p[0] = p[1] = p[2] = 128;
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}

bool FCDibEffect::Sharp(int step)
{
    if (!CheckTrueColour("Sharp"))
        return false;
    if (step < 1)
        return Fail("Sharp: the step must be at least 1");
    SetProgress(0);
    const int n = ColorBits() / 8, w = Width();
    const std::int64_t k = step;
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        for (int j = 0; j < w - 1; ++j, p += n) {
            for (int c = 0; c < 3; ++c) {
                const int a = p[c], b = p[n + c];
                if (a != b)
                    p[c] = std::uint8_t(clamp255(a + k * (a - b)));
            }
        }
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}

bool FCDibEffect::Mosaic(int block)
{
    if (!CheckTrueColour("Mosaic"))
        return false;
    if (block < 2 || block >= Width() || block >= Height())
        return Fail("Mosaic: the block size must be at least 2 and below the width and height");
    SetProgress(0);
    const int n = ColorBits() / 8, w = Width(), h = Height();
    for (int by = 0; by < h; by += block) {
        const int bh = std::min(block, h - by);
        for (int bx = 0; bx < w; bx += block) {
            const int bw = std::min(block, w - bx);
            unsigned sum[3] = { 0, 0, 0 };
            for (int y = by; y < by + bh; ++y) {
                const std::uint8_t* p = Row(y) + std::ptrdiff_t(bx) * n;
                for (int x = 0; x < bw; ++x, p += n) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const unsigned count = unsigned(bw) * unsigned(bh);
            const std::uint8_t mean[3] = { std::uint8_t(std::min(sum[0] / count, 255u)),
                std::uint8_t(std::min(sum[1] / count, 255u)), std::uint8_t(std::min(sum[2] / count, 255u)) };
            for (int y = by; y < by + bh; ++y) {
                std::uint8_t* p = Row(y) + std::ptrdiff_t(bx) * n;
                for (int x = 0; x < bw; ++x, p += n) {
                    p[0] = mean[0];
                    p[1] = mean[1];
                    p[2] = mean[2];
                }
            }
        }
        RowProgress(by + bh);
    }
    SetProgress(100);
    return true;
}

bool FCDibEffect::Windy(int strength, int direction, bool smooth)
{
    if (!CheckTrueColour("Windy"))
        return false;
    const int w = Width();
    if (strength < 1 || strength > w - 2)
        return Fail("Windy: the strength must be 1 to the width minus 2");
    if (direction != kLeft && direction != kRight)
        return Fail("Windy: the direction must be left (8) or right (16)");
    SetProgress(0);
    const int n = ColorBits() / 8;
    const std::ptrdiff_t e = direction == kLeft ? n : -n;
    for (int y = 0; y < Height(); ++y) {
        int s = strength;
        if (!smooth) {
            const std::uint32_t r1 = m_random();
            s = r1 % std::uint32_t(strength) > 0 ? int(m_random() % std::uint32_t(strength)) : 1;
        }
        std::uint8_t* row = Row(y);
        std::uint8_t* p = direction == kLeft ? row : row + std::ptrdiff_t(w - 1) * n;
        const std::uint8_t* farEnd = direction == kLeft ? row + std::ptrdiff_t(w - 1) * n : row;
        const std::uint32_t fill[3] = { farEnd[0], farEnd[1], farEnd[2] };
        const std::uint32_t count = std::uint32_t(s + 1);
        // sum div count by multiplying with ceil(2^40 / count): exact because the running sum
        // stays below 256 · count and count is below 2^16.
        const std::uint64_t magic = ((std::uint64_t(1) << 40) + count - 1) / count;
        auto average = [magic](std::uint32_t v) { return std::min(std::uint32_t((v * magic) >> 40), 255u); };
        std::uint32_t sum[3] = { 0, 0, 0 }, current[3];
        for (std::uint32_t k = 0; k < count; ++k)
            for (int c = 0; c < 3; ++c)
                sum[c] += p[std::ptrdiff_t(k) * e + c];
        for (int c = 0; c < 3; ++c) {
            current[c] = average(sum[c]);
            p[c] = std::uint8_t(current[c]);
        }
        // current[] holds the already rewritten value of pixel i, the one that leaves the window.
        const int ahead = std::min(w - s - 1, w - 2);
        int i = 0;
        for (; i < ahead; ++i, p += e) {
            const std::uint8_t* in = p + std::ptrdiff_t(count) * e;
            for (int c = 0; c < 3; ++c) {
                sum[c] += in[c] - current[c];
                current[c] = average(sum[c]);
                p[e + c] = std::uint8_t(current[c]);
            }
        }
        for (; i <= w - 3; ++i, p += e) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += fill[c] - current[c];
                current[c] = average(sum[c]);
                p[e + c] = std::uint8_t(current[c]);
            }
        }
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}

bool FCDibEffect::Stripe(int swing, int frequency)
{
    if (IsEmpty())
        return Fail("Stripe: the image is empty");
    if (ColorBits() < 8)
        return Fail("Stripe: needs at least 8 bits per pixel");
    if (swing < 0 || swing > 100 || frequency < 0 || frequency > 1000)
        return Fail("Stripe: the swing must be 0 to 100 and the frequency 0 to 1000");
    SetProgress(0);
    const int w = Width(), h = Height(), n = ColorBits() / 8;
    const int lift = int(std::int64_t(swing) * h * 95 / 10000);
    const int amplitude = lift / 2;
    const double step = frequency * kPi / w / 10;
    std::vector<int> shift(static_cast<std::size_t>(w));
    double angle = 0;
    for (int x = 0; x < w; ++x) {
        const int k = int(amplitude * (1 - std::cos(angle)));
        shift[std::size_t(x)] = k >= h ? 0 : k;
        angle += step;
    }
    shift[0] = 0;
    // Lift and wave in one pass: pixel (x, y) takes the original at row y − shift[x] + lift, or
    // white when that row is above the wave or below the lifted image. Sources lie at or below
    // the row being written, so going top-down reads only pixels not yet rewritten.
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = Row(y);
        for (int x = 0; x < w; ++x, d += n) {
            const int k = shift[std::size_t(x)];
            const int sy = y - k + lift;
            if (y >= k && sy < h) {
                if (sy != y)
                    std::memcpy(d, Row(sy) + std::ptrdiff_t(x) * n, std::size_t(n));
            } else {
                std::memset(d, 0xFF, std::size_t(n));
            }
        }
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}

void FCDibEffect::ApplyChannelTables(const std::uint8_t* blue, const std::uint8_t* green, const std::uint8_t* red)
{
    if (ColorBits() <= 8) {
        for (FCRgbQuad& q : Palette()) {
            q.blue = blue[q.blue];
            q.green = green[q.green];
            q.red = red[q.red];
        }
        return;
    }
    const int n = ColorBits() / 8, w = Width();
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        for (int x = 0; x < w; ++x, p += n) {
            p[0] = blue[p[0]];
            p[1] = green[p[1]];
            p[2] = red[p[2]];
        }
        RowProgress(y);
    }
}

bool FCDibEffect::AdjustRGB(int red, int green, int blue)
{
    if (!CheckNot16("AdjustRGB"))
        return false;
    if (red < -255 || red > 255 || green < -255 || green > 255 || blue < -255 || blue > 255)
        return Fail("AdjustRGB: the shifts must be -255 to 255");
    SetProgress(0);
    std::uint8_t tr[256], tg[256], tb[256];
    for (int v = 0; v < 256; ++v) {
        tr[v] = std::uint8_t(clamp255(v + red));
        tg[v] = std::uint8_t(clamp255(v + green));
        tb[v] = std::uint8_t(clamp255(v + blue));
    }
    ApplyChannelTables(tb, tg, tr);
    SetProgress(100);
    return true;
}

bool FCDibEffect::AdjustBrightness(int percent, int mode)
{
    if (!CheckNot16("AdjustBrightness"))
        return false;
    if (mode != 0)
        return Fail("AdjustBrightness: only the percentage mode (0) is supported");
    if (percent < 0 || percent > 200)
        return Fail("AdjustBrightness: the percent must be 0 to 200");
    SetProgress(0);
    const int f = percentFactor(percent);
    std::uint8_t t[256];
    for (int v = 0; v < 256; ++v)
        t[v] = std::uint8_t(std::min(f * v / 128, 255));
    ApplyChannelTables(t, t, t);
    SetProgress(100);
    return true;
}

bool FCDibEffect::AdjustContrast(int percent)
{
    if (!CheckNot16("AdjustContrast"))
        return false;
    if (percent < 0 || percent > 200)
        return Fail("AdjustContrast: the percent must be 0 to 200");
    SetProgress(0);
    const int f = percentFactor(percent);
    std::uint8_t t[256];
    for (int v = 0; v < 256; ++v)
        t[v] = std::uint8_t(clamp255(128 + f * (v - 128) / 128));
    ApplyChannelTables(t, t, t);
    SetProgress(100);
    return true;
}

bool FCDibEffect::AdjustHueSaturation(int huePercent, int saturationPercent)
{
    if (!CheckNot16("AdjustHueSaturation"))
        return false;
    if (huePercent < 0 || huePercent > 200 || saturationPercent < 0 || saturationPercent > 200)
        return Fail("AdjustHueSaturation: the percents must be 0 to 200");
    SetProgress(0);
    const int fh = percentFactor(huePercent), fs = percentFactor(saturationPercent);
    if (ColorBits() <= 8) {
        static_assert(sizeof(FCRgbQuad) == 4);
        hueSaturationRun(reinterpret_cast<std::uint8_t*>(Palette().data()), int(Palette().size()), 4, fh, fs);
        SetProgress(100);
        return true;
    }
    for (int y = 0; y < Height(); ++y) {
        hueSaturationRun(Row(y), Width(), ColorBits() / 8, fh, fs);
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}
