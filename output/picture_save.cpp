// Saving the sheet: composite, file types and the checked, all-or-nothing write.
#include "output/picture_save.h"

#include <QFile>
#include <QFileInfo>

#include "imaging/cximage.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"

namespace {

struct SaveType {
    const char* name;
    const char* extension;
};

const SaveType kSaveTypes[] = {
    { "BMP", "bmp" },
    { "JPG", "jpg" },
    { "GIF", "gif" },
    { "ICO", "ico" },
    { "PCX", "pcx" },
    { "JP2", "jp2" },
    { "JPC", "jpc" },
    { "PNG", "png" },
    { "TIF", "tif" },
    { "TGA", "tga" },
    { "WMF", "wmf" },
    { "RAW", "raw" },
    { "WBMP", "wbmp" },
    { "RAS", "ras" },
    { "PNM", "pnm" },
    { "PGX", "pgx" },
    { "MNG", "mng" },
    { "SKA", "ska" },
};

uint32_t formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return CXIMAGE_FORMAT_UNKNOWN;
    return CxImage::FormatFromExtension(suffix.toLatin1().constData());
}

} // namespace

QString SaveLineText(int line, const SheetPicture& sheet)
{
    switch (line) {
    case 0:
        return QStringLiteral("1024 X 768 (Hight Quality)");
    case 1:
        return QStringLiteral("528 X 400 (Low Quality)");
    default: {
        const QSize full = sheet.fullResolutionSize();
        return QStringLiteral("Full resolution (%1 X %2)").arg(full.width()).arg(full.height());
    }
    }
}

QSize SaveOutputSize(int line, const SheetPicture& sheet)
{
    if (line == kSaveLineFull)
        return sheet.fullResolutionSize();
    return line == 1 ? QSize(528, 400) : QSize(1024, 768);
}

QString SaveFileFilter()
{
    QString filter;
    for (const SaveType& t : kSaveTypes)
        filter += QStringLiteral("%1|*.%2|").arg(QLatin1String(t.name), QLatin1String(t.extension));
    return filter;
}

QString SaveTypeExtension(int filterIndex)
{
    if (filterIndex < 1 || filterIndex > int(std::size(kSaveTypes)))
        return QStringLiteral("bmp");
    return QLatin1String(kSaveTypes[filterIndex - 1].extension);
}

QString PathWithPictureExtension(const QString& path, int filterIndex)
{
    if (path.isEmpty() || formatOf(path) != CXIMAGE_FORMAT_UNKNOWN)
        return path;
    QString out = path;
    if (out.endsWith(QLatin1Char('.')))
        out.chop(1);
    return out + QLatin1Char('.') + SaveTypeExtension(filterIndex);
}

QImage SaveComposite(const SheetPicture& sheet, const QImage& backdrop, int line)
{
    return sheet.compose(SaveOutputSize(line, sheet), backdrop, kPaperWhite, line == kSaveLineFull);
}

bool SavePictureFile(const QImage& picture, const QString& path, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    if (picture.isNull())
        return fail(QStringLiteral("there is no picture to save"));
    const uint32_t format = formatOf(path);
    if (format == CXIMAGE_FORMAT_UNKNOWN)
        return fail(QStringLiteral("the extension names no picture format"));

    CxImage image;
    if (!ImageFromBitmap(picture, image))
        return fail(QStringLiteral("the picture could not be prepared (not enough memory)"));
    if (format == CXIMAGE_FORMAT_GIF)
        image.DecreaseBpp(16, false);
    if (path.right(3).compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0) {
        if (!(image.IsGrayScale() && image.GetBpp() <= 8))
            image.IncreaseBpp(24);
        image.SetJpegQuality(99);
    }
    const QByteArray file = QFile::encodeName(path);
    if (!image.Save(file.constData(), format)) {
        if (error)
            *error = QFile::decodeName(SaveFailureText(image, file.constData()).c_str());
        return false;
    }
    return true;
}
