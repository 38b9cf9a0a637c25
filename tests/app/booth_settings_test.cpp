// Settings file routines: booth load in both branches, settings save over a hand-edited file.
#include "app/booth_settings.h"

#include <gtest/gtest.h>

#include "tests/app/app_test_support.h"

using namespace apptest;

namespace {

class BoothSettingsFile : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        appPaths().setModuleFolder(m_module);
    }
};

} // namespace

TEST(BoothSettingsKeys, TableKeepsItsOrder)
{
    EXPECT_STREQ(kSettingKeys[KeyConfigure], "Configure");
    EXPECT_STREQ(kSettingKeys[KeyRecentlyPortrait], "RecentlyPortrait");
    EXPECT_STREQ(kSettingKeys[KeyComPictureFlag], "ComPictureFlag");
    EXPECT_STREQ(kSettingKeys[KeyPathCurrent], "PathCurrent");
    EXPECT_STREQ(kSettingKeys[KeyPathSave], "PathSave");
    EXPECT_STREQ(kSettingKeys[KeyAlpha], "Alpha");
    EXPECT_EQ(KeyCount, 18);
}

TEST_F(BoothSettingsFile, PlainLoadFallsBackToHomeForCurrentFolder)
{
    writeAll(settingsFile(), "[Configure]\nShottingDelay=4\nPathFrame=\nPathMask=/m\nPrintWidth=364\n");
    appPaths().m_frameFolder = "/before";
    boothSettings().LoadBoothSettings();
    EXPECT_EQ(appPaths().m_currentFolder, m_home);
    EXPECT_EQ(appPaths().m_frameFolder, ""); // taken as it is, no fallback
    EXPECT_EQ(appPaths().m_maskFolder, "/m");
    EXPECT_EQ(boothSettings().m_shottingDelay, 4);
    EXPECT_EQ(boothSettings().m_printWidth, 364);
    EXPECT_EQ(boothSettings().m_printHeight, 0);

    writeAll(settingsFile(), "[Configure]\nPathCurrent=/projects\n");
    boothSettings().LoadBoothSettings();
    EXPECT_EQ(appPaths().m_currentFolder, "/projects");
}

TEST_F(BoothSettingsFile, ProjectSetsOnlyTheSheetsValuesAndNeverAFolder)
{
    // A project from elsewhere naming every key there is, with hostile folders and numbers.
    const QString projectIni = q(m_dir.file("unpacked/KivraTesselwick.ini"));
    writeAll(projectIni,
        "[Configure]\nCombinationIndex=3\nComPictureFlag=0,2,\nShottingDelay=2147483647\nPrintWidth=-5\n"
        "PrintHeight=300\nPathSave=/srv/other-booth\nPathCurrent=../..\nPathFrame=~\nPathPortrait=/etc\n"
        "PathBackGround=/b\nPathMask=/m\nPathEmotion=/e\nPathBaseMap=/bm\nAlpha=7\nAutoChangeFrame=1\n"
        "Kiosk=0\nOperatorPin=pbkdf2-sha256$1$00$00\nShootKey=F1\nAttractIdle=5\n");
    AppPaths& p = appPaths();
    p.m_saveFolder = "/own/save";
    p.m_currentFolder = "/own/current";
    p.m_frameFolder = "/own/frame";
    p.m_portraitFolder = "/own/portrait";
    p.m_backgroundFolder = "/own/background";
    p.m_maskFolder = "/own/mask";
    p.m_emotionFolder = "/own/emotion";
    p.m_baseMapFolder = "/own/basemap";
    const AppPaths before = p;
    BoothSettings& s = boothSettings();
    s.m_alpha = 255;
    s.m_kiosk = 1;
    s.m_operatorPin = "own-hash";
    s.m_shootKey = "Space";
    s.m_attractIdle = 60;

    s.LoadProjectSettings(projectIni);
    EXPECT_EQ(s.m_combinationIndex, 3);
    EXPECT_EQ(s.m_comPictureFlag, "0,2,");
    EXPECT_EQ(s.m_shottingDelay, BoothSettings::kMaxCountdown);
    EXPECT_EQ(s.m_printWidth, 0);
    EXPECT_EQ(s.m_printHeight, 300);
    for (QString AppPaths::*folder : { &AppPaths::m_saveFolder, &AppPaths::m_currentFolder, &AppPaths::m_frameFolder,
             &AppPaths::m_portraitFolder, &AppPaths::m_backgroundFolder, &AppPaths::m_maskFolder,
             &AppPaths::m_emotionFolder, &AppPaths::m_baseMapFolder, &AppPaths::m_settingsFile })
        EXPECT_EQ(p.*folder, before.*folder);
    EXPECT_EQ(s.m_alpha, 255);
    EXPECT_EQ(s.m_autoChangeFrame, 0);
    EXPECT_EQ(s.m_kiosk, 1);
    EXPECT_EQ(s.m_operatorPin, "own-hash");
    EXPECT_EQ(s.m_shootKey, "Space");
    EXPECT_EQ(s.m_attractIdle, 60);
    EXPECT_FALSE(QFileInfo::exists(settingsFile())) << "nothing is written on the way";
}

