// ResampleSmooth byte for byte against its rule evaluated in exact arithmetic. Once the scale
// factors are rounded to float, every quantity of the rule is a dyadic rational, so the oracle
// computes with big integers times powers of two: plain double would lose a level on half of
// the positions of a flat picture and cannot be the reference.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"
#include "ops_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- exact dyadic numbers: big integer mantissa times a power of two ----

struct Big {
    bool negative = false;
    std::vector<uint32_t> mag; // little-endian limbs, no leading zeros; empty = 0

    static Big of(int64_t v)
    {
        Big b;
        b.negative = v < 0;
        uint64_t m = v < 0 ? uint64_t(-v) : uint64_t(v);
        for (; m; m >>= 32)
            b.mag.push_back(uint32_t(m));
        if (b.mag.empty())
            b.negative = false;
        return b;
    }
    bool zero() const { return mag.empty(); }
};

void trim(std::vector<uint32_t>& m)
{
    while (!m.empty() && m.back() == 0)
        m.pop_back();
}

int compareMag(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

std::vector<uint32_t> addMag(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    std::vector<uint32_t> r(std::max(a.size(), b.size()) + 1);
    uint64_t carry = 0;
    for (size_t i = 0; i < r.size(); ++i) {
        const uint64_t s = carry + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        r[i] = uint32_t(s);
        carry = s >> 32;
    }
    trim(r);
    return r;
}

std::vector<uint32_t> subMag(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) // a >= b
{
    std::vector<uint32_t> r(a.size());
    int64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int64_t s = int64_t(a[i]) - borrow - int64_t(i < b.size() ? b[i] : 0);
        borrow = s < 0 ? 1 : 0;
        r[i] = uint32_t(s + (borrow << 32));
    }
    trim(r);
    return r;
}

std::vector<uint32_t> shiftMag(const std::vector<uint32_t>& a, int n)
{
    if (a.empty())
        return a;
    std::vector<uint32_t> r(size_t(n / 32), 0);
    const int bits = n % 32;
    uint32_t carry = 0;
    for (uint32_t limb : a) {
        r.push_back(bits ? (limb << bits) | carry : limb);
        carry = bits ? limb >> (32 - bits) : 0;
    }
    r.push_back(carry);
    trim(r);
    return r;
}

Big add(const Big& a, const Big& b)
{
    Big r;
    if (a.negative == b.negative) {
        r.mag = addMag(a.mag, b.mag);
        r.negative = a.negative;
    } else if (compareMag(a.mag, b.mag) >= 0) {
        r.mag = subMag(a.mag, b.mag);
        r.negative = a.negative;
    } else {
        r.mag = subMag(b.mag, a.mag);
        r.negative = b.negative;
    }
    if (r.mag.empty())
        r.negative = false;
    return r;
}

Big mul(const Big& a, const Big& b)
{
    Big r;
    if (a.zero() || b.zero())
        return r;
    std::vector<uint64_t> acc(a.mag.size() + b.mag.size() + 1, 0);
    for (size_t i = 0; i < a.mag.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.mag.size(); ++j) {
            const uint64_t p = uint64_t(a.mag[i]) * b.mag[j] + (acc[i + j] & 0xffffffffu) + carry;
            acc[i + j] = p & 0xffffffffu;
            carry = p >> 32;
        }
        acc[i + b.mag.size()] += carry;
    }
    r.mag.resize(acc.size());
    uint64_t carry = 0;
    for (size_t i = 0; i < acc.size(); ++i) {
        const uint64_t s = acc[i] + carry;
        r.mag[i] = uint32_t(s);
        carry = s >> 32;
    }
    trim(r.mag);
    r.negative = a.negative != b.negative;
    return r;
}

/// m * 2^e.
struct Exact {
    Big m;
    int e = 0;

    static Exact of(int64_t v) { return Exact { Big::of(v), 0 }; }
    static Exact of(double d)
    {
        int ex = 0;
        const double f = std::frexp(d, &ex);
        return Exact { Big::of(int64_t(std::ldexp(f, 53))), ex - 53 };
    }
};

Exact operator+(const Exact& a, const Exact& b)
{
    const int e = std::min(a.e, b.e);
    Big x = a.m, y = b.m;
    x.mag = shiftMag(x.mag, a.e - e);
    y.mag = shiftMag(y.mag, b.e - e);
    return Exact { add(x, y), e };
}

Exact operator-(const Exact& a)
{
    Exact r = a;
    r.m.negative = !r.m.negative && !r.m.zero();
    return r;
}

Exact operator-(const Exact& a, const Exact& b)
{
    return a + (-b);
}

