// The save dialog: sizes and types of the written file, the keyed composite, the strip paging,
// and the faults mended: failures told and nothing half-written, names without a picture type.
#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "imaging/cximage.h"
#include "output/dlg_save_picture.h"
#include "output/picture_save.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "tests/common/test_support.h"

namespace {

class SavePicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = QString::fromStdString(m_dir.path().string()) + QLatin1Char('/');
        m_paths.m_currentFolder = m_root;
        m_paths.m_backgroundFolder = m_root + QStringLiteral("Background");
        QDir().mkpath(m_paths.m_backgroundFolder);
        platform::setPrompts(&m_prompts);
    }
    void TearDown() override { platform::setPrompts(nullptr); }

    /// A green sheet (its centre colour: see-through) with a red block at the top left.
    static QImage sheet()
    {
        QImage img(364, 276, QImage::Format_RGB32);
        img.fill(qRgb(0, 200, 0));
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 150; ++x)
                img.setPixel(x, y, qRgb(220, 0, 0));
        return img;
    }
    static QImage emptySlot()
    {
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(qRgb(240, 240, 240));
        return img;
    }
    void addBackdrops(int n, QRgb colour = qRgb(0, 0, 230))
    {
        for (int i = 0; i < n; ++i) {
            QImage img(60, 40, QImage::Format_RGB32);
            img.fill(colour);
            img.save(m_paths.m_backgroundFolder + QStringLiteral("/b%1.png").arg(i, 2, 10, QLatin1Char('0')));
        }
    }
    static CxImage load(const QString& path)
    {
        CxImage img;
        img.Load(QFile::encodeName(path).constData(), CXIMAGE_FORMAT_UNKNOWN);
        return img;
    }
    static QRgb pixel(const CxImage& img, int x, int yTop)
    {
        const RGBQUAD c = img.GetPixelColor(x, int(img.GetHeight()) - 1 - yTop);
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    QString saveAs(DlgSavePicture& dlg, const QString& name, int filterIndex = 1)
    {
        m_prompts.saveFileReply = m_root + name;
        m_prompts.saveFilterIndexReply = filterIndex;
        dlg.OnSave();
        return m_root + name;
    }

    testsupport::TempDir m_dir;
    QString m_root;
    AppPaths m_paths;
    platform::ScriptedPrompts m_prompts;
};

bool near(QRgb a, QRgb b, int tolerance = 12)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST_F(SavePicture, JpgAtHighQualityInAnyCaseAndJpegAtTheDefault)
{
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    EXPECT_EQ(m_prompts.saveRequests.size(), 0);
    const QString lower = saveAs(dlg, QStringLiteral("a.jpg"), 2);
    EXPECT_EQ(dlg.result(), DlgSavePicture::IdOk);
    EXPECT_EQ(dlg.savedPath(), lower);
    ASSERT_EQ(m_prompts.saveRequests.size(), 1);
    EXPECT_EQ(m_prompts.saveRequests[0].startFolder, m_root);
    EXPECT_TRUE(m_prompts.saveRequests[0].filter.startsWith(QStringLiteral("BMP|*.bmp|JPG|*.jpg|GIF|*.gif|")));
    EXPECT_TRUE(m_prompts.saveRequests[0].filter.endsWith(QStringLiteral("MNG|*.mng|SKA|*.ska|")));
    EXPECT_NE(m_prompts.saveRequests[0].defaultExtension.toLower(), QStringLiteral("txt"));
    EXPECT_TRUE(m_prompts.messages.isEmpty());

    DlgSavePicture upperDlg(sheet(), emptySlot(), m_paths);
    const QString upper = saveAs(upperDlg, QStringLiteral("b.JPG"), 2);
    DlgSavePicture jpegDlg(sheet(), emptySlot(), m_paths);
    const QString jpeg = saveAs(jpegDlg, QStringLiteral("c.jpeg"), 2);

    const CxImage img = load(lower);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 1024u);
    EXPECT_EQ(img.GetHeight(), 768u);
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_EQ(QFile(upper).size(), QFile(lower).size());
    // Quality 99 against the container's default: the default file is clearly smaller.
    EXPECT_LT(QFile(jpeg).size() * 10, QFile(lower).size() * 9);
}

