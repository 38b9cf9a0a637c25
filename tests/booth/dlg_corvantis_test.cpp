// The main screen: controls at their places, camera on and off with the overlay, browsing,
// layouts with the carry rule, the slot menu, dragging, recent lists and projects.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTimer>

#include "app/app_toolkit.h"
#include "booth/dlg_corvantis.h"
#include "skin/notice_banner.h"
#include "booth/session_autosave.h"
#include "output/dlg_thum_nail.h"
#include "output/thumbnail_button.h"
#include "platform/control_id.h"
#include "skin/cx_skin_button.h"
#include "skin/quen_menu.h"
#include "skin/sk_combo_box.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

using Screen = ScreenFixture;

CxSkinButton* button(DlgCorvantis& s, int id)
{
    return platform::findControl<CxSkinButton>(&s, id);
}

void fillSlots(DlgCorvantis& s, int n)
{
    for (int i = 0; i < n; ++i)
        s.OnUsePicture();
}

} // namespace

TEST_F(Screen, ControlsSitAtTheirPlaces)
{
    DlgCorvantis s;
    EXPECT_EQ(s.size(), QSize(800, 600));
    EXPECT_EQ(s.windowTitle(), QStringLiteral("Kivra Tesselwick"));
    const struct {
        int id;
        QRect r;
    } expected[] = {
        { 1142, { 15, 448, 88, 62 } },
        { 1084, { 247, 308, 118, 62 } },
        { 1140, { 124, 448, 102, 64 } },
        { 1174, { 570, 410, 80, 80 } },
        { 1176, { 658, 418, 64, 64 } },
        { 1177, { 724, 418, 64, 64 } },
        { 1178, { 437, 418, 64, 64 } },
        { 1179, { 502, 418, 64, 64 } },
        { 1185, { 15, 308, 88, 62 } },
        { 1192, { 15, 378, 88, 62 } },
        { 1191, { 124, 308, 102, 64 } },
        { 1193, { 124, 379, 102, 64 } },
        { 1135, { 247, 448, 118, 62 } },
        { 1196, { 247, 378, 118, 62 } },
        { 1197, { 124, 518, 102, 64 } },
        { 1198, { 247, 518, 118, 62 } },
        { 1194, { 15, 519, 88, 62 } },
        { 1180, { 544, 344, 16, 16 } },
        { 1181, { 591, 344, 16, 16 } },
        { 1182, { 639, 344, 16, 16 } },
        { 1183, { 686, 344, 16, 16 } },
        { 1184, { 735, 344, 16, 16 } },
        { 1245, { 8, 31, 108, 19 } },
        { 1091, { 117, 31, 89, 19 } },
        { 1248, { 206, 31, 73, 19 } },
        { 1247, { 735, 1, 25, 25 } },
        { 1175, { 765, 1, 25, 25 } },
        { 1083, { 423, 61, 364, 276 } },
    };
    for (const auto& e : expected) {
        QWidget* w = platform::findControl(&s, e.id);
        ASSERT_NE(w, nullptr) << e.id;
        EXPECT_EQ(w->geometry(), e.r) << e.id;
    }
    for (int id : { 1144, 1094, 1172, 1173 }) {
        QWidget* w = platform::findControl(&s, id);
        ASSERT_NE(w, nullptr) << id;
        EXPECT_EQ(QRect(w->mapTo(&s, QPoint(0, 0)), w->size()), QRect(29, 59, 320, 240)) << id;
    }
    EXPECT_EQ(button(s, 1176)->toolTip(), QStringLiteral("Previous image"));
    EXPECT_EQ(button(s, 1179)->toolTip(), QStringLiteral("Next image"));
    EXPECT_EQ(button(s, 1185)->toolTip(), QStringLiteral("Select frame"));
    EXPECT_EQ(button(s, 1193)->toolTip(), QStringLiteral("Add single photo"));
    // Layout 0: thirteen slot controls with their ids, the first one large.
    EXPECT_EQ(s.slotModel().count(), 13);
    QWidget* slot0 = platform::findControl(&s, 0xFFF0);
    ASSERT_NE(slot0, nullptr);
    EXPECT_EQ(slot0->geometry(), QRect(428, 66, 174, 130));
    EXPECT_EQ(platform::findControl(&s, 0xFFF0 + 12)->geometry(), QRect(698, 270, 84, 62));
    // The test camera is listed and selected.
    auto* devices = platform::findControl<SkComboBox>(&s, 1126);
    ASSERT_NE(devices, nullptr);
    EXPECT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->currentIndex(), 0);
}

