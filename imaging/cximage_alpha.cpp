// CxImage alpha plane: one opacity byte per pixel, bottom row first.
#include "imaging/cximage.h"
#include "imaging/cximage_p.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool CxImage::AlphaCreate()
{
    if (!m_dib)
        return false;
    if (!m_alpha) {
        const size_t n = size_t(GetWidth()) * GetHeight();
        m_alpha = static_cast<uint8_t*>(std::malloc(n));
        if (m_alpha)
            std::memset(m_alpha, 255, n);
    }
    return m_alpha != nullptr;
}

void CxImage::AlphaDelete()
{
    if (m_info.ghost)
        return;
    std::free(m_alpha);
    m_alpha = nullptr;
}

void CxImage::AlphaClear(uint8_t value)
{
    if (m_alpha)
        std::memset(m_alpha, value, size_t(GetWidth()) * GetHeight());
}

void CxImage::AlphaSet(int32_t x, int32_t y, uint8_t a)
{
    if (m_alpha && IsInside(x, y))
        m_alpha[size_t(y) * GetWidth() + size_t(x)] = a;
}

uint8_t CxImage::AlphaGet(int32_t x, int32_t y) const
{
    if (m_alpha && IsInside(x, y))
        return m_alpha[size_t(y) * GetWidth() + size_t(x)];
    return 0;
}

uint8_t* CxImage::AlphaGetPointer(int32_t x, int32_t y) const
{
    if (m_alpha && IsInside(x, y))
        return m_alpha + size_t(y) * GetWidth() + size_t(x);
    return nullptr;
}

void CxImage::AlphaInvert()
{
    if (!m_alpha)
        return;
    const size_t n = size_t(GetWidth()) * GetHeight();
    for (size_t i = 0; i < n; ++i)
        m_alpha[i] = uint8_t(255 - m_alpha[i]);
}

bool CxImage::AlphaCopy(const CxImage& src)
{
    if (!src.m_alpha || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight() || !m_dib)
        return false;
    if (!AlphaCreate())
        return false;
    std::memcpy(m_alpha, src.m_alpha, size_t(GetWidth()) * GetHeight());
    m_info.alphaMax = src.m_info.alphaMax;
    return true;
}

bool CxImage::AlphaFromGray(const CxImage& gray)
{
    if (!gray.IsValid() || !gray.IsGrayScale() || gray.GetBpp() != 8 || gray.GetWidth() != GetWidth()
        || gray.GetHeight() != GetHeight() || !m_dib)
        return false;
    if (!AlphaCreate())
        return false;
    const size_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y)
        std::memcpy(m_alpha + y * w, gray.GetBits(y), w);
    return true;
}

bool CxImage::AlphaFlip()
{
    if (!m_alpha)
        return false;
    cximage_p::flipRowsInPlace(m_alpha, GetWidth(), GetHeight());
    return true;
}

bool CxImage::AlphaMirror()
{
    if (!m_alpha)
        return false;
    const size_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y)
        std::reverse(m_alpha + y * w, m_alpha + (y + 1) * w);
    return true;
}
