// CxImage::ResampleSmooth: Catmull-Rom interpolation when enlarging, area averaging when reducing,
// edges repeated. Every byte is the one real arithmetic on the single-precision scale factors gives.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CXIMAGE_BLOCK_SIMD 1
#endif

using cximage_p::Plane;

namespace cximage_p {
double resampleNearInteger = 1.0 / (1 << 30);
}

// Why the results are exact:
// - Every position and intersection length is a dyadic number of at most ~41 significant bits
//   (a float scale times a small integer), so it is exact in double, and the area weights are
//   exact integers in units of 1/U, U the smallest power of two making the scale an integer. The
//   area sums therefore run in 64-bit integers and the final division is an exact floor.
// - Catmull-Rom sums run in double, in the form v1 + sum w (v - v1), which is exact on a flat
//   neighbourhood. Elsewhere the rounding error (below 1e-11) is far below resampleNearInteger; a
//   sum that lands that close to a whole level is decided exactly from the kernel's polynomial.
namespace {

inline int clampIndex(int i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

inline double catmullRom(double t)
{
    t = std::fabs(t);
    if (t < 1.0)
        return (3.0 * t * t * t - 5.0 * t * t + 2.0) / 2.0;
    if (t < 2.0)
        return (-t * t * t + 5.0 * t * t - 8.0 * t + 4.0) / 2.0;
    return 0.0;
}

/// Number of binary digits after the point of a non-negative dyadic fraction below 1.
inline int fractionBits(double f)
{
    int q = 0;
    while (f != std::floor(f) && q < 60) {
        f *= 2.0;
        ++q;
    }
    return q;
}

// ---- exact decision of a near-integer Catmull-Rom sum ----

/// A 384-bit two's complement integer: wide enough for the kernel polynomial at 52-bit fractions.
struct Wide {
    uint64_t limb[6] = {};

    void mul(uint64_t m)
    {
        unsigned __int128 carry = 0;
        for (uint64_t& l : limb) {
            const unsigned __int128 p = (unsigned __int128)l * m + carry;
            l = uint64_t(p);
            carry = p >> 64;
        }
    }
    void shiftLeft(int n)
    {
        for (; n >= 64; n -= 64) {
            for (int i = 5; i > 0; --i)
                limb[i] = limb[i - 1];
            limb[0] = 0;
        }
        if (n == 0)
            return;
        for (int i = 5; i > 0; --i)
            limb[i] = (limb[i] << n) | (limb[i - 1] >> (64 - n));
        limb[0] <<= n;
    }
    void add(const Wide& o, bool subtract)
    {
        unsigned __int128 carry = subtract ? 1 : 0;
        for (int i = 0; i < 6; ++i) {
            const uint64_t b = subtract ? ~o.limb[i] : o.limb[i];
            const unsigned __int128 s = (unsigned __int128)limb[i] + b + carry;
            limb[i] = uint64_t(s);
            carry = s >> 64;
        }
    }
    bool negative() const { return (limb[5] >> 63) != 0; }
};

/// Catmull-Rom weights as cubics in the fraction f: rows are taps -1..2, columns f^3, f^2, f, 1
/// (each twice the weight).
constexpr int kWeightPoly[4][4] = { { -1, 2, -1, 0 }, { 3, -5, 0, 2 }, { -3, 4, 1, 0 }, { 1, -1, 0, 0 } };

/// True when sum_ij wx(i) wy(j) v[j][i] >= level, decided exactly. fx = a / 2^qx, fy = b / 2^qy.
bool sumReaches(const int v[4][4], int level, uint64_t a, int qx, uint64_t b, int qy)
{
    // c[n][m] = coefficient of fy^(3-n) fx^(3-m), times 4.
    long long c[4][4] = {};
    for (int j = 0; j < 4; ++j) {
        long long ax[4] = {};
        for (int m = 0; m < 4; ++m)
            for (int i = 0; i < 4; ++i)
                ax[m] += (long long)kWeightPoly[i][m] * (v[j][i] - level);
        for (int n = 0; n < 4; ++n)
            for (int m = 0; m < 4; ++m)
                c[n][m] += kWeightPoly[j][n] * ax[m];
    }
    // 4 * 2^(3qx + 3qy) * (sum - level) = sum c[n][m] * a^(3-m) 2^(qx m) * b^(3-n) 2^(qy n).
    Wide acc;
    for (int n = 0; n < 4; ++n)
        for (int m = 0; m < 4; ++m) {
            if (c[n][m] == 0)
                continue;
            Wide t;
            t.limb[0] = uint64_t(c[n][m] < 0 ? -c[n][m] : c[n][m]);
            for (int e = 0; e < 3 - m; ++e)
                t.mul(a);
            for (int e = 0; e < 3 - n; ++e)
                t.mul(b);
            t.shiftLeft(qx * m + qy * n);
            acc.add(t, c[n][m] < 0);
        }
    return !acc.negative();
}

// ---- interpolation ----

/// Four Catmull-Rom taps at one position, after the position was moved into the picture if its
/// whole neighbourhood lay outside (never the case for the positions the resampler asks for).
struct Taps4 {
    int index[4];
    double weight[4];
    uint64_t fraction; // position - floor(position), times 2^bits
    int bits;
};

Taps4 tapsAt(double p, int n)
{
    int p0 = int(std::floor(p));
    if (p0 + 2 < 0 || p0 - 1 >= n) {
        p = std::clamp(p, 0.0, double(n - 1));
        p0 = int(std::floor(p));
    }
    Taps4 t;
    for (int i = 0; i < 4; ++i) {
        t.index[i] = clampIndex(p0 - 1 + i, n);
        t.weight[i] = catmullRom(double(p0 - 1 + i) - p);
    }
    const double f = p - double(p0);
    t.bits = fractionBits(f);
    t.fraction = uint64_t(std::ldexp(f, t.bits));
    return t;
}

/// Output rows of the resampler: either the destination image's own rows or a scratch plane.
struct Target {
    uint8_t* rows;
    size_t stride;
    uint8_t* row(int y) const { return rows + size_t(y) * stride; }
};

/// Vertical Catmull-Rom blend of four horizontally interpolated rows into bytes, when every sum
/// is exact in double.
CXIMAGE_VECTORISE void verticalBlendExact(const double* __restrict h0, const double* __restrict h1,
    const double* __restrict h2, const double* __restrict h3, const double* w, uint8_t* __restrict out, size_t n)
{
    const double w0 = w[0], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i) {
        const double c = h1[i];
        const double v = c + (w0 * (h0[i] - c) + w2 * (h2[i] - c) + w3 * (h3[i] - c));
        const int fl = int(v + 512.0) - 512; // floor: the sums stay well above -512
        out[i] = uint8_t(std::min(std::max(fl, 0), 255));
    }
}

/// The same blend in general. flag marks the bytes whose sum came within nearInteger of a level
/// between 1 and 255 without being provably exact (flat neighbourhood); they are decided exactly
/// afterwards. Flag 1: the nearest level is floor(v); 2: it is floor(v) + 1.
CXIMAGE_VECTORISE void verticalBlend(const double* __restrict h0, const double* __restrict h1,
    const double* __restrict h2, const double* __restrict h3, const uint8_t* __restrict f0,
    const uint8_t* __restrict f1, const uint8_t* __restrict f2, const uint8_t* __restrict f3, const double* w,
    double nearInteger, uint8_t* __restrict out, uint8_t* __restrict flag, size_t n)
{
    const double w0 = w[0], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i) {
        const double c = h1[i];
        const double d0 = h0[i] - c, d2 = h2[i] - c, d3 = h3[i] - c;
        const double v = c + (w0 * d0 + w2 * d2 + w3 * d3);
        const int fl = int(v + 512.0) - 512;
        const double fr = v - double(fl);
        const int flat = (f0[i] & f1[i] & f2[i] & f3[i]) & int(d0 == 0.0) & int(d2 == 0.0) & int(d3 == 0.0);
        const int near = int(fr < nearInteger) | int(fr > 1.0 - nearInteger);
        const int inRange = int(v > 0.5) & int(v < 255.5);
        out[i] = uint8_t(std::min(std::max(fl, 0), 255));
        flag[i] = uint8_t((near & inRange & (flat ^ 1)) * (1 + int(fr >= 0.5)));
    }
}

