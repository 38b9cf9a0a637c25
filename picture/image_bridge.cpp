// The bridge between device bitmaps and the image container, and picture loading.
#include "picture/image_bridge.h"

bool RaiseTo24(const CxImage& src, CxImage& out)
{
    if (!src.IsValid())
        return false;
    if (src.GetBpp() == 24) {
        out.Copy(src, true, false, false);
        return out.IsValid();
    }
    const uint32_t w = src.GetWidth();
    const uint32_t h = src.GetHeight();
    CxImage tmp;
    if (!tmp.Create(w, h, 24))
        return false;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const RGBQUAD c = src.BlindGetPixelColor(int(x), int(y), false);
            uint8_t* p = tmp.BlindGetPixelPointer(int(x), int(y));
            p[0] = c.rgbBlue;
            p[1] = c.rgbGreen;
            p[2] = c.rgbRed;
        }
    out.TakeOver(tmp);
    return out.IsValid();
}

bool ImageFromBitmap(const QImage& bitmap, CxImage& out)
{
    if (bitmap.isNull())
        return false;
    CxImage tmp;
    if (!tmp.FromDeviceBitmap(bitmap))
        return false;
    tmp.AlphaDelete();
    return RaiseTo24(tmp, out);
}

QImage BitmapFromImage(const CxImage& image)
{
    CxImage opaque(image, true, false, false);
    opaque.AlphaDelete();
    QImage out = opaque.ToDeviceBitmap();
    if (!out.isNull() && out.format() != QImage::Format_RGB32)
        out = out.convertToFormat(QImage::Format_RGB32);
    return out;
}

bool LoadPicture(const QString& path, CxImage& out, QString* error)
{
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("No picture file was given.");
        return false;
    }
    CxImage image;
    if (!image.Load(path.toLocal8Bit().constData()) || !image.IsValid()) {
        if (error) {
            *error = QString::fromLocal8Bit(image.GetLastError());
            // The container says nothing when the file could not even be opened.
            if (error->isEmpty())
                *error = QStringLiteral("%1 cannot be opened as a picture.").arg(path);
        }
        return false;
    }
    out.TakeOver(image);
    return true;
}
