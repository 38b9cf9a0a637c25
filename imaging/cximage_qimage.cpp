// CxImage <-> QImage: the stand-in for the platform's device bitmaps (top-down 32-bit rows).
#include "imaging/cximage.h"

#include <cstring>

#include <QImage>

QImage CxImage::ToDeviceBitmap() const
{
    if (!m_dib)
        return QImage();
    const int w = int(GetWidth());
    const int h = int(GetHeight());
    QImage out(w, h, m_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const RGBQUAD* pal = GetPalette();
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(h - 1 - y));
        const uint8_t* src = m_info.pixels + size_t(y) * m_info.rowStride;
        const uint8_t* alpha = m_alpha ? m_alpha + size_t(y) * size_t(w) : nullptr;
        if (!pal) {
            for (int x = 0; x < w; ++x, src += 3)
                dst[x] = qRgba(src[2], src[1], src[0], alpha ? alpha[x] : 255);
        } else {
            for (int x = 0; x < w; ++x) {
                const RGBQUAD c = pal[BlindGetPixelIndex(x, y)];
                dst[x] = qRgba(c.rgbRed, c.rgbGreen, c.rgbBlue, alpha ? alpha[x] : 255);
            }
        }
    }
    out.setDotsPerMeterX(m_head.biXPelsPerMeter);
    out.setDotsPerMeterY(m_head.biYPelsPerMeter);
    return out;
}

bool CxImage::FromDeviceBitmap(const QImage& image)
{
    if (!Destroy())
        return false;
    if (image.isNull()) {
        SetLastError("GetDIBits failed");
        return false;
    }
    const int w = image.width();
    const int h = image.height();
    const QImage::Format f = image.format();
    if (f == QImage::Format_Indexed8 || f == QImage::Format_Mono || f == QImage::Format_MonoLSB) {
        const QImage src = f == QImage::Format_MonoLSB ? image.convertToFormat(QImage::Format_Mono) : image;
        const int bpp = src.depth() == 1 ? 1 : 8;
        if (!Create(uint32_t(w), uint32_t(h), uint32_t(bpp), 0))
            return false;
        const QList<QRgb> table = src.colorTable();
        for (int i = 0; i < table.size() && i < int(GetNumColors()); ++i)
            SetPaletteColor(uint32_t(i), uint8_t(qRed(table[i])), uint8_t(qGreen(table[i])), uint8_t(qBlue(table[i])));
        const size_t n = std::min<size_t>(m_info.rowStride, size_t(src.bytesPerLine()));
        for (int y = 0; y < h; ++y)
            std::memcpy(GetBits(uint32_t(h - 1 - y)), src.constScanLine(y), n);
    } else {
        const bool alpha = image.hasAlphaChannel();
        const QImage src = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (src.isNull()) {
            SetLastError("GetDIBits failed");
            return false;
        }
        if (!Create(uint32_t(w), uint32_t(h), 24, 0))
            return false;
        if (alpha)
            AlphaCreate();
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            const uint32_t row = uint32_t(h - 1 - y);
            uint8_t* d = GetBits(row);
            uint8_t* a = m_alpha ? m_alpha + size_t(row) * size_t(w) : nullptr;
            for (int x = 0; x < w; ++x, d += 3) {
                d[0] = uint8_t(qBlue(s[x]));
                d[1] = uint8_t(qGreen(s[x]));
                d[2] = uint8_t(qRed(s[x]));
                if (a)
                    a[x] = uint8_t(qAlpha(s[x]));
            }
        }
    }
    if (image.dotsPerMeterX() > 0)
        SetXDPI(int32_t(image.dotsPerMeterX() * 254.0 / 10000.0 + 0.5));
    if (image.dotsPerMeterY() > 0)
        SetYDPI(int32_t(image.dotsPerMeterY() * 254.0 / 10000.0 + 0.5));
    return true;
}
