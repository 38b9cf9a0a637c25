// Writes JPEG files that carry an EXIF thumbnail, as cameras make them (tests and benchmarks).
#pragma once

#include <cstdlib>
#include <cstring>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>

#include <libexif/exif-data.h>

namespace exiftest {

/// main as a JPEG file at path with thumb stored as its EXIF thumbnail.
inline bool writeJpegWithExifThumbnail(const QString& path, const QImage& main, const QImage& thumb, int quality = 90)
{
    QByteArray jpeg, small;
    {
        QBuffer b(&jpeg);
        b.open(QIODevice::WriteOnly);
        if (!main.save(&b, "JPG", quality))
            return false;
    }
    {
        QBuffer b(&small);
        b.open(QIODevice::WriteOnly);
        if (!thumb.save(&b, "JPG", 85))
            return false;
    }
    ExifData* ed = exif_data_new();
    exif_data_set_byte_order(ed, EXIF_BYTE_ORDER_INTEL);
    ed->data = static_cast<unsigned char*>(std::malloc(size_t(small.size())));
    std::memcpy(ed->data, small.constData(), size_t(small.size()));
    ed->size = unsigned(small.size());
    unsigned char* block = nullptr;
    unsigned int length = 0;
    exif_data_save_data(ed, &block, &length);
    exif_data_unref(ed);
    if (!block)
        return false;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(char(((length + 2) >> 8) & 0xFF));
    app1.append(char((length + 2) & 0xFF));
    app1.append(reinterpret_cast<const char*>(block), int(length));
    std::free(block);
    jpeg.insert(2, app1); // right after the start-of-image marker
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(jpeg) == jpeg.size();
}

} // namespace exiftest