/// The vertical blend in integers: rows hold horizontal sums scaled by 2^sx, the weights are scaled
/// by 2^sy, and the arithmetic shift by sx + sy is the floor of the exact sum.
CXIMAGE_VECTORISE void verticalBlendInt(const int32_t* __restrict h0, const int32_t* __restrict h1,
    const int32_t* __restrict h2, const int32_t* __restrict h3, const int32_t* w, int sy, int shift,
    uint8_t* __restrict out, size_t n)
{
    const int32_t w0 = w[0], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i) {
        const int32_t c = h1[i];
        const int32_t v = (c << sy) + w0 * (h0[i] - c) + w2 * (h2[i] - c) + w3 * (h3[i] - c);
        out[i] = uint8_t(std::min(std::max(v >> shift, 0), 255));
    }
}

/// Catmull-Rom sampling of a plane on a grid: a fixed list of column positions, and one row
/// position per call. Horizontal passes are kept for four source rows.
class GridSampler {
public:
    GridSampler(const Plane& src, const std::vector<double>& columns)
        : m_src(src)
        , m_ch(src.channels)
        , m_n(columns.size() * size_t(src.channels))
    {
        m_tx.reserve(columns.size());
        int maxBits = 0;
        for (double p : columns) {
            m_tx.push_back(tapsAt(p, src.width));
            maxBits = std::max(maxBits, m_tx.back().bits);
        }
        m_xBits = maxBits;
        for (int k = 0; k < 4; ++k) {
            m_h[k].resize(m_n);
            m_flat[k].resize(m_n);
        }
        m_flag.resize(m_n);
    }

