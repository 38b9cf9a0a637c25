// The phone link as guests see it: Share on the main screen shows the sheet's QR code (read back
// with zbarimg from a picture of the screen) until the next touch or shot, the guests' kiosk view
// shows it large when the sheet is full, and with sharing off nothing of it appears.
#include <QAccessible>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/kiosk_view.h"
#include "booth/share_card.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/notice_banner.h"
#include "tests/booth/screen_test_support.h"
#include "tests/share/share_test_util.h"

using namespace screentest;

namespace {

class ScreenShare : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty())
            GTEST_SKIP() << "zbarimg is not installed (scripts/install-deps.sh installs it)";
        addFrames(2);
        addPhotos(1);
        m_port = sharetest::freePort();
        boothSettings().m_shareGallery = 1;
        boothSettings().m_sharePort = m_port;
        boothSettings().m_shareBind = QStringLiteral("127.0.0.1");
    }
    /// The screen over settings written to its file (the booth load reads them when shown).
    std::unique_ptr<DlgCorvantis> screen()
    {
        writeSettings(0);
        boothSettings().SaveShareSettings(appPaths().m_settingsFile);
        auto s = std::make_unique<DlgCorvantis>();
        s->setCloseHandler([] {});
        return s;
    }
    /// What zbarimg reads in picture (empty when it finds no code).
    QString decode(const QImage& picture, const char* name)
    {
        const QString file = QString::fromStdString((m_dir.path() / name).string());
        EXPECT_TRUE(picture.save(file));
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), { QStringLiteral("--quiet"), QStringLiteral("--raw"), file });
        EXPECT_TRUE(zbar.waitForFinished(30000));
        return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
    }
    static QString description(QWidget* w)
    {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
    }
    static void press(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center()); }

    int m_port = 0;
};

} // namespace

TEST_F(ScreenShare, ShareShowsTheCodeUntilTheNextTouchOrShotAndNeverOverTheCountdown)
{
    auto s = screen();
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.get()));
    auto* card = s->findChild<ShareCard*>();
    ASSERT_NE(card, nullptr);
    QWidget* share = platform::findControl(s.get(), DlgCorvantis::kShareId);
    ASSERT_NE(share, nullptr);
    EXPECT_TRUE(share->isVisible()) << "offered while sharing is on";
    EXPECT_FALSE(card->isVisible());

    s->OnUsePicture();
    press(share);
    ASSERT_TRUE(waitUntil([&] { return card->isVisible(); }, 30000));
    const QString link = card->link();
    EXPECT_TRUE(link.startsWith(QStringLiteral("http://127.0.0.1:%1/s/").arg(m_port))) << link.toStdString();
    EXPECT_EQ(description(card), link) << "a screen reader hears the address";
    EXPECT_EQ(decode(s->grab().toImage(), "screen.png"), link) << "the code on the screen opens the sheet";
    // About 7.6 cm on a 96 dpi screen: phones read it from a metre away.
    EXPECT_GE(card->codeSide(), 240);
    EXPECT_FALSE(card->geometry().intersects(MainScreenIds::kPictureRect)) << "the live picture stays in view";
    EXPECT_EQ(sharetest::get(m_port, link.section(QLatin1Char('/'), 3).prepend('/').toStdString()).status, 200);

    // A touch anywhere closes it; Share shows it again, without publishing the sheet again.
    press(s->slotPicture(1));
    EXPECT_FALSE(card->isVisible());
    press(share);
    ASSERT_TRUE(waitUntil([&] { return card->isVisible(); }, 10000));
    EXPECT_EQ(card->link(), link);

    // It goes by itself after a while.
    card->setTimeout(300);
    press(share);
    ASSERT_TRUE(waitUntil([&] { return card->isVisible(); }, 10000));
    EXPECT_TRUE(waitUntil([&] { return !card->isVisible(); }, 5000));
    card->setTimeout(ShareCard::kShownMs);

    // The next shot: the card is gone before the countdown shows.
    press(share);
    ASSERT_TRUE(waitUntil([&] { return card->isVisible(); }, 10000));
    platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kCameraId)->click();
    ASSERT_TRUE(s->isLive());
    boothSettings().m_shottingDelay = 1;
    int countdowns = 0, covered = 0;
    QObject::connect(s.get(), &DlgCorvantis::countdownChanged, card, [&](const QString& text) {
        if (text.isEmpty())
            return;
        ++countdowns;
        covered += card->isVisible() ? 1 : 0;
    });
    s->OnShoot();
    EXPECT_GT(countdowns, 0);
    EXPECT_EQ(covered, 0);
    EXPECT_FALSE(card->isVisible());
}

