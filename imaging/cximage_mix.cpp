// CxImage pixel combining: Mix with its eleven operations, keyed pasting and the key-colour mask.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <algorithm>
#include <cstdlib>

namespace {

inline uint8_t absDiff(uint8_t a, uint8_t b)
{
    return uint8_t(a > b ? a - b : b - a);
}

} // namespace

bool CxImage::Mix(const CxImage& source, int32_t op, int32_t xOffset, int32_t yOffset, bool mixAlpha)
{
    if (!m_dib)
        return false;
    if (!source.IsValid()) {
        SetLastError("Mix: the source image is empty");
        return false;
    }
    if (op < OpAdd || op > OpAvg) {
        SetLastError("Mix: unknown operation %d", op);
        return false;
    }
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    const int64_t dx = int64_t(source.GetWidth()) - xOffset;
    const int64_t dy = int64_t(source.GetHeight()) - yOffset;
    const int32_t xEnd = dx < 0 ? w : int32_t(std::min<int64_t>(w, dx));
    const int32_t yEnd = dy < 0 ? h : int32_t(std::min<int64_t>(h, dy));
    const bool alpha = mixAlpha && source.AlphaIsValid();
    if (alpha && !m_alpha && !AlphaCreate()) {
        SetLastError("Mix: can't allocate the alpha channel");
        return false;
    }
    const RGBQUAD t = TransparentColour();
    const uint8_t srcAlphaMax = source.GetAlphaMax();

    for (int32_t y = 0; y < yEnd; ++y) {
        SetProgress(int32_t(100 * int64_t(y) / h));
        if (GetEscape())
            break;
        const int64_t sy = int64_t(y) + yOffset;
        if (sy < 0 || sy >= source.GetHeight())
            continue;
        for (int32_t x = 0; x < xEnd; ++x) {
            const int64_t sx = int64_t(x) + xOffset;
            if (sx < 0 || sx >= source.GetWidth())
                continue;
            const int32_t sxi = int32_t(sx), syi = int32_t(sy);
            if (!SelectionIsInside(x, y) || !source.SelectionIsInside(sxi, syi))
                continue;
            const RGBQUAD c1 = BlindGetPixelColor(x, y, true);
            const RGBQUAD c2 = source.BlindGetPixelColor(sxi, syi, true);
            RGBQUAD r = c1;
            auto perChannel = [&](auto f, bool withAlpha) {
                r.rgbBlue = f(c1.rgbBlue, c2.rgbBlue);
                r.rgbGreen = f(c1.rgbGreen, c2.rgbGreen);
                r.rgbRed = f(c1.rgbRed, c2.rgbRed);
                if (withAlpha)
                    r.rgbReserved = f(c1.rgbReserved, c2.rgbReserved);
            };
            switch (op) {
            case OpAdd:
                perChannel([](int a, int b) { return uint8_t(std::min(255, a + b)); }, alpha);
                break;
            case OpAnd:
                perChannel([](int a, int b) { return uint8_t(a & b); }, alpha);
                break;
            case OpXor:
                perChannel([](int a, int b) { return uint8_t(a ^ b); }, alpha);
                break;
            case OpOr:
                perChannel([](int a, int b) { return uint8_t(a | b); }, alpha);
                break;
            case OpMask:
                r = (c2.rgbBlue || c2.rgbGreen || c2.rgbRed) ? c1 : t;
                break;
            case OpSrcCopy:
                r = IsTransparent(x, y) ? c2 : c1;
                break;
            case OpDstCopy:
                r = source.IsTransparent(sxi, syi) ? c1 : c2;
                break;
            case OpSub:
                perChannel([](int a, int b) { return uint8_t(std::max(0, a - b)); }, alpha);
                break;
            case OpSrcBlend: {
                if (IsTransparent(x, y)) {
                    r = c2;
                    break;
                }
                const int d
                    = (absDiff(c1.rgbRed, t.rgbRed) + absDiff(c1.rgbGreen, t.rgbGreen) + absDiff(c1.rgbBlue, t.rgbBlue))
                    / 3;
                if (d < 17) {
                    const float a1 = float(d) / 16.0f;
                    const float a2 = float(16 - d) / 16.0f;
                    // The source's blue drives all three channels.
                    auto blend = [&](uint8_t c) {
                        return uint8_t(std::clamp(a1 * float(c) + a2 * float(c2.rgbBlue), 0.0f, 255.0f));
                    };
                    r.rgbBlue = blend(c1.rgbBlue);
                    r.rgbGreen = blend(c1.rgbGreen);
                    r.rgbRed = blend(c1.rgbRed);
                }
                break;
            }
            case OpAlphaBlend: {
                int a = 255;
                if (source.IsTransparent(sxi, syi))
                    a = 0;
                else if (source.AlphaIsValid())
                    a = srcAlphaMax * c2.rgbReserved / 255;
                if (a == 0) {
                    r = c1;
                } else if (a == 255) {
                    r = c2;
                } else {
                    r.rgbBlue = uint8_t((c1.rgbBlue * (255 - a) + c2.rgbBlue * a) / 255);
                    r.rgbGreen = uint8_t((c1.rgbGreen * (255 - a) + c2.rgbGreen * a) / 255);
                    r.rgbRed = uint8_t((c1.rgbRed * (255 - a) + c2.rgbRed * a) / 255);
                }
                if (alpha)
                    r.rgbReserved = uint8_t(a * c1.rgbReserved / 255);
                break;
            }
            case OpAvg:
                perChannel([](int a, int b) { return uint8_t((a + b) / 2); }, alpha);
                break;
            default:
                break;
            }
            SetPixelColor(x, y, r, alpha);
        }
    }
    return true;
}

