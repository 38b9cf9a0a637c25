// CxImage orientation: Flip (row order) and Mirror (pixel order inside each row).
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"
#include "imaging/cximage_p.h"

#include <algorithm>

bool CxImage::Flip(bool flipSelection, bool flipAlpha)
{
    if (!m_dib)
        return false;
    cximage_p::flipRowsInPlace(m_info.pixels, m_info.rowStride, GetHeight());
    if (flipSelection)
        SelectionFlip();
    if (flipAlpha)
        AlphaFlip();
    return true;
}

bool CxImage::Mirror(bool mirrorSelection, bool mirrorAlpha)
{
    if (!m_dib)
        return false;
    CxImage work;
    if (!cximage_p::makeShapedImage(work, *this, *this))
        return false;
    const int32_t w = int32_t(GetWidth());
    const int32_t h = int32_t(GetHeight());
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = GetBits(uint32_t(y));
        uint8_t* d = work.GetBits(uint32_t(y));
        switch (GetBpp()) {
        case 24:
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* p = s + size_t(w - 1 - x) * 3;
                d[3 * x] = p[0];
                d[3 * x + 1] = p[1];
                d[3 * x + 2] = p[2];
            }
            break;
        case 8:
            std::reverse_copy(s, s + w, d);
            break;
        default:
            for (int32_t x = 0; x < w; ++x)
                work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(w - 1 - x, y));
            break;
        }
    }
    if (mirrorSelection)
        work.SelectionMirror();
    if (mirrorAlpha)
        work.AlphaMirror();
    return TakeOver(work);
}
