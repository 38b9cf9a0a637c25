// Nearest-neighbour stretch and parallelogram blits with integer-exact sampling.
#include "platform/pixels/pixel_blit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace platform {

namespace {

constexpr int kMaxExtent = 1 << 24;
// Parallelogram sampling multiplies three coordinates; 2^16 each keeps it far inside 64 bits.
constexpr int kMaxPlgExtent = 1 << 16;

template <int N> inline void copyPixel(std::uint8_t* d, const std::uint8_t* s)
{
    if constexpr (N == 4) {
        std::uint32_t v;
        std::memcpy(&v, s, 4);
        std::memcpy(d, &v, 4);
    } else if constexpr (N == 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    } else if constexpr (N == 2) {
        std::uint16_t v;
        std::memcpy(&v, s, 2);
        std::memcpy(d, &v, 2);
    } else {
        d[0] = s[0];
    }
}

// Floor division for a positive divisor.
inline std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b) != 0 && a < 0)
        --q;
    return q;
}

template <int N>
void stretchRows(const PixelView& dst, const PixelRect& dr, int x0, int x1, int y0, int y1, const PixelView& src,
    const PixelRect& sr)
{
    // Byte offsets of the sampled source columns, once per call.
    std::vector<std::ptrdiff_t> cols(std::size_t(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        const std::int64_t i = x - dr.x;
        const std::int64_t sx = sr.x + (2 * i + 1) * sr.width / (2 * std::int64_t(dr.width));
        cols[std::size_t(x - x0)] = std::ptrdiff_t(sx) * N;
    }
    for (int y = y0; y < y1; ++y) {
        const std::int64_t j = y - dr.y;
        const int sy = int(sr.y + (2 * j + 1) * sr.height / (2 * std::int64_t(dr.height)));
        const std::uint8_t* s = src.row(sy);
        std::uint8_t* d = dst.row(y) + std::ptrdiff_t(x0) * N;
        for (std::ptrdiff_t off : cols) {
            copyPixel<N>(d, s + off);
            d += N;
        }
    }
}

inline std::int64_t ceilDiv(std::int64_t a, std::int64_t b)
{
    return -floorDiv(-a, b);
}

// The inclusive range of x in which 0 <= f0 + k·x <= limit; empty when lo > hi.
void solveRange(std::int64_t f0, std::int64_t k, std::int64_t limit, std::int64_t& lo, std::int64_t& hi)
{
    if (k == 0) {
        const bool inside = f0 >= 0 && f0 <= limit;
        lo = inside ? std::numeric_limits<int>::min() : 1;
        hi = inside ? std::numeric_limits<int>::max() : 0;
    } else if (k > 0) {
        lo = ceilDiv(-f0, k);
        hi = floorDiv(limit - f0, k);
    } else {
        lo = ceilDiv(f0 - limit, -k);
        hi = floorDiv(f0, -k);
    }
}

template <int N>
void plgRows(const PixelView& dst, const PixelView& src, PixelPoint p0, std::int64_t ax, std::int64_t ay,
    std::int64_t bx, std::int64_t by, std::int64_t det)
{
    // Doubled coordinates keep pixel centres integral: for the centre (x + 1/2, y + 1/2),
    // Q = (2x + 1 - 2·p0.x, 2y + 1 - 2·p0.y), and the source position is
    // u = sw·(Qx·by - Qy·bx) / (2·det), v = sh·(ax·Qy - ay·Qx) / (2·det).
    const std::int64_t sw = src.width, sh = src.height;
    const std::int64_t sign = det < 0 ? -1 : 1;
    const std::int64_t D = 2 * det * sign;
    const std::int64_t stepU = sign * sw * 2 * by;
    const std::int64_t stepV = sign * sh * -2 * ay;
    const std::int64_t stepUq = floorDiv(stepU, D), stepUr = stepU - stepUq * D;
    const std::int64_t stepVq = floorDiv(stepV, D), stepVr = stepV - stepVq * D;

    for (int y = 0; y < dst.height; ++y) {
        const std::int64_t qy = 2 * std::int64_t(y) + 1 - 2 * std::int64_t(p0.y);
        const std::int64_t qx = 1 - 2 * std::int64_t(p0.x);
        const std::int64_t nu = sign * sw * (qx * by - qy * bx);
        const std::int64_t nv = sign * sh * (ax * qy - ay * qx);
        // Only the span of the row whose centres map inside the source is visited.
        std::int64_t loU, hiU, loV, hiV;
        solveRange(nu, stepU, sw * D - 1, loU, hiU);
        solveRange(nv, stepV, sh * D - 1, loV, hiV);
        const std::int64_t x0 = std::max<std::int64_t>({ 0, loU, loV });
        const std::int64_t x1 = std::min<std::int64_t>({ dst.width - 1, hiU, hiV });
        if (x0 > x1)
            continue;
        const std::int64_t nu0 = nu + x0 * stepU, nv0 = nv + x0 * stepV;
        std::int64_t u = floorDiv(nu0, D), ur = nu0 - u * D;
        std::int64_t v = floorDiv(nv0, D), vr = nv0 - v * D;
        std::uint8_t* d = dst.row(y) + x0 * N;
        for (std::int64_t x = x0; x <= x1; ++x) {
            copyPixel<N>(d, src.pixel(int(u), int(v)));
            d += N;
            u += stepUq;
            ur += stepUr;
            if (ur >= D) {
                ur -= D;
                ++u;
            }
            v += stepVq;
            vr += stepVr;
            if (vr >= D) {
                vr -= D;
                ++v;
            }
        }
    }
}

} // namespace

