// Embedded skin bitmaps: one lookup through the skin table, cached per process.
#include "skin/skin_resources.h"

#include <QHash>
#include <QString>

namespace skin {

namespace {

QHash<int, QImage>& cache()
{
    static QHash<int, QImage> images;
    return images;
}

QString pathFor(std::string_view name)
{
    return QStringLiteral(":/skin/") + QString::fromLatin1(name.data(), qsizetype(name.size()))
        + QStringLiteral(".png");
}

} // namespace

QString skinResourcePath(int id)
{
    const SkinResource* r = findSkinResource(id);
    return r ? pathFor(r->name) : QString();
}

QImage SkinBitmap(int id)
{
    if (id == 0)
        return {};
    auto it = cache().constFind(id);
    if (it != cache().constEnd())
        return *it;
    const SkinResource* r = findSkinResource(id);
    if (!r)
        return {};
    QImage img(pathFor(r->name));
    if (img.isNull())
        return {};
    // Opaque artwork is used as RGB32 so pixel comparisons (masks, key colours) are exact.
    img = img.hasAlphaChannel() ? img.convertToFormat(QImage::Format_ARGB32)
                                : img.convertToFormat(QImage::Format_RGB32);
    cache().insert(id, img);
    return img;
}

QImage SkinBitmap(std::string_view name)
{
    const SkinResource* r = findSkinResource(name);
    return r ? SkinBitmap(r->id) : QImage();
}

const SkinColours& skinColours()
{
    static const SkinColours colours;
    return colours;
}

void prepareSkin()
{
    for (int id : { kMsgError, kMsgWarning, kMsgQuestion, kMsgInformation, kCloseNormal, kCloseOver })
        SkinBitmap(id);
}

} // namespace skin
