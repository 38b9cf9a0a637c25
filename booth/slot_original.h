// SlotOriginal: how a slot's picture without frame is made again at any size, for saving and
// printing at full resolution: the photo as taken (encoded, at its own resolution), where it lies
// on the 320 x 240 canvas and what lies under it, then the frames and workbench edits made to the
// slot since, in order. Immutable once made; slot records share it.
#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include "editing/edit_replay.h"

struct SlotOriginal {
    /// Photos larger than this in either direction, or in pixels, are refused when read back.
    static constexpr int kMaxPhotoSide = 16384;
    static constexpr qint64 kMaxPhotoPixels = 80'000'000;

    struct Step {
        enum Kind : uint32_t { Frame = 1, Edit = 2 };
        Kind kind = Edit;
        QByteArray frame; ///< Frame: the frame laid over at that point (PNG, at its own size)
        int opacity = 255; ///< Frame: its opacity
        EditStep edit; ///< Edit: the workbench step
    };

    QByteArray photo; ///< the photo as taken, JPEG or PNG
    QSize photoSize; ///< its size in pixels
    QRect photoRect { 0, 0, 320, 240 }; ///< where it lies on the 320 x 240 canvas (top-down)
    QByteArray underlay; ///< PNG of the canvas under the photo; empty when the photo covers it
    std::vector<Step> steps;

    /// The canvas size at which the photo keeps its own resolution.
    QSize nativeSize() const;
    /// The picture without frame drawn at size. Null, with *error, when the photo cannot be
    /// decoded or a step fails.
    QImage render(QSize size, QString* error = nullptr) const;

    /// The bytes of the project's full-resolution record for this slot (see ParseSlotOriginal).
    QByteArray serialize() const;
};

/// Reads what serialize() wrote; unknown fields are skipped. Null with *error for damaged data,
/// a photo that does not decode or one beyond the size limits.
std::shared_ptr<const SlotOriginal> ParseSlotOriginal(const QByteArray& bytes, QString* error = nullptr);

/// The originals of a photo composed onto the canvas: encoded is the photo file's bytes (JPEG or
/// PNG) of a photoSize picture; underlay the canvas it was pasted on, kept only when the photo
/// does not cover it. Null for empty input.
std::shared_ptr<const SlotOriginal> MakeSlotOriginal(
    QByteArray encoded, QSize photoSize, const QRect& photoRect, const QImage& underlay);
/// The encoded photo for MakeSlotOriginal: JPEG (quality 95) above 2 megapixels, PNG otherwise.
QByteArray EncodeOriginalPhoto(const QImage& photo);
/// A copy of original with more steps: the frame laid over (when frame is not null) and the
/// workbench's edits after it.
std::shared_ptr<const SlotOriginal> WithEdits(
    const SlotOriginal& original, const QImage& frame, int opacity, const std::vector<EditStep>& edits);

/// PNG bytes of a picture (empty for a null one) and the picture of PNG or JPEG bytes (null when
/// they do not decode).
QByteArray EncodePng(const QImage& picture);
QImage DecodePicture(const QByteArray& bytes);
