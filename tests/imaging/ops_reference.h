// Plain, per-pixel versions of the imaging operations, written straight from their rules; the
// fast implementations are compared against them.
#pragma once

#include "imaging/cximage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace opref {

/// A 24-bit picture of random colours (a fixed seed per call site).
inline CxImage randomImage(uint32_t w, uint32_t h, uint32_t seed, uint32_t bpp = 24)
{
    std::mt19937 rng(seed);
    CxImage img(w, h, bpp, 0);
    if (bpp == 8) {
        img.SetGrayPalette();
    } else if (bpp < 24) {
        for (uint32_t i = 0; i < img.GetNumColors(); ++i)
            img.SetPaletteColor(i, uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    }
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            if (bpp < 24)
                img.SetPixelIndex(int32_t(x), int32_t(y), uint8_t(rng() % img.GetNumColors()));
            else
                img.SetPixelColor(
                    int32_t(x), int32_t(y), RGBQUAD { uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0 });
        }
    }
    return img;
}

/// Largest channel difference between two images of the same size (blue, green, red; -1 if the sizes differ).
inline int maxDiff(const CxImage& a, const CxImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return -1;
    int d = 0;
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(int32_t(x), int32_t(y), false);
            const RGBQUAD q = b.GetPixelColor(int32_t(x), int32_t(y), false);
            d = std::max({ d, std::abs(p.rgbBlue - q.rgbBlue), std::abs(p.rgbGreen - q.rgbGreen),
                std::abs(p.rgbRed - q.rgbRed) });
        }
    }
    return d;
}

inline int channel(const RGBQUAD& c, int k)
{
    return k == 0 ? c.rgbBlue : (k == 1 ? c.rgbGreen : (k == 2 ? c.rgbRed : c.rgbReserved));
}

inline void setChannel(RGBQUAD& c, int k, int v)
{
    const uint8_t b = uint8_t(std::clamp(v, 0, 255));
    (k == 0 ? c.rgbBlue : (k == 1 ? c.rgbGreen : (k == 2 ? c.rgbRed : c.rgbReserved))) = b;
}

// ---- ResampleSmooth ----

inline double kernelCR(double t)
{
    t = std::fabs(t);
    if (t < 1)
        return (3 * t * t * t - 5 * t * t + 2) / 2;
    if (t < 2)
        return (-t * t * t + 5 * t * t - 8 * t + 4) / 2;
    return 0;
}

/// Channel k (0..3 = blue, green, red, alpha) at (px, py), 16 neighbours, edges repeated.
inline double interpolated(const CxImage& img, int k, double px, double py)
{
    const int w = int(img.GetWidth()), h = int(img.GetHeight());
    int x0 = int(std::floor(px)), y0 = int(std::floor(py));
    if (x0 + 2 < 0 || x0 - 1 >= w || y0 + 2 < 0 || y0 - 1 >= h) {
        px = std::clamp(px, 0.0, double(w - 1));
        py = std::clamp(py, 0.0, double(h - 1));
        x0 = int(std::floor(px));
        y0 = int(std::floor(py));
    }
    double sum = 0;
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const int xx = std::clamp(x0 - 1 + i, 0, w - 1), yy = std::clamp(y0 - 1 + j, 0, h - 1);
            const RGBQUAD c = img.GetPixelColor(xx, yy, true);
            sum += channel(c, k) * kernelCR(x0 - 1 + i - px) * kernelCR(y0 - 1 + j - py);
        }
    }
    return std::clamp(sum, 0.0, 255.0);
}