TEST_F(Screen, CameraButtonSpringsBackWithoutDevice)
{
    CCaptureVideo::SetTestCameraOverride(0, true);
    DlgCorvantis s;
    s.show();
    button(s, 1142)->click();
    EXPECT_FALSE(button(s, 1142)->GetCheck());
    EXPECT_FALSE(s.isLive());
}

TEST_F(Screen, CameraOnLaysTheFrameOverTheLivePicture)
{
    addFrames(1);
    boothSettings().m_alpha = 128;
    writeSettings(0);
    boothSettings().m_alpha = 128;
    DlgCorvantis s;
    s.show();
    QWidget* video = platform::findControl(&s, 1144);
    QWidget* photo = platform::findControl(&s, 1094);
    EXPECT_FALSE(video->isVisible());
    EXPECT_TRUE(photo->isVisible());
    button(s, 1142)->click();
    ASSERT_TRUE(s.isLive());
    EXPECT_TRUE(video->isVisible());
    EXPECT_FALSE(photo->isVisible());
    // Key from the frame's centre, level Alpha * 10 / 255, covering the whole picture.
    EXPECT_EQ(s.capture().ColorKey(), 0xFF00FFu);
    EXPECT_DOUBLE_EQ(s.capture().OverlayAlpha(), 0.5);
    EXPECT_EQ(s.capture().OverlayDestination(), QRectF(0, 0, 1, 1));
    // Frame off removes it from the picture; camera off brings the areas back.
    button(s, 1084)->click();
    EXPECT_DOUBLE_EQ(s.capture().OverlayAlpha(), 0.0);
    button(s, 1142)->click();
    EXPECT_FALSE(s.isLive());
    EXPECT_FALSE(video->isVisible());
    EXPECT_TRUE(photo->isVisible());
}

TEST_F(Screen, FrameBrowsingSkipsUnknownFilesAndStopsAtTheEnds)
{
    addFrames(2);
    QFile notes(appPaths().m_frameFolder + QStringLiteral("/frame0b.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    ASSERT_EQ(s.frameFiles().size(), 3);
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame0.png")));
    button(s, 1177)->click();
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame1.png")));
    button(s, 1177)->click();
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame1.png")));
    button(s, 1176)->click();
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame0.png")));
    button(s, 1176)->click();
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame0.png")));
}

TEST_F(Screen, EmptyFrameFolderMakesFrameButtonsDoNothing)
{
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    EXPECT_FALSE(s.currentFrame().IsValid());
    button(s, 1177)->click();
    button(s, 1176)->click();
    EXPECT_FALSE(s.currentFrame().IsValid());
    EXPECT_EQ(s.frameIndex(), -1);
    EXPECT_FALSE(platform::findControl(&s, 1172)->isVisible());
    // A photo without frame still composes.
    s.OnUsePicture();
    EXPECT_EQ(s.slotModel().usedSlots(), QList<int> { 0 });
}

TEST_F(Screen, PhotoBrowsingFitsThePhotoAndNeedsCameraOff)
{
    addFrames(1);
    addPhotos(2);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    EXPECT_EQ(s.photoIndex(), 0);
    EXPECT_EQ(QSize(s.currentPhoto().GetWidth(), s.currentPhoto().GetHeight()), QSize(320, 240));
    button(s, 1179)->click();
    EXPECT_EQ(s.photoIndex(), 1);
    button(s, 1142)->click();
    ASSERT_TRUE(s.isLive());
    button(s, 1178)->click();
    EXPECT_EQ(s.photoIndex(), 1);
    s.OnUsePicture(); // camera on: use-picture does nothing
    EXPECT_TRUE(s.slotModel().usedSlots().isEmpty());
}

TEST_F(Screen, LayoutChangeCarriesUsedSlots)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    fillSlots(s, 5);
    ASSERT_EQ(s.slotModel().usedSlots().size(), 5);
    const QImage fourth = s.slotModel().slot(3).m_background;
    button(s, 1181)->click();
    EXPECT_EQ(s.layout(), 1);
    EXPECT_EQ(s.slotModel().count(), 4);
    EXPECT_EQ(s.slotModel().usedSlots().size(), 4);
    EXPECT_EQ(s.slotModel().slot(3).m_background, fourth);
    EXPECT_TRUE(button(s, 1181)->GetCheck());
    EXPECT_FALSE(button(s, 1180)->GetCheck());
    EXPECT_EQ(platform::findControl(&s, 0xFFF0 + 3)->geometry(), QRect(608, 202, 174, 130));
    EXPECT_EQ(platform::findControl(&s, 0xFFF0 + 4), nullptr);
    EXPECT_EQ(s.slotModel().currentSlot(), 0);
}

TEST_F(Screen, SlotMenuRemoveOnEmptySlotLeavesItEmpty)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    QStringList items;
    for (QAction* a : s.slotMenu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList { "Copy", "Paste", "Remove", "Clear", "-", "To edit area", "Apply to all" }));
    const QImage emptyShown = s.slotPicture(2)->picture();
    s.OnSlotCommand(2, DlgCorvantis::CmdRemove);
    EXPECT_EQ(s.slotModel().slot(2).m_used, 0);
    const QImage shown = s.slotPicture(2)->picture();
    ASSERT_EQ(shown.size(), emptyShown.size());
    EXPECT_EQ(shown, s.slotModel().shownPicture(2));
    const QPoint c(shown.width() / 2, shown.height() / 2);
    EXPECT_LE(std::abs(qRed(shown.pixel(c)) - qRed(emptyShown.pixel(c))), 8);
    EXPECT_EQ(s.slotModel().currentSlot(), 2);
    EXPECT_TRUE(s.slotPicture(2)->isCurrent());
    // Copy and paste into it, then clear everything.
    fillSlots(s, 1);
    s.OnSlotCommand(0, DlgCorvantis::CmdCopy);
    s.OnSlotCommand(5, DlgCorvantis::CmdPaste);
    EXPECT_EQ(s.slotModel().slot(5).m_used, 1);
    s.OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_TRUE(s.slotModel().usedSlots().isEmpty());
    // An index out of range is refused.
    s.OnSlotCommand(99, DlgCorvantis::CmdRemove);
    EXPECT_EQ(s.slotModel().currentSlot(), 0);
}