TEST_F(BoothSettingsFile, EveryNumberIsClampedToItsFieldsRange)
{
    writeAll(settingsFile(),
        "[Configure]\nShottingDelay=2147483647\nPrintWidth=99999999\nPrintHeight=-3\nAlpha=256\n"
        "AutoChangeFrame=7\nAttractIdle=999999\nKiosk=2\n");
    BoothSettings& s = boothSettings();
    s.LoadSettingsAtStartup();
    EXPECT_EQ(s.m_shottingDelay, 99);
    EXPECT_EQ(s.m_printWidth, 9999);
    EXPECT_EQ(s.m_printHeight, 0);
    EXPECT_EQ(s.m_alpha, 255);
    EXPECT_EQ(s.m_autoChangeFrame, 0) << "1 is on, anything else off";
    EXPECT_EQ(s.m_attractIdle, 3600);
    EXPECT_EQ(s.m_kiosk, 0);

    s = BoothSettings();
    s.LoadBoothSettings();
    EXPECT_EQ(s.m_shottingDelay, 99);
    EXPECT_EQ(s.m_printWidth, 9999);
    EXPECT_EQ(s.m_printHeight, 0);

    writeAll(settingsFile(), "[Configure]\nShottingDelay=-2147483648\nAlpha=-1\nAttractIdle=-5\nPrintWidth=364\n");
    s.LoadSettingsAtStartup();
    EXPECT_EQ(s.m_shottingDelay, 0);
    EXPECT_EQ(s.m_alpha, 0);
    EXPECT_EQ(s.m_attractIdle, 0);
    EXPECT_EQ(s.m_printWidth, 364) << "values in range are kept";
}

TEST_F(BoothSettingsFile, SaveKeepsHandEditedContent)
{
    const QByteArray edited = "\xEF\xBB\xBF; booth at the town hall\r\n"
                              "[Configure]\r\n"
                              "ShottingDelay=3\r\n"
                              "# operator note\r\n"
                              "pathframe = /old/frames\r\n"
                              "\r\n"
                              "[RecentlyFrame]\r\n"
                              "0=/old/frames/a.png\r\n"
                              "[Unknown]\r\n"
                              "Something=else\r\n";
    writeAll(settingsFile(), edited);
    AppPaths& p = appPaths();
    p.m_currentFolder = "/c";
    p.m_frameFolder = "/new/frames";
    p.m_portraitFolder = "/p";
    p.m_backgroundFolder = "/b";
    p.m_maskFolder = "/m";
    p.m_emotionFolder = "/e";
    p.m_baseMapFolder = "/bm";
    p.m_saveFolder = "/s";
    BoothSettings s;
    s.m_shottingDelay = 5;
    s.m_printWidth = 364;
    s.m_printHeight = 274;
    s.m_autoChangeFrame = 1;
    s.m_alpha = 255;
    ASSERT_TRUE(s.SaveSettings());
    EXPECT_EQ(readAll(settingsFile()),
        QByteArray("\xEF\xBB\xBF; booth at the town hall\r\n"
                   "[Configure]\r\n"
                   "ShottingDelay=5\r\n"
                   "# operator note\r\n"
                   "pathframe=/new/frames\r\n"
                   "PathCurrent=/c\r\n"
                   "PathPortrait=/p\r\n"
                   "PathBackGround=/b\r\n"
                   "PathMask=/m\r\n"
                   "PathEmotion=/e\r\n"
                   "PathBaseMap=/bm\r\n"
                   "PathSave=/s\r\n"
                   "PrintWidth=364\r\n"
                   "PrintHeight=274\r\n"
                   "AutoChangeFrame=1\r\n"
                   "Alpha=255\r\n"
                   "\r\n"
                   "[RecentlyFrame]\r\n"
                   "0=/old/frames/a.png\r\n"
                   "[Unknown]\r\n"
                   "Something=else\r\n"));

    // What was saved loads back the same.
    BoothSettings loaded;
    AppPaths reread;
    reread.setModuleFolder(m_module);
    loaded.LoadSettingsAtStartup(reread);
    EXPECT_EQ(loaded.m_shottingDelay, 5);
    EXPECT_EQ(loaded.m_alpha, 255);
    EXPECT_EQ(loaded.m_autoChangeFrame, 1);
    EXPECT_EQ(reread.m_frameFolder, "/new/frames");
    EXPECT_EQ(reread.m_currentFolder, "/c");
}

TEST_F(BoothSettingsFile, MissingOrBrokenFileReadsAsAllKeysMissing)
{
    writeAll(settingsFile(), QByteArray("\x00\x01garbage\xff\n=\n[\n", 14));
    boothSettings().m_alpha = 99;
    boothSettings().LoadBoothSettings();
    EXPECT_EQ(boothSettings().m_shottingDelay, 0);
    EXPECT_EQ(appPaths().m_currentFolder, m_home);
    appPaths().m_frameFolder = "/from/store";
    boothSettings().LoadSettingsAtStartup();
    EXPECT_EQ(boothSettings().m_alpha, 0);
    EXPECT_EQ(appPaths().m_frameFolder, "/from/store");
}

TEST(ComPictureFlag, ListsWholeEntriesOnly)
{
    EXPECT_TRUE(BoothSettings::IsSlotListed("0,2,", 0));
    EXPECT_TRUE(BoothSettings::IsSlotListed("0,2,", 2));
    EXPECT_FALSE(BoothSettings::IsSlotListed("0,2,", 1));
    EXPECT_FALSE(BoothSettings::IsSlotListed("11,", 1));
    EXPECT_TRUE(BoothSettings::IsSlotListed("3,11,", 11));
    EXPECT_FALSE(BoothSettings::IsSlotListed("", 0));
    EXPECT_EQ(BoothSettings::MakeComPictureFlag({ 0, 1, 3 }), "0,1,3,");
    EXPECT_EQ(BoothSettings::MakeComPictureFlag({}), "");
}
