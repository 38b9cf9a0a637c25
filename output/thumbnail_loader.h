// Thumbnails for the picture chooser: decoding (JPEGs at a reduced DCT scale), shrinking into the
// thumbnail box, and a worker pool that builds them off the user-interface thread.
#pragma once

#include <functional>

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class QThreadPool;

/// The browser's extension test: the format id for a file name's ending (any letter case), or 0
/// when the name does not end like an image file.
int ThumbnailFormatFromName(const QString& fileName);

/// Loads path and shrinks it to fit inside box keeping its aspect ratio (a picture already
/// smaller than the box keeps its size). JPEGs are decoded at the smallest DCT scale that still
/// covers the box. With keyCentre the pixels of the centre colour (a frame's see-through
/// opening) show a light checkerboard instead. Null when the name fails the extension test or
/// the file does not decode.
QImage MakeThumbnail(const QString& path, QSize box = QSize(90, 67), bool keyCentre = false);

/// Builds thumbnails on worker threads and hands each one to the user-interface thread as soon
/// as it is ready. Requests of an older generation (a page that is gone) are dropped unread.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    /// Starts a new generation: results of earlier requests are no longer delivered.
    void cancelAll();
    /// Queues path; ready(tag, thumbnail) follows on this object's thread (a null thumbnail
    /// when the file is no picture).
    void request(int tag, const QString& path, QSize box = QSize(90, 67), bool keyCentre = false);
    /// Waits until every queued request has been built (tests, benchmarks).
    void waitForDone();
    int pending() const { return m_pending; }

signals:
    void ready(int tag, const QImage& thumbnail);

private:
    QThreadPool* m_pool;
    int m_generation = 0;
    int m_pending = 0;
};
