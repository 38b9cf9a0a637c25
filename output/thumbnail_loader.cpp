// Thumbnail decoding and the worker pool behind the picture chooser.
#include "output/thumbnail_loader.h"

#include <algorithm>
#include <memory>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include "editing/fc/fc_dib.h"
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "picture/key_colour.h"
#include "picture/picture_files.h"

int ThumbnailFormatFromName(const QString& fileName)
{
    return PictureFormatFromName(fileName);
}

namespace {

/// Pixels of the centre colour become a light checkerboard, as a see-through area is shown.
void showKeyAsChecks(QImage& bitmap)
{
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    const int w = bitmap.width(), h = bitmap.height();
    const QRgb key = CentreKey(bitmap);
    const int cell = std::max(4, w / 24);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = 0; x < w; ++x)
            if ((row[x] & 0xFFFFFF) == key)
                row[x] = ((x / cell + y / cell) % 2) ? 0xFFE6E6EA : 0xFFF7F7FA;
    }
}

/// The thumbnail a camera stores in the EXIF block of its JPEGs, when it covers box and shows
/// the whole picture (same aspect ratio as width x height); otherwise an invalid image.
bool exifThumbnail(const QByteArray& file, QSize box, int width, int height, CxImage& out)
{
    ExifLoader* loader = exif_loader_new();
    if (!loader)
        return false;
    exif_loader_write_file(loader, file.constData());
    ExifData* data = exif_loader_get_data(loader);
    exif_loader_unref(loader);
    if (!data)
        return false;
    bool ok = false;
    if (data->data && data->size > 0) {
        CxMemFile mem(data->data, data->size);
        CxImage thumb;
        if (thumb.Decode(&mem, CXIMAGE_FORMAT_JPG) && thumb.IsValid()) {
            const int tw = int(thumb.GetWidth()), th = int(thumb.GetHeight());
            // An edited photo may carry the thumbnail of its uncropped original.
            const bool sameShape = width > 0 && height > 0
                && std::abs(double(tw) / th - double(width) / height) < 0.02 * double(width) / height;
            if (tw >= box.width() && th >= box.height() && sameShape)
                ok = out.TakeOver(thumb);
        }
    }
    exif_data_unref(data);
    return ok;
}

} // namespace

QImage MakeThumbnail(const QString& path, QSize box, bool keyCentre)
{
    // Any extension the image container knows gets a thumbnail (a recent entry is not held to
    // the browser's shorter list).
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const int format = dot < 0 ? 0 : int(CxImage::FormatFromExtension(name.mid(dot + 1).toLatin1().constData()));
    if (format == 0 || box.isEmpty())
        return QImage();
    const QByteArray file = path.toLocal8Bit();
    CxImage image;
    if (format == CXIMAGE_FORMAT_JPG) {
        // Header first: the largest DCT scale that still leaves at least the box makes large
        // photos cheap to decode (1/8 of a 4000 x 3000 picture is 500 x 375).
        CxImage header;
        header.SetEscape(-1);
        if (header.Load(file.constData(), CXIMAGE_FORMAT_JPG)) {
            // A large camera picture brings its own small copy: no need to decode the whole file.
            if (int(header.GetWidth()) > 4 * box.width()
                && exifThumbnail(file, box, int(header.GetWidth()), int(header.GetHeight()), image)) {
                QImage bitmap = image.ToDeviceBitmap();
                if (keyCentre)
                    showKeyAsChecks(bitmap);
                return bitmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB32);
            }
            int denom = 8;
            while (denom > 1
                && (int(header.GetWidth()) / denom < box.width() || int(header.GetHeight()) / denom < box.height()))
                denom /= 2;
            image.SetJpegScale(uint8_t(denom));
        }
    }
    if (!image.Load(file.constData(), uint32_t(format)) || !image.IsValid())
        return QImage();
    QImage bitmap = image.ToDeviceBitmap();
    if (bitmap.isNull())
        return QImage();
    if (keyCentre)
        showKeyAsChecks(bitmap);
    // Every picture is stretched to fit the box keeping its proportions, a small one enlarged.
    // A smooth pre-shrink to twice the box keeps the nearest-neighbour stretch free of aliasing.
    if (bitmap.width() > 2 * box.width() || bitmap.height() > 2 * box.height())
        bitmap = bitmap.scaled(box * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    FCDib dib;
    if (!dib.CopyFromBitmap(bitmap, 32) || !dib.Stretch(box.width(), box.height(), true))
        return bitmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return dib.CreateDeviceBitmap();
}

namespace {

class ThumbnailJob : public QRunnable {
public:
    ThumbnailJob(std::function<void(QImage)> deliver, QString path, QSize box, bool keyCentre)
        : m_deliver(std::move(deliver))
        , m_path(std::move(path))
        , m_box(box)
        , m_keyCentre(keyCentre)
    {
    }
    void run() override { m_deliver(MakeThumbnail(m_path, m_box, m_keyCentre)); }

private:
    std::function<void(QImage)> m_deliver;
    QString m_path;
    QSize m_box;
    bool m_keyCentre;
};

} // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent)
    , m_pool(new QThreadPool(this))
{
    m_pool->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

ThumbnailLoader::~ThumbnailLoader()
{
    m_pool->clear();
    m_pool->waitForDone();
}

void ThumbnailLoader::cancelAll()
{
    ++m_generation;
    m_pool->clear();
    m_pending = 0;
}

void ThumbnailLoader::request(int tag, const QString& path, QSize box, bool keyCentre)
{
    const int generation = m_generation;
    QPointer<ThumbnailLoader> self(this);
    ++m_pending;
    auto deliver = [self, generation, tag](QImage thumbnail) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, tag, thumbnail] {
                if (!self || generation != self->m_generation)
                    return;
                --self->m_pending;
                emit self->ready(tag, thumbnail);
            },
            Qt::QueuedConnection);
    };
    m_pool->start(new ThumbnailJob(std::move(deliver), path, box, keyCentre));
}

void ThumbnailLoader::waitForDone()
{
    m_pool->waitForDone();
    QCoreApplication::sendPostedEvents(this);
}
