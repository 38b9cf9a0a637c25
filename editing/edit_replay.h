// Workbench edits as steps that can be made again on a larger copy of the picture: which
// operation, with which values, on a picture of which size and inside which selection. Only
// operations whose look does not depend on the picture's size (geometry and colour) are kept;
// filters with a fixed radius in pixels are not.
#pragma once

#include <vector>

#include <QRect>
#include <QSize>

class CxImage;

struct EditStep {
    enum Kind : int {
        Direct = 1, ///< a direct operation of the workbench by its command code
        Effect = 2, ///< an adjustable effect by its kind, with the slider positions as args
        RotateLeft = 3,
        RotateRight = 4,
        PseudoColors = 5,
    };
    int kind = Direct;
    int code = 0; ///< command code (Direct) or effect kind (Effect)
    std::vector<double> args;
    QSize size; ///< the picture's size when the step was made
    QRect selection; ///< top-down, in the picture's pixels then; empty = the whole picture

    bool operator==(const EditStep&) const = default;
};

/// Whether a step of this kind and code looks the same made on a picture of another size.
bool IsReplayableEdit(int kind, int code);

/// Makes step again on picture, whatever its size: the selection scales from step.size to the
/// picture's size. False, with the picture's last error, for a step that cannot be replayed or
/// fails; the picture may then be partly changed.
bool ReplayEditStep(CxImage& picture, const EditStep& step);
