// CxImage colour operations: negative, gray scale, threshold, lookup tables and gamma, hue ramp,
// bit-depth changes and the built-in palettes.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using cximage_p::grayOf;

namespace {

/// Copies the selection mask and box, and the alpha plane, of src into dst (same size).
void copyPlanes(CxImage& dst, const CxImage& src)
{
    if (src.SelectionIsValid())
        dst.SelectionCopy(src);
    if (src.AlphaIsValid())
        dst.AlphaCopy(src);
}

} // namespace

bool CxImage::Negative()
{
    if (!m_dib)
        return false;
    const int32_t w = int32_t(GetWidth());
    if (GetBpp() == 24 || IsGrayScale()) {
        const cximage_p::Region r = cximage_p::regionOf(*this);
        const bool colour = GetBpp() == 24;
        if (m_selection) {
            for (int32_t y = r.bottom; y < r.top; ++y) {
                uint8_t* row = GetBits(uint32_t(y));
                const uint8_t* sel = m_selection + size_t(y) * size_t(w);
                for (int32_t x = r.left; x < r.right; ++x) {
                    if (!sel[x])
                        continue;
                    if (colour) {
                        uint8_t* p = row + size_t(x) * 3;
                        p[0] = uint8_t(255 - p[0]);
                        p[1] = uint8_t(255 - p[1]);
                        p[2] = uint8_t(255 - p[2]);
                    } else {
                        row[x] = uint8_t(255 - row[x]);
                    }
                }
            }
        } else {
            for (uint32_t i = 0; i < m_head.biSizeImage; ++i)
                m_info.pixels[i] = uint8_t(~m_info.pixels[i]);
        }
        if (colour) {
            RGBQUAD& t = m_info.transparentColour;
            t.rgbBlue = uint8_t(255 - t.rgbBlue);
            t.rgbGreen = uint8_t(255 - t.rgbGreen);
            t.rgbRed = uint8_t(255 - t.rgbRed);
        }
        return true;
    }
    RGBQUAD* pal = GetPalette();
    for (uint32_t i = 0; i < GetNumColors(); ++i) {
        pal[i].rgbBlue = uint8_t(255 - pal[i].rgbBlue);
        pal[i].rgbGreen = uint8_t(255 - pal[i].rgbGreen);
        pal[i].rgbRed = uint8_t(255 - pal[i].rgbRed);
    }
    m_info.nearestCacheValid = false;
    return true;
}

bool CxImage::GrayScale()
{
    if (!m_dib)
        return false;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    if (GetBpp() == 24) {
        CxImage work;
        if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), 8))
            return false;
        work.SetGrayPalette();
        copyPlanes(work, *this);
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = GetBits(uint32_t(y));
            uint8_t* d = work.GetBits(uint32_t(y));
            for (int32_t x = 0; x < w; ++x, s += 3)
                d[x] = grayOf(s[2], s[1], s[0]);
        }
        return TakeOver(work);
    }
    // Gray value of every entry; the image is only touched once the result is certain.
    const RGBQUAD* pal = GetPalette();
    uint8_t map[256] = {};
    for (uint32_t i = 0; i < GetNumColors(); ++i)
        map[i] = grayOf(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue);
    const int32_t transparent = m_info.transparentIndex >= 0 ? map[m_info.transparentIndex] : -1;
    if (GetBpp() == 8) {
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = GetBits(uint32_t(y));
            for (int32_t x = 0; x < w; ++x)
                row[x] = map[row[x]];
        }
        SetGrayPalette();
        m_info.transparentIndex = transparent;
        return true;
    }
    CxImage work;
    if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), 8))
        return false;
    work.SetGrayPalette();
    work.m_info.transparentIndex = transparent;
    copyPlanes(work, *this);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* d = work.GetBits(uint32_t(y));
        for (int32_t x = 0; x < w; ++x)
            d[x] = map[BlindGetPixelIndex(x, y)];
    }
    return TakeOver(work);
}

bool CxImage::Threshold(uint8_t level)
{
    if (!m_dib)
        return false;
    if (GetBpp() == 1)
        return true;
    if (!GrayScale())
        return false;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    CxImage work;
    if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), 1))
        return false;
    work.SetPaletteColor(0, 0, 0, 0);
    work.SetPaletteColor(1, 255, 255, 255);
    work.Clear(0);
    copyPlanes(work, *this);
    // The gray transparent index would point past a two-entry palette: keep it on its new side.
    if (m_info.transparentIndex >= 0)
        work.m_info.transparentIndex = m_info.transparentIndex > level ? 1 : 0;
    for (int32_t y = 0; y < h; ++y) {
        SetProgress(int32_t(100 * int64_t(y) / h));
        if (GetEscape())
            break;
        const uint8_t* s = GetBits(uint32_t(y));
        uint8_t* d = work.GetBits(uint32_t(y));
        for (int32_t x = 0; x < w; ++x) {
            if (s[x] > level)
                d[x >> 3] = uint8_t(d[x >> 3] | (0x80 >> (x & 7)));
        }
    }
    return TakeOver(work);
}

