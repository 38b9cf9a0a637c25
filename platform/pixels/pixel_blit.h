// Exact nearest-neighbour pixel copies over plain pixel buffers: the stretch blit and the
// parallelogram blit that the booth and the effects library share. No Qt here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

/// Pixels owned elsewhere. Row y, counted from the top, starts at data + y * stride; a negative
/// stride describes bottom-up storage. Pixels are copied as whole values of bytesPerPixel (1..4).
struct PixelView {
    std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    int bytesPerPixel = 0;

    std::uint8_t* row(int y) const { return data + y * stride; }
    std::uint8_t* pixel(int x, int y) const { return row(y) + std::ptrdiff_t(x) * bytesPerPixel; }
    /// Non-null data, positive size, 1..4 bytes per pixel and rows that do not overlap.
    bool valid() const;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
};

/// Colour-on-colour stretch: each pixel of dstRect takes the source pixel under its centre, i.e.
/// column srcRect.x + (2·i + 1)·srcRect.width / (2·dstRect.width) for the i-th column of dstRect
/// (rows alike). Parts of dstRect outside dst are clipped away without moving the mapping.
/// Returns false and draws nothing when a view is invalid, the pixel sizes differ, a rectangle is
/// empty or srcRect is not inside src.
bool stretchBlit(const PixelView& dst, const PixelRect& dstRect, const PixelView& src, const PixelRect& srcRect);

/// The whole of src stretched onto the whole of dst.
bool stretchBlit(const PixelView& dst, const PixelView& src);

/// Parallelogram blit: maps src so that its top-left corner lands on topLeft, its top-right
/// corner on topRight and its bottom-left corner on bottomLeft (corners of the pixel grid, not
/// pixel centres). Each dst pixel whose centre lies inside the parallelogram takes the source
/// pixel under the inverse-mapped centre; the others are left untouched. The mapping is computed
/// in exact integer arithmetic. Returns false when a view is invalid or the pixel sizes differ;
/// a degenerate parallelogram draws nothing and returns true.
bool parallelogramBlit(
    const PixelView& dst, const PixelView& src, PixelPoint topLeft, PixelPoint topRight, PixelPoint bottomLeft);

} // namespace platform
