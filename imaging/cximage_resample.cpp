// CxImage::ResampleSmooth: Catmull-Rom interpolation when enlarging, area averaging when reducing,
// both with the edge pixels repeated outside the picture. Separable passes over float rows.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <cmath>
#include <cstring>
#include <vector>

using cximage_p::Plane;

namespace {

inline float catmullRom(float t)
{
    t = std::fabs(t);
    const float t2 = t * t;
    if (t < 1.0f)
        return (3.0f * t2 * t - 5.0f * t2 + 2.0f) / 2.0f;
    if (t < 2.0f)
        return (-t2 * t + 5.0f * t2 - 8.0f * t + 4.0f) / 2.0f;
    return 0.0f;
}

inline int clampIndex(int i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

inline uint8_t toByte(float v)
{
    return v <= 0.0f ? 0 : (v >= 255.0f ? 255 : uint8_t(v));
}

/// Four Catmull-Rom taps of one destination coordinate.
struct Taps4 {
    int index[4];
    float weight[4];
};

std::vector<Taps4> interpolationTaps(int dstLen, int srcLen, float scale)
{
    std::vector<Taps4> taps(static_cast<size_t>(dstLen));
    for (int d = 0; d < dstLen; ++d) {
        const float p = (float(d) + 0.5f) * scale - 0.5f;
        const int p0 = int(std::floor(p));
        for (int i = 0; i < 4; ++i) {
            taps[size_t(d)].index[i] = clampIndex(p0 - 1 + i, srcLen);
            taps[size_t(d)].weight[i] = catmullRom(float(p0 - 1 + i) - p);
        }
    }
    return taps;
}

/// Variable taps of the area average along one axis: the first and last pixel weigh the part of
/// them the window covers, the pixels between weigh 1.
struct AreaTaps {
    std::vector<int> first; // first tap per destination coordinate
    std::vector<int> count;
    std::vector<int> index;
    std::vector<float> weight;
};

AreaTaps areaTaps(int dstLen, int srcLen, float scale)
{
    AreaTaps t;
    t.first.resize(size_t(dstLen));
    t.count.resize(size_t(dstLen));
    for (int d = 0; d < dstLen; ++d) {
        const float p = (float(d) + 0.5f) * scale - 0.5f;
        const float lo = p - scale / 2.0f;
        const float hi = p + scale / 2.0f;
        const int i1 = int(lo + 0.5f);
        const int i2 = int(hi + 0.5f);
        t.first[size_t(d)] = int(t.index.size());
        for (int i = i1; i <= i2; ++i) {
            float w = 1.0f;
            if (i == i1)
                w = (float(i1) + 0.5f) - lo;
            else if (i == i2)
                w = hi - (float(i2) - 0.5f);
            t.index.push_back(clampIndex(i, srcLen));
            t.weight.push_back(w);
        }
        t.count[size_t(d)] = int(t.index.size()) - t.first[size_t(d)];
    }
    return t;
}

/// Catmull-Rom value of one channel at (px, py) with edge repetition, summed over the 16
/// neighbours; used for the rare case where only one axis is reduced.
float interpolateAt(const Plane& p, int channel, const uint8_t* alpha, float px, float py)
{
    int x0 = int(std::floor(px));
    int y0 = int(std::floor(py));
    if (x0 + 2 < 0 || x0 - 1 >= p.width || y0 + 2 < 0 || y0 - 1 >= p.height) {
        px = std::clamp(px, 0.0f, float(p.width - 1));
        py = std::clamp(py, 0.0f, float(p.height - 1));
        x0 = int(std::floor(px));
        y0 = int(std::floor(py));
    }
    float sum = 0.0f;
    for (int j = 0; j < 4; ++j) {
        const float wy = catmullRom(float(y0 - 1 + j) - py);
        const int yy = clampIndex(y0 - 1 + j, p.height);
        for (int i = 0; i < 4; ++i) {
            const float wx = catmullRom(float(x0 - 1 + i) - px);
            const int xx = clampIndex(x0 - 1 + i, p.width);
            const uint8_t v = alpha ? alpha[size_t(yy) * size_t(p.width) + size_t(xx)]
                                    : p.row(yy)[size_t(xx) * size_t(p.channels) + size_t(channel)];
            sum += float(v) * wx * wy;
        }
    }
    return sum;
}

/// Output rows of the resampler: either the destination image's own rows or a scratch plane.
struct Target {
    uint8_t* rows;
    size_t stride;
    uint8_t* row(int y) const { return rows + size_t(y) * stride; }
};

/// Enlarging path: every source row is interpolated horizontally once (kept in a ring of four),
/// then four such rows are blended vertically for each destination row.
CXIMAGE_VECTORISE void verticalBlend4(const float* __restrict r0, const float* __restrict r1,
    const float* __restrict r2, const float* __restrict r3, const float* w, uint8_t* __restrict out, size_t n)
{
    const float w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i) {
        const float v = r0[i] * w0 + r1[i] * w1 + r2[i] * w2 + r3[i] * w3;
        out[i] = v <= 0.0f ? 0 : (v >= 255.0f ? 255 : uint8_t(int(v)));
    }
}

CXIMAGE_VECTORISE void bytesToFloats(const uint8_t* __restrict s, float* __restrict d, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = float(s[i]);
}

int interpolatePlane(const Plane& src, int dstW, int dstH, float sx, float sy, const Target& dst, CxImage& owner)
{
    const int ch = src.channels;
    const std::vector<Taps4> tx = interpolationTaps(dstW, src.width, sx);
    const std::vector<Taps4> ty = interpolationTaps(dstH, src.height, sy);
    const size_t rowLen = size_t(dstW) * size_t(ch);
    std::vector<float> ring(rowLen * 4);
    int ringRow[4] = { -1, -1, -1, -1 };

    std::vector<float> srcRow(size_t(src.width) * size_t(ch));
    auto horizontal = [&](int sy0) -> const float* {
        float* h = ring.data() + size_t(sy0 & 3) * rowLen;
        if (ringRow[sy0 & 3] == sy0)
            return h;
        ringRow[sy0 & 3] = sy0;
        const float* s = srcRow.data();
        bytesToFloats(src.row(sy0), srcRow.data(), srcRow.size());
        if (ch == 3) {
            for (int x = 0; x < dstW; ++x) {
                const Taps4& t = tx[size_t(x)];
                const float* a = s + size_t(t.index[0]) * 3;
                const float* b = s + size_t(t.index[1]) * 3;
                const float* c = s + size_t(t.index[2]) * 3;
                const float* d = s + size_t(t.index[3]) * 3;
                for (int k = 0; k < 3; ++k)
                    h[3 * x + k] = a[k] * t.weight[0] + b[k] * t.weight[1] + c[k] * t.weight[2] + d[k] * t.weight[3];
            }
        } else {
            for (int x = 0; x < dstW; ++x) {
                const Taps4& t = tx[size_t(x)];
                h[x] = s[t.index[0]] * t.weight[0] + s[t.index[1]] * t.weight[1] + s[t.index[2]] * t.weight[2]
                    + s[t.index[3]] * t.weight[3];
            }
        }
        return h;
    };

    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        const Taps4& t = ty[size_t(y)];
        // The four (clamped) rows are distinct modulo 4 unless equal, so they share the ring safely.
        const float* r0 = horizontal(t.index[0]);
        const float* r1 = horizontal(t.index[1]);
        const float* r2 = horizontal(t.index[2]);
        const float* r3 = horizontal(t.index[3]);
        verticalBlend4(r0, r1, r2, r3, t.weight, dst.row(y), rowLen);
    }
    return dstH;
}

