// The main screen's guards: questions before a session, a sheet or slots are lost, the full sheet
// said before the countdown, the frame that "To edit area" brings back, no camera, Settings, and
// the operator lock and shoot key of kiosk mode.
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "app/dlg_configure.h"
#include "app/operator_lock.h"
#include "booth/dlg_corvantis.h"
#include "picture/image_bridge.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class Guards : public ScreenFixture {
protected:
    std::unique_ptr<DlgCorvantis> screen(bool live, int delay = 0)
    {
        addFrames(2);
        addPhotos(1);
        writeSettings(delay);
        auto s = std::make_unique<DlgCorvantis>();
        s->setCloseHandler([this] { ++m_closed; });
        s->show();
        if (live) {
            click(*s, DlgCorvantis::kCameraId);
            EXPECT_TRUE(s->isLive());
        }
        return s;
    }
    static void click(DlgCorvantis& s, int id) { platform::findControl<CxSkinButton>(&s, id)->click(); }
    static void key(QWidget* target, int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    int m_closed = 0;
};

} // namespace

TEST_F(Guards, EscAndCloseAskBeforeEndingASessionWithPictures)
{
    auto empty = screen(false);
    key(empty.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_prompts.messages.isEmpty()) << "nothing to lose, nothing asked";
    EXPECT_FALSE(empty->isVisible());

    auto s = screen(false);
    s->OnUsePicture();
    s->OnUsePicture();
    m_prompts.messageReply = platform::IdCancel;
    key(s.get(), Qt::Key_Escape);
    EXPECT_TRUE(s->isVisible());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("2 pictures")));
    click(*s, DlgCorvantis::kCloseId);
    EXPECT_EQ(m_closed, 0);
    EXPECT_EQ(m_prompts.messages.size(), 2);
    s->close();
    EXPECT_TRUE(s->isVisible()) << "the window's own close asks too";

    m_prompts.messageReply = platform::IdOk;
    click(*s, DlgCorvantis::kCloseId);
    EXPECT_EQ(m_closed, 1);
}

TEST_F(Guards, ClearAndALayoutThatDropsSlotsAsk)
{
    auto s = screen(false);
    for (int i = 0; i < 5; ++i)
        s->OnUsePicture();
    ASSERT_EQ(s->slotModel().usedSlots().size(), 5);

    m_prompts.messageReply = platform::IdCancel;
    s->OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 5);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("5 pictures")));

    click(*s, DlgCorvantis::kLayout0Id + 1);
    EXPECT_EQ(s->layout(), 0);
    EXPECT_TRUE(platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kLayout0Id)->GetCheck());
    EXPECT_FALSE(platform::findControl<CxSkinButton>(s.get(), DlgCorvantis::kLayout0Id + 1)->GetCheck());
    ASSERT_EQ(m_prompts.messages.size(), 2);
    EXPECT_TRUE(m_prompts.messages[1].text.contains(QStringLiteral("room for 4")));
    EXPECT_TRUE(m_prompts.messages[1].text.contains(QStringLiteral("1 picture ")));

    // A layout with room for all of them asks nothing.
    click(*s, DlgCorvantis::kLayout0Id + 3);
    EXPECT_EQ(s->layout(), 3);
    EXPECT_EQ(m_prompts.messages.size(), 2);

    m_prompts.messageReply = platform::IdOk;
    click(*s, DlgCorvantis::kLayout0Id + 1);
    EXPECT_EQ(s->layout(), 1);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 4);
    s->OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_TRUE(s->slotModel().usedSlots().isEmpty());
    const qsizetype asked = m_prompts.messages.size();
    s->OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_EQ(m_prompts.messages.size(), asked) << "an empty sheet is cleared without a question";
}

TEST_F(Guards, AShotWithNowhereToGoNeverBecomesTheCurrentPhoto)
{
    auto s = screen(true, 1);
    s->OnLayout(1);
    for (int i = 0; i < 3; ++i) {
        s->OnShoot();
        ASSERT_EQ(s->slotModel().usedSlots().size(), size_t(i + 1));
    }
    const QImage photoBefore = BitmapFromImage(s->currentPhoto());
    s->OnSlotCommand(0, DlgCorvantis::CmdCopy);
    // The last slot is filled while the countdown runs.
    QTimer::singleShot(300, s.get(), [&] { s->OnSlotCommand(3, DlgCorvantis::CmdPaste); });
    int finished = -2;
    QObject::connect(s.get(), &DlgCorvantis::shotFinished, [&](int slot) { finished = slot; });
    s->OnShoot();
    EXPECT_EQ(finished, -1);
    EXPECT_EQ(BitmapFromImage(s->currentPhoto()), photoBefore);
}

