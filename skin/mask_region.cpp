// Region from a mask bitmap by runs per row.
#include "skin/mask_region.h"

#include <vector>

#include <QRect>

namespace skin {

QRegion regionFromMask(const QImage& mask, QRgb key)
{
    if (mask.isNull())
        return {};
    const QImage img = mask.format() == QImage::Format_RGB32 || mask.format() == QImage::Format_ARGB32
        ? mask
        : mask.convertToFormat(QImage::Format_ARGB32);
    key &= 0xFFFFFF;
    std::vector<QRect> rects;
    rects.reserve(40);
    const int w = img.width();
    for (int y = img.height() - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && (row[x] & 0xFFFFFF) == key)
                ++x;
            const int start = x;
            while (x < w && (row[x] & 0xFFFFFF) != key)
                ++x;
            if (x > start)
                rects.emplace_back(start, y, x - start, 1);
        }
    }
    QRegion region;
    for (const QRect& r : rects)
        region += r;
    return region;
}

} // namespace skin
