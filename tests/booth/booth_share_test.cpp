// The sharing part without a window, on the real gallery over loopback: it starts and stops with
// the booth and follows the settings, publishes each sheet once and off the screen's thread,
// tells failures on notices, and a guest's photo print carries the sheet's code when asked.
#include <atomic>

#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include "booth/booth.h"
#include "booth/slot_original.h"
#include "share/share_table.h"
#include "tests/booth/screen_test_support.h"
#include "tests/output/cups_fixture.h"
#include "tests/share/share_test_util.h"

using namespace screentest;

namespace {

class Sharing : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        m_port = sharetest::freePort();
        BoothSettings& s = boothSettings();
        s.m_shareGallery = 1;
        s.m_sharePort = m_port;
        // Loopback only: tests never serve anything to another address.
        s.m_shareBind = QStringLiteral("127.0.0.1");
        // The booth load reads the settings file, so the gallery's keys go there too.
        s.SaveSettings();
        s.SaveShareSettings(appPaths().m_settingsFile);
    }
    static QString shareFolder() { return appPaths().m_saveFolder + QStringLiteral("/Share"); }
    static int sheetsPublished()
    {
        share::ShareTable table;
        table.load(shareFolder().toStdString());
        return int(table.sheets().size());
    }
    static bool listening(int port)
    {
        const int fd = sharetest::connectFrom("127.0.0.1", port);
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }
    static void addShot(SheetSession& session, QRgb colour)
    {
        const QImage shot = makePhoto(colour, QSize(640, 480));
        const QImage small = shot.scaled(320, 240);
        session.sheet().storeIntoFirstFree(small, small, QImage(), 255,
            MakeSlotOriginal(EncodeOriginalPhoto(shot), shot.size(), QRect(0, 0, 320, 240), QImage()));
    }
    static BoothNotice lastNotice(const QSignalSpy& notices)
    {
        return notices.isEmpty() ? BoothNotice() : notices.last()[0].value<BoothNotice>();
    }
    static std::string pathOf(const QString& url)
    {
        return url.section(QLatin1Char('/'), 3).prepend('/').toStdString();
    }

    int m_port = 0;
};

bool near(QRgb a, QRgb b, int tolerance = 24)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST_F(Sharing, TheGalleryStartsAndStopsWithTheBoothAndFollowsTheSettings)
{
    auto booth = std::make_unique<Booth>(boothSettings(), appPaths());
    QSignalSpy notices(booth.get(), &Booth::notice);
    QSignalSpy withdrawn(booth.get(), &Booth::noticeWithdrawn);
    QSignalSpy offered(&booth->share(), &BoothShare::offeredChanged);
    EXPECT_FALSE(booth->share().isRunning()) << "nothing is served before the booth loads";
    booth->load();
    ASSERT_TRUE(booth->share().isRunning());
    EXPECT_TRUE(booth->share().isOffered());
    EXPECT_EQ(sharetest::get(m_port, "/s/AAAAAAAAAAAAAAAAAAAAAAAA/").status, 404) << "the gallery answers";

    // Another port in the configuration dialog: the gallery moves there.
    const int moved = sharetest::freePort();
    boothSettings().m_sharePort = moved;
    booth->settingsChanged();
    EXPECT_FALSE(listening(m_port));
    EXPECT_EQ(sharetest::get(moved, "/").status, 404);

    // An address the machine does not have: stopped, and told until it is put right.
    boothSettings().m_shareBind = QStringLiteral("no-such-interface0");
    booth->settingsChanged();
    EXPECT_FALSE(booth->share().isRunning());
    EXPECT_FALSE(listening(moved)) << "never opened wider than asked";
    const BoothNotice told = lastNotice(notices);
    EXPECT_EQ(told.key, QStringLiteral("gallery"));
    EXPECT_TRUE(told.warning);
    EXPECT_EQ(told.timeoutMs, 0) << "it stays";
    EXPECT_TRUE(told.text.contains(QStringLiteral("no-such-interface0"))) << told.text.toStdString();
    boothSettings().m_shareBind = QStringLiteral("127.0.0.1");
    booth->settingsChanged();
    EXPECT_TRUE(booth->share().isRunning());
    EXPECT_TRUE(withdrawn.contains(QVariantList { QStringLiteral("gallery") }));

    // Switched off: nothing listens and Share is no longer offered.
    boothSettings().m_shareGallery = 0;
    booth->settingsChanged();
    EXPECT_FALSE(listening(moved));
    EXPECT_FALSE(booth->share().isOffered());
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0][0].toBool(), false);

    boothSettings().m_shareGallery = 1;
    booth->settingsChanged();
    EXPECT_TRUE(listening(moved));
    booth.reset();
    EXPECT_FALSE(listening(moved)) << "the gallery ends with the booth";
}

