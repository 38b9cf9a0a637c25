// ShotArchive: every shot kept as taken in <save folder>/Shots/<yyyy-mm-dd>/: the camera frame at
// camera resolution and the composed slot picture. The booth only ever adds to it.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

class CxImage;

class ShotArchive {
public:
    /// Camera frames above this many pixels are kept as JPEG (quality 95), smaller ones as PNG.
    static constexpr qint64 kJpegAbovePixels = 2000000;

    explicit ShotArchive(QString saveFolder);

    /// <save folder>/Shots/<yyyy-mm-dd> for the day of when.
    QString dayFolder(const QDate& day) const;

    struct Files {
        QString camera; ///< the camera frame as taken
        QString slot; ///< the composed slot picture
        QByteArray cameraBytes; ///< the camera file's bytes (JPEG or PNG), kept for full resolution
    };
    /// Writes both pictures of one shot taken at when, each atomically, under names holding the
    /// time ("shot_HHmmss_zzz_camera.png", "..._slot.png"; a counter keeps names unique). An
    /// existing file is never replaced. False with *error (the folder and the system's reason)
    /// when either cannot be written; nothing half-written is left.
    bool archive(const CxImage& cameraFrame, const QImage& composed, const QDateTime& when, Files* files = nullptr,
        QString* error = nullptr) const;

private:
    QString m_saveFolder;
};
