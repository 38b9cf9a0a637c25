// The mixer's composition pass: the caller's picture as the base, then every visible layer in
// list order, with the hit boxes in dialog client coordinates. No widgets.
#pragma once

#include <memory>

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>

#include "imaging/cximage.h"

class MixLayerList;

/// Decoded sticker files kept between passes, keyed by path, size and modification time, so a
/// pass does not decode every file again; a changed file is decoded afresh.
class StickerCache {
public:
    static constexpr int kMaxEntries = 64;

    /// The picture of the file at path with its transparency prepared for placing (see
    /// PrepareOverlay); an empty image when the file cannot be read.
    std::shared_ptr<const CxImage> picture(const QString& path);
    void clear() { m_entries.clear(); }
    /// Files decoded so far (for tests and benchmarks).
    int decodes() const { return m_decodes; }

private:
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        std::shared_ptr<const CxImage> image;
    };
    QHash<QString, Entry> m_entries;
    int m_decodes = 0;
};

/// Loads an overlay file with the format its extension names (then by probing); false and an
/// empty image when it cannot be read.
bool LoadOverlay(const QString& path, CxImage& overlay);
/// The top-left key: the overlay's transparent index becomes the palette index of its top-left
/// pixel (0 without palette) and its transparent colour that pixel's colour. Pictures with an
/// alpha plane keep it instead and are not keyed.
void PrepareOverlay(CxImage& overlay);
/// Lays overlay onto composite with its top-left pixel at column x, row -y from the top: keyed
/// pixels are skipped, an alpha plane blends, pixels outside are dropped; alpha is not copied.
void PlaceOverlay(CxImage& composite, const CxImage& overlay, int x, int y);

/// The view's origin in dialog client coordinates plus one: hit boxes are offset by this.
constexpr int kHitBoxLeft = 11;
constexpr int kHitBoxTop = 33;

/// One composition pass: composite := the caller's picture, then each visible layer from index 1
/// drawn (text) or placed (image files), hit boxes and the last placed position updated. Nothing
/// happens with an empty list. cache null = every file decoded again.
void ComposeLayers(const QImage& callerBitmap, MixLayerList& list, CxImage& composite, StickerCache* cache);
