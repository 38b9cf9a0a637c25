// The editing dialogs' fit of a picture into the 320 x 240 preview box. Kept here until the
// shared picture library offers it.
#pragma once

#include <QSize>

#include "imaging/cximage.h"

namespace editing_p {

inline constexpr int kPreviewWidth = 320;
inline constexpr int kPreviewHeight = 240;

/// The size the fit-to-preview rule gives a picture (k = 320 div 240 = 1): wider only → 320 × 320,
/// higher only → 240 × 240, larger both ways → 320 × 240, otherwise unchanged.
inline QSize previewFitSize(int w, int h)
{
    const int k = kPreviewWidth / kPreviewHeight;
    if (w > kPreviewWidth && h <= kPreviewHeight)
        return QSize(kPreviewWidth, kPreviewWidth / k);
    if (w <= kPreviewWidth && h > kPreviewHeight)
        return QSize(kPreviewHeight * k, kPreviewHeight);
    if (w > kPreviewWidth && h > kPreviewHeight)
        return QSize(kPreviewWidth, kPreviewHeight);
    return QSize(w, h);
}

/// Resamples image in place (Catmull-Rom, repeated edges) when the rule asks for another size.
/// Returns whether it was resampled; false as well when resampling failed (image unchanged).
inline bool fitToPreviewInPlace(CxImage& image)
{
    if (!image.IsValid())
        return false;
    const QSize s = previewFitSize(int(image.GetWidth()), int(image.GetHeight()));
    if (s.width() == int(image.GetWidth()) && s.height() == int(image.GetHeight()))
        return false;
    return image.ResampleSmooth(s.width(), s.height(), 16, 5);
}

} // namespace editing_p
