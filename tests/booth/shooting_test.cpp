// Shooting with the test camera: countdown, the shot in the first free slot, the ignored second
// press, the full layout and the bounded wait for the camera's file.
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include "booth/dlg_corvantis.h"
#include "booth/self_test.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "tests/booth/full_disk_p.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class Shooting : public ScreenFixture {
protected:
    /// A shown screen with the camera on.
    std::unique_ptr<DlgCorvantis> liveScreen(int delay)
    {
        addFrames(2);
        addPhotos(1);
        writeSettings(delay);
        auto screen = std::make_unique<DlgCorvantis>();
        screen->setCloseHandler([] {});
        screen->show();
        platform::findControl<CxSkinButton>(screen.get(), DlgCorvantis::kCameraId)->click();
        EXPECT_TRUE(screen->isLive());
        return screen;
    }

    void clickShoot(DlgCorvantis& screen)
    {
        platform::findControl<CxSkinButton>(&screen, DlgCorvantis::kShootId)->click();
    }
};

} // namespace

TEST_F(Shooting, ShotNameUsesLocalTimeInTempFolder)
{
    const QDateTime when(QDate(2011, 3, 3), QTime(14, 5, 9));
    EXPECT_EQ(
        BoothShooting::ShotFileName(QStringLiteral("/tmp/x/"), when), QStringLiteral("/tmp/x/cap_110303140509.bmp"));
    EXPECT_EQ(
        BoothShooting::ShotFileName(QStringLiteral("/tmp/x"), when), QStringLiteral("/tmp/x/cap_110303140509.bmp"));
}

TEST_F(Shooting, WithoutLiveCameraShootDoesNothing)
{
    addFrames(1);
    writeSettings(0);
    DlgCorvantis screen;
    screen.show();
    QStringList texts;
    QObject::connect(&screen, &DlgCorvantis::countdownChanged, [&](const QString& t) { texts << t; });
    screen.OnShoot();
    EXPECT_TRUE(texts.isEmpty());
    EXPECT_TRUE(screen.slotModel().usedSlots().isEmpty());
}

TEST_F(Shooting, DelayZeroFillsSlotZeroWithComposedPicture)
{
    auto screen = liveScreen(0);
    QStringList texts;
    QObject::connect(screen.get(), &DlgCorvantis::countdownChanged, [&](const QString& t) { texts << t; });
    int finished = -2;
    QObject::connect(screen.get(), &DlgCorvantis::shotFinished, [&](int slot) { finished = slot; });
    QElapsedTimer t;
    t.start();
    clickShoot(*screen);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_EQ(finished, 0);
    // Shown and hidden at once, no counting.
    EXPECT_EQ(texts, (QStringList { QStringLiteral("count down 0 seconds"), QString() }));
    const ComData& slot = screen->slotModel().slot(0);
    EXPECT_EQ(slot.m_used, 1);
    EXPECT_EQ(slot.m_composed.size(), QSize(320, 240));
    EXPECT_EQ(slot.m_background.size(), QSize(320, 240));
    EXPECT_FALSE(slot.m_frame.isNull()); // the frame check box is on
    // The frame's border (blue) is laid over the shot; the opening shows the camera picture.
    EXPECT_EQ(slot.m_composed.pixel(2, 2) & 0xFFFFFF, 0x2E86DEu);
    EXPECT_NE(slot.m_composed.pixel(160, 120) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_TRUE(QFileInfo::exists(screen->lastShotPath()));
    EXPECT_TRUE(QFileInfo(screen->lastShotPath()).fileName().startsWith(QStringLiteral("cap_")));
    EXPECT_FALSE(screen->isShooting());
    EXPECT_FALSE(screen->isCountdownVisible());
    // The slot's control shows it.
    ASSERT_NE(screen->slotPicture(0), nullptr);
    EXPECT_EQ(screen->slotPicture(0)->picture().size(), slot.rect().size());

    // Two shots within one second get the same name: the second must still be a new shot.
    clickShoot(*screen);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(screen->slotModel().slot(1).m_used, 1);
}

TEST_F(Shooting, CountdownThreeShowsEverySecondAndIgnoresSecondPress)
{
    auto screen = liveScreen(3);
    QStringList texts;
    bool visibleDuring = false;
    QObject::connect(screen.get(), &DlgCorvantis::countdownChanged, [&](const QString& t) {
        texts << t;
        if (!t.isEmpty())
            visibleDuring = visibleDuring || screen->isCountdownVisible();
    });
    int shots = 0;
    QObject::connect(screen.get(), &DlgCorvantis::shotFinished, [&](int) { ++shots; });
    // A second press in the middle of the countdown, dispatched by the countdown's own waiting.
    QTimer::singleShot(1500, screen.get(), [&] { clickShoot(*screen); });
    clickShoot(*screen);
    EXPECT_EQ(texts,
        (QStringList { QStringLiteral("count down 3 seconds"), QStringLiteral("count down 2 seconds"),
            QStringLiteral("count down 1 seconds"), QStringLiteral("count down 0 seconds"), QString() }));
    EXPECT_TRUE(visibleDuring);
    EXPECT_EQ(shots, 1);
    EXPECT_EQ(screen->slotModel().usedSlots(), QList<int> { 0 });
}

TEST_F(Shooting, FullLayoutDropsTheShot)
{
    auto screen = liveScreen(0);
    screen->OnLayout(1);
    for (int i = 0; i < 4; ++i)
        clickShoot(*screen);
    ASSERT_EQ(screen->slotModel().usedSlots().size(), 4);
    const QImage before = screen->slotModel().slot(3).m_composed;
    int finished = -2;
    QObject::connect(screen.get(), &DlgCorvantis::shotFinished, [&](int slot) { finished = slot; });
    clickShoot(*screen);
    EXPECT_EQ(finished, -1);
    EXPECT_EQ(screen->slotModel().slot(3).m_composed, before);
    // The full sheet is said before any countdown starts.
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.startsWith(QStringLiteral("All slots are full")));
}