    /// Switches to integer sums when every row position asked for has at most yBits fraction digits
    /// and the scaled sums fit 32 bits: a Catmull-Rom weight at q fraction digits is a whole multiple
    /// of 2^-(3q + 1). The bound: |sum| <= 4 * 2 * 255 * 1.25 * 2^(sx + sy) < 2^31 for sx + sy <= 19.
    void useIntegersUpTo(int yBits)
    {
        const int sx = 3 * m_xBits + 1, sy = 3 * yBits + 1;
        if (sx + sy > 19)
            return;
        m_intX = sx;
        m_intY = sy;
        m_wx.resize(m_tx.size() * 4);
        for (size_t x = 0; x < m_tx.size(); ++x)
            for (int i = 0; i < 4; ++i)
                m_wx[x * 4 + size_t(i)] = int32_t(std::ldexp(m_tx[x].weight[i], sx));
        for (int k = 0; k < 4; ++k) {
            m_hi[k].resize(m_n);
            m_row[k] = -1;
        }
    }

    /// The bytes of the grid row at vertical position py.
    void sampleRow(double py, uint8_t* out)
    {
        const Taps4 ty = tapsAt(py, m_src.height);
        if (m_intX > 0) {
            int slot[4];
            for (int j = 0; j < 4; ++j)
                slot[j] = horizontalInt(ty.index[j]);
            int32_t wy[4];
            for (int j = 0; j < 4; ++j)
                wy[j] = int32_t(std::ldexp(ty.weight[j], m_intY));
            verticalBlendInt(m_hi[slot[0]].data(), m_hi[slot[1]].data(), m_hi[slot[2]].data(), m_hi[slot[3]].data(), wy,
                m_intY, m_intX + m_intY, out, m_n);
            return;
        }
        int slot[4];
        for (int j = 0; j < 4; ++j)
            slot[j] = horizontal(ty.index[j]);
        // With few fraction digits every product and sum is exact in double (3q + 1 bits per
        // weight, 16 for the values and the four-term sums).
        const bool allExact = 3 * (m_xBits + ty.bits) + 18 <= 53;
        if (allExact) {
            verticalBlendExact(m_h[slot[0]].data(), m_h[slot[1]].data(), m_h[slot[2]].data(), m_h[slot[3]].data(),
                ty.weight, out, m_n);
            return;
        }
        verticalBlend(m_h[slot[0]].data(), m_h[slot[1]].data(), m_h[slot[2]].data(), m_h[slot[3]].data(),
            m_flat[slot[0]].data(), m_flat[slot[1]].data(), m_flat[slot[2]].data(), m_flat[slot[3]].data(), ty.weight,
            cximage_p::resampleNearInteger, out, m_flag.data(), m_n);
        for (size_t e = 0; e < m_n; ++e) {
            if (!m_flag[e])
                continue;
            const Taps4& tx = m_tx[e / size_t(m_ch)];
            const int k = int(e % size_t(m_ch));
            int v[4][4];
            for (int j = 0; j < 4; ++j) {
                const uint8_t* r = m_src.row(ty.index[j]);
                for (int i = 0; i < 4; ++i)
                    v[j][i] = r[size_t(tx.index[i]) * size_t(m_ch) + size_t(k)];
            }
            // The flagged sum is within reach of rounding of a level 1..255: it is that level or one below.
            const int level = out[e] + (m_flag[e] == 2 ? 1 : 0);
            out[e] = uint8_t(sumReaches(v, level, tx.fraction, tx.bits, ty.fraction, ty.bits) ? level : level - 1);
        }
    }

private:
    int horizontalInt(int row)
    {
        const int s = row & 3;
        if (m_row[s] == row)
            return s;
        m_row[s] = row;
        const uint8_t* r = m_src.row(row);
        int32_t* h = m_hi[s].data();
        const int32_t* w = m_wx.data();
        const int sx = m_intX;
        if (m_ch == 3) {
            for (size_t x = 0; x < m_tx.size(); ++x, h += 3, w += 4) {
                const Taps4& t = m_tx[x];
                const uint8_t* a = r + size_t(t.index[0]) * 3;
                const uint8_t* b = r + size_t(t.index[1]) * 3;
                const uint8_t* c = r + size_t(t.index[2]) * 3;
                const uint8_t* d = r + size_t(t.index[3]) * 3;
                for (int k = 0; k < 3; ++k) {
                    const int32_t v1 = b[k];
                    h[k] = (v1 << sx) + w[0] * (a[k] - v1) + w[2] * (c[k] - v1) + w[3] * (d[k] - v1);
                }
            }
            return s;
        }
        const size_t ch = size_t(m_ch);
        for (size_t x = 0; x < m_tx.size(); ++x, w += 4) {
            const Taps4& t = m_tx[x];
            for (size_t k = 0; k < ch; ++k) {
                const int32_t v1 = r[size_t(t.index[1]) * ch + k];
                h[x * ch + k] = (v1 << sx) + w[0] * (r[size_t(t.index[0]) * ch + k] - v1)
                    + w[2] * (r[size_t(t.index[2]) * ch + k] - v1) + w[3] * (r[size_t(t.index[3]) * ch + k] - v1);
            }
        }
        return s;
    }

