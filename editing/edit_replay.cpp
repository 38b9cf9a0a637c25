// Replaying workbench edits at another size.
#include "editing/edit_replay.h"

#include <algorithm>
#include <cmath>

#include <QImage>

#include "editing/dlg_effect.h"
#include "editing/dlg_filter.h"
#include "editing/fc/fc_image.h"
#include "imaging/cximage.h"

namespace {

// The direct operations that act on each pixel alone or on the picture's geometry.
constexpr int kReplayableDirect[] = {
    32775, // Flip
    32774, // Mirror
    32777, // Negative
    32778, // Grayscale
    32863, // Gamma
    32799, // Threshold
};

double arg(const EditStep& step, size_t i, double fallback)
{
    return i < step.args.size() ? step.args[i] : fallback;
}

/// The step's selection on a picture of the given size, as bottom-up corners; false when the
/// step has none.
bool scaledSelection(const EditStep& step, int width, int height, int& l, int& t, int& r, int& b)
{
    if (step.selection.isEmpty() || step.size.isEmpty())
        return false;
    const double kx = double(width) / step.size.width();
    const double ky = double(height) / step.size.height();
    const int x0 = std::clamp(int(std::lround(step.selection.left() * kx)), 0, width - 1);
    const int y0 = std::clamp(int(std::lround(step.selection.top() * ky)), 0, height - 1);
    const int x1
        = std::clamp(int(std::lround((step.selection.left() + step.selection.width()) * kx)) - 1, x0, width - 1);
    const int y1
        = std::clamp(int(std::lround((step.selection.top() + step.selection.height()) * ky)) - 1, y0, height - 1);
    l = x0;
    r = x1;
    t = height - 1 - y0;
    b = height - 1 - y1;
    return true;
}

bool runEffect(CxImage& picture, const EditStep& step)
{
    FCImage working;
    if (!working.CopyFromBitmap(picture.ToDeviceBitmap(), 32)) {
        picture.SetLastError("the picture could not be prepared for the effect");
        return false;
    }
    const int s1 = int(arg(step, 0, 0));
    const int s2 = int(arg(step, 1, 0));
    const int s3 = int(arg(step, 2, 0));
    bool ok = false;
    switch (step.code) {
    case DlgEffect::KindAdjustRgb:
        ok = working.AdjustRGB(s1, s2, s3);
        break;
    case DlgEffect::KindBrightContrast:
        ok = working.AdjustBrightness(s1, 0) && working.AdjustContrast(s2);
        break;
    case DlgEffect::KindHueSaturation:
        ok = working.AdjustHueSaturation(s1, s2);
        break;
    case DlgEffect::KindRotateAngle:
        ok = working.RotateAngle(std::min(s1, 89));
        break;
    default:
        break;
    }
    const QImage result = ok ? working.CreateDeviceBitmap() : QImage();
    if (result.isNull() || !picture.FromDeviceBitmap(result)) {
        picture.SetLastError("the effect %d could not be made again", step.code);
        return false;
    }
    return true;
}

bool rotate(CxImage& picture, bool left)
{
    FCImage working;
    if (!working.CopyFromBitmap(picture.ToDeviceBitmap(), 32)
        || !(left ? working.RotateLeft() : working.RotateRight())) {
        picture.SetLastError("the picture could not be turned");
        return false;
    }
    const QImage result = working.CreateDeviceBitmap();
    return !result.isNull() && picture.FromDeviceBitmap(result);
}

} // namespace

bool IsReplayableEdit(int kind, int code)
{
    switch (kind) {
    case EditStep::Direct:
        return std::find(std::begin(kReplayableDirect), std::end(kReplayableDirect), code)
            != std::end(kReplayableDirect);
    case EditStep::Effect:
        return code == DlgEffect::KindAdjustRgb || code == DlgEffect::KindBrightContrast
            || code == DlgEffect::KindHueSaturation || code == DlgEffect::KindRotateAngle;
    case EditStep::RotateLeft:
    case EditStep::RotateRight:
    case EditStep::PseudoColors:
        return true;
    default:
        return false;
    }
}

bool ReplayEditStep(CxImage& picture, const EditStep& step)
{
    if (!picture.IsValid()) {
        picture.SetLastError("there is no picture to edit");
        return false;
    }
    if (!IsReplayableEdit(step.kind, step.code)) {
        picture.SetLastError("the edit %d/%d cannot be made at another size", step.kind, step.code);
        return false;
    }
    switch (step.kind) {
    case EditStep::Direct: {
        int l = 0, t = 0, r = 0, b = 0;
        const bool selected = scaledSelection(step, int(picture.GetWidth()), int(picture.GetHeight()), l, t, r, b);
        if (selected)
            picture.SelectRectangle(l, t, r, b, 255);
        const bool ok = DlgFilter::runDirectOperation(picture, step.code, arg(step, 0, 1.8), int(arg(step, 0, 128)));
        if (selected)
            picture.SelectionDelete();
        return ok;
    }
    case EditStep::Effect:
        return runEffect(picture, step);
    case EditStep::RotateLeft:
        return rotate(picture, true);
    case EditStep::RotateRight:
        return rotate(picture, false);
    case EditStep::PseudoColors:
        if (!picture.IsGrayScale())
            picture.GrayScale();
        return picture.HueRampPalette(1.0f);
    default:
        return false;
    }
}
