// FCDibEffect: emboss, sharpen, mosaic, windy, stripe and the tone adjustments.
#include "editing/fc/fc_dib_effect.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// Hue/saturation over eight pixels at a time. The conversion is the plain double-precision formula;
// the lanes only replace branches by selections, which give the same values, because on photos
// those branches follow no pattern. The row loop is compiled for AVX-512, AVX2 and the baseline
// and chosen at run time; the library is built without fused multiply-add, so all agree.
#pragma GCC diagnostic ignored "-Wpsabi" // the vectors never cross a call boundary
using V8d = double __attribute__((vector_size(64)));
using V8l = long long __attribute__((vector_size(64)));
using V8i = int __attribute__((vector_size(32)));

[[gnu::always_inline]] inline V8d hlsComponent(V8d p, V8d q, V8d t)
{
    const V8d zero = V8d {} + 0.0, one = zero + 1.0;
    t = t + (t < 0 ? one : zero);
    t = t - (t > 1 ? one : zero);
    return t * 6 < 1 ? p + (q - p) * 6 * t : (t * 2 < 1 ? q : (t * 3 < 2 ? p + (q - p) * (2.0 / 3.0 - t) * 6 : p));
}

// Truncation toward zero, then clamping to 0..255.
[[gnu::always_inline]] inline V8i toChannel(V8d v)
{
    V8d x = v * 255;
    x = x >= 255 ? V8d {} + 255.0 : x;
    x = x > 0 ? x : V8d {} + 0.0;
    return __builtin_convertvector(x, V8i);
}

/// Eight pixels as 0xXXRRGGBB, changed in place; the top byte passes through. The pixels go by
/// reference: clang refuses vector arguments by value in the baseline clone.
[[gnu::always_inline]] inline void hueSaturation8(V8i& px, int fh, int fs)
{
    const V8d zero = V8d {} + 0.0;
    const V8d b = __builtin_convertvector(px & 255, V8d) / 255.0;
    const V8d g = __builtin_convertvector((px >> 8) & 255, V8d) / 255.0;
    const V8d r = __builtin_convertvector((px >> 16) & 255, V8d) / 255.0;
    const V8d mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const V8d mn = r < g ? (r < b ? r : b) : (g < b ? g : b);

    // To hue, lightness, saturation.
    const V8l grey = mx == mn;
    const V8d l = (mx + mn) / 2;
    const V8d d = mx - mn;
    V8d s = d / (l < 0.5 ? mx + mn : 2 - mx - mn);
    // One division for the three sectors (red largest first, then green); adding 0 changes nothing.
    const V8d num = mx == r ? g - b : (mx == g ? b - r : r - g);
    const V8d offset = mx == r ? zero : (mx == g ? zero + 2.0 : zero + 4.0);
    V8d h = num / d + offset;
    h = h / 6;
    h = h + (h < 0 ? zero + 1.0 : zero);
    h = grey ? zero : h;
    s = grey ? zero : s;
    if (fh != 128)
        h = h * double(fh) / 128;
    if (fs != 128)
        s = s * double(fs) / 128;

    // And back.
    const V8d q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const V8d pp = 2 * l - q;
    const V8i flat = __builtin_convertvector(s == 0, V8i);
    const V8i lc = toChannel(l);
    const V8i rc = flat ? lc : toChannel(hlsComponent(pp, q, h + 1.0 / 3.0));
    const V8i gc = flat ? lc : toChannel(hlsComponent(pp, q, h));
    const V8i bc = flat ? lc : toChannel(hlsComponent(pp, q, h - 1.0 / 3.0));
    px = (px & int(0xFF000000u)) | bc | gc << 8 | rc << 16;
}

#if defined(__x86_64__)
#define FC_VECTOR_CLONES [[gnu::target_clones("arch=x86-64-v4", "avx2", "default")]]
#else
#define FC_VECTOR_CLONES
#endif

/// Adjusts count pixels of blue, green, red bytes lying step (3 or 4) bytes apart.
FC_VECTOR_CLONES void hueSaturationRun(std::uint8_t* px, int count, int step, int fh, int fs)
{
    int i = 0;
    if (step == 4) {
        for (; i + 8 <= count; i += 8) {
            V8i v;
            std::memcpy(&v, px + std::ptrdiff_t(i) * 4, sizeof v);
            hueSaturation8(v, fh, fs);
            std::memcpy(px + std::ptrdiff_t(i) * 4, &v, sizeof v);
        }
    }
    // Packed 24-bit pixels and the last few of a row go through a padded copy.
    for (; i < count; i += 8) {
        const int lanes = std::min(8, count - i);
        V8i v = {};
        for (int k = 0; k < lanes; ++k) {
            const std::uint8_t* p = px + std::ptrdiff_t(i + k) * step;
            v[k] = p[0] | p[1] << 8 | p[2] << 16;
        }
        hueSaturation8(v, fh, fs);
        for (int k = 0; k < lanes; ++k) {
            std::uint8_t* p = px + std::ptrdiff_t(i + k) * step;
            p[0] = std::uint8_t(v[k]);
            p[1] = std::uint8_t(v[k] >> 8);
            p[2] = std::uint8_t(v[k] >> 16);
        }
    }
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
    // Results for every difference of channel sums, -765..765.
    std::uint8_t table[2 * 765 + 1];
    for (int d = -765; d <= 765; ++d)
        table[d + 765] = std::uint8_t(clamp255(128 + std::int64_t(strength) * (d / 3)));
    const int n = ColorBits() / 8, w = Width();
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        int current = sum3(p);
        for (int j = 0; j < w - 1; ++j, p += n) {
            const int next = sum3(p + n);
            p[0] = p[1] = p[2] = table[current - next + 765];
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
    // The new channel depends only on it and its neighbour: one table of 256 × 256 results.
    // Equal neighbours map to themselves, which is the "unchanged" case.
    std::vector<std::uint8_t> table(65536);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            table[std::size_t(a << 8 | b)] = std::uint8_t(clamp255(a + std::int64_t(step) * (a - b)));
    const std::uint8_t* t = table.data();
    const int n = ColorBits() / 8, w = Width();
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        for (int j = 0; j < w - 1; ++j, p += n) {
            p[0] = t[p[0] << 8 | p[n]];
            p[1] = t[p[1] << 8 | p[n + 1]];
            p[2] = t[p[2] << 8 | p[n + 2]];
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
            std::uint64_t sum[3] = { 0, 0, 0 }; // a block may hold millions of pixels
            for (int y = by; y < by + bh; ++y) {
                const std::uint8_t* p = Row(y) + std::ptrdiff_t(bx) * n;
                for (int x = 0; x < bw; ++x, p += n) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const std::uint64_t count = std::uint64_t(bw) * std::uint64_t(bh);
            std::uint8_t mean[3];
            for (int c = 0; c < 3; ++c)
                mean[c] = std::uint8_t(std::min<std::uint64_t>(sum[c] / count, 255));
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