    int horizontal(int row)
    {
        const int s = row & 3;
        if (m_row[s] == row)
            return s;
        m_row[s] = row;
        const uint8_t* r = m_src.row(row);
        double* h = m_h[s].data();
        uint8_t* flat = m_flat[s].data();
        const size_t ch = size_t(m_ch);
        if (ch == 3) {
            for (size_t x = 0; x < m_tx.size(); ++x, h += 3, flat += 3) {
                const Taps4& t = m_tx[x];
                const uint8_t* a = r + size_t(t.index[0]) * 3;
                const uint8_t* b = r + size_t(t.index[1]) * 3;
                const uint8_t* c = r + size_t(t.index[2]) * 3;
                const uint8_t* d = r + size_t(t.index[3]) * 3;
                const double w0 = t.weight[0], w2 = t.weight[2], w3 = t.weight[3];
                for (int k = 0; k < 3; ++k) {
                    const int v1 = b[k];
                    const int d0 = a[k] - v1, d2 = c[k] - v1, d3 = d[k] - v1;
                    h[k] = double(v1) + (w0 * d0 + w2 * d2 + w3 * d3);
                    flat[k] = uint8_t((d0 | d2 | d3) == 0);
                }
            }
            return s;
        }
        for (size_t x = 0; x < m_tx.size(); ++x) {
            const Taps4& t = m_tx[x];
            const uint8_t* a = r + size_t(t.index[0]) * ch;
            const uint8_t* b = r + size_t(t.index[1]) * ch;
            const uint8_t* c = r + size_t(t.index[2]) * ch;
            const uint8_t* d = r + size_t(t.index[3]) * ch;
            for (size_t k = 0; k < ch; ++k) {
                const int v1 = b[k];
                const int d0 = a[k] - v1, d2 = c[k] - v1, d3 = d[k] - v1;
                h[x * ch + k] = double(v1) + (t.weight[0] * d0 + t.weight[2] * d2 + t.weight[3] * d3);
                flat[x * ch + k] = uint8_t((d0 | d2 | d3) == 0);
            }
        }
        return s;
    }

    const Plane& m_src;
    int m_ch;
    size_t m_n;
    int m_xBits = 0;
    int m_intX = 0, m_intY = 0; // scales of the integer sums, 0 when they run in double
    std::vector<Taps4> m_tx;
    std::vector<int32_t> m_wx; // four integer weights per column
    std::vector<int32_t> m_hi[4];
    std::vector<double> m_h[4];
    std::vector<uint8_t> m_flat[4];
    std::vector<uint8_t> m_flag;
    int m_row[4] = { -1, -1, -1, -1 };
};

// ---- area averaging ----

/// One axis of the area rule in integers: a scale s = S / U with U the smallest power of two that
/// makes S whole. Destination coordinate d covers [d s, (d + 1) s] in a frame shifted by one half,
/// i.e. source pixel i covers [i, i + 1]; each covered pixel weighs its intersection length times U.
struct AreaAxis {
    uint64_t total = 0; // S: the sum of the weights of every destination coordinate
    int unitBits = 0;
    std::vector<int> first; // first segment per destination coordinate (one past the end last)
    std::vector<int> index; // source pixel, possibly one past the picture
    std::vector<uint64_t> weight;
    std::vector<double> centre; // middle of the intersection, in pixel coordinates
};

