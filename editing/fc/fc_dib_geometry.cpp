// FCDib geometry: nearest-neighbour stretch, quarter turns, rotation by an angle, alpha blending.
#include "editing/fc/fc_dib.h"

#include <cmath>
#include <cstring>

#include "editing/fc/fc_dib_p.h"
#include "platform/pixels/pixel_blit.h"

using namespace fc_detail;

namespace {

constexpr double kPi = 3.1415926536;

// Applies a blit from src onto dst (same depth). Depths below 8 bits go through one byte per
// pixel so the shared byte-pixel routines serve them too.
template <typename Blit> void blitAnyDepth(FCDib& dst, const FCDib& src, Blit blit)
{
    if (src.ColorBits() >= 8) {
        blit(dst.View(), src.View());
        return;
    }
    std::vector<std::uint8_t> in = unpackIndices(src);
    std::vector<std::uint8_t> out(std::size_t(dst.Width()) * std::size_t(dst.Height()));
    blit(byteView(out, dst.Width(), dst.Height()), byteView(in, src.Width(), src.Height()));
    packIndices(dst, out.data());
}

template <int N> void quarterTurn(FCDib& out, const FCDib& in, bool left)
{
    const int w = in.Width(), h = in.Height();
    // Walk the source in tiles so both images stay in cache for large pictures.
    constexpr int kTile = 64;
    for (int i0 = 0; i0 < out.Height(); i0 += kTile) {
        const int i1 = std::min(i0 + kTile, out.Height());
        for (int j0 = 0; j0 < out.Width(); j0 += kTile) {
            const int j1 = std::min(j0 + kTile, out.Width());
            for (int i = i0; i < i1; ++i) {
                std::uint8_t* d = out.Row(i) + std::ptrdiff_t(j0) * N;
                for (int j = j0; j < j1; ++j, d += N) {
                    const std::uint8_t* s
                        = left ? in.Row(j) + std::ptrdiff_t(w - 1 - i) * N : in.Row(h - 1 - j) + std::ptrdiff_t(i) * N;
                    std::memcpy(d, s, N);
                }
            }
        }
    }
}

} // namespace

bool FCDib::Stretch(int width, int height, bool keepProportions)
{
    if (IsEmpty())
        return Fail("Stretch: the image is empty");
    if (width <= 0 || height <= 0)
        return Fail("Stretch: the target size must be above zero");
    int newWidth = width, newHeight = height;
    if (keepProportions) {
        // The limiting side gets exactly the target length; the other is truncated. Exact
        // integer arithmetic, so a scale such as 49 · (1 / 49) cannot lose a pixel to rounding.
        const std::int64_t w = Width(), h = Height();
        if (std::int64_t(width) * h <= std::int64_t(height) * w) {
            newWidth = width;
            newHeight = int(h * width / w);
        } else {
            newHeight = height;
            newWidth = int(w * height / h);
        }
        // An extreme aspect ratio must not produce a zero side (Create would read that as "screen size").
        newWidth = std::max(newWidth, 1);
        newHeight = std::max(newHeight, 1);
    }
    FCDib out;
    const std::uint32_t masks[3] = { m_header.redMask, m_header.greenMask, m_header.blueMask };
    if (!out.Create(newWidth, newHeight, ColorBits(), m_header.compression, masks, false))
        return Fail(out.GetLastError());
    out.m_palette = m_palette;
    blitAnyDepth(
        out, *this, [](const platform::PixelView& d, const platform::PixelView& s) { platform::stretchBlit(d, s); });
    TakeOver(out);
    return true;
}

bool FCDib::RotateLeft()
{
    return RotateQuarter(true);
}

bool FCDib::RotateRight()
{
    return RotateQuarter(false);
}

bool FCDib::RotateQuarter(bool left)
{
    if (IsEmpty())
        return Fail("Rotate: the image is empty");
    const int bits = ColorBits();
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail("Rotate: needs 8, 16, 24 or 32 bits per pixel");
    FCDib out;
    const std::uint32_t masks[3] = { m_header.redMask, m_header.greenMask, m_header.blueMask };
    if (!out.Create(Height(), Width(), bits, m_header.compression, masks, false))
        return Fail(out.GetLastError());
    out.m_palette = m_palette;
    switch (bits) {
    case 8:
        quarterTurn<1>(out, *this, left);
        break;
    case 16:
        quarterTurn<2>(out, *this, left);
        break;
    case 24:
        quarterTurn<3>(out, *this, left);
        break;
    default:
        quarterTurn<4>(out, *this, left);
        break;
    }
    TakeOver(out);
    return true;
}

bool FCDib::RotateAngle(int degrees)
{
    if (IsEmpty())
        return Fail("RotateAngle: the image is empty");
    if (degrees < 1 || degrees > 89)
        return Fail("RotateAngle: the angle must be 1 to 89 degrees");
    SetProgress(0);
    const double s = std::sin(degrees * kPi / 180), c = std::cos(degrees * kPi / 180);
    const double w = Width(), h = Height();
    const double newWidth = h * s + w * c + 1, newHeight = h * c + w * s + 1;
    if (newWidth > kMaxSide || newHeight > kMaxSide)
        return Fail("RotateAngle: the rotated image would be too large");
    FCDib out;
    const std::uint32_t masks[3] = { m_header.redMask, m_header.greenMask, m_header.blueMask };
    if (!out.Create(int(newWidth), int(newHeight), ColorBits(), m_header.compression, masks, false))
        return Fail(out.GetLastError());
    out.m_palette = m_palette;
    const platform::PixelPoint topLeft { int(h * s), 0 };
    const platform::PixelPoint topRight { int(std::min(double(out.Width() - 1), h * s + w * c)), int(w * s) };
    const platform::PixelPoint bottomLeft { 0, int(h * c) };
    blitAnyDepth(out, *this, [&](const platform::PixelView& d, const platform::PixelView& src) {
        platform::parallelogramBlit(d, src, topLeft, topRight, bottomLeft);
    });
    TakeOver(out);
    SetProgress(100);
    return true;
}

bool FCDib::AlphaBlendFrom(const FCDib& source, int alpha, int x, int y)
{
    if (IsEmpty() || source.IsEmpty())
        return Fail("AlphaBlendFrom: an image is empty");
    if (ColorBits() < 24 || source.ColorBits() < 24)
        return Fail("AlphaBlendFrom: both images need 24 or 32 bits per pixel");
    if (alpha < 0 || alpha > 255)
        return Fail("AlphaBlendFrom: alpha must be 0 to 255");
    // Clipped on every side, so a corner left of or above this image is safe too.
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<std::int64_t>(Width(), std::int64_t(x) + source.Width()));
    const int y1 = int(std::min<std::int64_t>(Height(), std::int64_t(y) + source.Height()));
    const int dStep = ColorBits() / 8, sStep = source.ColorBits() / 8;
    for (int row = y0; row < y1; ++row) {
        std::uint8_t* d = Row(row) + std::ptrdiff_t(x0) * dStep;
        const std::uint8_t* s = source.Row(row - y) + std::ptrdiff_t(x0 - x) * sStep;
        for (int col = x0; col < x1; ++col, d += dStep, s += sStep) {
            for (int k = 0; k < 3; ++k)
                d[k] = std::uint8_t(clamp255(d[k] + (int(s[k]) - int(d[k])) * alpha / 255));
        }
    }
    return true;
}
