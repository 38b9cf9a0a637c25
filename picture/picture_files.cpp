// The table of picture-file endings and their format ids.
#include "picture/picture_files.h"

#include "imaging/cximage.h"

namespace {

struct Ending {
    const char* ending;
    int id;
};

// The first ending of an id is its usual extension.
constexpr Ending kEndings[] = {
    { "bmp", 1 },
    { "gif", 2 },
    { "jpg", 3 },
    { "jpeg", 3 },
    { "png", 4 },
    { "mng", 17 },
    { "jng", 17 },
    { "ico", 5 },
    { "tif", 6 },
    { "tiff", 6 },
    { "tga", 7 },
    { "pcx", 8 },
    { "wbmp", 9 },
    { "wmf", 10 },
    { "emf", 10 },
    { "j2k", 11 },
    { "jp2", 11 },
    { "j2c", 12 },
    { "jpc", 12 },
    { "pgx", 13 },
    { "pnm", 14 },
    { "pgm", 14 },
    { "ppm", 14 },
    { "ras", 15 },
};

} // namespace

int PictureFormatFromName(const QString& fileName)
{
    // "wbmp" must win over "bmp", so the longest matching ending counts.
    int best = 0;
    int bestLength = 0;
    for (const auto& e : kEndings) {
        const QLatin1String ending(e.ending);
        if (ending.size() > bestLength && fileName.endsWith(ending, Qt::CaseInsensitive)) {
            best = e.id;
            bestLength = int(ending.size());
        }
    }
    return best;
}

bool IsPictureFile(const QString& fileName)
{
    return PictureFormatFromName(fileName) != 0;
}

bool HasImageExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0 || dot + 1 >= name.size())
        return false;
    const QByteArray ext = name.mid(dot + 1).toLatin1();
    return CxImage::FormatFromExtension(ext.constData()) != CXIMAGE_FORMAT_UNKNOWN;
}

QString ExtensionForFormat(int formatId)
{
    for (const auto& e : kEndings)
        if (e.id == formatId)
            return QLatin1String(e.ending);
    return QString();
}

QStringList PictureNameFilters()
{
    QStringList filters;
    for (const auto& e : kEndings)
        filters.append(QLatin1String("*.") + QLatin1String(e.ending));
    return filters;
}