TEST_F(Shooting, CameraThatDeliversNothingEndsWithMessage)
{
    auto screen = liveScreen(0);
    screen->booth().shooting().setShotWaitLimit(300);
    // Grab through the stream (frame off) from a stopped graph: no frame ever passes.
    platform::findControl<CxSkinButton>(screen.get(), DlgCorvantis::kFrameShownId)->click();
    ASSERT_FALSE(screen->isFrameShown());
    screen->capture().Stop();
    int finished = -2;
    QObject::connect(screen.get(), &DlgCorvantis::shotFinished, [&](int slot) { finished = slot; });
    clickShoot(*screen);
    EXPECT_EQ(finished, -1);
    EXPECT_FALSE(screen->isShooting());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("did not deliver")));
    EXPECT_TRUE(screen->slotModel().usedSlots().isEmpty());
}

TEST_F(Shooting, AutoChangeFrameAdvancesAfterShot)
{
    auto screen = liveScreen(0);
    boothSettings().m_autoChangeFrame = 1;
    const int before = screen->frameIndex();
    clickShoot(*screen);
    EXPECT_EQ(screen->frameIndex(), before + 1);
}

TEST_F(Shooting, CameraSwitchedOffDuringCountdownDropsTheShot)
{
    auto screen = liveScreen(1);
    int finished = -2;
    QObject::connect(screen.get(), &DlgCorvantis::shotFinished, [&](int slot) { finished = slot; });
    QTimer::singleShot(300, screen.get(),
        [&] { platform::findControl<CxSkinButton>(screen.get(), DlgCorvantis::kCameraId)->click(); });
    clickShoot(*screen);
    EXPECT_FALSE(screen->isLive());
    EXPECT_EQ(finished, -1);
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_TRUE(screen->slotModel().usedSlots().isEmpty());
    EXPECT_FALSE(screen->isCountdownVisible());
}