bool CxImage::ApplyLookupTable(const uint8_t* table)
{
    if (!m_dib || !table)
        return false;
    const cximage_p::Region r = cximage_p::regionOf(*this);
    const int32_t w = int32_t(GetWidth());
    const bool pixelWise = GetBpp() == 24 || (m_selection && GetBpp() == 8 && IsGrayScale());
    if (!pixelWise) {
        const bool wasGray = IsGrayScale();
        RGBQUAD* pal = GetPalette();
        for (uint32_t i = 0; i < GetNumColors(); ++i) {
            pal[i].rgbBlue = table[pal[i].rgbBlue];
            pal[i].rgbGreen = table[pal[i].rgbGreen];
            pal[i].rgbRed = table[pal[i].rgbRed];
        }
        m_info.nearestCacheValid = false;
        if (wasGray)
            return GrayScale();
        return true;
    }
    if (r.empty()) {
        SetLastError("ApplyLookupTable: the selection is empty");
        return false;
    }
    const int channels = GetBpp() == 24 ? 3 : 1;
    for (int32_t y = r.bottom; y < r.top; ++y) {
        SetProgress(int32_t(int64_t(y - r.bottom) * 100 / (r.top - r.bottom)));
        if (GetEscape())
            break;
        uint8_t* row = GetBits(uint32_t(y)) + size_t(r.left) * size_t(channels);
        const uint8_t* sel = m_selection ? m_selection + size_t(y) * size_t(w) + size_t(r.left) : nullptr;
        const int32_t n = r.right - r.left;
        if (!sel) {
            for (int32_t i = 0; i < n * channels; ++i)
                row[i] = table[row[i]];
            continue;
        }
        for (int32_t x = 0; x < n; ++x) {
            if (!sel[x])
                continue;
            for (int k = 0; k < channels; ++k)
                row[x * channels + k] = table[row[x * channels + k]];
        }
    }
    return true;
}

bool CxImage::Gamma(float gamma)
{
    if (!m_dib)
        return false;
    if (!(gamma > 0.0f)) {
        SetLastError("Gamma: the value must be greater than zero");
        return false;
    }
    const double p = 1.0 / double(gamma);
    const double k = std::pow(255.0, p) / 255.0;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = cximage_p::clampByte(int(std::pow(double(i), p) / k));
    return ApplyLookupTable(table);
}

bool CxImage::HueRampPalette(float correction)
{
    if (!m_dib)
        return false;
    const uint32_t n = GetNumColors();
    if (n == 0)
        return true;
    const float s = 240.0f / 255.0f;
    const float l = 120.0f / 255.0f;
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    auto f = [&](float hue) {
        while (hue > 360.0f)
            hue -= 360.0f;
        while (hue < 0.0f)
            hue += 360.0f;
        float v;
        if (hue < 60.0f)
            v = m1 + (m2 - m1) * hue / 60.0f;
        else if (hue < 180.0f)
            v = m2;
        else if (hue < 240.0f)
            v = m1 + (m2 - m1) * (240.0f - hue) / 60.0f;
        else
            v = m1;
        return uint8_t(v * 255.0f);
    };
    const int step = n > 1 ? int(255 / (n - 1)) : 0;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t hue = uint8_t(int(float(step) * correction * float(i)));
        const float hd = float(hue) * 360.0f / 255.0f;
        SetPaletteColor(i, f(hd + 120.0f), f(hd), f(hd - 120.0f));
    }
    return true;
}

void CxImage::SetStandardPalette()
{
    static const uint8_t vga[16][3] = { { 0, 0, 0 }, { 128, 0, 0 }, { 0, 128, 0 }, { 128, 128, 0 }, { 0, 0, 128 },
        { 128, 0, 128 }, { 0, 128, 128 }, { 192, 192, 192 }, { 128, 128, 128 }, { 255, 0, 0 }, { 0, 255, 0 },
        { 255, 255, 0 }, { 0, 0, 255 }, { 255, 0, 255 }, { 0, 255, 255 }, { 255, 255, 255 } };
    static const uint8_t extra[11][3] = { { 192, 220, 192 }, { 166, 202, 240 }, { 255, 240, 212 }, { 255, 226, 177 },
        { 255, 212, 142 }, { 255, 198, 107 }, { 255, 184, 72 }, { 255, 170, 37 }, { 255, 170, 0 }, { 220, 146, 0 },
        { 185, 122, 0 } };
    if (!m_dib)
        return;
    switch (GetNumColors()) {
    case 2:
        SetPaletteColor(0, 0, 0, 0);
        SetPaletteColor(1, 255, 255, 255);
        break;
    case 16:
        for (uint32_t i = 0; i < 16; ++i)
            SetPaletteColor(i, vga[i][0], vga[i][1], vga[i][2]);
        break;
    case 256: {
        for (uint32_t i = 0; i < 8; ++i)
            SetPaletteColor(i, vga[i][0], vga[i][1], vga[i][2]);
        for (uint32_t i = 0; i < 11; ++i)
            SetPaletteColor(8 + i, extra[i][0], extra[i][1], extra[i][2]);
        // The rest: a 6 x 6 x 6 colour cube, then a ramp of grays.
        static const uint8_t level[6] = { 0, 51, 102, 153, 204, 255 };
        uint32_t i = 19;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    SetPaletteColor(i++, level[r], level[g], level[b]);
        for (uint32_t k = 0; i < 256; ++i, ++k) {
            const uint8_t v = uint8_t(12 + k * 11);
            SetPaletteColor(i, v, v, v);
        }
        break;
    }
    default:
        break;
    }
}