TEST_F(Sharing, EachSheetIsPublishedOnceAndOffTheScreensThread)
{
    SheetSession session(boothSettings(), appPaths());
    BoothShare share(boothSettings(), appPaths(), session);
    share.apply();
    ASSERT_TRUE(share.isRunning());
    QSignalSpy links(&share, &BoothShare::linkReady);
    // The first sheet is held on the publishing thread until the test lets it go.
    QSemaphore entered, release;
    std::atomic<bool> held { false };
    std::atomic<Qt::HANDLE> worker { nullptr };
    share.setWorkerHook([&] {
        worker = QThread::currentThreadId();
        if (!held.exchange(true)) {
            entered.release();
            release.tryAcquire(1, 10000);
        }
    });
    addShot(session, qRgb(220, 40, 40));
    addShot(session, qRgb(40, 40, 220));

    share.publish(session.sheet());
    ASSERT_TRUE(entered.tryAcquire(1, 5000));
    EXPECT_NE(worker.load(), QThread::currentThreadId()) << "composed and written off the screen's thread";
    EXPECT_TRUE(share.isPublishing());
    EXPECT_EQ(sheetsPublished(), 0);
    share.publish(session.sheet()); // saved, then printed, while the first is written: one sheet
    release.release();
    ASSERT_TRUE(share.waitForIdle(30000));
    ASSERT_EQ(links.size(), 1);
    const QString url = links[0][0].toString();
    EXPECT_TRUE(url.startsWith(QStringLiteral("http://127.0.0.1:%1/s/").arg(m_port))) << url.toStdString();
    EXPECT_EQ(share.currentLink(), url);
    EXPECT_EQ(sheetsPublished(), 1);

    // What a phone gets: the page, and the sheet at full resolution over white paper.
    EXPECT_EQ(sharetest::get(m_port, pathOf(url)).status, 200);
    const sharetest::Response sheet = sharetest::get(m_port, pathOf(url) + "download/sheet.jpg");
    ASSERT_EQ(sheet.status, 200);
    const QImage got = QImage::fromData(QByteArray::fromStdString(sheet.body)).convertToFormat(QImage::Format_RGB32);
    const SheetPicture picture = session.sheet().sheetPicture();
    ASSERT_EQ(got.size(), picture.fullResolutionSize());
    EXPECT_GT(got.width(), SheetPicture::kWidth) << "not the screen's sheet";
    EXPECT_TRUE(near(got.pixel(2, 2), qRgb(255, 255, 255))) << "paper around the slots";
    const QPoint first = SheetPicture::scaledRect(picture.slotList()[0].rect, got.size()).center();
    EXPECT_TRUE(near(got.pixel(first), qRgb(220, 40, 40))) << std::hex << got.pixel(first);

    // Share after saving shows the same link again; two slots swapped are still the same sheet.
    share.share();
    session.sheet().swapSlots(0, 1);
    share.publish(session.sheet());
    ASSERT_EQ(links.size(), 3);
    EXPECT_EQ(links[1][0].toString(), url);
    EXPECT_EQ(links[2][0].toString(), url);
    EXPECT_FALSE(share.isPublishing());
    EXPECT_EQ(sheetsPublished(), 1);

    // A new shot is a new sheet with a link of its own.
    addShot(session, qRgb(40, 200, 60));
    share.publish(session.sheet());
    ASSERT_TRUE(share.waitForIdle(30000));
    ASSERT_EQ(links.size(), 4);
    EXPECT_NE(links[3][0].toString(), url);
    EXPECT_EQ(sheetsPublished(), 2);
    EXPECT_EQ(sharetest::get(m_port, pathOf(url)).status, 200) << "the earlier sheet's link still opens";
}

