// CxImage neighbourhood filters: convolution, erode, dilate, edge, contour, median, noise,
// jitter, Gaussian blur, unsharp mask and selective blur. All honour the selection.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using cximage_p::clampByte;
using cximage_p::Plane;
using cximage_p::Region;

namespace {

/// Neighbour offsets of a square window of the given size: lo .. hi inclusive.
struct Window {
    int lo;
    int hi;
    explicit Window(int size)
        : lo(-(size / 2))
        , hi(size - size / 2 - 1)
    {
    }
};

/// Window sizes beyond twice the picture cover it whole from every pixel; larger ones change nothing.
int32_t windowSize(const CxImage& img, int32_t size)
{
    const int64_t cap = 2 * int64_t(std::max(img.GetWidth(), img.GetHeight())) + 1;
    return int32_t(std::clamp<int64_t>(size, 1, cap));
}

/// Result plane of a filter that works on a copy: the copy's own rows when they can be written
/// directly, otherwise an expanded colour plane that is mapped back to palette entries at the end.
struct Output {
    Plane plane;
    bool direct = true;
};

void outputOf(CxImage& work, const Plane& in, Output& out)
{
    out.direct = cximage_p::isDirectPlane(work);
    if (out.direct) {
        cximage_p::planeOf(work, out.plane);
        return;
    }
    out.plane.width = in.width;
    out.plane.height = in.height;
    out.plane.channels = in.channels;
    out.plane.stride = in.stride;
    out.plane.storage.assign(in.rows, in.rows + in.stride * size_t(in.height));
    out.plane.rows = out.plane.storage.data();
}

/// Runs fn(in, x, y, outPixel) on every selected pixel of the region of img, computing into a
/// copy that replaces img at the end. An escape leaves img unchanged.
template <class Fn> bool perPixelFilter(CxImage& img, const char* name, Fn fn)
{
    if (!img.IsValid())
        return false;
    CxImage work(img, true, true, true);
    if (!work.IsValid()) {
        img.SetLastError("%s", work.GetLastError());
        return false;
    }
    Plane in;
    cximage_p::planeOf(img, in);
    Output out;
    outputOf(work, in, out);
    const Region r = cximage_p::regionOf(img);
    const uint8_t* sel = img.SelectionPointer();
    const int ch = in.channels;
    for (int32_t y = r.bottom; y < r.top; ++y) {
        img.SetProgress(r.top > r.bottom ? int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)) : 0);
        if (img.GetEscape()) {
            img.SetLastError("%s: stopped", name);
            return false;
        }
        uint8_t* o = out.plane.row(y);
        for (int32_t x = r.left; x < r.right; ++x) {
            if (sel && !sel[size_t(y) * size_t(in.width) + size_t(x)])
                continue;
            fn(in, x, y, o + size_t(x) * size_t(ch));
        }
    }
    if (!out.direct)
        cximage_p::storePlane(work, out.plane, r);
    return img.TakeOver(work);
}

// ---- Convolution ----

/// One pixel of Filter by the plain rule, neighbours outside the image left out and the sum
/// rescaled by total / used.
void convolvePixel(const Plane& in, int x, int y, const int32_t* kernel, int size, int divisor, int offset,
    int64_t total, uint8_t* out)
{
    const Window win(size);
    int64_t sum[3] = { 0, 0, 0 };
    int64_t used = 0;
    const int ch = in.channels;
    for (int r = 0; r < size; ++r) {
        const int yy = y + r + win.lo;
        if (yy < 0 || yy >= in.height)
            continue;
        const uint8_t* row = in.row(yy);
        for (int c = 0; c < size; ++c) {
            const int xx = x + c + win.lo;
            if (xx < 0 || xx >= in.width)
                continue;
            const int k = kernel[r * size + c];
            used += k;
            for (int i = 0; i < ch; ++i)
                sum[i] += int64_t(k) * row[size_t(xx) * size_t(ch) + size_t(i)];
        }
    }
    for (int i = 0; i < ch; ++i) {
        int64_t v;
        if (divisor != 0 && used != 0) {
            if (used == total)
                v = offset + sum[i] / divisor;
            else
                v = offset + sum[i] * total / (int64_t(divisor) * used);
        } else {
            v = offset + sum[i];
        }
        out[i] = uint8_t(std::clamp<int64_t>(v, 0, 255));
    }
}

template <class Acc> CXIMAGE_VECTORISE void addWeighted(Acc* acc, const uint8_t* src, Acc k, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        acc[i] = Acc(acc[i] + k * Acc(src[i]));
}

