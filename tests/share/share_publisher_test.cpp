// Publishing sheets: the files a guest gets, the table line, failures that leave nothing behind.
#include "share/share_publisher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "share/share_table.h"
#include "share/share_token.h"
#include "tests/common/test_support.h"
#include "tests/share/share_test_util.h"

namespace {

QString q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

TEST(SharePublisher, WritesTheSheetItsShotsAndThumbnailsAsJpegs)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path() / "Share");
    ShareContent content = sharetest::sampleContent(1024, 768);
    content.when = QDateTime(QDate(2024, 5, 1), QTime(14, 32, 10));
    const PublishResult r = SharePublisher::publish(folder, content);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.folder, folder + QStringLiteral("/2024-05-01_143210"));
    EXPECT_EQ(r.token.size(), int(share::kTokenLength));

    QImage sheet(r.folder + QStringLiteral("/sheet.jpg"), "JPG");
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet.size(), QSize(1024, 768));
    // JPEG, not a copy of the screen: the colours come through within JPEG's loss.
    const QColor middle = sheet.pixelColor(512, 392);
    EXPECT_NEAR(middle.red(), 40, 12);
    EXPECT_NEAR(middle.blue(), 200, 12);
    QImage thumb(r.folder + QStringLiteral("/sheet.thumb.jpg"), "JPG");
    EXPECT_EQ(thumb.size(), QSize(640, 480));
    QImage shot2(r.folder + QStringLiteral("/shot-2.jpg"), "JPG");
    ASSERT_EQ(shot2.size(), QSize(320, 240));
    EXPECT_NEAR(shot2.pixelColor(160, 120).green(), 200, 12);
    EXPECT_TRUE(QFileInfo::exists(r.folder + QStringLiteral("/shot-1.thumb.jpg")));

    share::ShareTable table;
    ASSERT_TRUE(table.load(folder.toStdString()).ok);
    const share::SharedSheet* s = table.find(r.token.toStdString());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->folder, "2024-05-01_143210");
    EXPECT_EQ(s->files, (std::vector<std::string> { "sheet.jpg", "shot-1.jpg", "shot-2.jpg" }));
    EXPECT_EQ(s->created, content.when.toSecsSinceEpoch());

    // Nothing but the pictures in the sheet's folder: no temporaries.
    EXPECT_EQ(QDir(r.folder).entryList(QDir::Files | QDir::Hidden).size(), 6);
}

TEST(SharePublisher, TwoSheetsInOneSecondGetTheirOwnFoldersAndTokens)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path());
    ShareContent content = sharetest::sampleContent(64, 48);
    content.when = QDateTime(QDate(2024, 5, 1), QTime(9, 0, 0));
    const PublishResult a = SharePublisher::publish(folder, content);
    const PublishResult b = SharePublisher::publish(folder, content);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NE(a.token, b.token);
    EXPECT_EQ(QFileInfo(b.folder).fileName(), QStringLiteral("2024-05-01_090000-2"));
    share::ShareTable table;
    table.load(folder.toStdString());
    EXPECT_EQ(table.sheets().size(), 2u);
    EXPECT_EQ(table.newest()->token, b.token.toStdString());
}

TEST(SharePublisher, AFullDiskLeavesNoLinkAndNoHalfSheet)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path() / "Share");
    QDir().mkpath(folder);
    // A real small file system over the share folder (needs the right to mount).
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=192k") != 0)
        GTEST_SKIP() << "no right to mount a small file system";
    struct Unmount {
        QString f;
        ~Unmount() { ::umount2(QFile::encodeName(f).constData(), MNT_DETACH); }
    } unmount { folder };
    const PublishResult first = SharePublisher::publish(folder, sharetest::sampleContent(64, 48));
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    const std::string tableBefore = sharetest::readFile(folder + QStringLiteral("/shares.tbl"));

    // Noise does not compress: this sheet needs far more than the disk has left.
    ShareContent big = sharetest::sampleContent(1024, 768);
    quint32 seed = 12345;
    for (int y = 0; y < big.sheet.height(); ++y)
        for (int x = 0; x < big.sheet.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            big.sheet.setPixel(x, y, seed >> 8);
        }
    const PublishResult r = SharePublisher::publish(folder, big);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("sheet.jpg"))) << r.error.toStdString();
    EXPECT_EQ(sharetest::readFile(folder + QStringLiteral("/shares.tbl")), tableBefore);
    EXPECT_EQ(
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList { QFileInfo(first.folder).fileName() })
        << "the failed sheet's folder is gone";
    EXPECT_EQ(QDir(first.folder).entryList(QDir::Files | QDir::Hidden).size(), 6) << "the earlier sheet is untouched";
}

TEST(SharePublisher, AFailingTableWriteRemovesThePicturesAgain)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path());
    // The table's name is taken by a folder, so the table cannot be written (even as root).
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/shares.tbl")));
    const PublishResult r = SharePublisher::publish(folder, sharetest::sampleContent(64, 48));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("shares.tbl"))) << r.error.toStdString();
    QStringList left = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList { QStringLiteral("shares.tbl") }) << "no sheet folder is left";
}

TEST(SharePublisher, ASheetIsNeededAndADamagedTableIsReported)
{
    testsupport::TempDir dir;
    const QString folder = q(dir.path());
    EXPECT_FALSE(SharePublisher::publish(folder, ShareContent {}).ok);
    QFile f(folder + QStringLiteral("/shares.tbl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kivra-share 1\nthis line is not an entry\n");
    f.close();
    const PublishResult r = SharePublisher::publish(folder, sharetest::sampleContent(64, 48));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.warning.contains(QStringLiteral("damaged"))) << r.warning.toStdString();
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/shares.tbl.damaged")));
}