AreaAxis areaAxis(int dstLen, float scale)
{
    AreaAxis a;
    const double s = scale;
    while (std::ldexp(s, a.unitBits) != std::floor(std::ldexp(s, a.unitBits)))
        ++a.unitBits;
    const uint64_t unit = uint64_t(1) << a.unitBits;
    a.total = uint64_t(std::ldexp(s, a.unitBits));
    a.first.reserve(size_t(dstLen) + 1);
    for (int d = 0; d < dstLen; ++d) {
        a.first.push_back(int(a.index.size()));
        const uint64_t lo = uint64_t(d) * a.total, hi = lo + a.total;
        for (uint64_t i = lo >> a.unitBits; i <= hi >> a.unitBits; ++i) {
            const uint64_t l = std::max(lo, i * unit), r = std::min(hi, (i + 1) * unit);
            if (r <= l)
                continue;
            a.index.push_back(int(i));
            a.weight.push_back(r - l);
            a.centre.push_back((double(l) + double(r)) * std::ldexp(0.5, -a.unitBits) - 0.5);
        }
    }
    a.first.push_back(int(a.index.size()));
    return a;
}

/// floor(sum / divisor) for sum < 2^56, exactly.
inline uint8_t exactQuotient(uint64_t sum, uint64_t divisor, double inverse)
{
    uint64_t q = uint64_t(double(sum) * inverse);
    if (q * divisor > sum)
        --q;
    else if ((q + 1) * divisor <= sum)
        ++q;
    return uint8_t(std::min<uint64_t>(q, 255));
}

template <class Acc>
CXIMAGE_VECTORISE void accumulateRow(const uint8_t* __restrict s, Acc w, Acc* __restrict acc, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        acc[i] += Acc(s[i]) * w;
}

/// Both axes shrink: source rows under each destination row are summed with their weights, then the
/// columns with theirs.
/// floor(sum / divisor) for divisor < 2^40: (sum + 0.5) / divisor lies at least 0.5 / divisor away
/// from the next whole numbers, far beyond the double's error (2^-44 at these magnitudes).
inline uint8_t quotient(double sum, double inverse)
{
    return uint8_t(std::min(int((sum + 0.5) * inverse), 255));
}

template <class Acc, class Sum>
int averagePlane(
    const Plane& src, int dstW, int dstH, const AreaAxis& ax, const AreaAxis& ay, const Target& dst, CxImage& owner)
{
    const size_t ch = size_t(src.channels);
    const size_t srcLen = size_t(src.width) * ch;
    std::vector<Acc> acc(srcLen);
    const uint64_t divisor = ax.total * ay.total;
    const double inverse = 1.0 / double(divisor);
    const bool fast = divisor < (uint64_t(1) << 40);
    std::vector<uint32_t> offset(ax.index.size());
    std::vector<Sum> weight(ax.index.size());
    for (size_t i = 0; i < ax.index.size(); ++i) {
        offset[i] = uint32_t(size_t(clampIndex(ax.index[i], src.width)) * ch);
        weight[i] = Sum(ax.weight[i]);
    }
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        std::fill(acc.begin(), acc.end(), Acc(0));
        for (int j = ay.first[size_t(y)]; j < ay.first[size_t(y) + 1]; ++j)
            accumulateRow<Acc>(
                src.row(clampIndex(ay.index[size_t(j)], src.height)), Acc(ay.weight[size_t(j)]), acc.data(), srcLen);
        uint8_t* d = dst.row(y);
        const Acc* a = acc.data();
        for (int x = 0; x < dstW; ++x) {
            Sum sum[3] = { 0, 0, 0 };
            const int end = ax.first[size_t(x) + 1];
            if (ch == 3) {
                for (int i = ax.first[size_t(x)]; i < end; ++i) {
                    const Acc* p = a + offset[size_t(i)];
                    const Sum w = weight[size_t(i)];
                    sum[0] += Sum(p[0]) * w;
                    sum[1] += Sum(p[1]) * w;
                    sum[2] += Sum(p[2]) * w;
                }
            } else {
                for (int i = ax.first[size_t(x)]; i < end; ++i)
                    sum[0] += Sum(a[offset[size_t(i)]]) * weight[size_t(i)];
            }
            for (size_t k = 0; k < ch; ++k)
                d[size_t(x) * ch + k]
                    = fast ? quotient(double(sum[k]), inverse) : exactQuotient(uint64_t(sum[k]), divisor, inverse);
        }
    }
    return dstH;
}

/// Whole-number factors in both directions whose block sum fits 16 bits: each destination pixel is
/// the truncated mean of an fx x fy block, divided by multiply and shift.
struct BlockDivisor {
    uint32_t magic = 0;
    int shift = 0;
};

