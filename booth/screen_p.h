// Picture helpers shared by the main screen's files (camera, browsing, slots).
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "app/app_toolkit.h"
#include "booth/composition.h"
#include "imaging/cximage.h"

namespace screen_p {

/// Centre pixel of a top-down bitmap at the container's centre (w / 2, h / 2 counted from the bottom).
inline QRgb centreKey(const QImage& bitmap)
{
    return bitmap.pixel(bitmap.width() / 2, bitmap.height() - 1 - bitmap.height() / 2) & 0x00FFFFFF;
}

inline bool knownFormat(const QString& path)
{
    const QByteArray ext = AppToolkit::Extension(path).toLatin1();
    return !ext.isEmpty() && CxImage::FormatFromExtension(ext.constData()) != CXIMAGE_FORMAT_UNKNOWN;
}

inline bool loadImage(const QString& path, CxImage& out)
{
    CxImage image;
    if (path.isEmpty() || !image.Load(path.toLocal8Bit().constData()) || !image.IsValid())
        return false;
    out.TakeOver(image);
    return true;
}

/// src resampled into out at size (kind 0 of the composition).
inline bool fitTo(const CxImage& src, QSize size, CxImage& out)
{
    if (!src.IsValid() || size.isEmpty())
        return false;
    if (int(src.GetWidth()) == size.width() && int(src.GetHeight()) == size.height())
        return RaiseTo24(src, out);
    return ResampleForBooth(src, size.width(), size.height(), out);
}

} // namespace screen_p