TEST_F(Sharing, AFailureIsToldAndTheNextTryPublishes)
{
    SheetSession session(boothSettings(), appPaths());
    BoothShare share(boothSettings(), appPaths(), session);
    share.apply();
    ASSERT_TRUE(share.isRunning());
    QSignalSpy links(&share, &BoothShare::linkReady);
    QSignalSpy failed(&share, &BoothShare::publishFailed);
    QSignalSpy notices(&share, &BoothShare::notice);
    QSignalSpy withdrawn(&share, &BoothShare::noticeWithdrawn);

    share.share();
    EXPECT_TRUE(lastNotice(notices).text.contains(QStringLiteral("Take a picture first")));

    // A file stands where the share folder should be: nothing can be written there.
    ASSERT_TRUE(QDir(shareFolder()).removeRecursively());
    QFile blocker(shareFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    addShot(session, qRgb(220, 40, 40));
    share.publish(session.sheet());
    ASSERT_TRUE(share.waitForIdle(30000));
    EXPECT_TRUE(links.isEmpty());
    ASSERT_EQ(failed.size(), 1);
    const BoothNotice told = lastNotice(notices);
    EXPECT_EQ(told.key, QStringLiteral("share"));
    EXPECT_TRUE(told.warning);
    EXPECT_TRUE(told.text.contains(shareFolder())) << "the file and the reason: " << told.text.toStdString();
    EXPECT_TRUE(share.currentLink().isEmpty());

    // Put right, Share publishes the same sheet and the notice goes.
    ASSERT_TRUE(QFile::remove(shareFolder()));
    share.share();
    ASSERT_TRUE(share.waitForIdle(30000));
    ASSERT_EQ(links.size(), 1);
    EXPECT_TRUE(withdrawn.contains(QVariantList { QStringLiteral("share") }));
    EXPECT_EQ(sheetsPublished(), 1);
}

TEST_F(Sharing, NothingIsPublishedWhileSharingIsOff)
{
    boothSettings().m_shareGallery = 0;
    SheetSession session(boothSettings(), appPaths());
    BoothShare share(boothSettings(), appPaths(), session);
    share.apply();
    QSignalSpy links(&share, &BoothShare::linkReady);
    QSignalSpy notices(&share, &BoothShare::notice);
    addShot(session, qRgb(220, 40, 40));
    share.publish(session.sheet()); // saved or printed
    EXPECT_FALSE(share.isPublishing());
    EXPECT_FALSE(share.printsLink());
    share.share();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(lastNotice(notices).text.contains(QStringLiteral("switched off")));
    EXPECT_TRUE(links.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(shareFolder())) << "nothing written for phones";
}

TEST_F(Sharing, AGuestsPhotoPrintCarriesTheSheetsCodeBesideThePicture)
{
    testsupport::CupsServer cups;
    std::string error;
    ASSERT_TRUE(cups.start(&error) && cups.addPrinter("booth", true, &error, true)) << error;
    BoothSettings& s = boothSettings();
    s.m_sharePrintCode = 1;
    s.m_kioskPrintPaper = QStringLiteral("6x4in");
    s.m_kioskPrintCopies = 1;
    s.m_maxPrintsPerSheet = 2;
    s.SaveShareSettings(appPaths().m_settingsFile);
    Booth booth(boothSettings(), appPaths());
    booth.load();
    ASSERT_TRUE(booth.share().printsLink());
    booth.output().setGuestMode(true);
    addShot(booth.session(), qRgb(220, 40, 40));
    addShot(booth.session(), qRgb(40, 40, 220));

    ASSERT_TRUE(booth.output().guestPrint());
    const std::vector<testsupport::CapturedJob> jobs = cups.waitForJobs(1, 20000);
    ASSERT_EQ(jobs.size(), 1u);
    ASSERT_TRUE(booth.share().waitForIdle(30000));
    const QString link = booth.share().currentLink();
    ASSERT_FALSE(link.isEmpty());
    EXPECT_EQ(sheetsPublished(), 1) << "published for the code, and not again once printed";

    // The page as the printer gets it, at 150 dpi: the code reads back as the sheet's link.
    const std::string page = (m_dir.path() / "page").string();
    ASSERT_EQ(testsupport::CupsServer::run({ "pdftoppm", "-r", "150", "-png", "-singlefile", jobs[0].pdf, page }), 0);
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"),
        { QStringLiteral("--quiet"), QStringLiteral("--raw"), QString::fromStdString(page + ".png") });
    ASSERT_TRUE(zbar.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), link);

    // The code lies in the bottom-right corner, clear of the picture: no black pixel of it falls
    // where the photos are (their colours), and it keeps off the paper's edges.
    const QImage printed(QString::fromStdString(page + ".png"));
    ASSERT_FALSE(printed.isNull());
    // KIVRA_SHARE_SHOTS=DIR keeps the printed page to look at.
    const QString keep = qEnvironmentVariable("KIVRA_SHARE_SHOTS");
    if (!keep.isEmpty() && QDir().mkpath(keep))
        printed.save(keep + QStringLiteral("/photo-print.png"));
    QRect photos, code;
    for (int y = 0; y < printed.height(); ++y)
        for (int x = 0; x < printed.width(); ++x) {
            const QRgb c = printed.pixel(x, y);
            if (near(c, qRgb(220, 40, 40), 40) || near(c, qRgb(40, 40, 220), 40))
                photos |= QRect(x, y, 1, 1);
            else if (qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60)
                code |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(photos.isEmpty());
    ASSERT_FALSE(code.isEmpty());
    EXPECT_FALSE(photos.intersects(code))
        << "photos " << photos.x() << "," << photos.y() << " " << photos.width() << "x" << photos.height() << "; code "
        << code.x() << "," << code.y() << " " << code.width() << "x" << code.height();
    const double pxPerMm = 150 / 25.4;
    EXPECT_GT(code.left(), printed.width() / 2);
    EXPECT_GT(code.top(), printed.height() / 2);
    EXPECT_GE(printed.width() - 1 - code.right(), int(3 * pxPerMm)) << "off the trimmed edge";
    EXPECT_GE(printed.height() - 1 - code.bottom(), int(3 * pxPerMm));
    EXPECT_GE(code.width(), int(12 * pxPerMm)) << "small, but modules a phone can read";

    // Printed again, the same sheet keeps its one link.
    ASSERT_TRUE(booth.output().guestPrint());
    ASSERT_EQ(cups.waitForJobs(2, 20000).size(), 2u);
    EXPECT_EQ(sheetsPublished(), 1);
}