bool blockDivisor(uint32_t divisor, BlockDivisor& out)
{
    if (divisor == 0 || 255 * divisor > 65535)
        return false;
    for (int shift = 16; shift < 32; ++shift) {
        const uint64_t magic = ((uint64_t(1) << shift) + divisor - 1) / divisor;
        if (magic > 65535)
            break;
        // n m / 2^s = n / d + n e / (d 2^s) with e = m d - 2^s: the floor is right for every
        // n <= 255 d when 255 d e < 2^s.
        const uint64_t excess = magic * divisor - (uint64_t(1) << shift);
        if (255 * uint64_t(divisor) * excess < (uint64_t(1) << shift)) {
            out = BlockDivisor { uint32_t(magic), shift };
            return true;
        }
    }
    return false;
}

/// acc[i] = a[i] + b[i] (b may equal nullptr for a single row).
CXIMAGE_VECTORISE void sumTwoRows(
    const uint8_t* __restrict a, const uint8_t* __restrict b, uint16_t* __restrict acc, size_t n)
{
    if (!b) {
        for (size_t i = 0; i < n; ++i)
            acc[i] = a[i];
        return;
    }
    for (size_t i = 0; i < n; ++i)
        acc[i] = uint16_t(a[i] + b[i]);
}

/// acc[i] += a[i] + b[i] (b may equal nullptr).
CXIMAGE_VECTORISE void addTwoRows(
    const uint8_t* __restrict a, const uint8_t* __restrict b, uint16_t* __restrict acc, size_t n)
{
    if (!b) {
        for (size_t i = 0; i < n; ++i)
            acc[i] = uint16_t(acc[i] + a[i]);
        return;
    }
    for (size_t i = 0; i < n; ++i)
        acc[i] = uint16_t(acc[i] + a[i] + b[i]);
}

// q[i] = (sum of acc[i + step k], k < fx) / divisor for every i < n (the caller keeps those it
// needs). The block sum is at most 255 times the divisor, below 2^16, so the sums run in 16-bit
// lanes, and the quotient is the high half of the product with the magic number shifted further:
// ((h m) >> 16) >> (s - 16) = (h m) >> s, which blockDivisor proved to be the floor.
#ifdef CXIMAGE_BLOCK_SIMD

template <int FX> inline __m128i blockSum8(const uint16_t* p, size_t step)
{
    __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    for (int k = 1; k < FX; ++k)
        h = _mm_add_epi16(h, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + step * size_t(k))));
    return h;
}

template <int FX> void boxDivideSse2(const uint16_t* acc, size_t step, uint16_t magic, int post, uint8_t* q, size_t n)
{
    const __m128i m = _mm_set1_epi16(short(magic));
    const __m128i sh = _mm_cvtsi32_si128(post);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i lo = _mm_srl_epi16(_mm_mulhi_epu16(blockSum8<FX>(acc + i, step), m), sh);
        const __m128i hi = _mm_srl_epi16(_mm_mulhi_epu16(blockSum8<FX>(acc + i + 8, step), m), sh);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < n; ++i) {
        uint32_t h = 0;
        for (int k = 0; k < FX; ++k)
            h += acc[i + step * size_t(k)];
        q[i] = uint8_t(((h * magic) >> 16) >> post);
    }
}

template <int FX>
__attribute__((target("avx2"))) void boxDivideAvx2(
    const uint16_t* acc, size_t step, uint16_t magic, int post, uint8_t* q, size_t n)
{
    const __m256i m = _mm256_set1_epi16(short(magic));
    const __m128i sh = _mm_cvtsi32_si128(post);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i));
        __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i + 16));
        for (int k = 1; k < FX; ++k) {
            lo = _mm256_add_epi16(lo, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i + step * size_t(k))));
            hi = _mm256_add_epi16(
                hi, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + i + 16 + step * size_t(k))));
        }
        lo = _mm256_srl_epi16(_mm256_mulhi_epu16(lo, m), sh);
        hi = _mm256_srl_epi16(_mm256_mulhi_epu16(hi, m), sh);
        // packus works per 128-bit lane; the permute puts the bytes back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + i), packed);
    }
    boxDivideSse2<FX>(acc + i, step, magic, post, q + i, n - i);
}

using BoxDivideFn = void (*)(const uint16_t*, size_t, uint16_t, int, uint8_t*, size_t);

template <int FX> BoxDivideFn boxDivideFor()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? &boxDivideAvx2<FX> : &boxDivideSse2<FX>;
}
#endif

void boxDivideAny(int fx, const uint16_t* acc, size_t step, uint16_t magic, int post, uint8_t* q, size_t n)
{
#ifdef CXIMAGE_BLOCK_SIMD
    switch (fx) {
    case 1:
        return boxDivideFor<1>()(acc, step, magic, post, q, n);
    case 2:
        return boxDivideFor<2>()(acc, step, magic, post, q, n);
    case 3:
        return boxDivideFor<3>()(acc, step, magic, post, q, n);
    case 4:
        return boxDivideFor<4>()(acc, step, magic, post, q, n);
    default:
        break;
    }
#endif
    for (size_t i = 0; i < n; ++i) {
        uint32_t h = 0;
        for (int k = 0; k < fx; ++k)
            h += acc[i + step * size_t(k)];
        q[i] = uint8_t(((h * magic) >> 16) >> post);
    }
}

