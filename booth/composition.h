// Composition of a photo and a frame over the base picture: anchors, the keyed paste and the
// frame overlay (opaque or blended). Scaling, key colours and the bitmap bridge are in picture/.
#pragma once

#include <QImage>
#include <QRect>

#include "imaging/cximage.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/key_colour.h"

/// The fixed size of the base picture, the photo and the composition canvas.
inline constexpr int kCanvasWidth = 320;
inline constexpr int kCanvasHeight = 240;

/// Resolves an anchor (0..8) to the bottom-up position of a w × h picture on a W × H base.
/// Unknown anchors behave as 0 (the passed position).
void ResolveAnchor(int anchor, int baseWidth, int baseHeight, int width, int height, int& x, int& y);

/// Pastes picture onto base at the anchored position; with useKey the pixels of the key colour
/// are left out. Pixels outside base are dropped. False (base unchanged) when either is empty.
bool PastePicture(CxImage& base, const CxImage& picture, int anchor, int x, int y, bool useKey, bool keyAtTopLeft);

/// Lays frame over base: opacity 255 pastes it outside its key colour; any other opacity blends
/// it, and base pixels under the key colour keep their own colour (black ones too). Base becomes
/// 24 bits per pixel. False (base unchanged) when either is empty.
bool OverlayFrame(CxImage& base, const CxImage& frame, int anchor, int x, int y, int opacity, bool keyAtTopLeft);

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

/// The frame overlay for output at any size: canvas and frame may differ in size. The frame's
/// key colour (its centre pixel, as on the screen) becomes transparency before the frame is
/// scaled smoothly to the canvas, so its edges stay clean without a seam of the key colour;
/// opacity as OverlayFrame. A frame of the canvas's size is laid over pixel for pixel exactly as
/// OverlayFrame does. Canvas becomes RGB32; nothing happens when either is null.
void OverlayFrameScaled(QImage& canvas, const QImage& frame, int opacity);
