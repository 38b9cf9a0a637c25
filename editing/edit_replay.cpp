// Replaying workbench edits at another size.
#include "editing/edit_replay.h"

#include <algorithm>
#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "editing/dlg_effect.h"
#include "editing/dlg_filter.h"
#include "editing/draw_text_box.h"
#include "editing/fc/fc_image.h"
#include "editing/mix_compose.h"
#include "editing/mix_layer_data.h"
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

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

/// A sticker as premultiplied ARGB: its key colour (or its own alpha) as coverage, so scaling
/// never smears the key colour into its edges.
QImage stickerLayer(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    CxMemFile mem(reinterpret_cast<uint8_t*>(copy.data()), size_t(copy.size()));
    CxImage overlay;
    if (bytes.isEmpty() || !overlay.Decode(&mem, CXIMAGE_FORMAT_UNKNOWN) || !overlay.IsValid())
        return QImage();
    PrepareOverlay(overlay);
    const int w = int(overlay.GetWidth());
    const int h = int(overlay.GetHeight());
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return QImage();
    for (int y = 0; y < h; ++y) {
        const int row = h - 1 - y; // bottom-up
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const RGBQUAD c = overlay.GetPixelColor(x, row, false);
            const int a = overlay.AlphaIsValid() ? overlay.AlphaGet(x, row) : (overlay.IsTransparent(x, row) ? 0 : 255);
            d[x] = qPremultiply(qRgba(c.rgbRed, c.rgbGreen, c.rgbBlue, a));
        }
    }
    return out;
}

bool placeLayers(CxImage& picture, const EditStep& step)
{
    if (step.size.isEmpty()) {
        picture.SetLastError("the stickers and texts have no picture size");
        return false;
    }
    const double kx = double(picture.GetWidth()) / step.size.width();
    const double ky = double(picture.GetHeight()) / step.size.height();
    const double k = std::sqrt(kx * ky); // sizes: the picture may be stretched a little one way
    for (const MixedLayer& layer : step.layers) {
        if (layer.isText) {
            TextInfo info = layer.text;
            info.m_text[TextInfo::kTextCapacity - 1] = 0;
            info.m_font.m_faceName[sizeof(info.m_font.m_faceName) - 1] = 0;
            info.m_font.m_height = int32_t(std::lround(info.m_font.m_height * k));
            info.m_font.m_width = int32_t(std::lround(info.m_font.m_width * k));
            DrawTextBox(
                picture, nullptr, int32_t(std::lround(layer.x * kx)), int32_t(std::lround(layer.y * ky)), info, false);
            continue;
        }
        const QImage sticker = stickerLayer(layer.sticker);
        if (sticker.isNull()) {
            picture.SetLastError("a sticker could not be read");
            return false;
        }
        const QSize size(
            std::max(1, int(std::lround(sticker.width() * k))), std::max(1, int(std::lround(sticker.height() * k))));
        QImage canvas = picture.ToDeviceBitmap().convertToFormat(QImage::Format_RGB32);
        {
            QPainter p(&canvas);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            // The sticker's top edge lies m_y above the picture's top.
            p.drawImage(QRect(QPoint(int(std::lround(layer.x * kx)), int(std::lround(-layer.y * ky))), size),
                sticker.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        if (!picture.FromDeviceBitmap(canvas))
            return false;
    }
    return true;
}

} // namespace

std::optional<EditStep> LayersStep(const MixLayerList& list, QSize pictureSize)
{
    EditStep step;
    step.kind = EditStep::Layers;
    step.size = pictureSize;
    for (int i = 1; i < list.count(); ++i) {
        const MixLayerData& data = list.layers()[i];
        if (!data.m_visible || (!data.m_isText && data.m_fromCaller))
            continue;
        MixedLayer layer;
        layer.isText = data.m_isText != 0;
        layer.x = data.m_x;
        layer.y = data.m_y;
        if (layer.isText) {
            layer.text = data.m_textInfo;
        } else {
            QFile file(data.m_path);
            if (QFileInfo(data.m_path).size() > kMaxStickerBytes || !file.open(QIODevice::ReadOnly))
                return std::nullopt;
            layer.sticker = file.readAll();
            if (layer.sticker.isEmpty())
                return std::nullopt;
        }
        step.layers.push_back(std::move(layer));
    }
    return step;
}

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
    case EditStep::Layers:
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
    case EditStep::Layers:
        return placeLayers(picture, step);
    default:
        return false;
    }
}
