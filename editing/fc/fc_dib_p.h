// Helpers shared by the FCDib implementation files.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/fc/fc_dib.h"

namespace fc_detail {

inline int clamp255(std::int64_t v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : int(v));
}

/// True for a 16-bit image whose bit-field masks describe 5-6-5 pixels.
inline bool is565(const FCBitmapHeader& h)
{
    return h.bitCount == 16 && h.compression == FCDib::kBitFields && h.greenMask != 0x3E0;
}

/// Colour of pixel x of a row as 0x00RRGGBB, for any depth (palette lookup up to 8 bits).
inline std::uint32_t readRgb(const FCDib& dib, const std::uint8_t* row, int x)
{
    const int bits = dib.ColorBits();
    if (bits >= 24) {
        const std::uint8_t* p = row + x * (bits / 8);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    }
    if (bits == 16) {
        const unsigned v = unsigned(row[2 * x]) | unsigned(row[2 * x + 1]) << 8;
        unsigned r, g, b;
        if (is565(dib.Header())) {
            r = (v >> 11) & 31;
            g = (v >> 5) & 63;
            b = v & 31;
            g = (g << 2) | (g >> 4);
        } else {
            r = (v >> 10) & 31;
            g = (v >> 5) & 31;
            b = v & 31;
            g = (g << 3) | (g >> 2);
        }
        r = (r << 3) | (r >> 2);
        b = (b << 3) | (b >> 2);
        return b | g << 8 | r << 16;
    }
    unsigned index;
    if (bits == 8)
        index = row[x];
    else if (bits == 4)
        index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    else
        index = (row[x >> 3] >> (7 - (x & 7))) & 1;
    const auto& pal = dib.Palette();
    if (index >= pal.size())
        return 0;
    const FCRgbQuad& q = pal[index];
    return std::uint32_t(q.blue) | std::uint32_t(q.green) << 8 | std::uint32_t(q.red) << 16;
}

/// The pixels of a 1- or 4-bit image as one byte per pixel, rows top-down without padding.
inline std::vector<std::uint8_t> unpackIndices(const FCDib& dib)
{
    const int w = dib.Width(), h = dib.Height(), bits = dib.ColorBits();
    std::vector<std::uint8_t> out(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = dib.Row(y);
        std::uint8_t* o = out.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            o[x] = bits == 4 ? (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F : (row[x >> 3] >> (7 - (x & 7))) & 1;
        }
    }
    return out;
}

/// Writes one-byte-per-pixel indices back into a 1- or 4-bit image.
inline void packIndices(FCDib& dib, const std::uint8_t* in)
{
    const int w = dib.Width(), h = dib.Height(), bits = dib.ColorBits();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = dib.Row(y);
        const std::uint8_t* s = in + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            if (bits == 4) {
                const int shift = (x & 1) ? 0 : 4;
                row[x >> 1] = std::uint8_t((row[x >> 1] & ~(0x0F << shift)) | ((s[x] & 0x0F) << shift));
            } else {
                const int shift = 7 - (x & 7);
                row[x >> 3] = std::uint8_t((row[x >> 3] & ~(1 << shift)) | ((s[x] & 1) << shift));
            }
        }
    }
}

/// A top-down view over a one-byte-per-pixel buffer.
inline platform::PixelView byteView(std::vector<std::uint8_t>& buf, int w, int h)
{
    return platform::PixelView { buf.data(), w, h, w, 1 };
}

} // namespace fc_detail
