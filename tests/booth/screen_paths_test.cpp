// The main screen on the settings and paths it is given rather than the process-wide ones, and
// the workbench's hand-back of an edited slot.
#include <QDir>

#include "app/app_toolkit.h"
#include "booth/dlg_corvantis.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

using ScreenPaths = ScreenFixture;

} // namespace

TEST_F(ScreenPaths, ScreenWorksOnTheSettingsAndPathsItIsGiven)
{
    addFrames(3);
    addPhotos(1);
    AppPaths own = appPaths();
    own.setModuleFolder(own.m_moduleFolder + QStringLiteral("own/"));
    own.m_frameFolder = own.m_moduleFolder + QStringLiteral("Frame");
    QDir().mkpath(own.m_frameFolder);
    for (int i = 0; i < 2; ++i)
        makeFrame(0xFF000000 | (i + 1) * 0x40).save(own.m_frameFolder + QStringLiteral("/own%1.png").arg(i));

    BoothSettings settings;
    settings.m_alpha = 255;
    settings.m_shottingDelay = 4;
    ASSERT_TRUE(settings.SaveSettings(own));
    settings.m_shottingDelay = 0;
    settings.m_autoChangeFrame = 1;
    boothSettings().m_autoChangeFrame = 0;
    const QString globalFile = appPaths().m_settingsFile;

    DlgCorvantis s(settings, own);
    EXPECT_EQ(&s.settings(), &settings);
    EXPECT_EQ(&s.paths(), &own);
    ASSERT_EQ(s.frameFiles().size(), 2);
    EXPECT_TRUE(s.currentFramePath().startsWith(own.m_frameFolder)) << s.currentFramePath().toStdString();
    EXPECT_EQ(s.frameIndex(), 0);

    // Use picture follows the given settings: the next frame comes with it.
    s.OnUsePicture();
    EXPECT_EQ(s.slotModel().usedSlots().size(), 1);
    EXPECT_EQ(s.frameIndex(), 1);

    // The booth load reads the given settings file into the given settings only.
    s.show();
    EXPECT_EQ(settings.m_shottingDelay, 4);
    EXPECT_EQ(boothSettings().m_shottingDelay, 0);
    EXPECT_FALSE(QFile::exists(globalFile));
    s.close();
}

TEST_F(ScreenPaths, HandBackOfAnEditedSlotReplacesItsPicture)
{
    addFrames(1);
    addPhotos(1);
    DlgCorvantis s;
    s.OnUsePicture();
    s.OnUsePicture();
    ASSERT_EQ(s.slotModel().usedSlots().size(), 2);
    const QImage before = s.slotPicture(1)->picture();

    QImage edited(320, 240, QImage::Format_RGB32);
    edited.fill(qRgb(200, 30, 30));
    ASSERT_TRUE(s.handBackEdit(1, edited));
    EXPECT_EQ(s.slotModel().slot(1).m_edited, 1);
    EXPECT_EQ(s.slotModel().slot(1).m_background, edited);
    EXPECT_NE(s.slotPicture(1)->picture(), before);
    EXPECT_EQ(s.slotPicture(1)->picture(), s.slotModel().shownPicture(1));
    EXPECT_EQ(s.slotModel().slot(0).m_edited, 0);

    // A slot that does not exist or an empty result is refused and changes nothing.
    EXPECT_FALSE(s.handBackEdit(s.slotModel().count(), edited));
    EXPECT_FALSE(s.handBackEdit(0, QImage()));
    EXPECT_EQ(s.slotModel().slot(0).m_edited, 0);
}
