// Key colours: the colour of a frame or sticker that stands for "see-through".
#pragma once

#include <cstdint>

#include <QImage>

#include "imaging/cximage.h"

/// The key colour of a picture: its top-left pixel when keyAtTopLeft, otherwise its centre pixel.
/// For palette pictures the index is what counts (see PixelHasKey).
struct KeyColour {
    bool palette = false;
    uint8_t index = 0;
    RGBQUAD colour { 0, 0, 0, 0 };
};
KeyColour GetKeyColour(const CxImage& picture, bool keyAtTopLeft);
/// Exact match: the palette index for palette pictures, blue, green and red otherwise.
bool PixelHasKey(const CxImage& picture, int x, int y, const KeyColour& key);

/// The centre pixel of a top-down bitmap at the container's centre (w / 2, h / 2 counted from
/// the bottom), without alpha. 0 for a null bitmap.
QRgb CentreKey(const QImage& bitmap);
/// The top-left pixel of a bitmap, without alpha. 0 for a null bitmap.
QRgb TopLeftKey(const QImage& bitmap);
