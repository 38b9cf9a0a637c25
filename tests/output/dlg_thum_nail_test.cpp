// The picture chooser: entries and the recent list, paging labels, search, clicks, the folder
// picker, and thumbnails built off the user-interface thread.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "app/app_toolkit.h"
#include "imaging/cximage.h"
#include "output/dlg_thum_nail.h"
#include "output/thumbnail_button.h"
#include "output/thumbnail_loader.h"
#include "platform/control_id.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "tests/common/test_support.h"
#include "tests/output/exif_jpeg_writer.h"

namespace {

class ThumbNail : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = QString::fromStdString(m_dir.path().string()) + QLatin1Char('/');
        m_saved = appPaths();
        appPaths().setModuleFolder(m_root);
        appPaths().m_currentFolder = m_root;
        m_folder = m_root + QStringLiteral("pics/");
        QDir().mkpath(m_folder);
        platform::setPrompts(&m_prompts);
    }
    void TearDown() override
    {
        platform::setPrompts(nullptr);
        appPaths() = m_saved;
    }

    void addPictures(int n, const QString& stem = QStringLiteral("pic"))
    {
        QImage img(40, 30, QImage::Format_RGB32);
        for (int i = 0; i < n; ++i) {
            img.fill(qRgb(i * 5 % 256, 100, 200));
            img.save(m_folder + QStringLiteral("%1%2.png").arg(stem).arg(i, 2, 10, QLatin1Char('0')));
        }
    }

    void click(QWidget* w, QEvent::Type type)
    {
        const QPointF at(10, 10);
        QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }

    testsupport::TempDir m_dir;
    QString m_root, m_folder;
    AppPaths m_saved;
    platform::ScriptedPrompts m_prompts;
};

} // namespace

TEST(ThumbnailFormat, EndingsInAnyCase)
{
    EXPECT_EQ(ThumbnailFormatFromName("a.JPEG"), 3);
    EXPECT_EQ(ThumbnailFormatFromName("a.jpg"), 3);
    EXPECT_EQ(ThumbnailFormatFromName("a.wbmp"), 9);
    EXPECT_EQ(ThumbnailFormatFromName("a.Bmp"), 1);
    EXPECT_EQ(ThumbnailFormatFromName("a.tiff"), 6);
    EXPECT_EQ(ThumbnailFormatFromName("a.ppm"), 14);
    EXPECT_EQ(ThumbnailFormatFromName("a.txt"), 0);
    EXPECT_EQ(ThumbnailFormatFromName("png"), 4); // the test looks at the ending only
}

TEST_F(ThumbNail, PagingLabelsForFortyFiveEntries)
{
    addPictures(45);
    DlgThumNail d(m_folder);
    ASSERT_TRUE(d.initialise());
    EXPECT_EQ(d.entries().size(), 45);
    EXPECT_EQ(d.pageLabel(), QStringLiteral("Current page : 1 / 3"));
    EXPECT_EQ(d.buttons().size(), 20);
    d.nextPage();
    EXPECT_EQ(d.pageLabel(), QStringLiteral("Current page : 2 / 3"));
    d.lastPage();
    EXPECT_EQ(d.first(), 40);
    EXPECT_EQ(d.pageLabel(), QStringLiteral("Current page : 3 / 3"));
    d.waitForThumbnails();
    EXPECT_EQ(d.buttons().size(), 5);
    d.previousPage();
    EXPECT_EQ(d.first(), 20);
    d.firstPage();
    EXPECT_EQ(d.first(), 0);
    d.previousPage();
    EXPECT_EQ(d.first(), 0);
    // Buttons sit in their slots.
    EXPECT_EQ(d.buttons()[0]->geometry(), QRect(25, 42, 120, 90));
    EXPECT_EQ(d.buttons()[6]->geometry(), QRect(157, 144, 120, 90));
}

TEST_F(ThumbNail, PagingLabelsForFortyAndZeroEntries)
{
    addPictures(40);
    DlgThumNail d(m_folder);
    ASSERT_TRUE(d.initialise());
    EXPECT_EQ(d.pageLabel(), QStringLiteral("Current page : 1 / 2"));
    d.lastPage();
    EXPECT_EQ(d.first(), 20);
    EXPECT_EQ(d.pageLabel(), QStringLiteral("Current page : 2 / 2"));
    d.nextPage();
    EXPECT_EQ(d.first(), 20);

    QDir().mkpath(m_root + QStringLiteral("empty"));
    DlgThumNail e(m_root + QStringLiteral("empty/"));
    ASSERT_TRUE(e.initialise());
    EXPECT_EQ(e.pageLabel(), QStringLiteral("Current page : 1 / 1"));
    EXPECT_TRUE(e.buttons().isEmpty());
    e.nextPage();
    e.lastPage();
    EXPECT_EQ(e.first(), 0);
}

