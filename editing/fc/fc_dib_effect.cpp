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

struct Hls {
    double h, l, s;
};

Hls toHls(int red, int green, int blue)
{
    const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
    const double mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
    Hls o { 0.0, (mx + mn) / 2, 0.0 };
    if (mx == mn)
        return o;
    const double d = mx - mn;
    o.s = o.l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    if (mx == r)
        o.h = (g - b) / d;
    else if (mx == g)
        o.h = (b - r) / d + 2;
    else
        o.h = (r - g) / d + 4;
    o.h /= 6;
    if (o.h < 0)
        o.h += 1;
    return o;
}

inline double hlsComponent(double p, double q, double t)
{
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
}

inline std::uint8_t toChannel(double v)
{
    const double x = v * 255;
    // Truncation toward zero, then clamping; the range check keeps the cast defined.
    return std::uint8_t(x <= 0 ? 0 : (x >= 255 ? 255 : int(x)));
}

void fromHls(const Hls& c, std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue)
{
    if (c.s == 0) {
        red = green = blue = toChannel(c.l);
        return;
    }
    const double q = c.l <= 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
    const double p = 2 * c.l - q;
    red = toChannel(hlsComponent(p, q, c.h + 1.0 / 3.0));
    green = toChannel(hlsComponent(p, q, c.h));
    blue = toChannel(hlsComponent(p, q, c.h - 1.0 / 3.0));
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
        std::uint8_t* start = direction == kLeft ? row : row + std::ptrdiff_t(w - 1) * n;
        const std::uint8_t* farEnd = direction == kLeft ? row + std::ptrdiff_t(w - 1) * n : row;
        const std::uint8_t fill[3] = { farEnd[0], farEnd[1], farEnd[2] };
        const int count = s + 1;
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int k = 0; k < count; ++k)
                sum += start[k * e + c];
            std::uint8_t* p = start;
            p[c] = std::uint8_t(sum / count);
            for (int i = 0; i <= w - 3; ++i, p += e) {
                const int entering = i < w - s - 1 ? p[count * e + c] : fill[c];
                sum += entering - p[c];
                p[e + c] = std::uint8_t(clamp255(sum / count));
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
    auto adjust = [fh, fs](std::uint8_t& blue, std::uint8_t& green, std::uint8_t& red) {
        Hls c = toHls(red, green, blue);
        if (fh != 128)
            c.h = c.h * fh / 128;
        if (fs != 128)
            c.s = c.s * fs / 128;
        fromHls(c, red, green, blue);
    };
    if (ColorBits() <= 8) {
        for (FCRgbQuad& q : Palette())
            adjust(q.blue, q.green, q.red);
        SetProgress(100);
        return true;
    }
    const int n = ColorBits() / 8, w = Width();
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* p = Row(y);
        // Neighbouring pixels often repeat; reuse the last conversion for them.
        std::uint32_t lastIn = 0xFFFFFFFFu, lastOut = 0;
        for (int x = 0; x < w; ++x, p += n) {
            const std::uint32_t in = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
            if (in != lastIn) {
                adjust(p[0], p[1], p[2]);
                lastIn = in;
                lastOut = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
            } else {
                p[0] = std::uint8_t(lastOut);
                p[1] = std::uint8_t(lastOut >> 8);
                p[2] = std::uint8_t(lastOut >> 16);
            }
        }
        RowProgress(y);
    }
    SetProgress(100);
    return true;
}
