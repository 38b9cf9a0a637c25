// Bitmap scaling by kind and the fit rules.
#include "picture/bitmap_scale.h"

#include "editing/fc/fc_dib.h"
#include "picture/image_bridge.h"

bool ResampleForBooth(const CxImage& src, int width, int height, CxImage& out)
{
    if (!src.IsValid() || width <= 0 || height <= 0)
        return false;
    CxImage source;
    if (!RaiseTo24(src, source))
        return false;
    // Catmull-Rom (16) with the edge pixels repeated (5).
    return source.ResampleSmooth(width, height, 16, 5, &out);
}

QImage ScaleBitmap(const QImage& bitmap, int width, int height, int kind)
{
    if (bitmap.isNull() || width <= 0 || height <= 0)
        return QImage();
    if (kind == ScaleStretch) {
        FCDib dib;
        if (!dib.CopyFromBitmap(bitmap, 32) || !dib.Stretch(width, height))
            return QImage();
        return dib.CreateDeviceBitmap();
    }
    CxImage src;
    CxImage out;
    if (!ImageFromBitmap(bitmap, src) || !ResampleForBooth(src, width, height, out))
        return QImage();
    return BitmapFromImage(out);
}

bool FitTo(const CxImage& src, QSize size, CxImage& out)
{
    if (!src.IsValid() || size.isEmpty())
        return false;
    if (int(src.GetWidth()) == size.width() && int(src.GetHeight()) == size.height())
        return RaiseTo24(src, out);
    return ResampleForBooth(src, size.width(), size.height(), out);
}

QSize PreviewFitSize(int width, int height)
{
    // k is the integer quotient of the box's sides; the rule keeps it even though it is 1 here.
    constexpr int k = kPreviewWidth / kPreviewHeight;
    const bool wide = width > kPreviewWidth;
    const bool high = height > kPreviewHeight;
    if (wide && !high)
        return QSize(kPreviewWidth, kPreviewWidth / k);
    if (!wide && high)
        return QSize(kPreviewHeight * k, kPreviewHeight);
    if (wide && high)
        return QSize(kPreviewWidth, kPreviewHeight);
    return QSize(width, height);
}

bool FitToPreview(const CxImage& src, CxImage& out, bool* resampled)
{
    if (resampled)
        *resampled = false;
    if (!src.IsValid())
        return false;
    const int w = int(src.GetWidth());
    const int h = int(src.GetHeight());
    const QSize fitted = PreviewFitSize(w, h);
    if (fitted == QSize(w, h)) {
        CxImage copy(src, true, true, true);
        if (!copy.IsValid())
            return false;
        out.TakeOver(copy);
        return true;
    }
    // ResampleSmooth writes its progress into the image it runs on, so it runs on a copy.
    CxImage source(src, true, true, true);
    CxImage tmp;
    if (!source.ResampleSmooth(fitted.width(), fitted.height(), 16, 5, &tmp) || !tmp.IsValid())
        return false;
    out.TakeOver(tmp);
    if (resampled)
        *resampled = true;
    return true;
}