TEST_F(ThumbNail, RecentEntriesComeFirstAndOnce)
{
    addPictures(3);
    QFile txt(m_folder + QStringLiteral("readme.txt"));
    ASSERT_TRUE(txt.open(QIODevice::WriteOnly));
    txt.close();
    const QString settings = appPaths().m_settingsFile;
    // Different letter case and surrounding blanks still match the folder's file.
    AppToolkit::WriteSettingString(settings, "RecentlyFrame", "0", QStringLiteral("  ") + m_folder + "PIC02.png ");
    AppToolkit::WriteSettingString(settings, "RecentlyFrame", "1", QStringLiteral("   "));
    AppToolkit::WriteSettingString(settings, "RecentlyFrame", "2", QStringLiteral("/gone/old.png"));
    AppToolkit::WriteSettingString(settings, "RecentlyPortrait", "0", m_folder + "pic01.png");
    DlgThumNail d(m_folder, nullptr, 0);
    ASSERT_TRUE(d.initialise());
    ASSERT_EQ(d.entries().size(), 4);
    EXPECT_EQ(d.entries()[0], m_folder + "pic02.png");
    EXPECT_EQ(d.entries()[1], QStringLiteral("/gone/old.png"));
    EXPECT_EQ(d.entries().filter(QStringLiteral("pic02"), Qt::CaseInsensitive).size(), 1);
    EXPECT_EQ(d.entries().filter(QStringLiteral(".txt")).size(), 0);
    // The missing recent file leaves its place empty once the thumbnails are in.
    d.waitForThumbnails();
    EXPECT_EQ(d.buttons().size(), 3);

    DlgThumNail portraits(m_folder, nullptr, 1);
    ASSERT_TRUE(portraits.initialise());
    EXPECT_EQ(portraits.entries()[0], m_folder + "pic01.png");
}

TEST_F(ThumbNail, SearchInAnyLetterCase)
{
    addPictures(30);
    DlgThumNail d(m_folder);
    ASSERT_TRUE(d.initialise());
    d.search(QStringLiteral("  PIC25.PNG "));
    EXPECT_EQ(d.first(), 20);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    d.search(QStringLiteral("nothing.png"));
    EXPECT_EQ(d.first(), 20);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_EQ(m_prompts.messages[0].text, QStringLiteral("  The image do not exist !  "));
    EXPECT_EQ(m_prompts.messages[0].caption, QStringLiteral("Search image"));
    EXPECT_EQ(m_prompts.messages[0].style, unsigned(platform::MbIconInformation));
    d.search(QString());
    EXPECT_EQ(m_prompts.messages.size(), 2);
}

TEST_F(ThumbNail, ClickThenOkReturnsPathAndOkAloneReturnsEmpty)
{
    addPictures(3);
    {
        DlgThumNail d(m_folder);
        ASSERT_TRUE(d.initialise());
        d.open();
        platform::findControl<CxSkinButton>(&d, DlgThumNail::kOkId)->click();
        EXPECT_EQ(d.result(), DlgThumNail::IdOk);
        EXPECT_TRUE(d.chosenPath().isEmpty());
    }
    {
        DlgThumNail d(m_folder);
        ASSERT_TRUE(d.initialise());
        d.open();
        CThumbnailButton* b = d.buttons()[1];
        const QPoint home = b->pos();
        click(b, QEvent::MouseMove);
        EXPECT_TRUE(b->isHovered());
        EXPECT_EQ(b->pos(), home - QPoint(2, 2));
        click(b, QEvent::MouseButtonPress);
        EXPECT_TRUE(b->isPressed());
        EXPECT_EQ(b->pos(), home);
        EXPECT_EQ(d.chosenPath(), b->path());
        EXPECT_TRUE(d.isVisible());
        platform::findControl<CxSkinButton>(&d, DlgThumNail::kOkId)->click();
        EXPECT_EQ(d.result(), DlgThumNail::IdOk);
        EXPECT_EQ(d.chosenPath(), m_folder + "pic01.png");
    }
    {
        DlgThumNail d(m_folder);
        ASSERT_TRUE(d.initialise());
        d.open();
        CThumbnailButton* b = d.buttons()[2];
        click(b, QEvent::MouseButtonDblClick);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), DlgThumNail::IdOk);
        EXPECT_EQ(d.chosenPath(), m_folder + "pic02.png");
    }
    {
        DlgThumNail d(m_folder);
        ASSERT_TRUE(d.initialise());
        d.open();
        platform::findControl<CxSkinButton>(&d, DlgThumNail::kCloseId)->click();
        EXPECT_EQ(d.result(), DlgThumNail::IdCancel);
    }
}