inline double areaColour(const CxImage& img, int k, double px, double py, double w, double h)
{
    const int iw = int(img.GetWidth()), ih = int(img.GetHeight());
    const double left = px - w / 2, bottom = py - h / 2, right = px + w / 2, top = py + h / 2;
    const int x1 = int(left + 0.5), y1 = int(bottom + 0.5), x2 = int(right + 0.5), y2 = int(top + 0.5);
    double sum = 0;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            const double l = std::max(left, x - 0.5), r = std::min(right, x + 0.5);
            const double b = std::max(bottom, y - 0.5), t = std::min(top, y + 0.5);
            if (r <= l || t <= b)
                continue;
            if (w > 1 && h > 1) {
                const RGBQUAD c = img.GetPixelColor(std::clamp(x, 0, iw - 1), std::clamp(y, 0, ih - 1), true);
                sum += channel(c, k) * (r - l) * (t - b);
            } else {
                sum += interpolated(img, k, (l + r) / 2, (b + t) / 2) * (r - l) * (t - b);
            }
        }
    }
    return std::clamp(sum / (w * h), 0.0, 255.0);
}

/// 24-bit ResampleSmooth by the rules; alpha interpolated on the interpolation path, sampled otherwise.
inline CxImage resample(const CxImage& src, int nw, int nh)
{
    const double sx = double(src.GetWidth()) / nw, sy = double(src.GetHeight()) / nh;
    CxImage out(uint32_t(nw), uint32_t(nh), 24, 0);
    if (src.AlphaIsValid())
        out.AlphaCreate();
    const bool interp = sx <= 1 && sy <= 1;
    for (int y = 0; y < nh; ++y) {
        for (int x = 0; x < nw; ++x) {
            const double px = (x + 0.5) * sx - 0.5, py = (y + 0.5) * sy - 0.5;
            RGBQUAD c {};
            for (int k = 0; k < 3; ++k)
                setChannel(c, k, int(interp ? interpolated(src, k, px, py) : areaColour(src, k, px, py, sx, sy)));
            out.SetPixelColor(x, y, c);
            if (src.AlphaIsValid()) {
                out.AlphaSet(x, y,
                    interp ? uint8_t(interpolated(src, 3, px, py))
                           : src.AlphaGet(std::min(int(x * sx), int(src.GetWidth()) - 1),
                               std::min(int(y * sy), int(src.GetHeight()) - 1)));
            }
        }
    }
    return out;
}

// ---- Filters ----

inline bool selected(const CxImage& img, int x, int y)
{
    return img.SelectionIsInside(x, y);
}

/// Filter by its rule, on 24-bit or gray-scale images.
inline CxImage filter(const CxImage& src, const std::vector<int>& kernel, int size, int divisor, int offset)
{
    CxImage out(src);
    const int w = int(src.GetWidth()), h = int(src.GetHeight()), half = size / 2;
    const bool gray = src.GetBpp() == 8;
    int total = 0;
    for (int v : kernel)
        total += v;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!selected(src, x, y))
                continue;
            long sum[3] = { 0, 0, 0 };
            long used = 0;
            for (int r = 0; r < size; ++r) {
                for (int c = 0; c < size; ++c) {
                    const int xx = x + c - half, yy = y + r - half;
                    if (!src.IsInside(xx, yy))
                        continue;
                    const int kv = kernel[size_t(r * size + c)];
                    used += kv;
                    const RGBQUAD p = src.GetPixelColor(xx, yy, false);
                    for (int k = 0; k < 3; ++k)
                        sum[k] += long(kv) * channel(p, k);
                }
            }
            RGBQUAD res {};
            for (int k = 0; k < 3; ++k) {
                long v;
                if (divisor != 0 && used != 0)
                    v = used == total ? offset + sum[k] / divisor : offset + sum[k] * total / (long(divisor) * used);
                else
                    v = offset + sum[k];
                setChannel(res, k, int(std::clamp(v, 0L, 255L)));
            }
            if (gray)
                out.SetPixelIndex(x, y, res.rgbBlue);
            else
                out.SetPixelColor(x, y, res);
        }
    }
    return out;
}

inline uint8_t grayOf(const RGBQUAD& c)
{
    return uint8_t((306 * c.rgbRed + 601 * c.rgbGreen + 117 * c.rgbBlue) >> 10);
}

