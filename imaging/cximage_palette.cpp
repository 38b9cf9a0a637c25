// CxImage palette, nearest-colour search and transparency settings.
#include "imaging/cximage.h"

#include <algorithm>
#include <cstring>

RGBQUAD* CxImage::GetPalette() const
{
    if (!m_dib || m_head.biClrUsed == 0)
        return nullptr;
    return reinterpret_cast<RGBQUAD*>(m_dib + 40);
}

RGBQUAD CxImage::GetPaletteColor(uint32_t i) const
{
    const RGBQUAD* pal = GetPalette();
    if (!pal || i >= m_head.biClrUsed)
        return RGBQUAD { 0, 0, 0, 0 };
    return pal[i];
}

void CxImage::SetPaletteColor(uint32_t i, uint8_t r, uint8_t g, uint8_t b, uint8_t alpha)
{
    SetPaletteColor(i, RGBQUAD { b, g, r, alpha });
}

void CxImage::SetPaletteColor(uint32_t i, RGBQUAD c)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || i >= m_head.biClrUsed)
        return;
    pal[i] = c;
    m_info.nearestCacheValid = false;
}

void CxImage::SetPalette(const RGBQUAD* entries, uint32_t count)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !entries)
        return;
    std::memcpy(pal, entries, size_t(std::min(count, m_head.biClrUsed)) * 4);
    m_info.nearestCacheValid = false;
}

void CxImage::SetPalette(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t count)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !r)
        return;
    if (!g)
        g = r;
    if (!b)
        b = g;
    const uint32_t n = std::min(count, m_head.biClrUsed);
    for (uint32_t i = 0; i < n; ++i)
        pal[i] = RGBQUAD { b[i], g[i], r[i], 0 };
    m_info.nearestCacheValid = false;
}

void CxImage::SetPaletteRGB(const uint8_t* rgb, uint32_t count)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !rgb)
        return;
    const uint32_t n = std::min(count, m_head.biClrUsed);
    for (uint32_t i = 0; i < n; ++i)
        pal[i] = RGBQUAD { rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0 };
    m_info.nearestCacheValid = false;
}

void CxImage::SetGrayPalette()
{
    RGBQUAD* pal = GetPalette();
    if (!pal || m_head.biClrUsed < 2)
        return;
    const uint32_t step = 255 / (m_head.biClrUsed - 1);
    for (uint32_t i = 0; i < m_head.biClrUsed; ++i) {
        const uint8_t v = uint8_t(i * step);
        pal[i] = RGBQUAD { v, v, v, 0 };
    }
    m_info.nearestCacheValid = false;
}

bool CxImage::IsGrayScale() const
{
    const RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (uint32_t i = 0; i < m_head.biClrUsed; ++i) {
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i)
            return false;
    }
    return true;
}

void CxImage::SetImportantColours(uint32_t n)
{
    if (n == 0 || n > 256) {
        m_head.biClrImportant = 0;
    } else {
        switch (m_head.biBitCount) {
        case 1:
            m_head.biClrImportant = std::min(n, 2u);
            break;
        case 4:
            m_head.biClrImportant = std::min(n, 16u);
            break;
        case 8:
            m_head.biClrImportant = n;
            break;
        default:
            break;
        }
    }
    if (m_dib)
        reinterpret_cast<BITMAPINFOHEADER*>(m_dib)->biClrImportant = m_head.biClrImportant;
}

void CxImage::SwapPaletteEntries(uint8_t a, uint8_t b)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || a >= m_head.biClrUsed || b >= m_head.biClrUsed)
        return;
    std::swap(pal[a], pal[b]);
    m_info.nearestCacheValid = false;
    const int32_t w = m_head.biWidth;
    const int32_t h = m_head.biHeight;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t i = BlindGetPixelIndex(x, y);
            if (i == a)
                BlindSetPixelIndex(x, y, b);
            else if (i == b)
                BlindSetPixelIndex(x, y, a);
        }
    }
}

void CxImage::SwapRedAndBlue()
{
    if (!m_dib)
        return;
    if (RGBQUAD* pal = GetPalette()) {
        for (uint32_t i = 0; i < m_head.biClrUsed; ++i)
            std::swap(pal[i].rgbBlue, pal[i].rgbRed);
        m_info.nearestCacheValid = false;
        return;
    }
    if (m_head.biBitCount != 24)
        return;
    for (uint32_t y = 0; y < GetHeight(); ++y) {
        uint8_t* p = m_info.pixels + size_t(y) * m_info.rowStride;
        for (uint32_t x = 0; x < GetWidth(); ++x, p += 3)
            std::swap(p[0], p[2]);
    }
}

uint8_t CxImage::NearestPaletteIndex(RGBQUAD c)
{
    const RGBQUAD* pal = GetPalette();
    if (!pal)
        return 0;
    const RGBQUAD& cached = m_info.nearestCacheColour;
    if (m_info.nearestCacheValid && cached.rgbBlue == c.rgbBlue && cached.rgbGreen == c.rgbGreen
        && cached.rgbRed == c.rgbRed && cached.rgbReserved == c.rgbReserved)
        return m_info.nearestCacheIndex;
    m_info.nearestCacheColour = c;
    uint32_t n = m_head.biClrImportant ? std::min(m_head.biClrImportant, m_head.biClrUsed) : m_head.biClrUsed;
    long best = 200000;
    uint8_t bestIndex = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const long db = long(pal[i].rgbBlue) - c.rgbBlue;
        const long dg = long(pal[i].rgbGreen) - c.rgbGreen;
        const long dr = long(pal[i].rgbRed) - c.rgbRed;
        const long d = db * db + dg * dg + dr * dr;
        if (d < best) {
            best = d;
            bestIndex = uint8_t(i);
            if (d == 0)
                break;
        }
    }
    m_info.nearestCacheIndex = bestIndex;
    m_info.nearestCacheValid = true;
    return bestIndex;
}

bool CxImage::PaletteCarriesAlpha() const
{
    const RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (uint32_t i = 0; i < m_head.biClrUsed; ++i) {
        if (pal[i].rgbReserved)
            return true;
    }
    return false;
}

void CxImage::SetTransparentIndex(int32_t i)
{
    if (i < 0) {
        m_info.transparentIndex = -1;
        return;
    }
    m_info.transparentIndex = uint32_t(i) < m_head.biClrUsed ? i : 0;
}

RGBQUAD CxImage::TransparentColour() const
{
    if (m_head.biBitCount < 24 && m_info.transparentIndex >= 0)
        return GetPaletteColor(uint32_t(m_info.transparentIndex));
    return m_info.transparentColour;
}

void CxImage::SetTransparentColour(RGBQUAD c)
{
    c.rgbReserved = 0;
    m_info.transparentColour = c;
}
