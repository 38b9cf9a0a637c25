// Saving the sheet: composite, file types and the checked, all-or-nothing write.
#include "output/picture_save.h"

#include <QFile>
#include <QFileInfo>

#include "imaging/cximage.h"
#include "picture/bitmap_scale.h"
#include "picture/image_bridge.h"
#include "picture/key_colour.h"

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

QSize SaveOutputSize(int line)
{
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

QImage ComposeOnBackdrop(const QImage& picture, const QImage& backdrop)
{
    if (picture.isNull() || backdrop.isNull())
        return {};
    QImage base = backdrop.size() == QSize(kBackdropWidth, kBackdropHeight)
        ? backdrop.convertToFormat(QImage::Format_RGB32)
        : ScaleBitmap(backdrop, kBackdropWidth, kBackdropHeight, ScaleSmooth);
    const QImage overlay = ScaleBitmap(picture, kBackdropWidth, kBackdropHeight, ScaleSmooth);
    if (base.isNull() || overlay.isNull())
        return {};
    const QRgb key = CentreKey(overlay);
    for (int y = 0; y < kBackdropHeight; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(overlay.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(base.scanLine(y));
        for (int x = 0; x < kBackdropWidth; ++x) {
            if ((src[x] & 0x00FFFFFF) != key)
                dst[x] = src[x] | 0xFF000000;
        }
    }
    return base;
}

bool SaveComposite(const QImage& composite, const QString& path, int line, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    if (composite.isNull())
        return fail(QStringLiteral("there is no picture to save"));
    const uint32_t format = formatOf(path);
    if (format == CXIMAGE_FORMAT_UNKNOWN)
        return fail(QStringLiteral("the extension names no picture format"));

    const QSize size = SaveOutputSize(line);
    CxImage source;
    CxImage image;
    if (!ImageFromBitmap(composite, source) || !ResampleForBooth(source, size.width(), size.height(), image))
        return fail(QStringLiteral("the picture could not be resized"));
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