Exact operator*(const Exact& a, const Exact& b)
{
    return Exact { mul(a.m, b.m), a.e + b.e };
}

Exact half(const Exact& a)
{
    return Exact { a.m, a.e - 1 };
}

int sign(const Exact& a)
{
    return a.m.zero() ? 0 : (a.m.negative ? -1 : 1);
}

bool operator<(const Exact& a, const Exact& b)
{
    return sign(a - b) < 0;
}

bool operator<=(const Exact& a, const Exact& b)
{
    return sign(a - b) <= 0;
}

Exact absolute(const Exact& a)
{
    return sign(a) < 0 ? -a : a;
}

bool operator>(const Exact& a, const Exact& b)
{
    return b < a;
}

/// Largest integer n with n <= a (the values here are small).
int64_t floorOf(const Exact& a)
{
    double approx = 0;
    for (size_t i = a.m.mag.size(); i-- > 0;)
        approx = approx * 4294967296.0 + a.m.mag[i];
    int64_t n = int64_t(std::floor(std::ldexp(a.m.negative ? -approx : approx, a.e)));
    while (Exact::of(n) > a)
        --n;
    while (Exact::of(n + 1) <= a)
        ++n;
    return n;
}

/// (int) of the rule: truncation toward zero.
int64_t truncOf(const Exact& a)
{
    return sign(a) >= 0 ? floorOf(a) : -floorOf(-a);
}

/// Clamp to 0 ... 255 and truncate to a byte.
int toByte(const Exact& v)
{
    if (sign(v) <= 0)
        return 0;
    if (Exact::of(int64_t(255)) <= v)
        return 255;
    return int(floorOf(v));
}

// ---- the rule ----

Exact kernel(const Exact& t0)
{
    const Exact t = absolute(t0);
    const Exact t2 = t * t, t3 = t2 * t;
    if (t < Exact::of(int64_t(1)))
        return half(Exact::of(int64_t(3)) * t3 - Exact::of(int64_t(5)) * t2 + Exact::of(int64_t(2)));
    if (t < Exact::of(int64_t(2)))
        return half(-t3 + Exact::of(int64_t(5)) * t2 - Exact::of(int64_t(8)) * t + Exact::of(int64_t(4)));
    return Exact::of(int64_t(0));
}

/// Channel values of the source, 0..3 = blue, green, red, alpha; positions outside repeat the edge.
struct Source {
    const CxImage& img;
    int w, h;
    int value(int x, int y, int k) const
    {
        const RGBQUAD c = img.GetPixelColor(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1), true);
        return opref::channel(c, k);
    }
};

/// The interpolated colour's channel k at (px, py): 16 neighbours, clamped and truncated.
int interpolated(const Source& s, int k, Exact px, Exact py)
{
    int64_t x0 = floorOf(px), y0 = floorOf(py);
    if (x0 + 2 < 0 || x0 - 1 >= s.w || y0 + 2 < 0 || y0 - 1 >= s.h) {
        if (px < Exact::of(int64_t(0)))
            px = Exact::of(int64_t(0));
        if (Exact::of(int64_t(s.w - 1)) < px)
            px = Exact::of(int64_t(s.w - 1));
        if (py < Exact::of(int64_t(0)))
            py = Exact::of(int64_t(0));
        if (Exact::of(int64_t(s.h - 1)) < py)
            py = Exact::of(int64_t(s.h - 1));
        x0 = floorOf(px);
        y0 = floorOf(py);
    }
    Exact wx[4], wy[4];
    for (int i = 0; i < 4; ++i) {
        wx[i] = kernel(Exact::of(x0 - 1 + i) - px);
        wy[i] = kernel(Exact::of(y0 - 1 + i) - py);
    }
    Exact sum = Exact::of(int64_t(0));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            sum = sum + Exact::of(int64_t(s.value(int(x0) - 1 + i, int(y0) - 1 + j, k))) * wx[i] * wy[j];
    return toByte(sum);
}

Exact maxOf(const Exact& a, const Exact& b)
{
    return a < b ? b : a;
}

Exact minOf(const Exact& a, const Exact& b)
{
    return a < b ? a : b;
}