/// Median by sorting the neighbours by gray value; equal grays keep the window's order
/// (rows bottom to top, columns left to right).
inline CxImage median(const CxImage& src, int size)
{
    CxImage out(src);
    const int w = int(src.GetWidth()), h = int(src.GetHeight());
    const int lo = -(size / 2), hi = size - size / 2 - 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!selected(src, x, y))
                continue;
            std::vector<RGBQUAD> n;
            for (int dy = lo; dy <= hi; ++dy)
                for (int dx = lo; dx <= hi; ++dx)
                    if (src.IsInside(x + dx, y + dy))
                        n.push_back(src.GetPixelColor(x + dx, y + dy, false));
            std::stable_sort(
                n.begin(), n.end(), [](const RGBQUAD& a, const RGBQUAD& b) { return grayOf(a) < grayOf(b); });
            out.SetPixelColor(x, y, n[n.size() / 2]);
        }
    }
    return out;
}

/// Gaussian weights by the rule, as floats.
inline std::vector<float> gaussWeights(float radius)
{
    const double s = std::fabs(radius) / 2.0 + 0.25, cut = 2 * s;
    const int n = std::max(1, 2 * int(std::ceil(cut - 0.5)) + 1);
    std::vector<double> w(static_cast<size_t>(n));
    for (int j = 0; j <= 50; ++j) {
        const double t = 0.5 + 0.02 * j;
        w[size_t(n / 2)] += std::exp(-t * t / (2 * s * s)) / 51;
    }
    for (int k = 1; k <= n / 2; ++k) {
        double sum = 0;
        for (int j = 1; j <= 50; ++j) {
            const double t = k - 0.5 + 0.02 * j;
            if (t <= cut)
                sum += std::exp(-t * t / (2 * s * s));
        }
        w[size_t(n / 2 + k)] = w[size_t(n / 2 - k)] = sum / 50;
    }
    double total = 0;
    for (double v : w)
        total += v;
    std::vector<float> out;
    for (double v : w)
        out.push_back(float(v / total));
    return out;
}

/// One convolved line: inner positions through the (weight x value) table, cut positions
/// divided by the sum of the taps on the line.
inline std::vector<uint8_t> gaussLine(const std::vector<uint8_t>& line, const std::vector<float>& w)
{
    const int n = int(w.size()), half = n / 2, len = int(line.size());
    std::vector<uint8_t> out(line.size(), 0);
    for (int i = 0; i < len; ++i) {
        const bool inner = n <= len && i >= half && i < len - half;
        float sum = 0, weights = 0;
        for (int k = 0; k < n; ++k) {
            const int j = i + k - half;
            if (j < 0 || j >= len)
                continue;
            sum += w[size_t(k)] * float(line[size_t(j)]);
            weights += w[size_t(k)];
        }
        out[size_t(i)] = uint8_t(int((inner ? sum : sum / weights) + 0.5f));
    }
    return out;
}

/// BlurGaussian of a 24-bit image by the rule.
inline CxImage gaussian(const CxImage& src, float radius)
{
    const std::vector<float> w = gaussWeights(radius);
    const int W = int(src.GetWidth()), H = int(src.GetHeight());
    CxImage mid(src), out(src);
    for (int k = 0; k < 3; ++k) {
        for (int y = 0; y < H; ++y) {
            std::vector<uint8_t> line;
            for (int x = 0; x < W; ++x)
                line.push_back(uint8_t(channel(src.GetPixelColor(x, y, false), k)));
            const auto res = gaussLine(line, w);
            for (int x = 0; x < W; ++x) {
                RGBQUAD c = mid.GetPixelColor(x, y, false);
                setChannel(c, k, res[size_t(x)]);
                mid.SetPixelColor(x, y, c);
            }
        }
        for (int x = 0; x < W; ++x) {
            std::vector<uint8_t> line;
            for (int y = 0; y < H; ++y)
                line.push_back(uint8_t(channel(mid.GetPixelColor(x, y, false), k)));
            const auto res = gaussLine(line, w);
            for (int y = 0; y < H; ++y) {
                RGBQUAD c = out.GetPixelColor(x, y, false);
                if (selected(src, x, y))
                    setChannel(c, k, res[size_t(y)]);
                out.SetPixelColor(x, y, c);
            }
        }
    }
    return out;
}

} // namespace opref