TEST_F(Screen, DraggingOneSlotOntoAnotherSwapsPictures)
{
    addFrames(1);
    addPhotos(2);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    s.OnUsePicture();
    const QImage first = s.slotModel().slot(0).m_background;
    CSlotPicture* from = s.slotPicture(0);
    CSlotPicture* to = s.slotPicture(4);
    const QPointF inFrom(10, 10);
    const QPointF target = to->mapTo(&s, QPoint(10, 10));
    QMouseEvent press(
        QEvent::MouseButtonPress, inFrom, from->mapToGlobal(inFrom), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(from, &press);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QMouseEvent release(
        QEvent::MouseButtonRelease, inFrom, s.mapToGlobal(target), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(from, &release);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(s.slotModel().slot(0).m_used, 0);
    EXPECT_EQ(s.slotModel().slot(4).m_used, 1);
    EXPECT_EQ(s.slotModel().slot(4).m_background, first);
    EXPECT_EQ(platform::findControl(&s, 0xFFF0 + 4)->geometry(), QRect(698, 134, 84, 62));
}

TEST_F(Screen, TrackerMovesAndSizesThePhotoArea)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    // Drag the bottom-right handle 40 pixels up and left.
    const QPointF handle(29 + 320 + 3, 59 + 240 + 3);
    auto send = [&](QEvent::Type t, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent e(t, at, s.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&s, &e);
    };
    send(QEvent::MouseButtonPress, handle, Qt::LeftButton);
    send(QEvent::MouseMove, handle - QPointF(40, 40), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, handle - QPointF(40, 40), Qt::NoButton);
    EXPECT_EQ(s.photoArea(), QRect(29, 59, 280, 200));
    EXPECT_EQ(QSize(s.currentPhoto().GetWidth(), s.currentPhoto().GetHeight()), QSize(280, 200));
    // The composition puts the smaller photo at the area's place on the base picture.
    s.OnUsePicture();
    EXPECT_EQ(s.slotModel().slot(0).m_used, 1);
}

TEST_F(Screen, SelectFrameEntersRecentListOnce)
{
    addFrames(3);
    writeSettings(0);
    DlgCorvantis s;
    const QString settings = appPaths().m_settingsFile;
    const QString a = appPaths().m_frameFolder + QStringLiteral("/frame1.png");
    WorkArea::AddToRecentList(settings, QStringLiteral("RecentlyFrame"), a);
    WorkArea::AddToRecentList(settings, QStringLiteral("RecentlyFrame"), a);
    EXPECT_EQ(AppToolkit::ReadSettingString(settings, "RecentlyFrame", "0"), a);
    EXPECT_TRUE(AppToolkit::ReadSettingString(settings, "RecentlyFrame", "1").isEmpty());
    // With all twenty keys taken, the list shifts down and the new path goes first.
    for (int k = 0; k < 20; ++k)
        AppToolkit::WriteSettingString(
            settings, "RecentlyFrame", QString::number(k), QStringLiteral("/p/%1.png").arg(k));
    WorkArea::AddToRecentList(settings, QStringLiteral("RecentlyFrame"), a);
    EXPECT_EQ(AppToolkit::ReadSettingString(settings, "RecentlyFrame", "0"), a);
    EXPECT_EQ(AppToolkit::ReadSettingString(settings, "RecentlyFrame", "1"), QStringLiteral("/p/0.png"));
    EXPECT_EQ(AppToolkit::ReadSettingString(settings, "RecentlyFrame", "19"), QStringLiteral("/p/18.png"));
}

TEST_F(Screen, ProjectSavedAndOpenedRestoresSlots)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    const QString project = QString::fromStdString(m_dir.file("sheet.kivra"));
    {
        DlgCorvantis s;
        s.show();
        s.OnLayout(4);
        fillSlots(s, 2);
        m_prompts.saveFileReply = project;
        s.booth().output().saveProject();
        ASSERT_TRUE(QFile::exists(project));
        EXPECT_TRUE(m_prompts.messages.isEmpty());
    }
    DlgCorvantis s;
    s.show();
    EXPECT_EQ(s.layout(), 0);
    m_prompts.openFilesReply = QStringList { project };
    s.booth().openProject();
    EXPECT_EQ(s.layout(), 4);
    EXPECT_EQ(s.slotModel().usedSlots(), (QList<int> { 0, 1 }));
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_FALSE(s.slotPicture(1)->picture().isNull());
}

