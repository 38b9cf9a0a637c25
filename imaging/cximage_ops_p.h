// Private helpers of the geometry, colour and filter operations: regions, work images, gray values
// and the byte planes the fast loops run on.
#pragma once

#include "imaging/cximage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

/// Marks a hot loop for an AVX2 clone chosen at run time beside the baseline one. GCC only: clang
/// cannot clone templates, and other processors have no such clone.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define CXIMAGE_VECTORISE __attribute__((target_clones("avx2", "default")))
#else
#define CXIMAGE_VECTORISE
#endif

namespace cximage_p {

/// Distance from a whole level within which ResampleSmooth decides a Catmull-Rom sum exactly rather
/// than trusting its double value (whose error is below 1e-11); a test raises it to 0.5 so that every
/// sum takes the exact decision.
extern double resampleNearInteger;

/// Gray value used by GrayScale and Median.
inline uint8_t grayOf(uint8_t r, uint8_t g, uint8_t b)
{
    return uint8_t((306 * r + 601 * g + 117 * b) >> 10);
}

inline uint8_t clampByte(int v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

/// The pixels an operation may change: the selection box when a mask exists, else the whole image.
/// Bottom-up, left and bottom inclusive, right and top exclusive.
struct Region {
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
    int32_t top = 0;
    bool empty() const { return left >= right || bottom >= top; }
};

inline Region regionOf(const CxImage& img)
{
    const int32_t w = int32_t(img.GetWidth());
    const int32_t h = int32_t(img.GetHeight());
    if (!img.SelectionIsValid())
        return Region { 0, 0, w, h };
    const CxRect& b = img.GetSelectionBox();
    Region r;
    r.left = std::clamp(b.left, 0, w);
    r.right = std::clamp(b.right, 0, w);
    r.bottom = std::clamp(b.bottom, 0, h);
    r.top = std::clamp(b.top, 0, h);
    return r;
}

/// Makes work a new image of the given size and depth carrying owner's attributes; on failure the
/// error text goes to owner.
inline bool makeWorkImage(CxImage& work, CxImage& owner, uint32_t w, uint32_t h, uint32_t bpp)
{
    work.Destroy();
    work.CopyAttributes(owner);
    if (!work.Create(w, h, bpp, owner.GetType())) {
        owner.SetLastError("%s", work.GetLastError());
        return false;
    }
    work.SetXDPI(owner.GetXDPI());
    work.SetYDPI(owner.GetYDPI());
    return true;
}

/// Makes work an image like src (attributes, palette, selection, alpha) whose pixel rows are left for
/// the caller to fill; on failure the error text goes to owner.
inline bool makeShapedImage(CxImage& work, const CxImage& src, CxImage& owner)
{
    if (!makeWorkImage(work, owner, src.GetWidth(), src.GetHeight(), src.GetBpp()))
        return false;
    if (src.GetPalette())
        work.SetPalette(src.GetPalette(), src.GetNumColors());
    work.SetImportantColours(src.GetImportantColours());
    if (src.SelectionIsValid() && !work.SelectionCopy(src)) {
        owner.SetLastError("%s", work.GetLastError());
        return false;
    }
    if (src.AlphaIsValid() && !work.AlphaCopy(src)) {
        owner.SetLastError("can't allocate the alpha channel");
        return false;
    }
    return true;
}

/// Pixels as interleaved bytes: the rows of a 24-bit (3 channels) or 8-bit gray-scale (1 channel)
/// image themselves, or an expanded blue-green-red copy of any other palette image.
struct Plane {
    uint8_t* rows = nullptr;
    size_t stride = 0;
    int channels = 3;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> storage;

    uint8_t* row(int32_t y) const { return rows + size_t(y) * stride; }
};

/// True when the image's own rows can be used as a plane.
inline bool isDirectPlane(const CxImage& img)
{
    return img.GetBpp() == 24 || (img.GetBpp() == 8 && img.IsGrayScale());
}

inline void planeOf(const CxImage& img, Plane& p)
{
    p.width = int32_t(img.GetWidth());
    p.height = int32_t(img.GetHeight());
    if (isDirectPlane(img)) {
        p.rows = img.GetBits();
        p.stride = img.GetEffWidth();
        p.channels = img.GetBpp() == 24 ? 3 : 1;
        return;
    }
    p.channels = 3;
    p.stride = size_t(p.width) * 3;
    p.storage.resize(p.stride * size_t(p.height));
    p.rows = p.storage.data();
    for (int32_t y = 0; y < p.height; ++y) {
        uint8_t* d = p.row(y);
        for (int32_t x = 0; x < p.width; ++x, d += 3) {
            const RGBQUAD c = img.BlindGetPixelColor(x, y, false);
            d[0] = c.rgbBlue;
            d[1] = c.rgbGreen;
            d[2] = c.rgbRed;
        }
    }
}

/// Writes the selected pixels of an expanded plane back into a palette image (nearest entries).
inline void storePlane(CxImage& img, const Plane& p, const Region& r)
{
    const uint8_t* sel = img.SelectionPointer();
    for (int32_t y = r.bottom; y < r.top; ++y) {
        const uint8_t* s = p.row(y) + size_t(r.left) * 3;
        for (int32_t x = r.left; x < r.right; ++x, s += 3) {
            if (sel && !sel[size_t(y) * size_t(p.width) + size_t(x)])
                continue;
            img.BlindSetPixelIndex(x, y, img.NearestPaletteIndex(RGBQUAD { s[0], s[1], s[2], 0 }));
        }
    }
}

} // namespace cximage_p