int blockPlane(
    const Plane& src, int dstW, int dstH, int fx, int fy, const BlockDivisor& div, const Target& dst, CxImage& owner)
{
    const size_t ch = size_t(src.channels);
    const size_t used = size_t(dstW) * size_t(fx) * ch; // source bytes under the destination row
    std::vector<uint16_t> acc(used);
    const size_t n = used - ch * size_t(fx - 1);
    // Four bytes of slack: the 3-channel copy below moves four bytes per pixel.
    std::vector<uint8_t> q(n + 4);
    const uint16_t magic = uint16_t(div.magic);
    const int post = div.shift - 16;
    const size_t stride = size_t(fx) * ch;
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        const int first = y * fy;
        sumTwoRows(src.row(first), fy > 1 ? src.row(first + 1) : nullptr, acc.data(), used);
        for (int j = 2; j < fy; j += 2)
            addTwoRows(src.row(first + j), j + 1 < fy ? src.row(first + j + 1) : nullptr, acc.data(), used);
        uint8_t* __restrict qd = q.data();
        boxDivideAny(fx, acc.data(), ch, magic, post, qd, n);
        uint8_t* __restrict d = dst.row(y);
        if (ch == 3) {
            // Four-byte moves overlap the next pixel, which the next move overwrites.
            const size_t last = size_t(dstW) - 1;
            for (size_t x = 0; x < last; ++x)
                std::memcpy(d + 3 * x, qd + x * stride, 4);
            std::memcpy(d + 3 * last, qd + last * stride, 3);
        } else {
            for (size_t x = 0; x < size_t(dstW); ++x)
                d[x] = qd[x * stride];
        }
    }
    return dstH;
}

// ---- interpolation and the mixed rule ----

int interpolatePlane(const Plane& src, int dstW, int dstH, float sx, float sy, const Target& dst, CxImage& owner)
{
    std::vector<double> columns(static_cast<size_t>(dstW));
    for (int x = 0; x < dstW; ++x)
        columns[size_t(x)] = (double(x) + 0.5) * double(sx) - 0.5;
    GridSampler sampler(src, columns);
    int yBits = 0;
    for (int y = 0; y < dstH; ++y)
        yBits = std::max(yBits, tapsAt((double(y) + 0.5) * double(sy) - 0.5, src.height).bits);
    sampler.useIntegersUpTo(yBits);
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        sampler.sampleRow((double(y) + 0.5) * double(sy) - 0.5, dst.row(y));
    }
    return dstH;
}

/// Only one axis shrinks: each covered pixel contributes the interpolated colour (in bytes) at the
/// centre of its part of the window, weighted by that part's area.
int mixedPlane(
    const Plane& src, int dstW, int dstH, const AreaAxis& ax, const AreaAxis& ay, const Target& dst, CxImage& owner)
{
    const size_t ch = size_t(src.channels);
    GridSampler sampler(src, ax.centre);
    const size_t cols = ax.centre.size() * ch;
    std::vector<uint8_t> samples(cols);
    std::vector<uint64_t> acc(cols);
    const uint64_t divisor = ax.total * ay.total;
    const double inverse = 1.0 / double(divisor);
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        std::fill(acc.begin(), acc.end(), 0);
        for (int j = ay.first[size_t(y)]; j < ay.first[size_t(y) + 1]; ++j) {
            sampler.sampleRow(ay.centre[size_t(j)], samples.data());
            const uint64_t w = ay.weight[size_t(j)];
            for (size_t i = 0; i < cols; ++i)
                acc[i] += samples[i] * w;
        }
        uint8_t* d = dst.row(y);
        for (int x = 0; x < dstW; ++x) {
            uint64_t sum[3] = { 0, 0, 0 };
            for (int i = ax.first[size_t(x)]; i < ax.first[size_t(x) + 1]; ++i)
                for (size_t k = 0; k < ch; ++k)
                    sum[k] += acc[size_t(i) * ch + k] * ax.weight[size_t(i)];
            for (size_t k = 0; k < ch; ++k)
                d[size_t(x) * ch + k] = exactQuotient(sum[k], divisor, inverse);
        }
    }
    return dstH;
}