/// The area colour's channels 0..2 of the rectangle of size w x h centred on (px, py).
void areaColour(const Source& s, Exact px, Exact py, Exact w, Exact h, int out[3])
{
    const Exact one = Exact::of(int64_t(1)), halfOne = half(one);
    const Exact left = px - half(w), bottom = py - half(h), right = px + half(w), top = py + half(h);
    const int64_t x1 = truncOf(left + halfOne), y1 = truncOf(bottom + halfOne);
    const int64_t x2 = truncOf(right + halfOne), y2 = truncOf(top + halfOne);
    const bool both = one < w && one < h;
    Exact sum[3] = { Exact::of(int64_t(0)), Exact::of(int64_t(0)), Exact::of(int64_t(0)) };
    for (int64_t y = y1; y <= y2; ++y)
        for (int64_t x = x1; x <= x2; ++x) {
            const Exact l = maxOf(left, Exact::of(x) - halfOne), r = minOf(right, Exact::of(x) + halfOne);
            const Exact b = maxOf(bottom, Exact::of(y) - halfOne), t = minOf(top, Exact::of(y) + halfOne);
            if (both) {
                // Corners weigh their area, the other edge pixels their row height or column width.
                const bool edgeX = x == x1 || x == x2, edgeY = y == y1 || y == y2;
                const Exact weight = edgeX && edgeY ? (r - l) * (t - b) : (edgeY ? t - b : (edgeX ? r - l : one));
                for (int k = 0; k < 3; ++k)
                    sum[k] = sum[k] + Exact::of(int64_t(s.value(int(x), int(y), k))) * weight;
            } else {
                const Exact area = (r - l) * (t - b);
                if (sign(area) <= 0)
                    continue;
                const Exact cx = half(l + r), cy = half(b + t);
                for (int k = 0; k < 3; ++k)
                    sum[k] = sum[k] + Exact::of(int64_t(interpolated(s, k, cx, cy))) * area;
            }
        }
    const Exact wh = w * h;
    for (int k = 0; k < 3; ++k) {
        // floor(sum / wh), clamped: the largest n in 0..255 with n * wh <= sum.
        int n = 0;
        while (n < 255 && Exact::of(int64_t(n + 1)) * wh <= sum[k])
            ++n;
        out[k] = sign(sum[k]) < 0 ? 0 : n;
    }
}

/// ResampleSmooth(nw, nh) by its rule: colours (or palette indices), and alpha when present.
CxImage resampleByRule(const CxImage& src, int nw, int nh, bool disableAveraging)
{
    const int w = int(src.GetWidth()), h = int(src.GetHeight());
    const float sxf = float(w) / float(nw), syf = float(h) / float(nh);
    const Exact sx = Exact::of(double(sxf)), sy = Exact::of(double(syf));
    const Source s { src, w, h };
    CxImage out(uint32_t(nw), uint32_t(nh), src.GetBpp(), 0);
    if (src.GetPalette())
        out.SetPalette(src.GetPalette(), src.GetNumColors());
    if (src.AlphaIsValid())
        out.AlphaCreate();
    const bool interp = (sxf <= 1.0f && syf <= 1.0f) || disableAveraging;
    const Exact halfOne = half(Exact::of(int64_t(1)));
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x) {
            const Exact px = (Exact::of(int64_t(x)) + halfOne) * sx - halfOne;
            const Exact py = (Exact::of(int64_t(y)) + halfOne) * sy - halfOne;
            int c[3];
            if (interp)
                for (int k = 0; k < 3; ++k)
                    c[k] = interpolated(s, k, px, py);
            else
                areaColour(s, px, py, sx, sy, c);
            const RGBQUAD colour { uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), 0 };
            if (src.GetBpp() == 24) {
                out.SetPixelColor(x, y, colour);
                if (src.AlphaIsValid() && interp)
                    out.AlphaSet(x, y, uint8_t(interpolated(s, 3, px, py)));
            } else {
                out.SetPixelIndex(x, y, out.NearestPaletteIndex(colour));
            }
            if (src.AlphaIsValid() && !(interp && src.GetBpp() == 24))
                out.AlphaSet(x, y,
                    src.AlphaGet(int(truncOf(Exact::of(int64_t(x)) * sx)), int(truncOf(Exact::of(int64_t(y)) * sy))));
        }
    return out;
}

struct Case {
    int sw, sh, dw, dh;
    uint32_t bpp;
    bool alpha;
    bool disableAveraging = false;
};

std::string describe(const Case& c)
{
    return std::to_string(c.sw) + "x" + std::to_string(c.sh) + " -> " + std::to_string(c.dw) + "x"
        + std::to_string(c.dh) + " bpp " + std::to_string(c.bpp) + (c.alpha ? " alpha" : "")
        + (c.disableAveraging ? " no averaging" : "");
}

