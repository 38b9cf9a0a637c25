// Private helpers shared by the imaging core's implementation files.
#pragma once

#include "imaging/cximage.h"

#include <cstring>
#include <vector>

namespace cximage_p {

/// Reverses the order of the pixel rows (and of the alpha plane when present).
inline void flipRowsInPlace(uint8_t* rows, size_t stride, size_t height)
{
    std::vector<uint8_t> tmp(stride);
    for (size_t r = 0; r < height / 2; ++r) {
        uint8_t* a = rows + r * stride;
        uint8_t* b = rows + (height - 1 - r) * stride;
        std::memcpy(tmp.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, tmp.data(), stride);
    }
}

/// Unpacks little-endian integers from untrusted bytes.
inline uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

/// Decodes RLE8 (bits 8) or RLE4 (bits 4) data into bottom-up rows. Never writes outside
/// a row. Returns false on malformed data only when nothing sensible can be produced.
bool decodeRle(
    const uint8_t* src, size_t srcSize, int bits, uint8_t* rows, size_t stride, uint32_t width, uint32_t height);

} // namespace cximage_p
