// Publishing a finished sheet into the share folder: its pictures as JPEGs (with thumbnails for
// the page) in a folder of its own, then its line in the share table under a new token.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>

/// What a guest takes home from one sheet.
struct ShareContent {
    QImage sheet; ///< the whole sheet
    QList<QImage> shots; ///< its single shots, in slot order
    QDateTime when; ///< when it was finished; now when invalid
};

struct PublishResult {
    bool ok = false;
    QString token;
    QString folder; ///< the sheet's folder, absolute
    QString error; ///< the file and the reason when not ok
    QString warning; ///< a damaged share table whose good lines were kept (its copy is beside it)
};

class SharePublisher {
public:
    /// The share folder of a save folder: "<save folder>/Share".
    static QString shareFolderOf(const QString& saveFolder);
    static constexpr int kJpegQuality = 92;
    /// Thumbnails on the page have at most this many pixels on their long side.
    static constexpr int kThumbSide = 640;

    /// Writes content into shareFolder (created when missing) under a new token. Every file is
    /// written atomically; the token is added to the table only after all of them are in place,
    /// so a failure leaves no reachable half sheet and removes what it wrote. Publishing from two
    /// processes at once is serialised by a lock on the folder.
    static PublishResult publish(const QString& shareFolder, const ShareContent& content);
};
