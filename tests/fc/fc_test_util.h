// Helpers for the effects-library tests: filled images and pixel access.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/fc/fc_image.h"

namespace fctest {

/// A width × height image at the given depth (24 or 32) filled with reproducible noise.
inline void fillNoise(FCDib& img, std::uint32_t seed = 1)
{
    std::uint32_t s = seed;
    for (int y = 0; y < img.Height(); ++y) {
        std::uint8_t* row = img.Row(y);
        for (int i = 0; i < img.Pitch(); ++i) {
            s = s * 1664525u + 1013904223u;
            row[i] = std::uint8_t(s >> 24);
        }
    }
}

inline void fillColour(FCDib& img, std::uint8_t b, std::uint8_t g, std::uint8_t r)
{
    const int n = img.ColorBits() / 8;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            std::uint8_t* p = img.Row(y) + x * n;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
}

/// The pixel bytes row by row, without padding.
inline std::vector<std::uint8_t> pixels(const FCDib& img)
{
    std::vector<std::uint8_t> out;
    const int rowBytes = (img.Width() * img.ColorBits() + 7) / 8;
    for (int y = 0; y < img.Height(); ++y)
        out.insert(out.end(), img.Row(y), img.Row(y) + rowBytes);
    return out;
}

} // namespace fctest