CxImage sourceFor(const Case& c, uint32_t seed)
{
    CxImage img = opref::randomImage(uint32_t(c.sw), uint32_t(c.sh), seed, c.bpp == 8 ? 24 : c.bpp);
    if (c.bpp == 8) {
        // A colour palette of 256 random entries (the generator's own 8-bit pictures are gray).
        std::mt19937 rng(seed + 2);
        CxImage pal(uint32_t(c.sw), uint32_t(c.sh), 8, 0);
        for (uint32_t i = 0; i < 256; ++i)
            pal.SetPaletteColor(uint8_t(i), uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x)
                pal.SetPixelIndex(x, y, uint8_t(rng()));
        img = pal;
    }
    if (c.alpha) {
        img.AlphaCreate();
        std::mt19937 rng(seed + 1);
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x)
                img.AlphaSet(x, y, uint8_t(rng()));
    }
    return img;
}

/// Number of bytes (colour channels or indices, and alpha) where the two pictures differ; the first
/// difference is described in where.
int differences(const CxImage& got, const CxImage& want, std::string& where)
{
    int n = 0;
    for (int y = 0; y < int(want.GetHeight()); ++y)
        for (int x = 0; x < int(want.GetWidth()); ++x) {
            const RGBQUAD a = got.GetPixelColor(x, y, false), b = want.GetPixelColor(x, y, false);
            const bool same = want.GetBpp() == 24
                ? a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed
                : got.GetPixelIndex(x, y) == want.GetPixelIndex(x, y);
            const bool sameAlpha = !want.AlphaIsValid() || got.AlphaGet(x, y) == want.AlphaGet(x, y);
            if (same && sameAlpha)
                continue;
            if (n++ == 0)
                where = "at " + std::to_string(x) + "," + std::to_string(y) + ": got " + std::to_string(a.rgbBlue) + "/"
                    + std::to_string(a.rgbGreen) + "/" + std::to_string(a.rgbRed) + " alpha "
                    + std::to_string(got.AlphaGet(x, y)) + ", rule " + std::to_string(b.rgbBlue) + "/"
                    + std::to_string(b.rgbGreen) + "/" + std::to_string(b.rgbRed) + " alpha "
                    + std::to_string(want.AlphaGet(x, y));
        }
    return n;
}

void expectRuleBytes(const Case& c, const CxImage& src)
{
    const CxImage want = resampleByRule(src, c.dw, c.dh, c.disableAveraging);
    CxImage got;
    ASSERT_TRUE(CxImage(src).ResampleSmooth(c.dw, c.dh, 16, 5, &got, c.disableAveraging)) << describe(c);
    ASSERT_EQ(got.GetWidth(), uint32_t(c.dw));
    ASSERT_EQ(got.GetHeight(), uint32_t(c.dh));
    ASSERT_EQ(got.GetBpp(), c.bpp);
    ASSERT_EQ(got.AlphaIsValid(), c.alpha);
    std::string where;
    EXPECT_EQ(differences(got, want, where), 0) << describe(c) << " " << where;
}

std::vector<Case> namedCases()
{
    return {
        { 37, 29, 18, 14, 24, false }, // area path, fractional factors
        { 37, 29, 74, 58, 24, false }, // Catmull-Rom
        { 37, 29, 50, 20, 24, false }, // one factor up, one down
        { 29, 37, 20, 50, 24, true }, // the other way round, with alpha
        { 20, 20, 19, 21, 24, true }, // just above and just below 1
        { 21, 19, 20, 20, 24, false },
        { 40, 30, 41, 31, 24, true }, // both just below 1
        { 41, 31, 40, 30, 24, true }, // both just above 1
        { 1, 17, 3, 9, 24, true }, // one pixel wide
        { 1, 17, 1, 5, 24, false },
        { 17, 1, 5, 1, 24, true },
        { 1, 1, 4, 3, 24, true },
        { 1, 9, 1, 23, 24, false },
        { 24, 16, 12, 8, 24, true }, // whole factors
        { 24, 18, 6, 6, 24, false },
        { 12, 8, 24, 16, 24, true },
        { 66, 50, 33, 25, 24, false }, // 2:1, 4:1 and 4 x 3 blocks, odd destination sizes
        { 68, 52, 17, 13, 24, true },
        { 76, 39, 19, 13, 24, false },
        { 70, 24, 14, 8, 24, false }, // 5 x 3: blocks wider than the fast kernels
        { 2, 2, 1, 1, 24, false },
        { 67, 49, 33, 24, 24, false }, // near-integer: just above 2 and 4 x 3
        { 63, 47, 32, 24, 24, true }, // just below 2
        { 77, 37, 19, 12, 24, false },
        { 66, 50, 33, 25, 8, false }, // palette blocks
        { 30, 20, 12, 9, 24, true, true }, // interpolation while reducing
        { 37, 29, 18, 14, 8, false }, // palette pictures
        { 37, 29, 50, 20, 8, true },
        { 23, 17, 30, 25, 4, true },
        { 19, 23, 9, 11, 1, false },
    };
}

