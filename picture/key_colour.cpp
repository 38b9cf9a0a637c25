// Key colours of frames and stickers.
#include "picture/key_colour.h"

KeyColour GetKeyColour(const CxImage& picture, bool keyAtTopLeft)
{
    KeyColour key;
    if (!picture.IsValid())
        return key;
    const int w = int(picture.GetWidth());
    const int h = int(picture.GetHeight());
    const int x = keyAtTopLeft ? 0 : w / 2;
    const int y = keyAtTopLeft ? h - 1 : h / 2;
    key.palette = picture.GetPalette() != nullptr;
    if (key.palette)
        key.index = picture.GetPixelIndex(x, y);
    key.colour = picture.GetPixelColor(x, y, false);
    return key;
}

bool PixelHasKey(const CxImage& picture, int x, int y, const KeyColour& key)
{
    if (key.palette)
        return picture.BlindGetPixelIndex(x, y) == key.index;
    const uint8_t* p = picture.BlindGetPixelPointer(x, y);
    return p[0] == key.colour.rgbBlue && p[1] == key.colour.rgbGreen && p[2] == key.colour.rgbRed;
}

QRgb CentreKey(const QImage& bitmap)
{
    if (bitmap.isNull())
        return 0;
    return bitmap.pixel(bitmap.width() / 2, bitmap.height() - 1 - bitmap.height() / 2) & 0x00FFFFFF;
}

QRgb TopLeftKey(const QImage& bitmap)
{
    if (bitmap.isNull())
        return 0;
    return bitmap.pixel(0, 0) & 0x00FFFFFF;
}
