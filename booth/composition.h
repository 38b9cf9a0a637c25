// Composition of a photo and a frame over the base picture: anchors, the key colour, the keyed
// paste, the frame overlay (opaque or blended) and bitmap scaling by kind.
#pragma once

#include <QImage>
#include <QRect>

#include "imaging/cximage.h"

/// The fixed size of the base picture, the photo and the composition canvas.
inline constexpr int kCanvasWidth = 320;
inline constexpr int kCanvasHeight = 240;

/// Scaling kinds of ScaleBitmap.
enum ScaleKind : int {
    ScaleSmooth = 0, ///< Catmull-Rom resampling through the image container
    ScaleStretch = 2, ///< nearest-neighbour stretch through the effects library
};

/// Resolves an anchor (0..8) to the bottom-up position of a w × h picture on a W × H base.
/// Unknown anchors behave as 0 (the passed position).
void ResolveAnchor(int anchor, int baseWidth, int baseHeight, int width, int height, int& x, int& y);

/// The key colour of a picture: its top-left pixel when keyAtTopLeft, otherwise its centre pixel.
/// For palette pictures the index is what counts (in rgbReserved of the result, see PixelHasKey).
struct KeyColour {
    bool palette = false;
    uint8_t index = 0;
    RGBQUAD colour { 0, 0, 0, 0 };
};
KeyColour GetKeyColour(const CxImage& picture, bool keyAtTopLeft);
/// Exact match: the palette index for palette pictures, blue, green and red otherwise.
bool PixelHasKey(const CxImage& picture, int x, int y, const KeyColour& key);

/// Pastes picture onto base at the anchored position; with useKey the pixels of the key colour
/// are left out. Pixels outside base are dropped. False (base unchanged) when either is empty.
bool PastePicture(CxImage& base, const CxImage& picture, int anchor, int x, int y, bool useKey, bool keyAtTopLeft);

/// Lays frame over base: opacity 255 pastes it outside its key colour; any other opacity blends
/// it, and base pixels under the key colour get their own colour back unless they are pure black.
/// Base becomes 24 bits per pixel. False (base unchanged) when either is empty.
bool OverlayFrame(CxImage& base, const CxImage& frame, int anchor, int x, int y, int opacity, bool keyAtTopLeft);

/// A new bitmap of width × height; null for an empty source or a non-positive size.
QImage ScaleBitmap(const QImage& bitmap, int width, int height, int kind);

/// Kind 0 on the container itself: resamples src into out (24 bits). False on failure.
bool ResampleForBooth(const CxImage& src, int width, int height, CxImage& out);

/// What Compose() needs from the screen.
struct ComposeInput {
    const CxImage* base = nullptr; ///< the 320 × 240 base picture
    const CxImage* photo = nullptr;
    const CxImage* frame = nullptr; ///< may be null or empty when no frame is laid over
    QRect photoArea { 29, 59, kCanvasWidth, kCanvasHeight }; ///< client rectangle of the photo area
    QRect frameArea { 29, 59, kCanvasWidth, kCanvasHeight }; ///< client rectangle of the frame area
    bool frameShown = true; ///< the frame checkbox
    bool live = false; ///< camera preview running: no frame is laid over here
    int alpha = 255; ///< frame opacity
};

/// The three results of a composition, as bitmaps.
struct ComposeResult {
    QImage composed; ///< with frame
    QImage background; ///< without frame ("Bk")
    QImage frame; ///< the frame picture at its own size
};

/// Pastes the photo onto a copy of the base at the photo area's position relative to the frame
/// area and lays the frame over it. A frame of another size than the canvas is stretched to the
/// canvas first, so it lines up with the photo. False, with *error set, when base or photo is empty.
bool Compose(const ComposeInput& in, ComposeResult& out, QString* error = nullptr);

/// Copies src into a 24-bit image (palette pictures are expanded). False when src is empty.
bool RaiseTo24(const CxImage& src, CxImage& out);
/// Wraps a bitmap into a 24-bit container image.
bool ImageFromBitmap(const QImage& bitmap, CxImage& out);
/// The container image as an opaque 32-bit bitmap.
QImage BitmapFromImage(const CxImage& image);