CXIMAGE_VECTORISE void accumulateRow(const uint8_t* s, float w, float* acc, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        acc[i] += float(s[i]) * w;
}

/// Reducing path (both axes shrink): the source rows under each destination row are summed with
/// their vertical weights, then the columns with their horizontal weights.
int averagePlane(const Plane& src, int dstW, int dstH, float sx, float sy, const Target& dst, CxImage& owner)
{
    const int ch = src.channels;
    const AreaTaps tx = areaTaps(dstW, src.width, sx);
    const AreaTaps ty = areaTaps(dstH, src.height, sy);
    const size_t srcLen = size_t(src.width) * size_t(ch);
    std::vector<float> acc(srcLen);
    const float norm = 1.0f / (sx * sy);
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        std::fill(acc.begin(), acc.end(), 0.0f);
        const int f = ty.first[size_t(y)];
        for (int j = 0; j < ty.count[size_t(y)]; ++j)
            accumulateRow(src.row(ty.index[size_t(f + j)]), ty.weight[size_t(f + j)], acc.data(), srcLen);
        uint8_t* d = dst.row(y);
        for (int x = 0; x < dstW; ++x) {
            const int fx = tx.first[size_t(x)];
            const int n = tx.count[size_t(x)];
            if (ch == 3) {
                float b = 0.0f, g = 0.0f, r = 0.0f;
                for (int i = 0; i < n; ++i) {
                    const float* a = acc.data() + size_t(tx.index[size_t(fx + i)]) * 3;
                    const float w = tx.weight[size_t(fx + i)];
                    b += a[0] * w;
                    g += a[1] * w;
                    r += a[2] * w;
                }
                d[3 * x] = toByte(b * norm);
                d[3 * x + 1] = toByte(g * norm);
                d[3 * x + 2] = toByte(r * norm);
            } else {
                float v = 0.0f;
                for (int i = 0; i < n; ++i)
                    v += acc[size_t(tx.index[size_t(fx + i)])] * tx.weight[size_t(fx + i)];
                d[x] = toByte(v * norm);
            }
        }
    }
    return dstH;
}