bool PixelView::valid() const
{
    if (!data || width <= 0 || height <= 0 || bytesPerPixel < 1 || bytesPerPixel > 4)
        return false;
    const std::ptrdiff_t absStride = stride < 0 ? -stride : stride;
    return height == 1 || absStride >= std::ptrdiff_t(width) * bytesPerPixel;
}

bool stretchBlit(const PixelView& dst, const PixelRect& dr, const PixelView& src, const PixelRect& sr)
{
    if (!dst.valid() || !src.valid() || dst.bytesPerPixel != src.bytesPerPixel)
        return false;
    if (dr.width <= 0 || dr.height <= 0 || sr.width <= 0 || sr.height <= 0)
        return false;
    if (sr.x < 0 || sr.y < 0 || sr.x > src.width - sr.width || sr.y > src.height - sr.height)
        return false;
    // Bounds that keep the sampling arithmetic inside 64 bits.
    if (dr.width > kMaxExtent || dr.height > kMaxExtent || std::llabs(dr.x) > kMaxExtent
        || std::llabs(dr.y) > kMaxExtent || sr.width > kMaxExtent || sr.height > kMaxExtent)
        return false;
    const int x0 = std::max(dr.x, 0);
    const int y0 = std::max(dr.y, 0);
    const int x1 = int(std::min<std::int64_t>(std::int64_t(dr.x) + dr.width, dst.width));
    const int y1 = int(std::min<std::int64_t>(std::int64_t(dr.y) + dr.height, dst.height));
    if (x0 >= x1 || y0 >= y1)
        return true;
    switch (dst.bytesPerPixel) {
    case 1:
        stretchRows<1>(dst, dr, x0, x1, y0, y1, src, sr);
        break;
    case 2:
        stretchRows<2>(dst, dr, x0, x1, y0, y1, src, sr);
        break;
    case 3:
        stretchRows<3>(dst, dr, x0, x1, y0, y1, src, sr);
        break;
    default:
        stretchRows<4>(dst, dr, x0, x1, y0, y1, src, sr);
        break;
    }
    return true;
}

bool stretchBlit(const PixelView& dst, const PixelView& src)
{
    return stretchBlit(dst, PixelRect { 0, 0, dst.width, dst.height }, src, PixelRect { 0, 0, src.width, src.height });
}

bool parallelogramBlit(const PixelView& dst, const PixelView& src, PixelPoint p0, PixelPoint p1, PixelPoint p2)
{
    if (!dst.valid() || !src.valid() || dst.bytesPerPixel != src.bytesPerPixel)
        return false;
    for (long long c : { dst.width, dst.height, src.width, src.height, p0.x, p0.y, p1.x, p1.y, p2.x, p2.y }) {
        if (std::llabs(c) > kMaxPlgExtent)
            return false;
    }
    const std::int64_t ax = std::int64_t(p1.x) - p0.x, ay = std::int64_t(p1.y) - p0.y;
    const std::int64_t bx = std::int64_t(p2.x) - p0.x, by = std::int64_t(p2.y) - p0.y;
    const std::int64_t det = ax * by - ay * bx;
    if (det == 0)
        return true;
    switch (dst.bytesPerPixel) {
    case 1:
        plgRows<1>(dst, src, p0, ax, ay, bx, by, det);
        break;
    case 2:
        plgRows<2>(dst, src, p0, ax, ay, bx, by, det);
        break;
    case 3:
        plgRows<3>(dst, src, p0, ax, ay, bx, by, det);
        break;
    default:
        plgRows<4>(dst, src, p0, ax, ay, bx, by, det);
        break;
    }
    return true;
}

} // namespace platform
