// CxImage::CircleTransform: the circular warps of the effect dialog (punch, pinch, swirl,
// cylinder, bathroom), each pixel taking the colour of a source position inside the old image.
#include "imaging/cximage.h"
#include "imaging/cximage_ops_p.h"

#include <cmath>
#include <cstdlib>

bool CxImage::CircleTransform(int32_t type, int32_t radiusLimit, float coefficient)
{
    if (!m_dib)
        return false;
    if (type < 0 || type > 4) {
        SetLastError("CircleTransform: unknown type %d", int(type));
        return false;
    }
    if (radiusLimit < 0) {
        SetLastError("CircleTransform: negative radius limit %d", int(radiusLimit));
        return false;
    }
    CxImage work(*this, true, true, true);
    if (!work.IsValid()) {
        SetLastError("%s", work.GetLastError());
        return false;
    }
    const cximage_p::Region area = cximage_p::regionOf(*this);
    const int32_t xmin = area.left, ymin = area.bottom, xmax = area.right, ymax = area.top;
    const int32_t xmid = int32_t(GetWidth() / 2);
    const int32_t ymid = int32_t(GetHeight() / 2);
    if (radiusLimit == 0) {
        const float dx = float(xmid - xmin), dy = float(ymid - ymin);
        radiusLimit = int32_t(std::sqrt(dx * dx + dy * dy));
    }
    if (coefficient == 0.0f)
        coefficient = 1.0f;
    const float limit = float(radiusLimit);
    const bool palette = m_head.biClrUsed != 0;
    const bool alpha = m_alpha != nullptr;
    const uint8_t* sel = m_selection;
    const size_t width = GetWidth();

    for (int32_t y = ymin; y < ymax; ++y) {
        SetProgress(int32_t(int64_t(y - ymin) * 100 / (ymax - ymin)));
        if (GetEscape()) {
            SetLastError("CircleTransform: stopped");
            return false;
        }
        for (int32_t x = xmin; x < xmax; ++x) {
            if (sel && !sel[size_t(y) * width + size_t(x)])
                continue;
            const int32_t nx = xmid - x, ny = ymid - y;
            const float r = std::sqrt(float(nx * nx + ny * ny));
            int32_t sx = -1, sy = -1;
            if (r < limit) {
                float angle = std::atan2(float(ny), float(nx));
                float rNew = r;
                switch (type) {
                case 0:
                    rNew = r * r / limit;
                    break;
                case 1:
                    rNew = std::sqrt(r * limit);
                    break;
                case 2:
                    angle += r / coefficient;
                    break;
                default:
                    break;
                }
                if (type <= 2) {
                    sx = xmid + int32_t(rNew * std::cos(angle));
                    sy = ymid - int32_t(rNew * std::sin(angle));
                } else if (type == 3) {
                    sx = int32_t(std::fabs(angle * float(xmax) / 6.2831852f));
                    sy = int32_t(std::fabs(r * float(ymax) / limit));
                } else {
                    sx = x + (x % 32) - 16;
                    sy = y;
                }
            }
            const bool inside = IsInside(sx, sy);
            if (palette) {
                work.BlindSetPixelIndex(x, y, inside ? BlindGetPixelIndex(sx, sy) : GetPixelIndex(sx, sy));
            } else if (inside) {
                const uint8_t* s = BlindGetPixelPointer(sx, sy);
                uint8_t* d = work.BlindGetPixelPointer(x, y);
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                const RGBQUAD c = GetPixelColor(sx, sy, false);
                uint8_t* d = work.BlindGetPixelPointer(x, y);
                d[0] = c.rgbBlue;
                d[1] = c.rgbGreen;
                d[2] = c.rgbRed;
            }
            if (alpha)
                work.AlphaSet(x, y, AlphaGet(sx, sy));
        }
    }
    if (!TakeOver(work))
        return false;
    SetProgress(100);
    return true;
}
