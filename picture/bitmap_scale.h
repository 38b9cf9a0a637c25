// Bitmap scaling by kind and the fit rules that bring pictures to the booth's fixed sizes.
#pragma once

#include <QImage>
#include <QSize>

#include "imaging/cximage.h"

/// The preview box of the editing dialogs.
inline constexpr int kPreviewWidth = 320;
inline constexpr int kPreviewHeight = 240;

/// Scaling kinds of ScaleBitmap.
enum ScaleKind : int {
    ScaleSmooth = 0, ///< Catmull-Rom resampling through the image container
    ScaleStretch = 2, ///< nearest-neighbour stretch through the effects library
};

/// A new bitmap of width × height; null for an empty source or a non-positive size.
QImage ScaleBitmap(const QImage& bitmap, int width, int height, int kind);

/// Kind 0 on the container itself: resamples src into out (24 bits). False on failure.
bool ResampleForBooth(const CxImage& src, int width, int height, CxImage& out);

/// src brought to exactly size: resampled as kind 0, or a 24-bit copy when it already has that
/// size. False for an empty source or size.
bool FitTo(const CxImage& src, QSize size, CxImage& out);

/// The fit-to-preview rule of the editing dialogs: a picture wider than the box and at most as
/// high becomes 320 × 320, one higher and at most as wide 240 × 240, one larger in both 320 × 240;
/// anything else is kept as it is (copied). *resampled tells which happened. False for an empty
/// source or a failed resampling (out unchanged).
bool FitToPreview(const CxImage& src, CxImage& out, bool* resampled = nullptr);

/// The size FitToPreview gives a width × height picture.
QSize PreviewFitSize(int width, int height);
