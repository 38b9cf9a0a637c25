// CxImage pixel access: bounds-checked and unchecked reads and writes of indices and colours.
#include "imaging/cximage.h"

#include <cstring>

uint8_t* CxImage::GetBits(uint32_t row) const
{
    if (!m_dib)
        return nullptr;
    if (row == 0)
        return m_info.pixels;
    if (row >= GetHeight())
        return nullptr;
    return m_info.pixels + size_t(row) * m_info.rowStride;
}

uint8_t CxImage::BlindGetPixelIndex(int32_t x, int32_t y) const
{
    const uint8_t* row = m_info.pixels + size_t(y) * m_info.rowStride;
    switch (m_head.biBitCount) {
    case 8:
        return row[x];
    case 4: {
        const uint8_t b = row[x >> 1];
        return (x & 1) ? (b & 0x0F) : (b >> 4);
    }
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
        return 0;
    }
}

uint8_t CxImage::GetPixelIndex(int32_t x, int32_t y) const
{
    if (!m_dib || m_head.biClrUsed == 0)
        return 0;
    if (!IsInside(x, y)) {
        if (m_info.transparentIndex >= 0)
            return uint8_t(m_info.transparentIndex);
        return m_info.pixels[0];
    }
    return BlindGetPixelIndex(x, y);
}

void CxImage::BlindSetPixelIndex(int32_t x, int32_t y, uint8_t i)
{
    uint8_t* row = m_info.pixels + size_t(y) * m_info.rowStride;
    switch (m_head.biBitCount) {
    case 8:
        row[x] = i;
        break;
    case 4: {
        uint8_t& b = row[x >> 1];
        if (x & 1)
            b = uint8_t((b & 0xF0) | (i & 0x0F));
        else
            b = uint8_t((b & 0x0F) | ((i & 0x0F) << 4));
        break;
    }
    case 1: {
        uint8_t& b = row[x >> 3];
        const uint8_t mask = uint8_t(0x80 >> (x & 7));
        b = (i & 1) ? uint8_t(b | mask) : uint8_t(b & ~mask);
        break;
    }
    default:
        break;
    }
}

void CxImage::SetPixelIndex(int32_t x, int32_t y, uint8_t i)
{
    if (!m_dib || m_head.biClrUsed == 0 || !IsInside(x, y))
        return;
    BlindSetPixelIndex(x, y, i);
}

RGBQUAD CxImage::BlindGetPixelColor(int32_t x, int32_t y, bool withAlpha) const
{
    RGBQUAD c;
    if (m_head.biClrUsed) {
        c = GetPaletteColor(BlindGetPixelIndex(x, y));
    } else {
        const uint8_t* p = BlindGetPixelPointer(x, y);
        c.rgbBlue = p[0];
        c.rgbGreen = p[1];
        c.rgbRed = p[2];
        c.rgbReserved = m_info.transparentColour.rgbReserved;
    }
    if (withAlpha && m_alpha)
        c.rgbReserved = m_alpha[size_t(y) * GetWidth() + size_t(x)];
    return c;
}

RGBQUAD CxImage::GetPixelColor(int32_t x, int32_t y, bool withAlpha) const
{
    if (!m_dib || !IsInside(x, y)) {
        if (m_info.transparentIndex >= 0) {
            if (m_head.biBitCount < 24)
                return GetPaletteColor(uint32_t(m_info.transparentIndex));
            return m_info.transparentColour;
        }
        if (m_dib)
            return BlindGetPixelColor(0, 0, true);
        return m_info.transparentColour;
    }
    return BlindGetPixelColor(x, y, withAlpha);
}

void CxImage::SetPixelColor(int32_t x, int32_t y, RGBQUAD c, bool setAlpha)
{
    if (!m_dib || !IsInside(x, y))
        return;
    if (m_head.biClrUsed) {
        BlindSetPixelIndex(x, y, NearestPaletteIndex(c));
    } else {
        uint8_t* p = BlindGetPixelPointer(x, y);
        p[0] = c.rgbBlue;
        p[1] = c.rgbGreen;
        p[2] = c.rgbRed;
    }
    if (setAlpha)
        AlphaSet(x, y, c.rgbReserved);
}

bool CxImage::IsTransparent(int32_t x, int32_t y) const
{
    if (!m_dib)
        return false;
    if (m_info.transparentIndex >= 0) {
        if (m_head.biClrUsed)
            return GetPixelIndex(x, y) == m_info.transparentIndex;
        const RGBQUAD c = GetPixelColor(x, y, false);
        const RGBQUAD t = m_info.transparentColour;
        return c.rgbBlue == t.rgbBlue && c.rgbGreen == t.rgbGreen && c.rgbRed == t.rgbRed;
    }
    if (m_alpha)
        return AlphaGet(x, y) == 0;
    return false;
}

bool CxImage::Clear(uint8_t value)
{
    if (!m_dib)
        return false;
    if (m_head.biBitCount == 1 && value)
        value = 255;
    else if (m_head.biBitCount == 4)
        value = uint8_t((value & 15) * 17);
    std::memset(m_info.pixels, value, m_head.biSizeImage);
    return true;
}
