// The composition pass of the layer mixer and its sticker cache.
#include "editing/mix_compose.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>

#include "editing/draw_text_box.h"
#include "editing/mix_layer_data.h"

bool LoadOverlay(const QString& path, CxImage& overlay)
{
    const QByteArray local = QFile::encodeName(path);
    const QString suffix = QFileInfo(path).suffix();
    const uint32_t format = suffix.isEmpty() ? 0 : CxImage::FormatFromExtension(suffix.toLatin1().constData());
    if (overlay.Load(local.constData(), format))
        return true;
    overlay.Destroy();
    return false;
}

void PrepareOverlay(CxImage& overlay)
{
    if (!overlay.IsValid() || overlay.AlphaIsValid())
        return;
    const int top = int(overlay.GetHeight()) - 1;
    overlay.SetTransparentIndex(overlay.GetBpp() <= 8 ? overlay.GetPixelIndex(0, top) : 0);
    overlay.SetTransparentColour(overlay.GetPixelColor(0, top, false));
}

void PlaceOverlay(CxImage& composite, const CxImage& overlay, int x, int y)
{
    if (!composite.IsValid() || !overlay.IsValid())
        return;
    const int ow = int(overlay.GetWidth());
    const int oh = int(overlay.GetHeight());
    const int yOffset = int(composite.GetHeight()) - oh + y; // bottom-up rows
    if (!overlay.AlphaIsValid()) {
        composite.PasteKeyed(overlay, x, yOffset);
        return;
    }
    // Real transparency: blend each pixel by its alpha instead of cutting by a key colour.
    const int cw = int(composite.GetWidth());
    const int ch = int(composite.GetHeight());
    for (int j = std::max(0, -yOffset); j < oh && yOffset + j < ch; ++j) {
        for (int i = std::max(0, -x); i < ow && x + i < cw; ++i) {
            const int a = overlay.AlphaGet(i, j);
            if (a == 0)
                continue;
            const RGBQUAD s = overlay.BlindGetPixelColor(i, j, false);
            if (a == 255) {
                composite.SetPixelColor(x + i, yOffset + j, s, false);
                continue;
            }
            const RGBQUAD d = composite.BlindGetPixelColor(x + i, yOffset + j, false);
            auto mix = [a](int sv, int dv) { return uint8_t((sv * a + dv * (255 - a) + 127) / 255); };
            composite.SetPixelColor(x + i, yOffset + j,
                RGBQUAD { mix(s.rgbBlue, d.rgbBlue), mix(s.rgbGreen, d.rgbGreen), mix(s.rgbRed, d.rgbRed), 0 }, false);
        }
    }
}

std::shared_ptr<const CxImage> StickerCache::picture(const QString& path)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    auto it = m_entries.find(path);
    if (it != m_entries.end() && it->size == size && it->modified == modified)
        return it->image;
    auto image = std::make_shared<CxImage>();
    ++m_decodes;
    if (size >= 0 && LoadOverlay(path, *image))
        PrepareOverlay(*image);
    if (m_entries.size() >= kMaxEntries && it == m_entries.end())
        m_entries.clear();
    m_entries.insert(path, Entry { size, modified, image });
    return image;
}

void ComposeLayers(const QImage& callerBitmap, MixLayerList& list, CxImage& composite, StickerCache* cache)
{
    if (list.isEmpty())
        return;
    if (!composite.FromDeviceBitmap(callerBitmap))
        composite.Destroy();
    for (int i = 1; i < list.count(); ++i) {
        MixLayerData& layer = list.layer(i);
        if (!layer.m_visible)
            continue;
        if (layer.m_isText) {
            const CxRect box = DrawTextBox(composite, nullptr, layer.m_x, layer.m_y, layer.m_textInfo, false);
            const int w = box.right - box.left;
            const int h = box.bottom - box.top;
            layer.m_hitBox = CxRect { layer.m_x - w / 2 + kHitBoxLeft, layer.m_y - h + kHitBoxTop,
                layer.m_x - w / 2 + w + kHitBoxLeft, layer.m_y + kHitBoxTop };
            continue;
        }
        if (layer.m_fromCaller)
            continue; // only the base comes from the caller
        std::shared_ptr<const CxImage> cached;
        CxImage loaded;
        const CxImage* overlay = &loaded;
        if (cache) {
            cached = cache->picture(layer.m_path);
            overlay = cached.get();
        } else if (LoadOverlay(layer.m_path, loaded)) {
            PrepareOverlay(loaded);
        }
        const int left = layer.m_x + kHitBoxLeft;
        const int top = kHitBoxTop - layer.m_y;
        layer.m_hitBox = CxRect { left, top, left + int(overlay->GetWidth()), top + int(overlay->GetHeight()) };
        list.setLastPlaced(QPoint(layer.m_x, layer.m_y));
        PlaceOverlay(composite, *overlay, layer.m_x, layer.m_y);
        layer.m_anchor = MixLayerList::kDefaultAnchor;
    }
}
