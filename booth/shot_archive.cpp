// The shot archive: encoding each shot's two pictures and writing them atomically.
#include "booth/shot_archive.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/atomic_file.h"
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "picture/image_bridge.h"

namespace {

bool encode(CxImage& image, uint32_t format, std::string& bytes, QString* error)
{
    CxMemFile mem;
    mem.Open();
    if (!image.Encode(&mem, format)) {
        if (error)
            *error = QString::fromLatin1(image.GetLastError());
        return false;
    }
    bytes.assign(reinterpret_cast<const char*>(mem.GetBuffer(false)), size_t(mem.Size()));
    return true;
}

} // namespace

ShotArchive::ShotArchive(QString saveFolder)
    : m_saveFolder(std::move(saveFolder))
{
    while (m_saveFolder.size() > 1 && m_saveFolder.endsWith(QLatin1Char('/')))
        m_saveFolder.chop(1);
}

QString ShotArchive::dayFolder(const QDate& day) const
{
    return m_saveFolder + QStringLiteral("/Shots/") + day.toString(QStringLiteral("yyyy-MM-dd"));
}

bool ShotArchive::archive(
    const CxImage& cameraFrame, const QImage& composed, const QDateTime& when, Files* files, QString* error) const
{
    const QString folder = dayFolder(when.date());
    auto failed = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The shot could not be kept in %1: %2").arg(folder, why);
        return false;
    };
    if (!cameraFrame.IsValid() || composed.isNull())
        return failed(QStringLiteral("there is no picture."));
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), made);
    if (made || !QFileInfo(folder).isDir())
        return failed(made ? QString::fromStdString(made.message()) : QString::fromLocal8Bit(std::strerror(ENOTDIR)));

    CxImage camera;
    if (!RaiseTo24(cameraFrame, camera))
        return failed(QStringLiteral("the camera picture could not be read."));
    const bool large = qint64(camera.GetWidth()) * camera.GetHeight() > kJpegAbovePixels;
    if (large)
        camera.SetJpegQuality(95);
    CxImage slot;
    if (!ImageFromBitmap(composed, slot))
        return failed(QStringLiteral("the slot picture could not be read."));
    std::string cameraBytes, slotBytes;
    QString why;
    if (!encode(camera, large ? CXIMAGE_FORMAT_JPG : CXIMAGE_FORMAT_PNG, cameraBytes, &why)
        || !encode(slot, CXIMAGE_FORMAT_PNG, slotBytes, &why))
        return failed(why);

    // Two shots in the same millisecond, or a clock set back, must not replace a kept shot.
    const QString stem = folder + QStringLiteral("/shot_") + when.toString(QStringLiteral("HHmmss_zzz"));
    const QString cameraExt = large ? QStringLiteral("_camera.jpg") : QStringLiteral("_camera.png");
    QString base = stem;
    for (int n = 2; QFileInfo::exists(base + cameraExt) || QFileInfo::exists(base + QStringLiteral("_slot.png")); ++n)
        base = stem + QLatin1Char('-') + QString::number(n);
    const QString cameraPath = base + cameraExt;
    const QString slotPath = base + QStringLiteral("_slot.png");

    // The writer's text is "<file>: <reason>": the file says the folder, so it is not said twice.
    auto writeFailed = [&](const std::string& reason) {
        if (error)
            *error = QStringLiteral("The shot could not be kept: %1").arg(QFile::decodeName(reason.c_str()));
        return false;
    };
    std::string reason;
    if (!platform::writeFileAtomically(QFile::encodeName(cameraPath).toStdString(), cameraBytes, &reason))
        return writeFailed(reason);
    if (!platform::writeFileAtomically(QFile::encodeName(slotPath).toStdString(), slotBytes, &reason))
        return writeFailed(reason); // the camera frame stays: it is the shot
    if (files)
        *files = { cameraPath, slotPath };
    return true;
}