TEST_F(Screen, LinksAboutAndClose)
{
    DlgCorvantis s;
    QList<QUrl> opened;
    s.setUrlOpener([&](const QUrl& u) { opened << u; });
    bool closed = false;
    s.setCloseHandler([&] { closed = true; });
    appPaths().m_homeAddress = QStringLiteral("https://home.example/");
    appPaths().m_helpAddress = QStringLiteral("https://help.example/");
    button(s, 1091)->click();
    button(s, 1248)->click();
    EXPECT_EQ(opened, (QList<QUrl> { QUrl("https://home.example/"), QUrl("https://help.example/") }));
    button(s, 1245)->click();
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("Kivra Tesselwick")));
    EXPECT_TRUE(m_prompts.messages[0].text.contains(QStringLiteral("Version")));
    button(s, 1175)->click();
    EXPECT_TRUE(closed);
}

TEST_F(Screen, CameraThatStopsTurnsTheButtonOffAndSaysSo)
{
    // A camera that ends its stream after a few frames, like one that is unplugged.
    CCaptureVideo::SetTestCameraSource(QStringLiteral(
        "videotestsrc is-live=true num-buffers=8 ! capsfilter caps=video/x-raw,width=64,height=48,framerate=30/1"));
    addFrames(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    button(s, 1142)->click();
    const bool stopped = waitUntil([&] { return !s.isLive(); }, 5000);
    CCaptureVideo::SetTestCameraSource(QString());
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(button(s, 1142)->GetCheck());
    EXPECT_TRUE(platform::findControl(&s, 1094)->isVisible());
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.startsWith(QStringLiteral("The camera stopped.")))
        << m_prompts.messages[0].text.toStdString();
    EXPECT_TRUE(s.capture().DrainEvents().isEmpty());
}

TEST_F(Screen, ScreenshotIsWrittenOnceShownAndEndsTheScreen)
{
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    const QString png = QString::fromStdString(m_dir.file("screen.png"));
    DlgCorvantis s;
    s.setScreenshotPath(png);
    s.open();
    ASSERT_TRUE(waitUntil([&] { return !s.isVisible(); }, 5000));
    EXPECT_EQ(s.result(), QDialog::Accepted);
    const QImage shot(png);
    ASSERT_EQ(shot.size(), QSize(800, 600));
    // The skin is in the picture: the title band is night blue, not empty.
    EXPECT_LT(qRed(shot.pixel(400, 14)), 80);
}

