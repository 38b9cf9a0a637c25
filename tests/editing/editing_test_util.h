// Helpers of the editing tests: patterned pictures and pixel comparisons of QImages.
#pragma once

#include <QImage>

#include <cstdint>

#include "imaging/cximage.h"

namespace edtest {

/// An RGB32 picture of reproducible noise with some smooth structure.
inline QImage noisePicture(int w, int h, uint32_t seed = 1)
{
    QImage img(w, h, QImage::Format_RGB32);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            row[x] = qRgb((x * 255) / std::max(w - 1, 1), (s >> 24) & 0xFF, (y * 255) / std::max(h - 1, 1));
        }
    }
    return img;
}

/// Same size and same red, green and blue everywhere.
inline bool sameRgb(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}

inline CxImage imageOf(const QImage& q)
{
    CxImage img;
    img.FromDeviceBitmap(q);
    return img;
}

} // namespace edtest
