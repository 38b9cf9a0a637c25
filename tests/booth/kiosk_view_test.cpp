// Kiosk mode as guests meet it: the booth scaled and letterboxed with input reaching the controls
// through the scale, the guests' countdown, flash and new slot, and the attract screen.
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QPointingDevice>
#include <QTest>
#include <QTimer>

#include "app/dlg_configure.h"
#include "app/operator_lock.h"
#include "booth/attract_screen.h"
#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/kiosk_view.h"
#include "booth/shot_archive.h"
#include "skin/quen_menu.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/skin_theme.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class Kiosk : public ScreenFixture {
protected:
    std::unique_ptr<DlgCorvantis> booth(int delay = 0)
    {
        addFrames(2);
        addPhotos(1);
        writeSettings(delay);
        auto s = std::make_unique<DlgCorvantis>();
        s->setCloseHandler([] {});
        s->setKioskMode(true);
        return s;
    }
    static QPoint centreOf(DlgCorvantis& s, int id)
    {
        QWidget* w = platform::findControl(&s, id);
        return w->geometry().center();
    }
    static void tap(KioskView& view, const QPoint& boothPoint)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.mapFromBooth(boothPoint));
    }
};

TEST_F(Kiosk, BoothIsScaledToFitLetterboxedAndClicksReachTheControlUnderThem)
{
    auto s = booth();
    KioskView view(*s);
    view.resize(1280, 800);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(s->isVisible());

    // 800 x 600 into 1280 x 800: height decides, the sides are letterboxed.
    EXPECT_NEAR(view.boothScale(), 800.0 / 600.0, 1e-9);
    const QRect booth = view.boothRect();
    EXPECT_NEAR(booth.width(), 1067, 1);
    EXPECT_EQ(booth.height(), 800);
    EXPECT_NEAR(booth.left(), (1280 - 1067) / 2, 1);
    EXPECT_EQ(view.mapToBooth(view.mapFromBooth(QPoint(400, 300))), QPoint(400, 300));

    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixel(10, 400) | 0xFF000000, skin::theme::kNight) << "the bar is the theme's night blue";
    EXPECT_EQ(shown.pixel(1270, 20) | 0xFF000000, skin::theme::kNight);

    // The booth's own coordinates of the camera button lie in the bar: nothing happens there.
    const QPoint camera = centreOf(*s, DlgCorvantis::kCameraId);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, camera);
    EXPECT_FALSE(s->isLive());
    tap(view, camera);
    EXPECT_TRUE(s->isLive()) << "a click at the mapped point presses the camera button";
    tap(view, centreOf(*s, DlgCorvantis::kShootId));
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u);

    // The slot menu opens from a mapped right click on the slot and its choice applies to it.
    const QPoint slot = view.mapFromBooth(s->slotPicture(0)->geometry().center());
    QTimer::singleShot(150, [&] {
        QMenu* menu = s->slotMenu();
        ASSERT_TRUE(menu->isVisible());
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("Remove"))
                menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, slot);
    EXPECT_TRUE(s->slotModel().usedSlots().empty()) << "Remove emptied the slot under the click";
    tap(view, centreOf(*s, DlgCorvantis::kShootId));
    ASSERT_EQ(s->slotModel().usedSlots().size(), 1u);

    // A click on the bar beside a control presses nothing.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(booth.left() - 5, booth.center().y()));
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u);
}

TEST_F(Kiosk, TouchesAreMappedLikeClicks)
{
    auto s = booth();
    KioskView view(*s);
    view.resize(1024, 1024); // taller than wide: bars above and below
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.boothRect().width(), 1024);
    EXPECT_NEAR(view.boothRect().top(), (1024 - 768) / 2, 1);
    static QPointingDevice* screenDevice = QTest::createTouchDevice();
    const QPoint at = view.mapFromBooth(centreOf(*s, DlgCorvantis::kCameraId));
    QTest::touchEvent(view.viewport(), screenDevice).press(0, at);
    QTest::touchEvent(view.viewport(), screenDevice).release(0, at);
    EXPECT_TRUE(waitUntil([&] { return s->isLive(); }, 2000));
}

TEST_F(Kiosk, GuestsSeeTheCountdownLargeThenAFlashThenTheirNewSlot)
{
    auto s = booth(1);
    s->show();
    platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kCameraId)->click();
    ASSERT_TRUE(s->isLive());
    GuestView* guest = s->guestView();
    QList<GuestView::Mode> modes;
    QList<int> seconds;
    QObject::connect(guest, &GuestView::modeChanged, [&](GuestView::Mode m) {
        modes.append(m);
        if (m == GuestView::Countdown)
            seconds.append(guest->countdownSeconds());
    });
    QStringList labels;
    QObject::connect(s.get(), &DlgCorvantis::countdownChanged, [&](const QString& text) { labels.append(text); });
    s->OnShoot();
    ASSERT_EQ(s->slotModel().usedSlots().size(), 1u);
    const QList<GuestView::Mode> expected = { GuestView::Countdown, GuestView::Flash, GuestView::Shot };
    EXPECT_EQ(modes, expected);
    EXPECT_EQ(seconds, QList<int>({ 1 }));
    EXPECT_TRUE(labels.contains(QStringLiteral("count down 1 seconds"))) << "the label is still shown";
    EXPECT_EQ(guest->mode(), GuestView::Shot);
    EXPECT_EQ(guest->shotPicture(), s->slotModel().slot(0).m_composed);
    EXPECT_TRUE(guest->isVisible());
    EXPECT_GT(guest->shotRect().width(), 320) << "shown larger than the preview";
    // Two seconds later the booth is back.
    EXPECT_FALSE(waitUntil([&] { return guest->mode() == GuestView::Idle; }, 1500));
    EXPECT_TRUE(waitUntil([&] { return guest->mode() == GuestView::Idle; }, 2000));
    EXPECT_FALSE(guest->isVisible());

    // Outside kiosk mode the operator's screen stays as it is.
    s->setKioskMode(false);
    modes.clear();
    s->OnShoot();
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2u);
    EXPECT_TRUE(modes.isEmpty());
}