/// Only one axis shrinks: each covered pixel contributes the interpolated colour at the centre of
/// its part of the window, weighted by that part's area.
int mixedPlane(const Plane& src, int dstW, int dstH, float sx, float sy, const Target& dst, CxImage& owner)
{
    const int ch = src.channels;
    for (int y = 0; y < dstH; ++y) {
        owner.SetProgress(int32_t(100 * int64_t(y) / dstH));
        if (owner.GetEscape())
            return y;
        const float py = (float(y) + 0.5f) * sy - 0.5f;
        const float bottom = py - sy / 2.0f, top = py + sy / 2.0f;
        const int y1 = int(bottom + 0.5f), y2 = int(top + 0.5f);
        for (int x = 0; x < dstW; ++x) {
            const float px = (float(x) + 0.5f) * sx - 0.5f;
            const float left = px - sx / 2.0f, right = px + sx / 2.0f;
            const int x1 = int(left + 0.5f), x2 = int(right + 0.5f);
            float sum[3] = { 0.0f, 0.0f, 0.0f };
            for (int yy = y1; yy <= y2; ++yy) {
                const float b = std::max(bottom, float(yy) - 0.5f), t = std::min(top, float(yy) + 0.5f);
                if (t <= b)
                    continue;
                for (int xx = x1; xx <= x2; ++xx) {
                    const float l = std::max(left, float(xx) - 0.5f), r = std::min(right, float(xx) + 0.5f);
                    if (r <= l)
                        continue;
                    const float area = (r - l) * (t - b);
                    for (int k = 0; k < ch; ++k)
                        sum[k]
                            += std::clamp(interpolateAt(src, k, nullptr, (l + r) / 2.0f, (b + t) / 2.0f), 0.0f, 255.0f)
                            * area;
                }
            }
            for (int k = 0; k < ch; ++k)
                dst.row(y)[size_t(x) * size_t(ch) + size_t(k)] = toByte(sum[k] / (sx * sy));
        }
    }
    return dstH;
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
        done = averagePlane(src, newWidth, newHeight, sx, sy, target, *this);
    else
        done = mixedPlane(src, newWidth, newHeight, sx, sy, target, *this);
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
        if (interpolate && direct) {
            Plane a;
            a.rows = m_alpha;
            a.stride = size_t(w);
            a.channels = 1;
            a.width = w;
            a.height = h;
            interpolatePlane(
                a, newWidth, newHeight, sx, sy, Target { work.AlphaGetPointer(), size_t(newWidth) }, *this);
        } else {
            uint8_t* d = work.AlphaGetPointer();
            for (int32_t y = 0; y < newHeight; ++y) {
                const int32_t ys = std::min(int32_t(float(y) * sy), h - 1);
                for (int32_t x = 0; x < newWidth; ++x)
                    *d++ = m_alpha[size_t(ys) * size_t(w) + size_t(std::min(int32_t(float(x) * sx), w - 1))];
            }
        }
    }
    if (destination && destination != this)
        return destination->TakeOver(work);
    return TakeOver(work);
}