TEST_F(ScreenShare, TheGuestsSeeTheCodeLargeInTheKioskViewWhenTheSheetIsFull)
{
    auto s = screen();
    KioskView view(*s);
    view.resize(1920, 1080);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    s->OnLayout(1); // four slots
    ASSERT_EQ(s->slotModel().count(), 4);
    s->setKioskMode(true);
    platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kCameraId)->click();
    ASSERT_TRUE(s->isLive());
    auto* card = s->findChild<ShareCard*>();
    for (int shot = 0; shot < 4; ++shot) {
        EXPECT_FALSE(card->isVisible()) << "not before the sheet is full";
        s->OnShoot();
    }
    ASSERT_EQ(s->slotModel().usedSlots().size(), 4u);
    ASSERT_TRUE(waitUntil([&] { return card->isVisible(); }, 30000)) << "a full sheet gets its link";
    ASSERT_TRUE(waitUntil([&] { return s->guestView()->isHidden(); }, 10000)) << "the new shot's view ends";

    // The code as the guests see it, at full HD: at least 6 cm across on a 24 inch screen
    // (0.277 mm per pixel), and it reads back from that part of the view alone.
    const QRect inBooth(card->mapTo(s.get(), card->codeRect().topLeft()), card->codeRect().size());
    const QRect inView(view.mapFromBooth(inBooth.topLeft()), view.mapFromBooth(inBooth.bottomRight() + QPoint(1, 1)));
    EXPECT_GE(inView.width() * 0.277, 60.0) << inView.width() << " pixels";
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(decode(shown.copy(inView), "kiosk.png"), card->link());
}

TEST_F(ScreenShare, WithSharingOffNothingOfItIsOffered)
{
    boothSettings().m_shareGallery = 0;
    auto s = screen();
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.get()));
    QWidget* share = platform::findControl(s.get(), DlgCorvantis::kShareId);
    EXPECT_FALSE(share->isVisible());
    s->OnUsePicture();
    s->booth().share().publish(s->slotModel()); // as a save or a print would
    s->booth().share().share(); // reached some other way, it says how to switch sharing on
    EXPECT_TRUE(s->notices()->text(QStringLiteral("share")).contains(QStringLiteral("switched off")));
    QTest::qWait(300);
    EXPECT_FALSE(s->findChild<ShareCard*>()->isVisible());
    EXPECT_FALSE(QFileInfo::exists(appPaths().m_saveFolder + QStringLiteral("/Share")));

    // Switched on in the settings, Share appears; a failure shows on the screen's banner.
    boothSettings().m_shareGallery = 1;
    s->booth().settingsChanged();
    EXPECT_TRUE(share->isVisible());
    QFile blocker(appPaths().m_saveFolder + QStringLiteral("/Share"));
    ASSERT_TRUE(QDir(appPaths().m_saveFolder + QStringLiteral("/Share")).removeRecursively());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    press(share);
    ASSERT_TRUE(s->booth().share().waitForIdle(30000));
    EXPECT_TRUE(s->notices()->text(QStringLiteral("share")).contains(QStringLiteral("could not be shared")));
    EXPECT_FALSE(s->findChild<ShareCard*>()->isVisible());
}
