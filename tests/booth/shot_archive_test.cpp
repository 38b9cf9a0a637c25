// The shot archive: both pictures of a shot kept by day with the time in their names, JPEG for
// large camera frames, never a replaced file, and a full disk refused cleanly.
#include "booth/shot_archive.h"

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "imaging/cximage.h"
#include "picture/image_bridge.h"
#include "tests/booth/booth_test_util.h"
#include "tests/booth/full_disk_p.h"
#include "tests/common/test_support.h"

using namespace boothtest;

namespace {

CxImage cameraFrame(int w, int h)
{
    CxImage img;
    EXPECT_TRUE(ImageFromBitmap(patternBitmap(w, h, 3), img));
    return img;
}

QImage loaded(const QString& path)
{
    CxImage img;
    return LoadPicture(path, img) ? BitmapFromImage(img) : QImage();
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(ShotArchive, KeepsCameraFrameAndSlotPictureByDay)
{
    testsupport::TempDir dir;
    const QString save = QString::fromStdString(dir.path().string()) + QStringLiteral("/Saved");
    const ShotArchive archive(save);
    const QDateTime when(QDate(2026, 6, 13), QTime(14, 5, 9, 42));
    const QImage composed = patternBitmap(320, 240, 7);
    ShotArchive::Files files;
    QString error;
    ASSERT_TRUE(archive.archive(cameraFrame(640, 480), composed, when, &files, &error)) << error.toStdString();
    EXPECT_EQ(files.camera, save + QStringLiteral("/Shots/2026-06-13/shot_140509_042_camera.png"));
    EXPECT_EQ(files.slot, save + QStringLiteral("/Shots/2026-06-13/shot_140509_042_slot.png"));
    EXPECT_TRUE(sameColours(loaded(files.camera), patternBitmap(640, 480, 3)));
    EXPECT_TRUE(sameColours(loaded(files.slot), composed));

    // The same moment again (a clock set back): a new name, the kept shot untouched.
    const QByteArray before = [&] {
        QFile f(files.camera);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ShotArchive::Files again;
    ASSERT_TRUE(archive.archive(cameraFrame(64, 48), composed, when, &again, &error));
    EXPECT_NE(again.camera, files.camera);
    QFile kept(files.camera);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    EXPECT_EQ(filesIn(archive.dayFolder(when.date())).size(), 4);
}

TEST(ShotArchive, FramesAboveTwoMegapixelsAreKeptAsJpeg)
{
    testsupport::TempDir dir;
    const ShotArchive archive(QString::fromStdString(dir.path().string()));
    ShotArchive::Files files;
    ASSERT_TRUE(
        archive.archive(cameraFrame(1920, 1080), patternBitmap(320, 240, 1), QDateTime::currentDateTime(), &files));
    EXPECT_TRUE(files.camera.endsWith(QStringLiteral("_camera.jpg")));
    CxImage img;
    ASSERT_TRUE(LoadPicture(files.camera, img));
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(QSize(int(img.GetWidth()), int(img.GetHeight())), QSize(1920, 1080));
}

TEST(ShotArchive, FullDiskGivesTheReasonAndLeavesNothingHalfWritten)
{
    testsupport::TempDir dir;
    const QString save = QString::fromStdString(dir.path().string()) + QStringLiteral("/Saved");
    SmallDisk disk(save);
    if (!disk.mounted())
        GTEST_SKIP() << "no right to mount a small file system";
    const ShotArchive archive(save);
    const QDateTime when = QDateTime::currentDateTime();
    QDir().mkpath(archive.dayFolder(when.date()));
    disk.fill();
    QString error;
    EXPECT_FALSE(archive.archive(cameraFrame(640, 480), patternBitmap(320, 240, 2), when, nullptr, &error));
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
    EXPECT_TRUE(error.contains(archive.dayFolder(when.date()))) << error.toStdString();
    EXPECT_EQ(error.count(archive.dayFolder(when.date())), 1) << "the folder is said once: " << error.toStdString();
    EXPECT_TRUE(filesIn(archive.dayFolder(when.date())).isEmpty())
        << filesIn(archive.dayFolder(when.date())).join(' ').toStdString();
}
