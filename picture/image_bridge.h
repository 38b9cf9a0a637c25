// The bridge between device bitmaps (QImage) and the image container, and picture loading.
#pragma once

#include <QImage>
#include <QString>

#include "imaging/cximage.h"

/// Copies src into a 24-bit image (palette pictures are expanded). False when src is empty.
bool RaiseTo24(const CxImage& src, CxImage& out);
/// Wraps a bitmap into a 24-bit container image.
bool ImageFromBitmap(const QImage& bitmap, CxImage& out);
/// The container image as an opaque 32-bit bitmap.
QImage BitmapFromImage(const CxImage& image);

/// Loads a picture file (format from its contents). False, out untouched and *error set to the
/// decoder's reason when the path is empty or the file cannot be read as a picture.
bool LoadPicture(const QString& path, CxImage& out, QString* error = nullptr);