/// Chooses the area kernel: blocks for whole-number factors, else the general integer sums.
int areaPlane(const Plane& src, int dstW, int dstH, float sx, float sy, const Target& dst, CxImage& owner)
{
    const int fx = int(sx), fy = int(sy);
    BlockDivisor div;
    if (float(fx) == sx && float(fy) == sy && fx * dstW == src.width && fy * dstH == src.height
        && blockDivisor(uint32_t(fx * fy), div))
        return blockPlane(src, dstW, dstH, fx, fy, div, dst, owner);
    const AreaAxis ax = areaAxis(dstW, sx), ay = areaAxis(dstH, sy);
    if (255 * ax.total * ay.total <= UINT32_MAX)
        return averagePlane<uint32_t, uint32_t>(src, dstW, dstH, ax, ay, dst, owner);
    if (255 * ay.total <= UINT32_MAX)
        return averagePlane<uint32_t, uint64_t>(src, dstW, dstH, ax, ay, dst, owner);
    return averagePlane<uint64_t, uint64_t>(src, dstW, dstH, ax, ay, dst, owner);
}

} // namespace

bool CxImage::ResampleSmooth(
    int32_t newWidth, int32_t newHeight, int32_t method, int32_t overflow, CxImage* destination, bool disableAveraging)
{
    (void)method; // Catmull-Rom with edge repetition is the only method the program uses
    (void)overflow;
    if (!m_dib)
        return false;
    if (newWidth <= 0 || newHeight <= 0) {
        SetLastError("ResampleSmooth: the new size must be greater than zero");
        return false;
    }
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    if (newWidth == w && newHeight == h) {
        if (destination && destination != this)
            destination->Copy(*this, true, true, true);
        return true;
    }
    const float sx = float(w) / float(newWidth);
    const float sy = float(h) / float(newHeight);

    CxImage work;
    if (!cximage_p::makeWorkImage(work, *this, uint32_t(newWidth), uint32_t(newHeight), GetBpp()))
        return false;
    if (GetPalette())
        std::memcpy(work.GetPalette(), GetPalette(), std::min(GetPaletteSize(), 1024u));
    if (m_alpha && !work.AlphaCreate()) {
        SetLastError("CxImage::ResampleSmooth can't allocate memory");
        return false;
    }

    Plane src;
    cximage_p::planeOf(*this, src);
    const bool direct = cximage_p::isDirectPlane(*this);
    // Palette images are resampled as colours into a scratch plane and mapped back afterwards.
    std::vector<uint8_t> scratch;
    Target target { work.GetBits(), work.GetEffWidth() };
    if (!direct) {
        scratch.resize(size_t(newWidth) * 3 * size_t(newHeight));
        target = Target { scratch.data(), size_t(newWidth) * 3 };
    }

    const bool interpolate = (sx <= 1.0f && sy <= 1.0f) || disableAveraging;
    int done;
    if (interpolate)
        done = interpolatePlane(src, newWidth, newHeight, sx, sy, target, *this);
    else if (sx > 1.0f && sy > 1.0f)
        done = areaPlane(src, newWidth, newHeight, sx, sy, target, *this);
    else
        done = mixedPlane(src, newWidth, newHeight, areaAxis(newWidth, sx), areaAxis(newHeight, sy), target, *this);
    // A stop by escape still delivers the rows done; the rest is black rather than undefined.
    for (int32_t y = done; y < newHeight; ++y)
        std::memset(target.row(y), 0, size_t(newWidth) * size_t(src.channels));

    if (!direct) {
        for (int32_t y = 0; y < newHeight; ++y) {
            const uint8_t* s = target.row(y);
            for (int32_t x = 0; x < newWidth; ++x, s += 3)
                work.BlindSetPixelIndex(x, y, work.NearestPaletteIndex(RGBQUAD { s[0], s[1], s[2], 0 }));
        }
    }

    if (m_alpha) {
        if (interpolate && GetBpp() == 24) {
            Plane a;
            a.rows = m_alpha;
            a.stride = size_t(w);
            a.channels = 1;
            a.width = w;
            a.height = h;
            interpolatePlane(
                a, newWidth, newHeight, sx, sy, Target { work.AlphaGetPointer(), size_t(newWidth) }, *this);
        } else {
            // Palette images and the area rule take the alpha of the pixel at (int)(x sx, y sy).
            uint8_t* d = work.AlphaGetPointer();
            for (int32_t y = 0; y < newHeight; ++y) {
                const int32_t ys = std::min(int32_t(double(y) * double(sy)), h - 1);
                for (int32_t x = 0; x < newWidth; ++x)
                    *d++ = m_alpha[size_t(ys) * size_t(w) + size_t(std::min(int32_t(double(x) * double(sx)), w - 1))];
            }
        }
    }
    if (destination && destination != this)
        return destination->TakeOver(work);
    return TakeOver(work);
}
