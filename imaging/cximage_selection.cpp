// CxImage selection: the mask that limits filters and colour operations, and its bounding box.
#include "imaging/cximage.h"
#include "imaging/cximage_p.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

CxRect emptyBox(const CxImage& img)
{
    return CxRect { int32_t(img.GetWidth()), 0, 0, int32_t(img.GetHeight()) };
}

} // namespace

bool CxImage::SelectionCreate()
{
    if (!m_dib)
        return false;
    SelectionDelete();
    m_selection = static_cast<uint8_t*>(std::calloc(size_t(GetWidth()) * GetHeight(), 1));
    m_info.selectionBox = emptyBox(*this);
    if (!m_selection) {
        SetLastError("CxImage::SelectionCreate can't allocate memory");
        return false;
    }
    return true;
}

bool CxImage::SelectionDelete()
{
    if (m_info.ghost)
        return false;
    std::free(m_selection);
    m_selection = nullptr;
    m_info.selectionBox = emptyBox(*this);
    return true;
}

bool CxImage::SelectionClear(uint8_t level)
{
    if (!m_selection) {
        if (m_dib)
            SetLastError("SelectionClear: there is no selection");
        return false;
    }
    std::memset(m_selection, level, size_t(GetWidth()) * GetHeight());
    if (level)
        m_info.selectionBox = CxRect { 0, int32_t(GetHeight()), int32_t(GetWidth()), 0 };
    else
        m_info.selectionBox = emptyBox(*this);
    return true;
}

bool CxImage::SelectRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t level)
{
    if (!m_dib)
        return false;
    if (!m_selection && !SelectionCreate())
        return false; // SelectionCreate has set the error
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    // 64-bit so that corners near the int limits cannot overflow when made exclusive.
    const int64_t x0 = std::min(left, right);
    const int64_t x1 = std::max(left, right);
    const int64_t y0 = std::min(top, bottom);
    const int64_t y1 = std::max(top, bottom);
    auto cl = [](int64_t v, int32_t hi) { return int32_t(std::clamp<int64_t>(v, 0, hi)); };
    CxRect& box = m_info.selectionBox;
    if (y1 >= box.top)
        box.top = cl(y1 + 1, h);
    if (x0 < box.left)
        box.left = cl(x0, w);
    if (x1 >= box.right)
        box.right = cl(x1 + 1, w);
    if (y0 < box.bottom)
        box.bottom = cl(y0, h);
    const int32_t xs = cl(x0, w), xe = cl(x1 + 1, w);
    for (int32_t y = cl(y0, h); y < cl(y1 + 1, h); ++y) {
        if (xe > xs)
            std::memset(m_selection + size_t(y) * size_t(w) + size_t(xs), level, size_t(xe - xs));
    }
    return true;
}

bool CxImage::SelectionSet(const CxImage& gray)
{
    if (!m_dib)
        return false;
    if (!gray.IsGrayScale() || gray.GetWidth() != GetWidth() || gray.GetHeight() != GetHeight()) {
        SetLastError("CxImage::SelectionSet: wrong width or height, or image is not gray scale");
        return false;
    }
    if (!m_selection)
        SelectionCreate();
    if (!m_selection || !gray.GetBits() || gray.GetBpp() != 8) {
        SetLastError("CxImage::SelectionSet: null pointer");
        return false;
    }
    const size_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y)
        std::memcpy(m_selection + y * w, gray.GetBits(y), w);
    RecomputeSelectionBox();
    return true;
}

void CxImage::SelectionSet(int32_t x, int32_t y, uint8_t level)
{
    if (m_selection && IsInside(x, y))
        m_selection[size_t(y) * GetWidth() + size_t(x)] = level;
}

bool CxImage::SelectionIsInside(int32_t x, int32_t y) const
{
    if (!IsInside(x, y))
        return false;
    return !m_selection || m_selection[size_t(y) * GetWidth() + size_t(x)] != 0;
}

bool CxImage::SelectionCopy(const CxImage& source)
{
    if (!m_dib)
        return false;
    if (!source.m_selection || source.GetWidth() != GetWidth() || source.GetHeight() != GetHeight()) {
        SetLastError("SelectionCopy: the source has no selection of this size");
        return false;
    }
    const size_t n = size_t(GetWidth()) * GetHeight();
    if (!m_selection)
        m_selection = static_cast<uint8_t*>(std::malloc(n));
    if (!m_selection)
        return false;
    std::memcpy(m_selection, source.m_selection, n);
    m_info.selectionBox = source.m_info.selectionBox;
    return true;
}

void CxImage::RecomputeSelectionBox()
{
    if (!m_selection)
        return;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    CxRect box = emptyBox(*this);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = m_selection + size_t(y) * size_t(w);
        int32_t first = 0;
        while (first < w && !row[first])
            ++first;
        if (first == w)
            continue;
        int32_t last = w - 1;
        while (!row[last])
            --last;
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last + 1);
        box.bottom = std::min(box.bottom, y);
        box.top = std::max(box.top, y + 1);
    }
    m_info.selectionBox = box;
}

bool CxImage::SelectionFlip()
{
    if (!m_selection)
        return false;
    cximage_p::flipRowsInPlace(m_selection, GetWidth(), GetHeight());
    CxRect& box = m_info.selectionBox;
    const int32_t h = int32_t(GetHeight());
    const int32_t oldTop = box.top;
    box.top = h - box.bottom;
    box.bottom = h - oldTop;
    return true;
}

bool CxImage::SelectionMirror()
{
    if (!m_selection)
        return false;
    const size_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y)
        std::reverse(m_selection + y * w, m_selection + (y + 1) * w);
    CxRect& box = m_info.selectionBox;
    const int32_t oldRight = box.right;
    box.right = int32_t(w) - box.left;
    box.left = int32_t(w) - oldRight;
    return true;
}

bool CxImage::SelectionToImage(CxImage* destination)
{
    if (!m_dib)
        return false;
    if (!m_selection || !destination) {
        SetLastError("SelectionToImage: there is no selection");
        return false;
    }
    CxImage gray;
    if (!gray.Create(GetWidth(), GetHeight(), 8, GetType())) {
        SetLastError("%s", gray.GetLastError());
        return false;
    }
    gray.SetGrayPalette();
    const size_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y)
        std::memcpy(gray.GetBits(y), m_selection + y * w, w);
    return destination->TakeOver(gray);
}