TEST_F(Guards, ToEditAreaShootsWithTheFrameItShows)
{
    auto s = screen(true);
    s->OnShoot();
    const QImage firstFrame = s->slotModel().slot(0).m_frame;
    ASSERT_FALSE(firstFrame.isNull());
    s->booth().work().stepFrame(+1);
    ASSERT_NE(BitmapFromImage(s->currentFrame()), firstFrame);

    // Camera on: the slot's frame is shown and the next shot gets it.
    s->OnSlotCommand(0, DlgCorvantis::CmdToEditArea);
    EXPECT_EQ(BitmapFromImage(s->currentFrame()), firstFrame);
    s->OnShoot();
    EXPECT_EQ(s->slotModel().slot(1).m_frame, firstFrame);

    // Camera off, then on again: still that frame, over the live picture and on the shot.
    s->booth().work().stepFrame(+1);
    click(*s, DlgCorvantis::kCameraId);
    ASSERT_FALSE(s->isLive());
    s->OnSlotCommand(0, DlgCorvantis::CmdToEditArea);
    EXPECT_EQ(BitmapFromImage(s->currentFrame()), firstFrame);
    click(*s, DlgCorvantis::kCameraId);
    ASSERT_TRUE(s->isLive());
    s->OnShoot();
    EXPECT_EQ(s->slotModel().slot(2).m_frame, firstFrame);
}

TEST_F(Guards, CameraButtonWithoutACameraSaysHowToCheckOne)
{
    CCaptureVideo::SetTestCameraOverride(0, true);
    auto s = screen(false);
    click(*s, DlgCorvantis::kCameraId);
    EXPECT_FALSE(s->isLive());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.startsWith(QStringLiteral("No camera was found")));
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("--list-cameras")));
}

TEST_F(Guards, SettingsOpensTheConfigurationDialogAndItsValuesApplyAtOnce)
{
    auto s = screen(false);
    bool opened = false;
    QTimer::singleShot(200, [&] {
        auto* dlg = qobject_cast<DlgConfigure*>(QApplication::activeModalWidget());
        opened = dlg != nullptr;
        if (!dlg)
            return;
        platform::findControl<QAbstractButton>(dlg, DlgConfigure::kDefaultId)->click();
        platform::findControl<QAbstractButton>(dlg, DlgConfigure::kCloseId)->click();
    });
    click(*s, DlgCorvantis::kConfigureId);
    EXPECT_TRUE(opened);
    EXPECT_EQ(boothSettings().m_shottingDelay, 3);
    EXPECT_EQ(boothSettings().m_alpha, 255);
}

TEST_F(Guards, KioskModeLocksLeavingAndSettingsAndShootsWithTheKey)
{
    auto s = screen(true);
    boothSettings().m_operatorPin = HashOperatorPin(QStringLiteral("9753"), QByteArray("salt"), 10);
    s->setKioskMode(true);
    s->OnUsePicture(); // refused while live; the lock is what is tested here

    // Wrong PIN: the screen stays; no dialog opens.
    m_prompts.secretReplies = { QString("0000") };
    key(s.get(), Qt::Key_Escape);
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(m_prompts.messages.last().text, QStringLiteral("Wrong PIN."));
    m_prompts.secretReplies = { std::nullopt };
    click(*s, DlgCorvantis::kConfigureId);
    EXPECT_EQ(m_prompts.secretLabels.size(), 2);
    m_prompts.secretReplies = { std::nullopt };
    click(*s, DlgCorvantis::kLayout0Id + 1);
    EXPECT_EQ(s->layout(), 0);

    // The shoot key works even with a button focused.
    QWidget* focused = platform::findControl(s.get(), DlgCorvantis::kPreviousFrameId);
    focused->setFocus();
    key(focused, Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1);
    key(focused, Qt::Key_Return);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2);

    // The browser links and minimise are ways out too.
    int opened = 0;
    s->setUrlOpener([&](const QUrl&) { ++opened; });
    m_prompts.secretReplies = { std::nullopt };
    click(*s, DlgCorvantis::kHelpId);
    m_prompts.secretReplies = { std::nullopt };
    click(*s, DlgCorvantis::kHomeId);
    m_prompts.secretReplies = { std::nullopt };
    click(*s, DlgCorvantis::kMinimiseId);
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(s->isMinimized());
    EXPECT_EQ(m_prompts.secretLabels.size(), 6) << "each asked for the PIN";

    // The right PIN lets the operator end the session.
    m_prompts.secretReplies = { QString("9753") };
    click(*s, DlgCorvantis::kCloseId);
    EXPECT_EQ(m_closed, 1);
    s->setKioskMode(false);
    key(focused, Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2) << "outside kiosk mode Space is the focused button's";
}
