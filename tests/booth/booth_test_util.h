// Helpers shared by the booth tests: solid and patterned pictures in both representations.
#pragma once

#include <cstdlib>

#include <QImage>

#include "imaging/cximage.h"

namespace boothtest {

inline RGBQUAD rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return RGBQUAD { b, g, r, 0 };
}

/// A 24-bit container image of one colour.
inline CxImage solid(int w, int h, RGBQUAD c)
{
    CxImage image;
    image.Create(uint32_t(w), uint32_t(h), 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetPixelColor(x, y, c);
    return image;
}

inline bool sameColour(RGBQUAD a, RGBQUAD b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

inline QImage solidBitmap(int w, int h, QRgb c)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

/// A bitmap whose every pixel differs, so misplaced or resampled pixels show.
inline QImage patternBitmap(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 13 + seed * 3) & 255, (x * y + seed * 5) & 255));
    return image;
}

/// Colours equal up to one step per channel: smooth resampling truncates its sums, so a flat
/// colour may come out one step darker.
inline bool nearColour(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1
        && std::abs(qBlue(a) - qBlue(b)) <= 1;
}

inline bool nearColour(RGBQUAD a, RGBQUAD b)
{
    return nearColour(qRgb(a.rgbRed, a.rgbGreen, a.rgbBlue), qRgb(b.rgbRed, b.rgbGreen, b.rgbBlue));
}

/// Pixel-for-pixel equality of the colours (alpha ignored).
inline bool sameColours(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}

} // namespace boothtest