TEST_F(ThumbNail, EmptyFolderAsksForOneAndRemembersIt)
{
    addPictures(2);
    m_prompts.folderReply = QString();
    DlgThumNail cancelled { QString() };
    EXPECT_EQ(cancelled.exec(), DlgThumNail::IdCancel);
    ASSERT_EQ(m_prompts.folderTitles.size(), 1);
    EXPECT_EQ(m_prompts.folderTitles[0], QStringLiteral("Select the OutPut Path"));

    m_prompts.folderReply = m_root + QStringLiteral("pics");
    const QString storedBefore = AppToolkit::ReadSettingString(
        appPaths().m_settingsFile, QStringLiteral("Configure"), QStringLiteral("PathCurrent"));
    DlgThumNail d { QString() };
    ASSERT_TRUE(d.initialise());
    EXPECT_EQ(d.folder(), m_folder);
    EXPECT_EQ(d.entries().size(), 2);
    EXPECT_EQ(appPaths().m_currentFolder, m_root + QStringLiteral("pics"));
    // Remembered for this run and the workbench's save; the file learns it at the settings save.
    EXPECT_EQ(AppToolkit::LastChosenFolder(), m_root + QStringLiteral("pics"));
    EXPECT_EQ(AppToolkit::ReadSettingString(
                  appPaths().m_settingsFile, QStringLiteral("Configure"), QStringLiteral("PathCurrent")),
        storedBefore);
}

TEST(ThumbnailLoading, LargeJpegShrinksToBoxKeepingAspect)
{
    testsupport::TempDir dir;
    QImage big(1600, 900, QImage::Format_RGB32);
    big.fill(qRgb(200, 40, 40));
    const QString path = QString::fromStdString(dir.file("wide.JPG"));
    ASSERT_TRUE(big.save(path, "JPG"));
    const QImage t = MakeThumbnail(path, QSize(90, 67));
    ASSERT_FALSE(t.isNull());
    EXPECT_EQ(t.width(), 90);
    EXPECT_NEAR(t.height(), 51, 1);
    EXPECT_NEAR(qRed(t.pixel(45, 25)), 200, 8);
    // Small pictures are enlarged to fit, keeping their proportions; any extension the image
    // container knows counts (SKA is not in the browser's list); broken and unknown files give nothing.
    QImage small(30, 20, QImage::Format_RGB32);
    small.fill(Qt::blue);
    ASSERT_TRUE(small.save(QString::fromStdString(dir.file("s.png"))));
    EXPECT_EQ(MakeThumbnail(QString::fromStdString(dir.file("s.png")), QSize(90, 67)).size(), QSize(90, 60));
    CxImage ska;
    ASSERT_TRUE(ska.FromDeviceBitmap(small));
    ASSERT_TRUE(ska.DecreaseBpp(8, false, nullptr, 0));
    const std::string skaPath = dir.file("s.ska");
    ASSERT_TRUE(ska.Save(skaPath.c_str(), CXIMAGE_FORMAT_SKA)) << ska.GetLastError();
    EXPECT_EQ(ThumbnailFormatFromName(QString::fromStdString(skaPath)), 0) << "not a browser entry";
    EXPECT_EQ(MakeThumbnail(QString::fromStdString(skaPath), QSize(90, 67)).size(), QSize(90, 60));
    QFile broken(QString::fromStdString(dir.file("broken.jpg")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\xFF\xD8\xFF\xE0 truncated");
    broken.close();
    EXPECT_TRUE(MakeThumbnail(broken.fileName()).isNull());
    EXPECT_TRUE(MakeThumbnail(QString::fromStdString(dir.file("s.txt"))).isNull());
}

TEST(ThumbnailLoading, StaleResultsOfAnOldPageAreDropped)
{
    testsupport::TempDir dir;
    QImage img(50, 50, QImage::Format_RGB32);
    img.fill(Qt::green);
    const QString path = QString::fromStdString(dir.file("g.png"));
    ASSERT_TRUE(img.save(path));
    ThumbnailLoader loader;
    QList<int> tags;
    QObject::connect(&loader, &ThumbnailLoader::ready, [&](int tag, const QImage&) { tags << tag; });
    loader.request(1, path);
    loader.cancelAll();
    loader.request(2, path);
    loader.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(tags, QList<int> { 2 });
}

TEST(ThumbnailLoading, CameraJpegUsesItsExifThumbnailWhenItShowsTheWholePicture)
{
    testsupport::TempDir dir;
    QImage main(1600, 1200, QImage::Format_RGB32);
    main.fill(qRgb(200, 40, 40));
    QImage thumb(160, 120, QImage::Format_RGB32);
    thumb.fill(qRgb(40, 40, 200));
    const QString path = QString::fromStdString(dir.file("camera.jpg"));
    ASSERT_TRUE(exiftest::writeJpegWithExifThumbnail(path, main, thumb));
    QImage t = MakeThumbnail(path, QSize(90, 67));
    ASSERT_FALSE(t.isNull());
    EXPECT_EQ(t.size(), QSize(89, 67));
    EXPECT_NEAR(qBlue(t.pixel(40, 30)), 200, 12); // the stored copy, not the decoded picture

    // A thumbnail of another shape belongs to an uncropped original: the picture itself is used.
    QImage wide(160, 90, QImage::Format_RGB32);
    wide.fill(qRgb(40, 40, 200));
    ASSERT_TRUE(exiftest::writeJpegWithExifThumbnail(path, main, wide));
    t = MakeThumbnail(path, QSize(90, 67));
    EXPECT_NEAR(qRed(t.pixel(40, 30)), 200, 12);
}