bool CxImage::DecreaseBpp(uint32_t bits, bool errorDiffusion, const RGBQUAD* palette, uint32_t entries)
{
    if (!m_dib)
        return false;
    if (bits > GetBpp()) {
        SetLastError("DecreaseBpp: target BPP greater than source BPP");
        return false;
    }
    if (bits == GetBpp() && (entries == 0 || (GetImportantColours() != 0 && GetImportantColours() < entries)))
        return true;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    CxImage work;
    if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), bits))
        return false;
    if (entries)
        work.SetImportantColours(entries);
    copyPlanes(work, *this);
    if (work.GetNumColors()) {
        if (palette)
            work.SetPalette(palette, entries ? entries : (1u << work.GetBpp()));
        else
            work.SetStandardPalette();
    }
    // Colours of this image as they evolve under error diffusion; the image itself stays untouched
    // until the result is complete.
    std::vector<uint8_t> rgb(size_t(w) * 3 * 2);
    auto load = [&](int32_t y, uint8_t* dst) {
        for (int32_t x = 0; x < w; ++x) {
            const RGBQUAD c = BlindGetPixelColor(x, y, false);
            dst[3 * x] = c.rgbBlue;
            dst[3 * x + 1] = c.rgbGreen;
            dst[3 * x + 2] = c.rgbRed;
        }
    };
    uint8_t* cur = rgb.data();
    uint8_t* next = rgb.data() + size_t(w) * 3;
    load(0, cur);
    for (int32_t y = 0; y < h; ++y) {
        SetProgress(int32_t(100 * int64_t(y) / h));
        if (GetEscape()) {
            SetLastError("DecreaseBpp: stopped");
            return false;
        }
        if (y + 1 < h)
            load(y + 1, next);
        for (int32_t x = 0; x < w; ++x) {
            const RGBQUAD c { cur[3 * x], cur[3 * x + 1], cur[3 * x + 2], 0 };
            if (!work.GetNumColors()) {
                work.SetPixelColor(x, y, c);
                continue;
            }
            const uint8_t index = work.NearestPaletteIndex(c);
            work.BlindSetPixelIndex(x, y, index);
            if (!errorDiffusion)
                continue;
            const RGBQUAD e = work.GetPaletteColor(index);
            const int err[3] = { int(c.rgbBlue) - e.rgbBlue, int(c.rgbGreen) - e.rgbGreen, int(c.rgbRed) - e.rgbRed };
            auto spread = [&](uint8_t* row, int32_t xx, int num) {
                if (xx < 0 || xx >= w)
                    return;
                for (int k = 0; k < 3; ++k)
                    row[3 * xx + k] = cximage_p::clampByte(int(row[3 * xx + k]) + err[k] * num / 16);
            };
            spread(cur, x + 1, 7);
            if (y + 1 < h) {
                spread(next, x - 1, 2);
                spread(next, x, 4);
                spread(next, x + 1, 1);
            }
        }
        std::swap(cur, next);
    }
    return TakeOver(work);
}

bool CxImage::IncreaseBpp(uint32_t bits)
{
    if (!m_dib)
        return false;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    if (bits == 24) {
        if (GetBpp() == 24)
            return true;
        CxImage work;
        if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), 24))
            return false;
        if (m_info.transparentIndex >= 0)
            work.SetTransparentColour(GetPaletteColor(uint32_t(m_info.transparentIndex)));
        copyPlanes(work, *this);
        const bool paletteAlpha = PaletteCarriesAlpha() && !m_alpha;
        if (paletteAlpha)
            work.AlphaCreate();
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                RGBQUAD c = BlindGetPixelColor(x, y, true);
                uint8_t* p = work.BlindGetPixelPointer(x, y);
                p[0] = c.rgbBlue;
                p[1] = c.rgbGreen;
                p[2] = c.rgbRed;
                if (work.m_alpha)
                    work.m_alpha[size_t(y) * size_t(w) + size_t(x)] = c.rgbReserved;
            }
        }
        return TakeOver(work);
    }
    if (bits == 8 || bits == 4) {
        if (GetBpp() == bits)
            return true;
        if (GetBpp() > bits) {
            SetLastError("IncreaseBpp: target BPP smaller than source BPP");
            return false;
        }
        CxImage work;
        if (!cximage_p::makeWorkImage(work, *this, uint32_t(w), uint32_t(h), bits))
            return false;
        work.SetPalette(GetPalette(), GetNumColors());
        copyPlanes(work, *this);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x)
                work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(x, y));
        }
        return TakeOver(work);
    }
    SetLastError("IncreaseBpp: unsupported bit depth %u", bits);
    return false;
}