bool CxImage::PasteKeyed(const CxImage& source, int32_t x, int32_t y)
{
    if (!m_dib)
        return false;
    if (!source.IsValid()) {
        SetLastError("PasteKeyed: the source image is empty");
        return false;
    }
    const bool keyed = source.TransparentIndex() >= 0;
    const int32_t sw = int32_t(source.GetWidth());
    const int32_t sh = int32_t(source.GetHeight());
    // Only the part of the source that lands inside this image is visited.
    const int32_t i0 = int32_t(std::clamp<int64_t>(-int64_t(x), 0, sw));
    const int32_t j0 = int32_t(std::clamp<int64_t>(-int64_t(y), 0, sh));
    const int32_t i1 = int32_t(std::clamp<int64_t>(int64_t(GetWidth()) - x, 0, sw));
    const int32_t j1 = int32_t(std::clamp<int64_t>(int64_t(GetHeight()) - y, 0, sh));
    const bool fast = GetBpp() == 24 && source.GetBpp() == 24;
    const RGBQUAD key = source.TransparentColour();
    for (int32_t j = j0; j < j1; ++j) {
        if (fast) {
            const uint8_t* s = source.GetBits(uint32_t(j)) + size_t(i0) * 3;
            uint8_t* d = GetBits(uint32_t(y + j)) + (size_t(x) + size_t(i0)) * 3;
            for (int32_t i = i0; i < i1; ++i, s += 3, d += 3) {
                if (keyed && s[0] == key.rgbBlue && s[1] == key.rgbGreen && s[2] == key.rgbRed)
                    continue;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            continue;
        }
        for (int32_t i = i0; i < i1; ++i) {
            if (keyed && source.IsTransparent(i, j))
                continue;
            SetPixelColor(x + i, y + j, source.BlindGetPixelColor(i, j, false), false);
        }
    }
    return true;
}

bool CxImage::KeyColourMask(CxImage* destination)
{
    if (!m_dib)
        return false;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    CxImage mask;
    if (!mask.Create(uint32_t(w), uint32_t(h), 1, GetType())) {
        SetLastError("%s", mask.GetLastError());
        return false;
    }
    mask.SetPaletteColor(0, 0, 0, 0);
    mask.SetPaletteColor(1, 255, 255, 255);
    mask.Clear(0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (IsTransparent(x, y))
                mask.BlindSetPixelIndex(x, y, 1);
        }
    }
    if (destination && destination != this)
        return destination->TakeOver(mask);
    return TakeOver(mask);
}