TEST_F(SavePicture, LowQualityLineIs528By400AndTheCentreColourShowsTheBackdrop)
{
    addBackdrops(1);
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    dlg.chooseSlot(0);
    dlg.setSizeLine(1);
    const CxImage img = load(saveAs(dlg, QStringLiteral("small.png"), 8));
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 528u);
    EXPECT_EQ(img.GetHeight(), 400u);
    // The red block stays, the green (the sheet's centre colour) gives way to the blue backdrop.
    EXPECT_TRUE(near(pixel(img, 40, 40), qRgb(220, 0, 0)));
    EXPECT_TRUE(near(pixel(img, 400, 300), qRgb(0, 0, 230)));
}

TEST_F(SavePicture, NameWithoutPictureTypeGetsTheChosenTypesExtension)
{
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    saveAs(dlg, QStringLiteral("party"), 8);
    EXPECT_EQ(dlg.savedPath(), m_root + QStringLiteral("party.png"));
    EXPECT_EQ(load(m_root + QStringLiteral("party.png")).GetType(), uint32_t(CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(QFile::exists(m_root + QStringLiteral("party")));

    DlgSavePicture txt(sheet(), emptySlot(), m_paths);
    saveAs(txt, QStringLiteral("notes.txt"), 2);
    EXPECT_EQ(txt.savedPath(), m_root + QStringLiteral("notes.txt.jpg"));
    EXPECT_EQ(load(txt.savedPath()).GetType(), uint32_t(CXIMAGE_FORMAT_JPG));
    EXPECT_FALSE(QFile::exists(m_root + QStringLiteral("notes.txt")));

    // The completed name already exists: asked first, and "No" leaves it alone.
    QFile old(m_root + QStringLiteral("party.png"));
    const qint64 size = old.size();
    DlgSavePicture again(sheet(), emptySlot(), m_paths);
    m_prompts.messageReply = platform::IdNo;
    saveAs(again, QStringLiteral("party"), 8);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("already exists")));
    EXPECT_NE(again.result(), DlgSavePicture::IdOk);
    EXPECT_EQ(QFile(m_root + QStringLiteral("party.png")).size(), size);
}

TEST_F(SavePicture, FailedSaveIsToldKeepsTheDialogOpenAndLeavesNoFile)
{
    // The container cannot write WMF: the existing file stays as it was.
    QFile keep(m_root + QStringLiteral("keep.wmf"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("old contents");
    keep.close();
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    saveAs(dlg, QStringLiteral("keep.wmf"), 11);
    EXPECT_NE(dlg.result(), DlgSavePicture::IdOk);
    EXPECT_TRUE(dlg.savedPath().isEmpty());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(m_root + QStringLiteral("keep.wmf")));
    EXPECT_TRUE(m_prompts.messages[0].style & platform::MbIconError);
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), QByteArray("old contents"));
    keep.close();

    // A folder that is not there: told with the reason, nothing appears.
    m_prompts.messages.clear();
    saveAs(dlg, QStringLiteral("gone/x.png"), 8);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(m_root + QStringLiteral("gone/x.png")));
    EXPECT_GT(m_prompts.messages[0].text.indexOf(QStringLiteral(": ")), 0);
    EXPECT_FALSE(QFile::exists(m_root + QStringLiteral("gone/x.png")));
    // No temporary left beside the file either.
    EXPECT_EQ(QDir(m_root).entryList(QDir::Files), QStringList { QStringLiteral("keep.wmf") });
}

TEST_F(SavePicture, CancelledPickerLeavesEverythingAsItWas)
{
    addBackdrops(2);
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    dlg.chooseSlot(1);
    const QImage backdrop = dlg.backdrop();
    m_prompts.saveFileReply.clear();
    dlg.OnSave();
    EXPECT_NE(dlg.result(), DlgSavePicture::IdOk);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_EQ(dlg.backdrop(), backdrop);
    EXPECT_TRUE(dlg.slotButton(1)->GetCheck());
    EXPECT_EQ(QDir(m_root).entryList(QDir::Files), QStringList {});
}