/// offset + trunc(sum / divisor), clamped. Float division is exact here because |sum| < 2^22.
CXIMAGE_VECTORISE void finishDivide(const int32_t* acc, uint8_t* out, size_t n, float divisor, int offset)
{
    for (size_t i = 0; i < n; ++i) {
        int v = offset + int(float(acc[i]) / divisor);
        out[i] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

CXIMAGE_VECTORISE void finishPlain(const int32_t* acc, uint8_t* out, size_t n, int offset)
{
    for (size_t i = 0; i < n; ++i) {
        int v = offset + acc[i];
        out[i] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

/// The common 3 x 3 case in one pass: nine taps per value, summed in registers.
template <class Acc>
CXIMAGE_VECTORISE void convolve3x3(const uint8_t* __restrict r0, const uint8_t* __restrict r1,
    const uint8_t* __restrict r2, size_t step, const int32_t* kernel, int32_t* __restrict sums, size_t n)
{
    Acc k[9];
    for (int i = 0; i < 9; ++i)
        k[i] = Acc(kernel[i]);
    for (size_t i = 0; i < n; ++i) {
        const Acc v = Acc(k[0] * Acc(r0[i]) + k[1] * Acc(r0[i + step]) + k[2] * Acc(r0[i + 2 * step])
            + k[3] * Acc(r1[i]) + k[4] * Acc(r1[i + step]) + k[5] * Acc(r1[i + 2 * step]) + k[6] * Acc(r2[i])
            + k[7] * Acc(r2[i + step]) + k[8] * Acc(r2[i + 2 * step]));
        sums[i] = int32_t(v);
    }
}

template <class Acc>
void convolveInteriorRow(
    const Plane& in, int y, const int32_t* kernel, int size, int x0, int x1, int32_t* sums, std::vector<Acc>& acc)
{
    const Window win(size);
    const int ch = in.channels;
    const size_t n = size_t(x1 - x0) * size_t(ch);
    if (size == 3) {
        const size_t from = size_t(x0 - 1) * size_t(ch);
        convolve3x3<Acc>(in.row(y - 1) + from, in.row(y) + from, in.row(y + 1) + from, size_t(ch), kernel, sums, n);
        return;
    }
    std::fill(acc.begin(), acc.begin() + ptrdiff_t(n), Acc(0));
    for (int r = 0; r < size; ++r) {
        const uint8_t* row = in.row(y + r + win.lo);
        for (int c = 0; c < size; ++c) {
            const int k = kernel[r * size + c];
            if (k)
                addWeighted<Acc>(acc.data(), row + size_t(x0 + c + win.lo) * size_t(ch), Acc(k), n);
        }
    }
    for (size_t i = 0; i < n; ++i)
        sums[i] = int32_t(acc[i]);
}

/// Applies the convolution to img (one channel or three) over the region; inner pixels take a
/// vectorised path, pixels whose window is cut by the border take the plain rule.
bool convolve(CxImage& img, const int32_t* kernel, int size, int divisor, int offset)
{
    if (!img.IsValid())
        return false;
    if (!kernel || size < 1) {
        img.SetLastError("Filter: bad kernel");
        return false;
    }
    CxImage work(img, true, true, true);
    if (!work.IsValid()) {
        img.SetLastError("%s", work.GetLastError());
        return false;
    }
    Plane in;
    cximage_p::planeOf(img, in);
    Output out;
    outputOf(work, in, out);
    const Region r = cximage_p::regionOf(img);
    const uint8_t* sel = img.SelectionPointer();
    const Window win(size);
    const int ch = in.channels;
    int64_t total = 0, absSum = 0;
    for (int i = 0; i < size * size; ++i) {
        total += kernel[i];
        absSum += std::abs(int64_t(kernel[i]));
    }
    const int64_t maxSum = absSum * 255;
    // Sums that could leave 32 bits take the plain 64-bit rule everywhere.
    const bool fits32 = maxSum < (int64_t(1) << 31) && total == int32_t(total);
    const bool small = maxSum < 32767;
    const bool floatDivide = maxSum < (1 << 22) && std::abs(divisor) < (1 << 22);
    // Inner columns: the whole window lies inside the image.
    const int ix0 = std::max(r.left, -win.lo);
    const int ix1 = std::min(r.right, in.width - win.hi);
    std::vector<int16_t> acc16(size_t(std::max(in.width, 1)) * size_t(ch));
    std::vector<int32_t> acc32(acc16.size());
    std::vector<int32_t> sums(acc16.size());
    std::vector<uint8_t> row(acc16.size());

    for (int32_t y = r.bottom; y < r.top; ++y) {
        img.SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (img.GetEscape()) {
            img.SetLastError("Filter: stopped");
            return false;
        }
        uint8_t* o = out.plane.row(y);
        const bool innerRow = y + win.lo >= 0 && y + win.hi < in.height;
        int fastFrom = r.right, fastTo = r.right;
        if (innerRow && ix1 > ix0 && fits32) {
            fastFrom = ix0;
            fastTo = ix1;
            const size_t n = size_t(fastTo - fastFrom) * size_t(ch);
            if (small)
                convolveInteriorRow<int16_t>(in, y, kernel, size, fastFrom, fastTo, sums.data(), acc16);
            else
                convolveInteriorRow<int32_t>(in, y, kernel, size, fastFrom, fastTo, sums.data(), acc32);
            // Inside, used == total: offset + sum / divisor, or offset + sum when that cannot divide.
            if (divisor != 0 && total != 0) {
                if (floatDivide) {
                    finishDivide(sums.data(), row.data(), n, float(divisor), offset);
                } else {
                    for (size_t i = 0; i < n; ++i)
                        row[i] = clampByte(offset + sums[i] / divisor);
                }
            } else {
                finishPlain(sums.data(), row.data(), n, offset);
            }
            uint8_t* dst = o + size_t(fastFrom) * size_t(ch);
            if (!sel) {
                std::memcpy(dst, row.data(), n);
            } else {
                const uint8_t* s = sel + size_t(y) * size_t(in.width);
                for (int x = fastFrom; x < fastTo; ++x) {
                    if (s[x])
                        std::memcpy(
                            o + size_t(x) * size_t(ch), row.data() + size_t(x - fastFrom) * size_t(ch), size_t(ch));
                }
            }
        }
        for (int32_t x = r.left; x < r.right; ++x) {
            if (x == fastFrom) {
                x = fastTo - 1;
                continue;
            }
            if (sel && !sel[size_t(y) * size_t(in.width) + size_t(x)])
                continue;
            convolvePixel(in, x, y, kernel, size, divisor, offset, total, o + size_t(x) * size_t(ch));
        }
    }
    if (!out.direct)
        cximage_p::storePlane(work, out.plane, r);
    return img.TakeOver(work);
}

// ---- Median ----

/// Sort keys of the median: gray value first, then the neighbour's place in the window, so that
/// equal grays always resolve the same way.
inline uint64_t medianKey(uint8_t gray, int place, int places)
{
    return uint64_t(gray) * uint64_t(places) + uint64_t(place);
}

#define MEDIAN_SORT(a, b)                                                                                              \
    do {                                                                                                               \
        for (int i = 0; i < n; ++i) {                                                                                  \
            const uint16_t lo = std::min(k[a][i], k[b][i]);                                                            \
            const uint16_t hi = std::max(k[a][i], k[b][i]);                                                            \
            k[a][i] = lo;                                                                                              \
            k[b][i] = hi;                                                                                              \
        }                                                                                                              \
    } while (0)

/// Median of nine keys for n pixels at once (a fixed exchange network, leaves the median in k[4]).
CXIMAGE_VECTORISE void median9(uint16_t (*k)[64], int n)
{
    MEDIAN_SORT(1, 2);
    MEDIAN_SORT(4, 5);
    MEDIAN_SORT(7, 8);
    MEDIAN_SORT(0, 1);
    MEDIAN_SORT(3, 4);
    MEDIAN_SORT(6, 7);
    MEDIAN_SORT(1, 2);
    MEDIAN_SORT(4, 5);
    MEDIAN_SORT(7, 8);
    MEDIAN_SORT(0, 3);
    MEDIAN_SORT(5, 8);
    MEDIAN_SORT(4, 7);
    MEDIAN_SORT(3, 6);
    MEDIAN_SORT(1, 4);
    MEDIAN_SORT(2, 5);
    MEDIAN_SORT(4, 7);
    MEDIAN_SORT(4, 2);
    MEDIAN_SORT(6, 4);
    MEDIAN_SORT(4, 2);
}
#undef MEDIAN_SORT

CXIMAGE_VECTORISE void grayRow(const uint8_t* __restrict s, uint8_t* __restrict g, size_t n)
{
    for (size_t x = 0; x < n; ++x)
        g[x] = uint8_t((306 * s[3 * x + 2] + 601 * s[3 * x + 1] + 117 * s[3 * x]) >> 10);
}

// ---- Gaussian blur ----

/// Taps beyond maxHalf never reach a pixel of the picture; leaving them out changes nothing, since
/// such a kernel is longer than every line and each position divides by the taps it uses.
std::vector<float> gaussianKernel(float radius, int maxHalf)
{
    const double s = std::fabs(double(radius)) / 2.0 + 0.25;
    const double cut = 2.0 * s;
    const double fullHalf = std::ceil(cut - 0.5);
    const int half = fullHalf > double(maxHalf) ? maxHalf : std::max(0, int(fullHalf));
    const int n = 2 * half + 1;
    std::vector<double> w(size_t(n), 0.0);
    double centre = 0.0;
    for (int j = 0; j <= 50; ++j) {
        const double t = 0.5 + 0.02 * j;
        centre += std::exp(-t * t / (2.0 * s * s));
    }
    w[size_t(half)] = centre / 51.0;
    for (int k = 1; k <= half; ++k) {
        double sum = 0.0;
        for (int j = 1; j <= 50; ++j) {
            const double t = k - 0.5 + 0.02 * j;
            if (t <= cut)
                sum += std::exp(-t * t / (2.0 * s * s));
        }
        w[size_t(half + k)] = w[size_t(half - k)] = sum / 50.0;
    }
    double total = 0.0;
    for (double v : w)
        total += v;
    std::vector<float> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[size_t(i)] = float(w[size_t(i)] / total);
    return out;
}

inline uint8_t roundToByte(float v)
{
    return uint8_t(int(v + 0.5f));
}

/// Weighted sums of n taps, tap k at offset k * step from each output position, summed in tap
/// order starting from zero, then rounded. Fixed tap counts let the compiler keep the sum in registers.
template <int N>
CXIMAGE_VECTORISE void gaussTapsFixed(
    const float* __restrict src, size_t step, const float* w, uint8_t* __restrict out, size_t n)
{
    float wk[N];
    const float* s[N];
    for (int k = 0; k < N; ++k) {
        wk[k] = w[k];
        s[k] = src + size_t(k) * step;
    }
    for (size_t i = 0; i < n; ++i) {
        float sum = 0.0f;
        for (int k = 0; k < N; ++k)
            sum = sum + wk[k] * s[k][i];
        out[i] = uint8_t(int(sum + 0.5f));
    }
}

CXIMAGE_VECTORISE void gaussTapsAny(
    const float* src, size_t step, const float* w, int taps, uint8_t* out, size_t n, float* acc)
{
    for (size_t i = 0; i < n; ++i)
        acc[i] = 0.0f;
    for (int k = 0; k < taps; ++k) {
        const float* s = src + size_t(k) * step;
        const float wk = w[k];
        for (size_t i = 0; i < n; ++i)
            acc[i] = acc[i] + wk * s[i];
    }
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(int(acc[i] + 0.5f));
}

/// Same sums over n rows given by pointers (the column pass).
template <int N>
CXIMAGE_VECTORISE void gaussRowsFixed(const float* const* rows, const float* w, uint8_t* __restrict out, size_t n)
{
    float wk[N];
    const float* r[N];
    for (int k = 0; k < N; ++k) {
        wk[k] = w[k];
        r[k] = rows[k];
    }
    for (size_t i = 0; i < n; ++i) {
        float sum = 0.0f;
        for (int k = 0; k < N; ++k)
            sum = sum + wk[k] * r[k][i];
        out[i] = uint8_t(int(sum + 0.5f));
    }
}

CXIMAGE_VECTORISE void toFloats(const uint8_t* __restrict s, float* __restrict d, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = float(s[i]);
}

void gaussTaps(const float* src, size_t step, const std::vector<float>& w, uint8_t* out, size_t n, float* acc)
{
    switch (w.size()) {
    case 3:
        return gaussTapsFixed<3>(src, step, w.data(), out, n);
    case 5:
        return gaussTapsFixed<5>(src, step, w.data(), out, n);
    case 7:
        return gaussTapsFixed<7>(src, step, w.data(), out, n);
    case 9:
        return gaussTapsFixed<9>(src, step, w.data(), out, n);
    case 11:
        return gaussTapsFixed<11>(src, step, w.data(), out, n);
    default:
        return gaussTapsAny(src, step, w.data(), int(w.size()), out, n, acc);
    }
}

void gaussRows(const float* const* rows, const std::vector<float>& w, uint8_t* out, size_t n, float* acc)
{
    switch (w.size()) {
    case 3:
        return gaussRowsFixed<3>(rows, w.data(), out, n);
    case 5:
        return gaussRowsFixed<5>(rows, w.data(), out, n);
    case 7:
        return gaussRowsFixed<7>(rows, w.data(), out, n);
    case 9:
        return gaussRowsFixed<9>(rows, w.data(), out, n);
    case 11:
        return gaussRowsFixed<11>(rows, w.data(), out, n);
    default:
        for (size_t i = 0; i < n; ++i)
            acc[i] = 0.0f;
        for (size_t k = 0; k < w.size(); ++k)
            for (size_t i = 0; i < n; ++i)
                acc[i] = acc[i] + w[k] * rows[k][i];
        for (size_t i = 0; i < n; ++i)
            out[i] = uint8_t(int(acc[i] + 0.5f));
    }
}

/// One output value at a line position whose window is cut by the line's ends (or longer than the line).
/// read(j) gives the value at line position j.
template <class Read> uint8_t gaussEdge(const std::vector<float>& w, int pos, int len, Read read)
{
    const int half = int(w.size()) / 2;
    float sum = 0.0f, weights = 0.0f;
    for (int k = 0; k < int(w.size()); ++k) {
        const int j = pos + k - half;
        if (j < 0 || j >= len)
            continue;
        sum += w[size_t(k)] * float(read(j));
        weights += w[size_t(k)];
    }
    return roundToByte(sum / weights);
}

/// Rows then columns, streamed: each row is convolved once into a ring of n float rows (its
/// rounded values), from which the column pass makes the output rows. in and the output share the
/// layout (ch interleaved channels).
bool gaussianPasses(CxImage& owner, const Plane& in, uint8_t* outRows, size_t outStride, const std::vector<float>& w)
{
    const int width = in.width, height = in.height, ch = in.channels;
    const int n = int(w.size()), half = n / 2;
    const size_t lineLen = size_t(width) * size_t(ch);
    std::vector<float> line(lineLen), acc(lineLen);
    std::vector<uint8_t> midBytes(lineLen), outBytes(lineLen);
    std::vector<float> ring(lineLen * size_t(n));
    std::vector<int> ringRow(size_t(n), -1);

    // Row pass of source row y into its ring slot.
    auto midRow = [&](int y) -> const float* {
        const size_t slot = size_t(y % n);
        float* m = ring.data() + slot * lineLen;
        if (ringRow[slot] == y)
            return m;
        ringRow[slot] = y;
        const uint8_t* s = in.row(y);
        toFloats(s, line.data(), lineLen);
        const bool fits = n <= width;
        if (fits && width - 2 * half > 0) {
            const size_t from = size_t(half) * size_t(ch);
            gaussTaps(
                line.data(), size_t(ch), w, midBytes.data() + from, size_t(width - 2 * half) * size_t(ch), acc.data());
        }
        for (int x = 0; x < width; ++x) {
            if (fits && x == half && width - half > half)
                x = width - half; // the inner positions are done above
            for (int c = 0; c < ch; ++c)
                midBytes[size_t(x) * size_t(ch) + size_t(c)]
                    = gaussEdge(w, x, width, [&](int j) { return s[size_t(j) * size_t(ch) + size_t(c)]; });
        }
        toFloats(midBytes.data(), m, lineLen);
        return m;
    };

    std::vector<const float*> rows(static_cast<size_t>(n));
    for (int y = 0; y < height; ++y) {
        owner.SetProgress(int32_t(int64_t(y) * 100 / height));
        if (owner.GetEscape())
            return false;
        uint8_t* d = outRows + size_t(y) * outStride;
        if (n <= height && y >= half && y < height - half) {
            for (int k = 0; k < n; ++k)
                rows[size_t(k)] = midRow(y + k - half);
            gaussRows(rows.data(), w, d, lineLen, acc.data());
            continue;
        }
        // Rows near the top and bottom: only the taps that fall on the column, divided by their sum.
        const int j0 = std::max(0, y - half), j1 = std::min(height - 1, y + half);
        std::vector<const float*> part;
        for (int j = j0; j <= j1; ++j)
            part.push_back(midRow(j));
        for (size_t i = 0; i < lineLen; ++i)
            d[i] = gaussEdge(w, y, height, [&](int j) { return part[size_t(j - j0)][i]; });
    }
    return true;
}

/// Unsharp step on n bytes: the blurred bytes b become the sharpened ones.
CXIMAGE_VECTORISE void unsharpRow(
    const uint8_t* __restrict s, uint8_t* __restrict b, size_t n, float amount, int threshold)
{
    for (size_t i = 0; i < n; ++i) {
        const int d = int(s[i]) - int(b[i]);
        int v = int(amount * float(d) + float(s[i]));
        v = v < 0 ? 0 : (v > 255 ? 255 : v);
        b[i] = (d < 0 ? -d : d) >= threshold ? uint8_t(v) : s[i];
    }
}

/// Palette images other than gray scale are worked on at 24 bits and brought back afterwards.
struct Raised {
    bool raised = false;
    uint32_t bpp = 0;
    uint32_t important = 0;
    std::vector<RGBQUAD> palette;
};

bool raiseIfNeeded(CxImage& img, Raised& r)
{
    if (cximage_p::isDirectPlane(img))
        return true;
    r.raised = true;
    r.bpp = img.GetBpp();
    r.important = img.GetImportantColours();
    r.palette.assign(img.GetPalette(), img.GetPalette() + img.GetNumColors());
    return img.IncreaseBpp(24);
}

bool lowerBack(CxImage& img, const Raised& r)
{
    if (!r.raised)
        return true;
    if (!img.DecreaseBpp(r.bpp, false, r.palette.data(), uint32_t(r.palette.size())))
        return false;
    img.SetImportantColours(r.important);
    return true;
}

int32_t builtInRandom()
{
    static thread_local std::minstd_rand engine(std::random_device {}());
    return int32_t(engine() % 32768);
}

} // namespace

bool CxImage::Filter(const int32_t* kernel, int32_t size, int32_t divisor, int32_t offset)
{
    return convolve(*this, kernel, size, divisor, offset);
}

namespace {

/// Erode and Dilate: every channel takes the extreme of its window, picked by Pick.
template <typename Pick>
bool rankFilter(CxImage& image, const char* name, int32_t size, uint8_t start, Pick pick)
{
    size = windowSize(image, size);
    const Window win(size);
    return perPixelFilter(image, name, [&](const Plane& in, int x, int y, uint8_t* out) {
        uint8_t m[3] = { start, start, start };
        for (int yy = std::max(0, y + win.lo); yy <= std::min(in.height - 1, y + win.hi); ++yy)
            for (int xx = std::max(0, x + win.lo); xx <= std::min(in.width - 1, x + win.hi); ++xx)
                for (int c = 0; c < in.channels; ++c)
                    m[c] = pick(m[c], in.row(yy)[size_t(xx) * size_t(in.channels) + size_t(c)]);
        std::memcpy(out, m, size_t(in.channels));
    });
}

} // namespace

bool CxImage::Erode(int32_t size)
{
    return rankFilter(*this, "Erode", size, 255, [](uint8_t a, uint8_t b) { return std::min(a, b); });
}

bool CxImage::Dilate(int32_t size)
{
    return rankFilter(*this, "Dilate", size, 0, [](uint8_t a, uint8_t b) { return std::max(a, b); });
}

bool CxImage::Edge(int32_t size)
{
    size = windowSize(*this, size);
    const Window win(size);
    return perPixelFilter(*this, "Edge", [&](const Plane& in, int x, int y, uint8_t* out) {
        uint8_t lo[3] = { 255, 255, 255 }, hi[3] = { 0, 0, 0 };
        for (int yy = std::max(0, y + win.lo); yy <= std::min(in.height - 1, y + win.hi); ++yy)
            for (int xx = std::max(0, x + win.lo); xx <= std::min(in.width - 1, x + win.hi); ++xx)
                for (int c = 0; c < in.channels; ++c) {
                    const uint8_t v = in.row(yy)[size_t(xx) * size_t(in.channels) + size_t(c)];
                    lo[c] = std::min(lo[c], v);
                    hi[c] = std::max(hi[c], v);
                }
        for (int c = 0; c < in.channels; ++c)
            out[c] = uint8_t(255 - (hi[c] - lo[c]));
    });
}

bool CxImage::Contour()
{
    return perPixelFilter(*this, "Contour", [&](const Plane& in, int x, int y, uint8_t* out) {
        const uint8_t* centre = in.row(y) + size_t(x) * size_t(in.channels);
        for (int c = 0; c < in.channels; ++c) {
            int m = 0;
            for (int xx = x - 1; xx <= x + 1; ++xx) {
                if (xx < 0 || xx >= in.width)
                    continue;
                for (int yy = y - 1; yy <= y + 1; ++yy) {
                    if (yy < 0 || yy >= in.height)
                        continue;
                    const int v = in.row(yy)[size_t(xx) * size_t(in.channels) + size_t(c)];
                    if (v - centre[c] > m)
                        m = v;
                }
            }
            out[c] = uint8_t(255 - std::min(m, 255));
        }
    });
}

bool CxImage::Median(int32_t size)
{
    if (!m_dib)
        return false;
    size = windowSize(*this, size);
    const Window win(size);
    const int places = size * size;
    CxImage work(*this, true, true, true);
    if (!work.IsValid()) {
        SetLastError("%s", work.GetLastError());
        return false;
    }
    Plane in;
    cximage_p::planeOf(*this, in);
    Output out;
    outputOf(work, in, out);
    const int ch = in.channels;
    const int w = in.width, h = in.height;
    // Gray plane computed once; the sort runs on it.
    std::vector<uint8_t> gray(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        uint8_t* g = gray.data() + size_t(y) * size_t(w);
        if (ch == 1)
            std::memcpy(g, in.row(y), size_t(w));
        else
            grayRow(in.row(y), g, size_t(w));
    }
    const Region r = cximage_p::regionOf(*this);
    const uint8_t* sel = m_selection;
    auto copyFrom = [&](uint8_t* o, int x, int xx, int yy) {
        const uint8_t* s = in.row(yy) + size_t(xx) * size_t(ch);
        uint8_t* d = o + size_t(x) * size_t(ch);
        d[0] = s[0];
        if (ch == 3) {
            d[1] = s[1];
            d[2] = s[2];
        }
    };
    std::vector<uint64_t> keys(static_cast<size_t>(places));
    auto plainPixel = [&](uint8_t* o, int x, int y) {
        int count = 0;
        for (int dy = win.lo; dy <= win.hi; ++dy) {
            const int yy = y + dy;
            if (yy < 0 || yy >= h)
                continue;
            for (int dx = win.lo; dx <= win.hi; ++dx) {
                const int xx = x + dx;
                if (xx < 0 || xx >= w)
                    continue;
                const int place = (dy - win.lo) * size + (dx - win.lo);
                keys[size_t(count++)] = medianKey(gray[size_t(yy) * size_t(w) + size_t(xx)], place, places);
            }
        }
        std::nth_element(keys.begin(), keys.begin() + count / 2, keys.begin() + count);
        const int place = int(keys[size_t(count / 2)] % uint64_t(places));
        copyFrom(o, x, x + place % size + win.lo, y + place / size + win.lo);
    };

    uint16_t k[9][64];
    ptrdiff_t placeOffset[9];
    for (int p = 0; p < 9; ++p)
        placeOffset[p] = ptrdiff_t(p / 3 - 1) * ptrdiff_t(in.stride) + ptrdiff_t(p % 3 - 1) * ch;
    for (int32_t y = r.bottom; y < r.top; ++y) {
        SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (GetEscape()) {
            SetLastError("Median: stopped");
            return false;
        }
        uint8_t* o = out.plane.row(y);
        const uint8_t* srow = sel ? sel + size_t(y) * size_t(w) : nullptr;
        int x = r.left;
        if (size == 3 && y >= 1 && y + 1 < h) {
            // Inner pixels in blocks of 64 through the exchange network; border pixels below.
            const int from = std::max(r.left, 1), to = std::min(r.right, w - 1);
            for (; x < from; ++x)
                if (!srow || srow[x])
                    plainPixel(o, x, y);
            for (int bx = from; bx < to; bx += 64) {
                const int n = std::min(64, to - bx);
                for (int p = 0; p < 9; ++p) {
                    const uint8_t* g = gray.data() + size_t(y + p / 3 - 1) * size_t(w) + size_t(bx + p % 3 - 1);
                    for (int i = 0; i < n; ++i)
                        k[p][i] = uint16_t(g[i] * 9 + p);
                }
                median9(k, n);
                const uint8_t* base = in.row(y) + size_t(bx) * size_t(ch);
                uint8_t* d = o + size_t(bx) * size_t(ch);
                for (int i = 0; i < n; ++i, base += ch, d += ch) {
                    if (srow && !srow[bx + i])
                        continue;
                    const uint8_t* s = base + placeOffset[k[4][i] % 9];
                    d[0] = s[0];
                    if (ch == 3) {
                        d[1] = s[1];
                        d[2] = s[2];
                    }
                }
            }
            x = std::max(x, to);
        }
        for (; x < r.right; ++x)
            if (!srow || srow[x])
                plainPixel(o, x, y);
    }
    if (!out.direct)
        cximage_p::storePlane(work, out.plane, r);
    return TakeOver(work);
}

bool CxImage::Noise(int32_t level, const RandomSource& random)
{
    if (!m_dib)
        return false;
    const RandomSource& draw = random ? random : RandomSource(builtInRandom);
    auto offset = [&]() { return int((double(draw()) / 32767.0 - 0.5) * double(level)); };
    const Region r = cximage_p::regionOf(*this);
    const int32_t w = int32_t(GetWidth());
    for (int32_t y = r.bottom; y < r.top; ++y) {
        SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (GetEscape())
            break;
        for (int32_t x = r.left; x < r.right; ++x) {
            if (m_selection && !m_selection[size_t(y) * size_t(w) + size_t(x)])
                continue;
            if (GetBpp() == 24) {
                uint8_t* p = BlindGetPixelPointer(x, y);
                p[2] = clampByte(p[2] + offset());
                p[1] = clampByte(p[1] + offset());
                p[0] = clampByte(p[0] + offset());
                continue;
            }
            RGBQUAD c = BlindGetPixelColor(x, y, false);
            c.rgbRed = clampByte(c.rgbRed + offset());
            c.rgbGreen = clampByte(c.rgbGreen + offset());
            c.rgbBlue = clampByte(c.rgbBlue + offset());
            BlindSetPixelIndex(x, y, NearestPaletteIndex(c));
        }
    }
    return true;
}

bool CxImage::Jitter(int32_t radius, const RandomSource& random)
{
    if (!m_dib)
        return false;
    const RandomSource& draw = random ? random : RandomSource(builtInRandom);
    CxImage work(*this, true, true, true);
    if (!work.IsValid()) {
        SetLastError("%s", work.GetLastError());
        return false;
    }
    const Region r = cximage_p::regionOf(*this);
    const int32_t w = int32_t(GetWidth());
    const bool palette = GetNumColors() != 0;
    for (int32_t y = r.bottom; y < r.top; ++y) {
        SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (GetEscape()) {
            SetLastError("Jitter: stopped");
            return false;
        }
        for (int32_t x = r.left; x < r.right; ++x) {
            if (m_selection && !m_selection[size_t(y) * size_t(w) + size_t(x)])
                continue;
            const int dx = int((double(draw()) / 32767.0 - 0.5) * 2.0 * radius);
            const int dy = int((double(draw()) / 32767.0 - 0.5) * 2.0 * radius);
            int32_t sx = x + dx, sy = y + dy;
            if (!IsInside(sx, sy)) {
                sx = x;
                sy = y;
            }
            if (palette) {
                work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(sx, sy));
            } else {
                const uint8_t* s = BlindGetPixelPointer(sx, sy);
                uint8_t* d = work.BlindGetPixelPointer(x, y);
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            if (m_alpha)
                work.m_alpha[size_t(y) * size_t(w) + size_t(x)] = m_alpha[size_t(sy) * size_t(w) + size_t(sx)];
        }
    }
    return TakeOver(work);
}

bool CxImage::BlurGaussian(float radius, CxImage* destination)
{
    if (!m_dib)
        return false;
    if (!std::isfinite(radius)) {
        SetLastError("BlurGaussian: the radius must be a finite number");
        return false;
    }
    CxImage raisedCopy;
    const CxImage* input = this;
    Raised raised;
    if (!cximage_p::isDirectPlane(*this)) {
        raisedCopy.Copy(*this, true, true, true);
        if (!raisedCopy.IsValid() || !raiseIfNeeded(raisedCopy, raised)) {
            SetLastError("%s", raisedCopy.GetLastError());
            return false;
        }
        input = &raisedCopy;
    }
    // Every pixel is written by the passes; the copy only needs palette, selection and alpha.
    CxImage result;
    if (!cximage_p::makeShapedImage(result, *input, *this))
        return false;
    Plane in;
    cximage_p::planeOf(*input, in);
    const int maxHalf = std::max(in.width, in.height) + 1;
    if (!gaussianPasses(*this, in, result.GetBits(), result.GetEffWidth(), gaussianKernel(radius, maxHalf))) {
        SetLastError("BlurGaussian: stopped");
        return false;
    }
    if (const uint8_t* sel = input->SelectionPointer()) {
        // Only selected pixels change.
        const size_t ch = size_t(in.channels);
        for (int y = 0; y < in.height; ++y) {
            const uint8_t* s = in.row(y);
            uint8_t* d = result.GetBits(uint32_t(y));
            const uint8_t* m = sel + size_t(y) * size_t(in.width);
            for (int x = 0; x < in.width; ++x)
                if (!m[x])
                    std::memcpy(d + size_t(x) * ch, s + size_t(x) * ch, ch);
        }
    }
    if (!lowerBack(result, raised)) {
        SetLastError("%s", result.GetLastError());
        return false;
    }
    if (destination && destination != this)
        return destination->TakeOver(result);
    return TakeOver(result);
}

bool CxImage::UnsharpMask(float radius, float amount, int32_t threshold)
{
    if (!m_dib)
        return false;
    CxImage raisedCopy;
    CxImage* in = this;
    Raised raised;
    if (!cximage_p::isDirectPlane(*this)) {
        raisedCopy.Copy(*this, true, true, true);
        if (!raisedCopy.IsValid() || !raiseIfNeeded(raisedCopy, raised)) {
            SetLastError("%s", raisedCopy.GetLastError());
            return false;
        }
        in = &raisedCopy;
    }
    CxImage blurred;
    if (!in->BlurGaussian(radius, &blurred)) {
        SetLastError("%s", in->GetLastError());
        return false;
    }
    const Region r = cximage_p::regionOf(*in);
    const uint8_t* sel = in->SelectionPointer();
    const int ch = in->GetBpp() == 24 ? 3 : 1;
    const int32_t w = int32_t(in->GetWidth());
    for (int32_t y = r.bottom; y < r.top; ++y) {
        SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (GetEscape()) {
            SetLastError("UnsharpMask: stopped");
            return false;
        }
        const uint8_t* s = in->GetBits(uint32_t(y));
        uint8_t* d = blurred.GetBits(uint32_t(y));
        if (!sel) {
            const size_t from = size_t(r.left) * size_t(ch);
            unsharpRow(s + from, d + from, size_t(r.right - r.left) * size_t(ch), amount, threshold);
            continue;
        }
        for (int32_t x = r.left; x < r.right; ++x) {
            if (sel[size_t(y) * size_t(w) + size_t(x)])
                unsharpRow(s + size_t(x) * size_t(ch), d + size_t(x) * size_t(ch), size_t(ch), amount, threshold);
        }
    }
    if (!lowerBack(blurred, raised)) {
        SetLastError("%s", blurred.GetLastError());
        return false;
    }
    return TakeOver(blurred);
}

bool CxImage::SelectiveBlur(float radius, uint8_t threshold, CxImage* destination)
{
    if (!m_dib)
        return false;
    CxImage raisedCopy;
    Raised raised;
    if (!cximage_p::isDirectPlane(*this)) {
        raisedCopy.Copy(*this, true, true, true);
        if (!raisedCopy.IsValid() || !raiseIfNeeded(raisedCopy, raised)) {
            SetLastError("%s", raisedCopy.GetLastError());
            return false;
        }
    }
    const CxImage& work = raised.raised ? raisedCopy : *this;
    // High-pass: 128 + local contrast / 800 per channel.
    static const int32_t highPass[9] = { -100, -100, -100, -100, 801, -100, -100, -100, -100 };
    CxImage contrast(work, true, true, true);
    if (!contrast.IsValid() || !contrast.Filter(highPass, 3, 800, 128)) {
        SetLastError("%s", contrast.GetLastError());
        return false;
    }
    const int lo = threshold <= 127 ? 128 - threshold : 0;
    const int hi = threshold <= 127 ? 128 + threshold : 255;
    const int32_t w = int32_t(work.GetWidth()), h = int32_t(work.GetHeight());
    const int ch = work.GetBpp() == 24 ? 3 : 1;
    CxImage blurred(work, true, false, true);
    if (!blurred.IsValid() || !blurred.SelectionCreate()) {
        SetLastError("%s", blurred.GetLastError());
        return false;
    }
    uint8_t* mask = blurred.m_selection;
    if (work.m_selection)
        std::memcpy(mask, work.m_selection, size_t(w) * size_t(h));
    else
        std::memset(mask, 255, size_t(w) * size_t(h));
    // Strong edges leave the selection, so the blur passes them by.
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* c = contrast.GetBits(uint32_t(y));
        uint8_t* m = mask + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x) {
            if (!m[x])
                continue;
            for (int k = 0; k < ch; ++k) {
                const int v = c[size_t(x) * size_t(ch) + size_t(k)];
                if (v < lo || v > hi) {
                    m[x] = 0;
                    break;
                }
            }
        }
    }
    blurred.RecomputeSelectionBox();
    if (!blurred.BlurGaussian(radius)) {
        SetLastError("%s", blurred.GetLastError());
        return false;
    }
    if (m_selection)
        blurred.SelectionCopy(*this);
    else
        blurred.SelectionDelete();
    if (!lowerBack(blurred, raised)) {
        SetLastError("%s", blurred.GetLastError());
        return false;
    }
    if (destination && destination != this)
        return destination->TakeOver(blurred);
    return TakeOver(blurred);
}
