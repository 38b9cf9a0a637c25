// Workbench edits as steps that can be made again on a larger copy of the picture: which
// operation, with which values, on a picture of which size and inside which selection. Only
// operations whose look does not depend on the picture's size (geometry, colour, and the
// mixer's stickers and texts with their places and sizes scaled) are kept; filters with a fixed
// radius in pixels are not.
#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QRect>
#include <QSize>

#include "editing/text_info.h"

class CxImage;
class MixLayerList;

/// One layer the mixer laid over the picture: a sticker (the file's bytes) or a text.
struct MixedLayer {
    bool isText = false;
    int x = 0; ///< as MixLayerData's m_x
    int y = 0; ///< as MixLayerData's m_y (a sticker's top edge upward, a text's baseline downward)
    QByteArray sticker; ///< the sticker file as it was, any picture format
    TextInfo text {}; ///< text layers
};

struct EditStep {
    enum Kind : int {
        Direct = 1, ///< a direct operation of the workbench by its command code
        Effect = 2, ///< an adjustable effect by its kind, with the slider positions as args
        RotateLeft = 3,
        RotateRight = 4,
        PseudoColors = 5,
        Layers = 6, ///< the mixer's stickers and texts
    };
    int kind = Direct;
    int code = 0; ///< command code (Direct) or effect kind (Effect)
    std::vector<double> args;
    QSize size; ///< the picture's size when the step was made
    QRect selection; ///< top-down, in the picture's pixels then; empty = the whole picture
    std::vector<MixedLayer> layers; ///< Layers: in the order they were laid over
};

/// Sticker files larger than this are not kept for replaying.
inline constexpr qint64 kMaxStickerBytes = 16 * 1024 * 1024;

/// The mixer's visible layers over a picture of pictureSize as one step; nullopt when a sticker
/// file cannot be read back (the mixer's result then cannot be made again).
std::optional<EditStep> LayersStep(const MixLayerList& list, QSize pictureSize);

/// Whether a step of this kind and code looks the same made on a picture of another size.
bool IsReplayableEdit(int kind, int code);

/// Makes step again on picture, whatever its size: the selection scales from step.size to the
/// picture's size. False, with the picture's last error, for a step that cannot be replayed or
/// fails; the picture may then be partly changed.
bool ReplayEditStep(CxImage& picture, const EditStep& step);
