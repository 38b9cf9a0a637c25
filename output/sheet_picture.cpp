// Drawing the sheet of all slots at any size over a backdrop or paper.
#include "output/sheet_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "picture/bitmap_scale.h"

SheetPicture SheetPicture::whole(const QImage& picture)
{
    SheetPicture sheet;
    if (!picture.isNull())
        sheet.addSlot({ QRect(0, 0, kWidth, kHeight), picture, picture.size(), {} });
    return sheet;
}

QSize SheetPicture::fullResolutionSize() const
{
    // The largest slot sets the scale: it is where a guest looks first, and the smaller slots
    // then still get more pixels than the screen gave them.
    qint64 largest = 0;
    double factor = 1.0;
    for (const SheetSlot& s : m_slots) {
        const qint64 area = qint64(s.rect.width()) * s.rect.height();
        if (area <= 0 || s.nativeSize.isEmpty())
            continue;
        // The smaller quotient: the slot never asks for more pixels than its photo has.
        const double f
            = std::min(double(s.nativeSize.width()) / s.rect.width(), double(s.nativeSize.height()) / s.rect.height());
        if (area > largest) {
            largest = area;
            factor = f;
        } else if (area == largest) {
            factor = std::max(factor, f);
        }
    }
    factor = std::clamp(factor, 1.0, double(kMaxFullSide) / std::max(kWidth, kHeight));
    return QSize(int(std::floor(kWidth * factor + 1e-9)), int(std::floor(kHeight * factor + 1e-9)));
}

QRect SheetPicture::scaledRect(const QRect& rect, QSize size)
{
    const double kx = double(size.width()) / kWidth;
    const double ky = double(size.height()) / kHeight;
    const int x0 = int(std::lround(rect.left() * kx));
    const int y0 = int(std::lround(rect.top() * ky));
    const int x1 = int(std::lround((rect.left() + rect.width()) * kx));
    const int y1 = int(std::lround((rect.top() + rect.height()) * ky));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QImage SheetPicture::compose(QSize size, const QImage& background, QRgb paper, bool fromOriginals) const
{
    if (size.isEmpty())
        return QImage();
    QImage canvas;
    if (!background.isNull()) {
        canvas = background.size() == size ? background.convertToFormat(QImage::Format_RGB32)
                                           : ScaleBitmap(background, size.width(), size.height(), ScaleSmooth);
    }
    if (canvas.isNull()) {
        // A see-through paper gives a layer whose gaps are transparent (the slots are opaque).
        const bool opaque = qAlpha(paper) == 255;
        canvas = QImage(size, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        if (canvas.isNull())
            return QImage();
        canvas.fill(opaque ? paper : qPremultiply(paper));
    }
    const QRect bounds(QPoint(0, 0), size);
    for (const SheetSlot& s : m_slots) {
        const QRect target = scaledRect(s.rect, size) & bounds;
        if (target.isEmpty())
            continue;
        QImage picture;
        if (fromOriginals && s.render)
            picture = s.render(target.size());
        if (picture.isNull())
            picture = s.picture;
        if (picture.size() != target.size())
            picture = ScaleBitmap(picture, target.width(), target.height(), ScaleSmooth);
        if (picture.isNull())
            continue;
        if (picture.format() != QImage::Format_RGB32)
            picture = picture.convertToFormat(QImage::Format_RGB32);
        const size_t rowBytes = size_t(target.width()) * 4;
        for (int y = 0; y < target.height(); ++y)
            std::memcpy(
                canvas.scanLine(target.top() + y) + size_t(target.left()) * 4, picture.constScanLine(y), rowBytes);
    }
    return canvas;
}