TEST_F(Screen, SelectFrameThroughTheChooser)
{
    addFrames(3);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    const QString wanted = appPaths().m_frameFolder + QStringLiteral("/frame2.png");
    bool sawChooser = false;
    QTimer::singleShot(100, &s, [&] {
        auto* chooser = qobject_cast<DlgThumNail*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        sawChooser = true;
        chooser->waitForThumbnails();
        for (CThumbnailButton* b : chooser->buttons()) {
            if (b->path() == wanted) {
                const QPointF at(10, 10);
                QMouseEvent e(QEvent::MouseButtonDblClick, at, b->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
                QCoreApplication::sendEvent(b, &e);
            }
        }
    });
    // Never left waiting: whatever is still open goes away.
    QTimer::singleShot(4000, &s, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            static_cast<QDialog*>(w)->reject();
    });
    button(s, 1185)->click();
    EXPECT_TRUE(sawChooser);
    EXPECT_EQ(s.currentFramePath(), wanted);
    EXPECT_EQ(s.frameIndex(), 2);
    EXPECT_EQ(AppToolkit::ReadSettingString(appPaths().m_settingsFile, "RecentlyFrame", "0"), wanted);
}

TEST_F(Screen, AnotherCameraChosenWhileOffIsUsedNextTime)
{
    CCaptureVideo::SetTestCameraOverride(2, true);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    auto* devices = platform::findControl<SkComboBox>(&s, 1126);
    ASSERT_EQ(devices->count(), 2);
    button(s, 1142)->click();
    ASSERT_TRUE(s.isLive());
    const QString first = s.capture().BoundDeviceName();
    button(s, 1142)->click();
    devices->setCurrentIndex(1);
    button(s, 1142)->click();
    ASSERT_TRUE(s.isLive());
    EXPECT_NE(s.capture().BoundDeviceName(), first);
    EXPECT_EQ(s.capture().BoundDeviceName(), devices->itemText(1));
}

TEST_F(Screen, PictureThatFailsToLoadNeverTakesTheBoothDown)
{
    // An MNG whose embedded header declares 67108864 x 23 pixels once crashed the booth at every start.
    const auto hostile = testsupport::sourceDir() / "tests/imaging/malformed/mng_embedded_ihdr_huge.mng";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(hostile.string()), appPaths().m_frameFolder + "/a_frame.mng"));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(hostile.string()), appPaths().m_portraitFolder + "/a_photo.mng"));
    addFrames(1);
    addPhotos(1);
    writeSettings(0);
    DlgCorvantis s;
    s.show();
    EXPECT_FALSE(s.currentFrame().IsValid());
    button(s, 1177)->click();
    EXPECT_TRUE(s.currentFramePath().endsWith(QStringLiteral("frame0.png")));
    EXPECT_TRUE(s.currentFrame().IsValid());
    button(s, 1179)->click();
    EXPECT_TRUE(s.currentPhotoPath().endsWith(QStringLiteral("photo0.png")));
}

TEST_F(Screen, SessionLeftByACrashIsRestoredAndANormalEndStartsEmpty)
{
    addFrames(1);
    addPhotos(2);
    writeSettings(0);
    const QString session = appPaths().m_moduleFolder + QStringLiteral("Session/");
    QByteArray left;
    QList<QImage> before;
    {
        DlgCorvantis s;
        s.show();
        ASSERT_NE(s.autosave(), nullptr);
        fillSlots(s, 2);
        s.OnLayout(1);
        ASSERT_TRUE(s.autosave()->flush());
        for (int i : s.slotModel().usedSlots())
            before << s.slotModel().slot(i).m_composed;
        QFile f(session + QStringLiteral("current.kivra"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        left = f.readAll(); // what a kill at this moment leaves behind
    }
    EXPECT_TRUE(QFileInfo::exists(session + QStringLiteral("previous.kivra")));
    EXPECT_FALSE(QFileInfo::exists(session + QStringLiteral("current.kivra")));
    {
        QFile f(session + QStringLiteral("current.kivra"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(left);
    }
    m_prompts.messages.clear();
    {
        DlgCorvantis s;
        s.show();
        EXPECT_EQ(s.layout(), 1);
        ASSERT_EQ(s.slotModel().usedSlots(), (QList<int> { 0, 1 }));
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(s.slotModel().slot(i).m_composed.convertToFormat(QImage::Format_RGB32),
                before[i].convertToFormat(QImage::Format_RGB32));
        // Told on the screen without a question: nobody may be there to answer after a crash.
        EXPECT_TRUE(m_prompts.messages.isEmpty());
        EXPECT_TRUE(s.notices()->isVisible());
        EXPECT_TRUE(s.notices()->text(QStringLiteral("restored")).contains(QStringLiteral("did not end normally")));
    }
    m_prompts.messages.clear();
    DlgCorvantis s;
    s.show();
    EXPECT_TRUE(s.slotModel().usedSlots().isEmpty());
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_TRUE(s.notices()->texts().isEmpty());
}