TEST(ResampleExact, NamedCasesGiveTheRulesBytes)
{
    uint32_t seed = 100;
    for (const Case& c : namedCases())
        expectRuleBytes(c, sourceFor(c, seed++));
}

TEST(ResampleExact, RandomSizesGiveTheRulesBytes)
{
    std::mt19937 rng(2024);
    const uint32_t depths[] = { 24, 24, 24, 8, 4 };
    for (int n = 0; n < 60; ++n) {
        Case c;
        c.sw = 1 + int(rng() % 24);
        c.sh = 1 + int(rng() % 24);
        c.dw = 1 + int(rng() % 30);
        c.dh = 1 + int(rng() % 30);
        c.bpp = depths[rng() % 5];
        c.alpha = rng() % 2 == 0;
        c.disableAveraging = rng() % 8 == 0;
        if (c.sw == c.dw && c.sh == c.dh)
            continue;
        expectRuleBytes(c, sourceFor(c, 7 + uint32_t(n)));
    }
}

TEST(ResampleExact, GrayPicturesGiveTheRulesBytes)
{
    // 8-bit gray pictures are resampled as one channel; the rule's colours are gray again.
    for (const Case& c : { Case { 37, 29, 18, 14, 8, true }, Case { 37, 29, 50, 20, 8, false },
             Case { 13, 11, 30, 29, 8, true }, Case { 1, 20, 2, 7, 8, false }, Case { 66, 50, 33, 25, 8, false },
             Case { 76, 39, 19, 13, 8, true }, Case { 67, 49, 33, 24, 8, false } }) {
        CxImage src = opref::randomImage(uint32_t(c.sw), uint32_t(c.sh), 55, 8);
        if (c.alpha) {
            src.AlphaCreate();
            for (int y = 0; y < c.sh; ++y)
                for (int x = 0; x < c.sw; ++x)
                    src.AlphaSet(x, y, uint8_t(x * 31 + y * 17));
        }
        ASSERT_TRUE(src.IsGrayScale());
        expectRuleBytes(c, src);
    }
}

TEST(ResampleExact, CameraFrameReductionsGiveTheRulesBytes)
{
    // Bands of camera frames at the booth's factors (640 x 480 and 1280 x 720 to 320 x 240, a
    // 4:1 thumbnail, and a frame two pixels off), full rows through the vector kernels.
    uint32_t seed = 400;
    for (const Case& c : { Case { 640, 40, 320, 20, 24, false }, Case { 1280, 36, 320, 12, 24, false },
             Case { 1280, 32, 320, 8, 24, true }, Case { 1282, 37, 320, 12, 24, false } })
        expectRuleBytes(c, sourceFor(c, seed++));
}

TEST(ResampleExact, FlatAndTwoLevelPicturesGiveTheRulesBytes)
{
    // Flat areas and hard edges are where float sums land on whole levels.
    for (const Case& c :
        { Case { 40, 30, 41, 31, 24, true }, Case { 41, 31, 40, 30, 24, false }, Case { 37, 29, 50, 20, 24, false },
            Case { 16, 12, 40, 27, 24, true }, Case { 1, 13, 3, 29, 24, false }, Case { 33, 1, 10, 3, 24, true } }) {
        CxImage src(uint32_t(c.sw), uint32_t(c.sh), 24, 0);
        if (c.alpha)
            src.AlphaCreate();
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x) {
                const bool right = x >= c.sw / 2;
                src.SetPixelColor(x, y, right ? RGBQUAD { 17, 200, 255, 0 } : RGBQUAD { 1, 254, 128, 0 });
                if (c.alpha)
                    src.AlphaSet(x, y, right ? 255 : 1);
            }
        expectRuleBytes(c, src);
    }
}

TEST(ResampleExact, NearIntegerSumsAreDecidedExactly)
{
    // Every interpolated sum goes through the exact decision instead of the double one.
    const double saved = cximage_p::resampleNearInteger;
    cximage_p::resampleNearInteger = 0.5;
    uint32_t seed = 300;
    for (const Case& c : { Case { 37, 29, 74, 58, 24, true }, Case { 37, 29, 50, 20, 24, false },
             Case { 20, 20, 19, 21, 24, true }, Case { 40, 30, 41, 31, 24, false }, Case { 1, 17, 3, 9, 24, true } })
        expectRuleBytes(c, sourceFor(c, seed++));
    cximage_p::resampleNearInteger = saved;
}

} // namespace
