// Shooting and the camera without a window: the booth's parts over the test camera, with the
// waits of the countdown injected. A second press, the camera going off mid-countdown, the booth
// closed mid-countdown, a full sheet, and what the guests are shown in kiosk mode.
#include <memory>

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include "booth/booth.h"
#include "capture/capture_video.h"
#include "capture/device_provider.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class ShootingPart : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        addFrames(1);
    }
    /// The booth's parts, loaded as the screen loads them when shown, with the camera live.
    std::unique_ptr<Booth> liveBooth(int delay = 0)
    {
        auto booth = std::make_unique<Booth>(boothSettings(), appPaths());
        booth->load();
        boothSettings().m_shottingDelay = delay; // after the load, which reads the settings file
        EXPECT_EQ(booth->camera().start(), BoothCamera::Start::Live);
        return booth;
    }
};

} // namespace

TEST_F(ShootingPart, AShotGoesFromThePressToTheFirstFreeSlotWithoutAWindow)
{
    auto booth = liveBooth();
    QSignalSpy finished(&booth->shooting(), &BoothShooting::shotFinished);
    QSignalSpy guests(&booth->shooting(), &BoothShooting::guestShot);
    booth->shooting().shoot();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), 0);
    EXPECT_EQ(booth->session().sheet().usedSlots(), QList<int> { 0 });
    EXPECT_TRUE(QFile::exists(booth->shooting().lastArchivedShot()));
    EXPECT_TRUE(guests.isEmpty()) << "guests see their shot only in kiosk mode";
    EXPECT_FALSE(booth->shooting().isShooting());
}

TEST_F(ShootingPart, ASecondPressDuringTheCountdownIsNoSecondShot)
{
    auto booth = liveBooth(1);
    BoothShooting& shooting = booth->shooting();
    QSignalSpy finished(&shooting, &BoothShooting::shotFinished);
    bool pressedAgain = false;
    shooting.setWait([&](int ms) {
        if (!pressedAgain) {
            pressedAgain = true;
            shooting.shoot();
        }
        QThread::msleep(ms);
        QCoreApplication::processEvents();
    });
    shooting.shoot();
    EXPECT_TRUE(pressedAgain);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(booth->session().sheet().usedSlots().size(), 1);
}

TEST_F(ShootingPart, TheCameraGoingOffDuringTheCountdownDropsTheShotAndClearsTheGuestsView)
{
    auto booth = liveBooth(1);
    booth->kiosk().setOn(true);
    BoothShooting& shooting = booth->shooting();
    QSignalSpy finished(&shooting, &BoothShooting::shotFinished);
    QSignalSpy cleared(&shooting, &BoothShooting::guestCleared);
    QSignalSpy flashed(&shooting, &BoothShooting::guestFlash);
    shooting.setWait([&](int) { booth->camera().stop(); });
    shooting.shoot();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), -1);
    EXPECT_EQ(cleared.size(), 1);
    EXPECT_TRUE(flashed.isEmpty()) << "no flash for a shot that is not taken";
    EXPECT_TRUE(booth->session().sheet().usedSlots().isEmpty());
    EXPECT_FALSE(shooting.isShooting());
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(ShootingPart, TheBoothClosedDuringTheCountdownEndsTheShotQuietly)
{
    auto booth = liveBooth(1);
    BoothShooting& shooting = booth->shooting();
    int finished = 0;
    QObject::connect(&shooting, &BoothShooting::shotFinished, [&] { ++finished; });
    shooting.setWait([&](int) { booth.reset(); });
    shooting.shoot();
    EXPECT_EQ(booth, nullptr);
    EXPECT_EQ(finished, 0);
}

TEST_F(ShootingPart, AFullSheetIsToldBeforeTheCountdown)
{
    auto booth = liveBooth();
    CombinationSlots& sheet = booth->session().sheet();
    const QImage picture = makePhoto(qRgb(90, 90, 90), QSize(320, 240));
    while (sheet.usedSlots().size() < sheet.count())
        ASSERT_GE(sheet.storeIntoFirstFree(picture, picture, QImage(), 255), 0);
    QSignalSpy countdown(&booth->shooting(), &BoothShooting::countdownChanged);
    QSignalSpy finished(&booth->shooting(), &BoothShooting::shotFinished);
    booth->shooting().shoot();
    EXPECT_TRUE(countdown.isEmpty());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), -1);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("All slots are full")));
}

TEST_F(ShootingPart, InKioskModeTheGuestsSeeEverySecondTheFlashAndTheirShotInThatOrder)
{
    auto booth = liveBooth(2);
    booth->kiosk().setOn(true);
    BoothShooting& shooting = booth->shooting();
    QStringList seen;
    QObject::connect(&shooting, &BoothShooting::guestCountdown, [&](int s) { seen << QString::number(s); });
    QObject::connect(&shooting, &BoothShooting::guestFlash, [&] { seen << QStringLiteral("flash"); });
    QObject::connect(&shooting, &BoothShooting::guestShot,
        [&](const QImage& shot) { seen << QStringLiteral("shot %1x%2").arg(shot.width()).arg(shot.height()); });
    shooting.shoot();
    EXPECT_EQ(seen, (QStringList { "2", "1", "flash", "shot 320x240" }));
}

TEST_F(ShootingPart, TheCameraPartTellsItsStateOnceAndComesBackWhenItsDeviceIsPluggedBackIn)
{
    CTestDeviceProvider devices;
    CCaptureVideo::SetDeviceProvider(&devices);
    {
        BoothCamera camera(boothSettings());
        EXPECT_EQ(camera.start(), BoothCamera::Start::NoCamera);
        EXPECT_FALSE(camera.isLive());
        camera.tellNoCamera();
        ASSERT_EQ(m_prompts.messages.size(), 1);
        EXPECT_TRUE(m_prompts.messages[0].text.startsWith(QStringLiteral("No camera was found")));

        QSignalSpy listed(&camera, &BoothCamera::devicesChanged);
        devices.plug(QStringLiteral("Cam A"));
        ASSERT_TRUE(waitUntil([&] { return !listed.isEmpty(); }, 2000));
        EXPECT_EQ(camera.devices(), QStringList { QStringLiteral("Cam A") });

        QSignalSpy live(&camera, &BoothCamera::liveChanged);
        EXPECT_EQ(camera.start(), BoothCamera::Start::Live);
        EXPECT_EQ(camera.start(), BoothCamera::Start::Live);
        EXPECT_EQ(live.size(), 1) << "already live is no change";

        devices.unplug(QStringLiteral("Cam A"));
        ASSERT_TRUE(waitUntil([&] { return !camera.isLive(); }, 3000));
        ASSERT_EQ(m_prompts.messages.size(), 2);
        EXPECT_TRUE(m_prompts.messages[1].text.contains(QStringLiteral("Cam A"))) << "told once, by name";
        devices.plug(QStringLiteral("Cam A"));
        EXPECT_TRUE(waitUntil([&] { return camera.isLive(); }, 3000));
        EXPECT_EQ(live.size(), 3);
        EXPECT_EQ(m_prompts.messages.size(), 2);

        // The operator's stop ends waiting for a camera: one unplugged now stays off.
        camera.stop();
        devices.unplug(QStringLiteral("Cam A"));
        devices.plug(QStringLiteral("Cam A"));
        QCoreApplication::processEvents();
        EXPECT_FALSE(camera.isLive());
    }
    CCaptureVideo::SetDeviceProvider(nullptr);
}
