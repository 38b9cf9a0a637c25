// SharePublisher: the sheet's folder, its JPEGs and thumbnails, and its line in the share table.
#include "share/share_publisher.h"

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/cximage.h"
#include "picture/image_bridge.h"
#include "share/gallery_pages.h"
#include "share/share_table.h"
#include "share/share_token.h"

namespace {

/// Holds an exclusive lock on the share folder while the table is read, changed and written.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
    {
        m_fd = ::open(QFile::encodeName(folder + QStringLiteral("/.shares.lock")).constData(),
            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

bool writeJpeg(const QImage& picture, const QString& path, QString* error)
{
    CxImage image;
    if (!ImageFromBitmap(picture, image)) {
        *error = QStringLiteral("%1 could not be written: the picture is empty.").arg(path);
        return false;
    }
    image.SetJpegQuality(float(SharePublisher::kJpegQuality));
    if (!image.Save(QFile::encodeName(path).constData(), CXIMAGE_FORMAT_JPG)) {
        *error = QStringLiteral("%1 could not be written: %2").arg(path, QString::fromLatin1(image.GetLastError()));
        return false;
    }
    return true;
}

QImage thumbnail(const QImage& picture)
{
    const int side = SharePublisher::kThumbSide;
    if (picture.width() <= side && picture.height() <= side)
        return picture;
    return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

/// A new folder for one sheet, named after when it was finished ("2024-05-01_143210", then
/// "..._143210-2" and so on when that is taken). Empty with *error when none can be made.
QString makeSheetFolder(const QString& shareFolder, const QDateTime& when, QString* error)
{
    const QString base = when.toString(QStringLiteral("yyyy-MM-dd_HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
        const QString path = shareFolder + QLatin1Char('/') + name;
        if (::mkdir(QFile::encodeName(path).constData(), 0755) == 0)
            return name;
        if (errno != EEXIST) {
            *error = QStringLiteral("%1 could not be made: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return {};
        }
    }
    *error = QStringLiteral("%1 has no free folder name for %2.").arg(shareFolder, base);
    return {};
}

} // namespace

QString SharePublisher::shareFolderOf(const QString& saveFolder)
{
    return saveFolder + QStringLiteral("/Share");
}

PublishResult SharePublisher::publish(const QString& shareFolder, const ShareContent& content)
{
    PublishResult result;
    if (content.sheet.isNull()) {
        result.error = QStringLiteral("There is no sheet to share.");
        return result;
    }
    if (!QDir().mkpath(shareFolder)) {
        result.error = QStringLiteral("The share folder %1 could not be made.").arg(shareFolder);
        return result;
    }
    const FolderLock lock(shareFolder);
    if (!lock.locked()) {
        result.error = QStringLiteral("The share folder %1 cannot be written: %2")
                           .arg(shareFolder, QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    const QDateTime when = content.when.isValid() ? content.when : QDateTime::currentDateTime();
    const QString folderName = makeSheetFolder(shareFolder, when, &result.error);
    if (folderName.isEmpty())
        return result;
    const QString folder = shareFolder + QLatin1Char('/') + folderName;
    QStringList written;
    auto undo = [&] {
        for (const QString& f : written)
            QFile::remove(f);
        QDir().rmdir(folder);
    };

    share::SharedSheet entry;
    entry.folder = folderName.toStdString();
    entry.created = when.toSecsSinceEpoch();
    QList<std::pair<QString, QImage>> pictures { { QStringLiteral("sheet.jpg"), content.sheet } };
    for (qsizetype i = 0; i < content.shots.size() && i + 1 < qsizetype(share::ShareTable::kMaxFilesPerSheet); ++i)
        if (!content.shots[i].isNull())
            pictures.append({ QStringLiteral("shot-%1.jpg").arg(i + 1), content.shots[i] });
    for (const auto& [name, picture] : pictures) {
        const QString path = folder + QLatin1Char('/') + name;
        const QString thumbPath
            = folder + QLatin1Char('/') + QString::fromStdString(share::thumbName(name.toStdString()));
        if (!writeJpeg(picture, path, &result.error)) {
            undo();
            return result;
        }
        written << path;
        if (!writeJpeg(thumbnail(picture), thumbPath, &result.error)) {
            undo();
            return result;
        }
        written << thumbPath;
        entry.files.push_back(name.toStdString());
    }

    share::ShareTable table;
    const share::ShareTable::LoadResult loaded = table.load(shareFolder.toStdString());
    if (!loaded.ok) {
        // A table that cannot be read is never overwritten: it may hold every earlier link.
        result.error = QString::fromStdString(loaded.error);
        undo();
        return result;
    }
    if (loaded.damagedLines > 0)
        result.warning = QString::fromStdString(loaded.error);
    entry.token = share::newToken();
    if (entry.token.empty() || !table.add(entry)) {
        result.error = QStringLiteral("No unguessable link could be made: the system gave no random numbers.");
        undo();
        return result;
    }
    std::string error;
    if (!table.save(shareFolder.toStdString(), &error)) {
        result.error = QString::fromStdString(error);
        undo();
        return result;
    }
    result.ok = true;
    result.token = QString::fromStdString(entry.token);
    result.folder = folder;
    return result;
}