TEST_F(Kiosk, AttractScreenComesWhenIdleAndTheWakingTouchPressesNothing)
{
    auto s = booth();
    KioskView view(*s);
    view.resize(1000, 700);
    view.setAttractIdle(1);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kCameraId)->click();
    ASSERT_TRUE(s->isLive());
    EXPECT_FALSE(view.isAttractShown());
    ASSERT_TRUE(waitUntil([&] { return view.isAttractShown(); }, 3000));
    EXPECT_EQ(view.attractScreen()->geometry(), view.rect()) << "the whole screen, bars included";

    // The shoot key wakes the booth without shooting; the next one shoots.
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(view.isAttractShown());
    EXPECT_TRUE(s->slotModel().usedSlots().empty());
    QTest::qWait(500);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u);

    // Input keeps it away; idle time 0 turns it off.
    view.setAttractIdle(0);
    QTest::qWait(1300);
    EXPECT_FALSE(view.isAttractShown());
}

TEST_F(Kiosk, SwitchingKioskModeInTheSettingsKeepsTheSessionAndGoesFullScreen)
{
    auto s = booth();
    s->setKioskMode(false);
    s->setSwitchesPresentation(true);
    boothSettings().m_operatorPin = HashOperatorPin(QStringLiteral("2468"), QByteArray("salt"), 10);
    boothSettings().SaveKioskSettings(appPaths().m_settingsFile); // the dialog reads the file when it opens
    s->show();
    s->OnUsePicture();
    ASSERT_EQ(s->slotModel().usedSlots().size(), 1u);
    QTimer::singleShot(200, [&] {
        auto* dlg = qobject_cast<DlgConfigure*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        platform::findControl<QAbstractButton>(dlg, DlgConfigure::kKioskId)->click();
        platform::findControl<QAbstractButton>(dlg, DlgConfigure::kCloseId)->click();
    });
    platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kConfigureId)->click();
    ASSERT_TRUE(s->isKioskMode());
    ASSERT_TRUE(waitUntil([&] { return !s->isVisible(); }, 2000));
    EXPECT_EQ(s->result(), DlgCorvantis::kPresentationChanged);

    {
        KioskView view(*s);
        view.resize(1280, 800);
        view.show();
        s->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        EXPECT_EQ(s->slotModel().usedSlots().size(), 1u) << "the sheet survives the switch";
        EXPECT_EQ(s->window(), s.get());
        EXPECT_NE(s->graphicsProxyWidget(), nullptr);
    }
    // Out of the view the screen is a dialog window of its own again.
    EXPECT_EQ(s->graphicsProxyWidget(), nullptr);
    EXPECT_EQ(s->windowType(), Qt::Dialog);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u);
}

TEST_F(Kiosk, AttractShowsTheEventsNewestSheetsAndShotsOnly)
{
    const QString save = appPaths().m_saveFolder;
    const ShotArchive archive(save);
    const QDate today(2026, 5, 16);
    QDir().mkpath(archive.dayFolder(today));
    QDir().mkpath(archive.dayFolder(today.addDays(-3)));
    const QDateTime t0(today, QTime(18, 0));
    auto write = [](const QString& path, const QDateTime& when) {
        makePhoto(0xFF336699, QSize(64, 48)).save(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    write(save + QStringLiteral("/sheet_a.png"), t0.addSecs(10));
    write(save + QStringLiteral("/sheet_b.jpg"), t0.addSecs(40));
    write(archive.dayFolder(today) + QStringLiteral("/shot_180020_000_slot.png"), t0.addSecs(20));
    write(archive.dayFolder(today) + QStringLiteral("/shot_180020_000_camera.png"), t0.addSecs(21));
    write(archive.dayFolder(today) + QStringLiteral("/shot_180030_000_slot.png"), t0.addSecs(30));
    write(archive.dayFolder(today.addDays(-3)) + QStringLiteral("/shot_120000_000_slot.png"), t0.addDays(-3));
    QFile notes(save + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));

    const QStringList all = RecentEventPictures(save, today);
    QStringList names;
    for (const QString& p : all)
        names.append(QFileInfo(p).fileName());
    EXPECT_EQ(
        names, QStringList({ "sheet_b.jpg", "shot_180030_000_slot.png", "shot_180020_000_slot.png", "sheet_a.png" }));
    EXPECT_EQ(RecentEventPictures(save, today, 2).size(), 2);

    // After midnight the evening's shots still show: the newest day with shots.
    const QStringList nextDay = RecentEventPictures(save, today.addDays(1));
    EXPECT_EQ(nextDay.size(), 4);
    EXPECT_EQ(RecentEventPictures(QString(), today).size(), 0);

    // A picture that cannot be read is passed over.
    QFile broken(save + QStringLiteral("/broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    AttractScreen attract;
    attract.resize(800, 600);
    attract.setPictures({ broken.fileName(), all[0], all[1] });
    attract.start();
    EXPECT_EQ(attract.currentIndex(), 1);
    attract.showNext();
    EXPECT_EQ(attract.currentIndex(), 2);
    attract.showNext();
    EXPECT_EQ(attract.currentIndex(), 1) << "round again, past the broken file";
}

} // namespace