TEST_F(Shooting, EveryShotIsArchivedAsTakenAndComposed)
{
    auto screen = liveScreen(0);
    clickShoot(*screen);
    ASSERT_EQ(screen->slotModel().usedSlots(), QList<int> { 0 });
    const QString day = appPaths().m_saveFolder + QStringLiteral("/Shots/")
        + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QStringList kept = QDir(day).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(kept.size(), 2) << kept.join(' ').toStdString();
    EXPECT_TRUE(kept[0].endsWith(QStringLiteral("_camera.png")));
    EXPECT_TRUE(kept[1].endsWith(QStringLiteral("_slot.png")));
    EXPECT_EQ(QImage(day + QLatin1Char('/') + kept[1]).size(), QSize(320, 240));
    EXPECT_FALSE(QImage(day + QLatin1Char('/') + kept[0]).isNull());

    // Clearing the sheet leaves the archive alone.
    screen->OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_EQ(QDir(day).entryList(QDir::Files).size(), 2);
}

TEST_F(Shooting, FullDiskWhileArchivingTellsAndTheShotStillReachesItsSlot)
{
    boothtest::SmallDisk disk(appPaths().m_saveFolder);
    if (!disk.mounted())
        GTEST_SKIP() << "no right to mount a small file system";
    disk.fill();
    auto screen = liveScreen(0);
    clickShoot(*screen);
    EXPECT_EQ(screen->slotModel().usedSlots(), QList<int> { 0 });
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("could not be kept")))
        << m_prompts.messages[0].text.toStdString();
    EXPECT_TRUE(screen->lastArchivedShot().isEmpty());
}

TEST_F(Shooting, SelfTestShootsThroughTheRealPathAndStartsNewSheets)
{
    addFrames(2);
    addPhotos(1);
    writeSettings(3); // the check runs without the countdown whatever the settings say
    DlgCorvantis screen;
    screen.setCloseHandler([] {});
    screen.show();
    screen.OnLayout(1); // four slots: the fifth shot needs a new sheet
    const SelfTestResult result = RunSelfTest(screen, 5);
    EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
    EXPECT_EQ(result.shots, 5);
    EXPECT_EQ(result.failed, 0);
    EXPECT_GT(result.worstMs, 0);
    EXPECT_LE(result.medianMs, result.worstMs);
    EXPECT_GT(result.rssEndMb, 0);
    EXPECT_EQ(boothSettings().m_shottingDelay, 3);
    EXPECT_EQ(screen.slotModel().usedSlots(), QList<int> { 0 });
    const QString day = appPaths().m_saveFolder + QStringLiteral("/Shots/")
        + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(QDir(day).entryList(QDir::Files).size(), 10);
    const QString line = result.summary();
    EXPECT_TRUE(line.startsWith(QStringLiteral("self-test: 5 shots, 0 failed"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("rss \\d+ MB -> \\d+ MB$")))) << line.toStdString();
}

TEST_F(Shooting, SelfTestWithoutCameraFails)
{
    CCaptureVideo::SetTestCameraOverride(0, true);
    writeSettings(0);
    DlgCorvantis screen;
    const SelfTestResult result = RunSelfTest(screen, 3);
    EXPECT_FALSE(result.problem.isEmpty());
    EXPECT_EQ(result.failed, 3);
}

TEST_F(Shooting, SelfTestHeapDoesNotGrowFromSheetToSheet)
{
    addFrames(1);
    writeSettings(0);
    DlgCorvantis screen;
    screen.setCloseHandler([] {});
    screen.show();
    screen.OnLayout(1); // four slots: 44 shots put ten full sheets aside
    const SelfTestResult result = RunSelfTest(screen, 44);
    ASSERT_EQ(result.failed, 0) << result.summary().toStdString();
    ASSERT_EQ(result.sheetsStarted, 10);
    // Medians of sheets 2-4 and 8-10, each an empty sheet with its autosave written. Keeping one
    // slot picture (300 KB) or one camera frame per shot would add 7 MB or more over the 24 shots
    // between them; what the camera has in flight varies by a frame or two.
    EXPECT_LT(result.heapLateMb - result.heapEarlyMb, 3.0) << result.summary().toStdString();
    EXPECT_GT(result.heapEarlyMb, 0);
    EXPECT_TRUE(result.summary().contains(QStringLiteral("10 sheets, early to late: heap")))
        << result.summary().toStdString();
}