TEST_F(SavePicture, StripPagesThroughTwelveBackdropsAndSkipsOtherFiles)
{
    addBackdrops(12);
    QFile notes(m_paths.m_backgroundFolder + QStringLiteral("/b00a-notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    ASSERT_EQ(dlg.backdropList().size(), 13);
    // Sorted: b00, b00a-notes.txt, b01, ...; the text file takes no slot.
    EXPECT_EQ(dlg.slotEntry(0), 0);
    EXPECT_EQ(dlg.slotEntry(1), 2);
    EXPECT_EQ(dlg.slotEntry(4), 5);
    dlg.previousPage();
    EXPECT_EQ(dlg.firstIndex(), 0);
    dlg.nextPage();
    EXPECT_EQ(dlg.firstIndex(), 5);
    EXPECT_EQ(dlg.slotEntry(0), 5);
    dlg.nextPage();
    EXPECT_EQ(dlg.firstIndex(), 10);
    EXPECT_EQ(dlg.slotEntry(0), 10);
    EXPECT_EQ(dlg.slotEntry(2), 12);
    EXPECT_EQ(dlg.slotEntry(3), -1);
    EXPECT_TRUE(dlg.slotButton(2)->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.slotButton(3)->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.slotButton(4)->isVisibleTo(&dlg));
    dlg.nextPage();
    EXPECT_EQ(dlg.firstIndex(), 10);
    dlg.chooseSlot(4); // hidden: nothing
    dlg.chooseSlot(1);
    EXPECT_TRUE(dlg.slotButton(1)->GetCheck());
    EXPECT_FALSE(dlg.slotButton(0)->GetCheck());
    EXPECT_EQ(dlg.backdrop().size(), QSize(530, 400));
    EXPECT_EQ(dlg.backdrop().pixel(265, 200) & 0xFFFFFF, 0x0000E6u);
}

TEST_F(SavePicture, BrowserChoiceOfAPictureBecomesTheBackdropOtherwiseNothingChanges)
{
    DlgSavePicture dlg(sheet(), emptySlot(), m_paths);
    const QImage start = dlg.backdrop();
    QString reply = QStringLiteral("  ");
    dlg.setBackdropChooser([&reply](QWidget*) { return reply; });
    dlg.chooseWithBrowser();
    EXPECT_EQ(dlg.backdrop(), start);
    reply = m_root + QStringLiteral("readme.txt");
    dlg.chooseWithBrowser();
    EXPECT_EQ(dlg.backdrop(), start);
    QImage yellow(50, 50, QImage::Format_RGB32);
    yellow.fill(qRgb(250, 220, 0));
    ASSERT_TRUE(yellow.save(m_root + QStringLiteral("yellow.png")));
    reply = QStringLiteral(" %1 ").arg(m_root + QStringLiteral("yellow.png"));
    dlg.chooseWithBrowser();
    EXPECT_EQ(dlg.backdrop().size(), QSize(530, 400));
    EXPECT_EQ(dlg.backdrop().pixel(10, 10) & 0xFFFFFF, 0xFADC00u);
}

TEST(SaveComposite, GifAndBmpRoundTrip)
{
    testsupport::TempDir dir;
    QImage composite(530, 400, QImage::Format_RGB32);
    composite.fill(qRgb(10, 120, 200));
    QString error;
    const QString gif = QString::fromStdString(dir.file("s.gif"));
    ASSERT_TRUE(SaveComposite(composite, gif, 0, &error)) << error.toStdString();
    CxImage img;
    ASSERT_TRUE(img.Load(QFile::encodeName(gif).constData(), CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_EQ(img.GetType(), uint32_t(CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(img.GetWidth(), 1024u);
    EXPECT_FALSE(SaveComposite(QImage(), gif, 0, &error));
    EXPECT_TRUE(error.contains(gif));
    EXPECT_EQ(PathWithPictureExtension(QStringLiteral("x."), 1), QStringLiteral("x.bmp"));
    EXPECT_EQ(PathWithPictureExtension(QStringLiteral("x.Tif"), 1), QStringLiteral("x.Tif"));
}

TEST(SaveComposite, FailureNamesTheFileOnceWithTheReason)
{
    testsupport::TempDir dir;
    QImage composite(530, 400, QImage::Format_RGB32);
    composite.fill(qRgb(200, 40, 90));
    QString error;
    // A folder that is not there, and a folder standing where the picture should go.
    const QString missing = QString::fromStdString(dir.file("gone/sheet.png"));
    EXPECT_FALSE(SaveComposite(composite, missing, 0, &error));
    EXPECT_EQ(error, missing + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(ENOENT)));
    const QString taken = QString::fromStdString(dir.file("taken.jpg"));
    QDir().mkpath(taken);
    EXPECT_FALSE(SaveComposite(composite, taken, 0, &error));
    EXPECT_EQ(error, taken + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(EISDIR)));
    // A name that is not Latin-1 is told as it was given.
    const QString named = QString::fromStdString(dir.file("gone/Fotos f\xC3\xBCr Oma.bmp"));
    EXPECT_FALSE(SaveComposite(composite, named, 0, &error));
    EXPECT_TRUE(error.startsWith(named + QStringLiteral(": "))) << error.toStdString();
}
