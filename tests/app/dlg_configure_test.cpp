// The settings dialog driven through its controls: opening, pickers, import and remove, Apply,
// Default, the clamped numbers, the kiosk box and the operator PIN.
#include "app/dlg_configure.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "app/booth_settings.h"
#include "app/operator_lock.h"
#include "platform/control_id.h"
#include "platform/ini_file.h"
#include "platform/prompts.h"
#include "skin/sk_combo_box.h"
#include "tests/app/app_test_support.h"

using namespace apptest;
using platform::IniFile;

namespace {

class ConfigureDialog : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        appPaths().setModuleFolder(m_module);
        appPaths().m_frameFolder = m_module + "Image/Frame";
        appPaths().m_portraitFolder = m_module + "Image/Portrait";
        appPaths().m_maskFolder = m_module + "Image/Mask";
        appPaths().m_currentFolder = m_module;
        m_dlg = std::make_unique<DlgConfigure>(boothSettings(), appPaths(), m_prompts);
    }
    void TearDown() override
    {
        m_dlg.reset();
        AppFixture::TearDown();
    }
    void click(int id)
    {
        auto* b = platform::findControl<QAbstractButton>(m_dlg.get(), id);
        ASSERT_NE(b, nullptr) << id;
        b->click();
    }
    QLineEdit* edit(int id) { return platform::findControl<QLineEdit>(m_dlg.get(), id); }
    QString ini(const char* key) const
    {
        return IniFile::readString(settingsFile(), QStringLiteral("Configure"), QLatin1String(key));
    }

    platform::ScriptedPrompts m_prompts;
    std::unique_ptr<DlgConfigure> m_dlg;
};

} // namespace

TEST_F(ConfigureDialog, OpeningReadsTheFileAgainAndFillsTheFields)
{
    writeAll(settingsFile(),
        "[Configure]\nShottingDelay=7\nPathFrame=/edited/frames\nPathMask=/edited/masks\nPrintWidth=300\n"
        "PrintHeight=200\nAlpha=128\nAutoChangeFrame=1\n");
    m_dlg->initialise();
    EXPECT_EQ(boothSettings().m_shottingDelay, 7);
    EXPECT_EQ(appPaths().m_frameFolder, "/edited/frames");
    EXPECT_EQ(edit(DlgConfigure::kFrameFolderId)->text(), "/edited/frames");
    EXPECT_EQ(edit(DlgConfigure::kMaskFolderId)->text(), "/edited/masks");
    // An empty folder key is filled from the folder in use, as at start-up.
    EXPECT_EQ(edit(DlgConfigure::kPortraitFolderId)->text(), m_module + "Image/Portrait");
    EXPECT_EQ(ini("PathPortrait"), m_module + "Image/Portrait");
    EXPECT_EQ(edit(DlgConfigure::kCountdownId)->text(), "7");
    EXPECT_EQ(edit(DlgConfigure::kPrintWidthId)->text(), "300");
    EXPECT_EQ(edit(DlgConfigure::kPrintHeightId)->text(), "200");
    EXPECT_EQ(edit(DlgConfigure::kAlphaId)->text(), "128");
    EXPECT_TRUE(platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kAutoChangeFrameId)->isChecked());
    EXPECT_TRUE(edit(DlgConfigure::kFrameFolderId)->isReadOnly());
}

TEST_F(ConfigureDialog, DefaultThenCloseLeavesTheDefaultsInTheFile)
{
    writeAll(settingsFile(), "[Configure]\nShottingDelay=9\nAlpha=10\nPathFrame=/elsewhere\n");
    m_dlg->initialise();
    click(DlgConfigure::kDefaultId);
    click(DlgConfigure::kCloseId);
    EXPECT_EQ(ini("ShottingDelay"), "3");
    EXPECT_EQ(ini("PrintWidth"), "364");
    EXPECT_EQ(ini("PrintHeight"), "274");
    EXPECT_EQ(ini("AutoChangeFrame"), "1");
    EXPECT_EQ(ini("Alpha"), "255");
    EXPECT_EQ(ini("PathFrame"), m_module + "Image/Frame");
    EXPECT_EQ(ini("PathPortrait"), m_module + "Image/Portrait");
    EXPECT_EQ(ini("PathBackGround"), m_module + "Image/Background");
    EXPECT_EQ(ini("PathMask"), m_module + "Image/Mask");
    EXPECT_EQ(ini("PathEmotion"), m_module + "Image/Emotion");
    EXPECT_EQ(ini("PathBaseMap"), m_module + "Image/BaseMap");
    EXPECT_EQ(edit(DlgConfigure::kCountdownId)->text(), "3");
    EXPECT_EQ(boothSettings().m_alpha, 255);
    EXPECT_EQ(m_dlg->result(), DlgConfigure::kCloseId);
}

TEST_F(ConfigureDialog, FolderPickersAskWithTheirTitlesAndStoreTheChoiceAtOnce)
{
    m_dlg->initialise();
    const int pickers[] = { DlgConfigure::kPickFrameId, DlgConfigure::kPickPortraitId, DlgConfigure::kPickBackgroundId,
        DlgConfigure::kPickMaskId, DlgConfigure::kPickEmotionId, DlgConfigure::kPickBaseMapId };
    const char* keys[] = { "PathFrame", "PathPortrait", "PathBackGround", "PathMask", "PathEmotion", "PathBaseMap" };
    for (int i = 0; i < 6; ++i) {
        const QString chosen = q(m_dir.file("picked/f" + std::to_string(i)));
        m_prompts.folderReply = chosen;
        click(pickers[i]);
        EXPECT_EQ(ini(keys[i]), chosen);
        EXPECT_EQ(ini("PathCurrent"), chosen);
        EXPECT_EQ(appPaths().m_currentFolder, chosen);
        EXPECT_EQ(m_dlg->folderField(i), chosen);
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << "the chosen folder is created";
    }
    EXPECT_EQ(m_prompts.folderTitles,
        QStringList({ "Select frame folder", "Select portrait folder", "Select background folder", "Select mask folder",
            "Select emotion folder", "Select base map folder" }));
    EXPECT_EQ(appPaths().m_backgroundFolder, q(m_dir.file("picked/f2")));

    // A cancelled picker changes nothing.
    m_prompts.folderReply.clear();
    click(DlgConfigure::kPickFrameId);
    EXPECT_EQ(ini("PathFrame"), q(m_dir.file("picked/f0")));
    EXPECT_EQ(appPaths().m_frameFolder, q(m_dir.file("picked/f0")));
}

TEST_F(ConfigureDialog, ImportKeepsAnExistingFileAndSaysWhichFilesWereSkipped)
{
    m_dlg->initialise();
    const QString frames = appPaths().m_frameFolder;
    writeAll(frames + "/taken.jpg", "the booth's own frame");
    const QString src = q(m_dir.file("camera card"));
    writeAll(src + "/taken.jpg", "a different picture");
    writeAll(src + "/new.bmp", "BM new picture");
    m_prompts.openFilesReply = { src + "/taken.jpg", src + "/new.bmp", src + "/missing.jpg" };
    click(DlgConfigure::kFilesFrameId);

    ASSERT_EQ(m_prompts.openRequests.size(), 1);
    const platform::OpenFilesRequest& r = m_prompts.openRequests.first();
    EXPECT_EQ(r.acceptLabel, "Import");
    EXPECT_EQ(r.selectionLabel, "Selected:");
    EXPECT_EQ(r.filter, "Support files|*.bmp;*.jpg||");
    EXPECT_EQ(r.defaultExtension, "*.*");
    EXPECT_TRUE(r.multiple);

    EXPECT_EQ(readAll(frames + "/taken.jpg"), "the booth's own frame");
    EXPECT_EQ(readAll(frames + "/new.bmp"), "BM new picture");
    EXPECT_FALSE(QFileInfo::exists(frames + "/missing.jpg"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(frames).entryList(QDir::Files | QDir::Hidden).size(), 2);
    ASSERT_EQ(m_prompts.messages.size(), 1);
    const QString text = m_prompts.messages.first().text;
    EXPECT_TRUE(text.contains("taken.jpg")) << text.toStdString();
    EXPECT_TRUE(text.contains("missing.jpg")) << text.toStdString();
    EXPECT_FALSE(text.contains("new.bmp")) << text.toStdString();
    EXPECT_EQ(m_dlg->lastSkipped().size(), 2);

    // Everything copied: nothing to say.
    m_prompts.messages.clear();
    writeAll(src + "/second.jpg", "more");
    m_prompts.openFilesReply = { src + "/second.jpg" };
    click(int(DlgConfigure::kFilesFrameId) + DlgConfigure::MaskFolder);
    EXPECT_EQ(readAll(appPaths().m_maskFolder + "/second.jpg"), "more");
    EXPECT_TRUE(m_prompts.messages.isEmpty());
}

TEST_F(ConfigureDialog, RemoveModeDeletesTheChosenFilesAndStartsInTheFolder)
{
    m_dlg->initialise();
    auto* importMode = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kImportModeId);
    auto* removeMode = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kRemoveModeId);
    EXPECT_TRUE(importMode->isChecked());
    EXPECT_FALSE(removeMode->isChecked());
    click(DlgConfigure::kRemoveModeId);
    EXPECT_FALSE(importMode->isChecked());
    EXPECT_TRUE(removeMode->isChecked());
    EXPECT_FALSE(m_dlg->importMode());

    const QString portraits = appPaths().m_portraitFolder;
    writeAll(portraits + "/a.jpg", "a");
    writeAll(portraits + "/b.jpg", "b");
    m_prompts.openFilesReply = { portraits + "/a.jpg" };
    click(int(DlgConfigure::kFilesFrameId) + DlgConfigure::PortraitFolder);
    ASSERT_EQ(m_prompts.openRequests.size(), 1);
    EXPECT_EQ(m_prompts.openRequests.first().acceptLabel, "Remove");
    EXPECT_EQ(m_prompts.openRequests.first().selectionLabel, "Selected:");
    EXPECT_EQ(m_prompts.openRequests.first().startFolder, portraits);
    EXPECT_FALSE(QFileInfo::exists(portraits + "/a.jpg"));
    EXPECT_TRUE(QFileInfo::exists(portraits + "/b.jpg"));

    click(DlgConfigure::kImportModeId);
    EXPECT_TRUE(importMode->isChecked());
    EXPECT_FALSE(removeMode->isChecked());
}

TEST_F(ConfigureDialog, ApplyStoresClampedNumbersAndTheFieldsShowThem)
{
    m_dlg->initialise();
    edit(DlgConfigure::kCountdownId)->setText("-5");
    edit(DlgConfigure::kPrintWidthId)->setText("500");
    edit(DlgConfigure::kPrintHeightId)->setText("-1");
    edit(DlgConfigure::kAlphaId)->setText("300");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(boothSettings().m_shottingDelay, 0);
    EXPECT_EQ(boothSettings().m_printWidth, 500);
    EXPECT_EQ(boothSettings().m_printHeight, 0);
    EXPECT_EQ(boothSettings().m_alpha, 255);
    EXPECT_EQ(ini("ShottingDelay"), "0");
    EXPECT_EQ(ini("Alpha"), "255");
    EXPECT_EQ(edit(DlgConfigure::kCountdownId)->text(), "0");
    EXPECT_EQ(edit(DlgConfigure::kAlphaId)->text(), "255");
    EXPECT_TRUE(m_dlg->isHidden() || m_dlg->result() == 0) << "Apply keeps the dialog open";

    edit(DlgConfigure::kAlphaId)->setText("abc");
    edit(DlgConfigure::kCountdownId)->setText("4s");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("Alpha"), "0");
    EXPECT_EQ(ini("ShottingDelay"), "4");
}

TEST_F(ConfigureDialog, AutomaticFrameChangeTakesEffectAtOnceAndIsSavedWithApply)
{
    m_dlg->initialise();
    ASSERT_EQ(boothSettings().m_autoChangeFrame, 0);
    click(DlgConfigure::kAutoChangeFrameId);
    EXPECT_EQ(boothSettings().m_autoChangeFrame, 1);
    EXPECT_NE(ini("AutoChangeFrame"), "1");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("AutoChangeFrame"), "1");
}

TEST_F(ConfigureDialog, KioskNeedsAPinAndThePinIsStoredOnlyAsASaltedHash)
{
    m_dlg->initialise();
    QList<bool> kiosk;
    QObject::connect(m_dlg.get(), &DlgConfigure::kioskChanged, [&](bool on) { kiosk.append(on); });
    auto* box = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kKioskId);
    click(DlgConfigure::kKioskId);
    EXPECT_FALSE(box->isChecked()) << "no kiosk mode without an operator PIN";
    EXPECT_EQ(kiosk.count(), 0);
    ASSERT_EQ(m_prompts.secretLabels.size(), 1) << "the operator is asked to set one first";
    EXPECT_TRUE(m_prompts.secretLabels[0].startsWith("Kiosk mode needs an operator PIN"));
    ASSERT_EQ(m_prompts.messages.size(), 1);
    EXPECT_TRUE(m_prompts.messages[0].text.contains("not switched on: it needs an operator PIN"));
    m_prompts.secretLabels.clear();

    // Too short, then two different entries: nothing is stored.
    m_prompts.secretReplies = { QString("12"), QString("1234"), QString("1235") };
    click(DlgConfigure::kPinId);
    click(DlgConfigure::kPinId);
    EXPECT_TRUE(boothSettings().m_operatorPin.isEmpty());
    EXPECT_TRUE(ini("OperatorPin").isEmpty());

    m_prompts.secretReplies = { QString("4711"), QString("4711") };
    click(DlgConfigure::kPinId);
    const QString stored = ini("OperatorPin");
    EXPECT_FALSE(stored.isEmpty());
    EXPECT_FALSE(readAll(settingsFile()).contains("4711"));
    EXPECT_TRUE(VerifyOperatorPin("4711", stored));
    EXPECT_FALSE(VerifyOperatorPin("4712", stored));

    click(DlgConfigure::kKioskId);
    EXPECT_TRUE(box->isChecked());
    ASSERT_EQ(kiosk.count(), 1);
    EXPECT_TRUE(kiosk.first());
    EXPECT_EQ(boothSettings().m_kiosk, 1);

    auto* key = platform::findControl<SkComboBox>(m_dlg.get(), DlgConfigure::kShootKeyId);
    key->setCurrentIndex(key->findData("PgDown"));
    edit(DlgConfigure::kAttractIdleId)->setText("90");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("Kiosk"), "1");
    EXPECT_EQ(ini("ShootKey"), "PgDown");
    EXPECT_EQ(ini("AttractIdle"), "90");
    EXPECT_EQ(ini("OperatorPin"), stored) << "Apply keeps the PIN hash";

    BoothSettings fresh;
    fresh.LoadKioskSettings(settingsFile());
    EXPECT_EQ(fresh.m_kiosk, 1);
    EXPECT_EQ(fresh.m_shootKey, "PgDown");
    EXPECT_EQ(fresh.m_attractIdle, 90);
    EXPECT_TRUE(BoothSettings::IsShootKey(fresh.m_shootKey, Qt::Key_PageDown));
    EXPECT_FALSE(BoothSettings::IsShootKey(fresh.m_shootKey, Qt::Key_Space));
}

TEST_F(ConfigureDialog, SwitchingKioskOnWithoutAPinSetsOneFirst)
{
    m_dlg->initialise();
    QList<bool> kiosk;
    QObject::connect(m_dlg.get(), &DlgConfigure::kioskChanged, [&](bool on) { kiosk.append(on); });
    auto* box = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kKioskId);

    // Two different entries: no PIN, so no kiosk mode, and both refusals are told.
    m_prompts.secretReplies = { QString("2580"), QString("2581") };
    click(DlgConfigure::kKioskId);
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(kiosk.isEmpty());
    EXPECT_EQ(boothSettings().m_kiosk, 0);
    ASSERT_EQ(m_prompts.messages.size(), 2);
    EXPECT_TRUE(m_prompts.messages[0].text.startsWith("The two PINs differ"));
    EXPECT_TRUE(m_prompts.messages[1].text.startsWith("Kiosk mode was not switched on"));

    m_prompts.secretReplies = { QString("2580"), QString("2580") };
    click(DlgConfigure::kKioskId);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(kiosk, QList<bool> { true });
    EXPECT_EQ(boothSettings().m_kiosk, 1);
    EXPECT_TRUE(VerifyOperatorPin("2580", boothSettings().m_operatorPin));
    EXPECT_EQ(ini("OperatorPin"), boothSettings().m_operatorPin) << "stored at once, as Operator PIN does";

    // With a PIN set, switching off and on again asks nothing.
    const qsizetype asked = m_prompts.secretLabels.size();
    click(DlgConfigure::kKioskId);
    click(DlgConfigure::kKioskId);
    EXPECT_EQ(m_prompts.secretLabels.size(), asked);
    EXPECT_EQ(kiosk, (QList<bool> { true, false, true }));
}

TEST(KioskSettings, DefaultsWhenMissingAndTheShootKeyText)
{
    testsupport::TempDir dir;
    const QString file = q(dir.file("k.ini"));
    BoothSettings s;
    s.LoadKioskSettings(file);
    EXPECT_EQ(s.m_kiosk, 0);
    EXPECT_EQ(s.m_attractIdle, 60);
    EXPECT_EQ(s.m_shootKey, "Space;Enter");
    writeAll(file, "[Configure]\nAttractIdle=0\nKiosk=7\nShootKey=\n");
    s.LoadKioskSettings(file);
    EXPECT_EQ(s.m_attractIdle, 0) << "0 turns the attract screen off";
    EXPECT_EQ(s.m_kiosk, 0);
    EXPECT_EQ(s.m_shootKey, "Space;Enter");
    EXPECT_TRUE(BoothSettings::IsShootKey("Space;Enter", Qt::Key_Space));
    EXPECT_TRUE(BoothSettings::IsShootKey("Space;Enter", Qt::Key_Return));
    EXPECT_TRUE(BoothSettings::IsShootKey("Space;Enter", Qt::Key_Enter));
    EXPECT_FALSE(BoothSettings::IsShootKey("Space;Enter", Qt::Key_Escape));
    EXPECT_FALSE(BoothSettings::IsShootKey("", Qt::Key_Space));
}

TEST_F(ConfigureDialog, GuestPrintPaperCopiesAndPrintsPerSheetAreShownAndStored)
{
    m_dlg->initialise();
    auto* paper = platform::findControl<SkComboBox>(m_dlg.get(), DlgConfigure::kGuestPaperId);
    ASSERT_NE(paper, nullptr);
    ASSERT_EQ(paper->count(), 5);
    EXPECT_EQ(paper->currentData().toString(), "6x4in");
    EXPECT_EQ(paper->itemText(1), QString::fromUtf8("7 \u00D7 5 in photo"));
    EXPECT_EQ(edit(DlgConfigure::kGuestCopiesId)->text(), "1");
    EXPECT_EQ(edit(DlgConfigure::kMaxPrintsId)->text(), "2");
    paper->setCurrentIndex(paper->findData("a4"));
    edit(DlgConfigure::kGuestCopiesId)->setText("40"); // at most 10
    edit(DlgConfigure::kMaxPrintsId)->setText("0"); // guests cannot print
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("KioskPrintPaper"), "a4");
    EXPECT_EQ(ini("KioskPrintCopies"), "10");
    EXPECT_EQ(ini("MaxPrintsPerSheet"), "0");
    EXPECT_EQ(edit(DlgConfigure::kGuestCopiesId)->text(), "10");
    EXPECT_EQ(boothSettings().m_maxPrintsPerSheet, 0);

    edit(DlgConfigure::kGuestCopiesId)->setText("0"); // at least one copy
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("KioskPrintCopies"), "1");
}

TEST(KioskSettings, GuestPrintDefaultsAndHandEditedValues)
{
    testsupport::TempDir dir;
    const QString file = q(dir.file("k.ini"));
    BoothSettings s;
    s.LoadKioskSettings(file);
    EXPECT_EQ(s.m_kioskPrintPaper, "6x4in");
    EXPECT_EQ(s.m_kioskPrintCopies, 1);
    EXPECT_EQ(s.m_maxPrintsPerSheet, 2);
    writeAll(file, "[Configure]\nKioskPrintPaper=A5\nKioskPrintCopies=-3\nMaxPrintsPerSheet=5\n");
    s.LoadKioskSettings(file);
    EXPECT_EQ(s.m_kioskPrintPaper, "a5");
    EXPECT_EQ(s.m_kioskPrintCopies, 1);
    EXPECT_EQ(s.m_maxPrintsPerSheet, 5);
    writeAll(file, "[Configure]\nKioskPrintPaper=poster\nKioskPrintCopies=3\n");
    s.LoadKioskSettings(file);
    EXPECT_EQ(s.m_kioskPrintPaper, "6x4in") << "an unknown paper prints on the default one";
    EXPECT_EQ(s.m_kioskPrintCopies, 3);
}

TEST_F(ConfigureDialog, PhoneGallerySettingsAreShownClampedAndStored)
{
    writeAll(settingsFile(), "[Configure]\nShareGallery=1\nSharePort=9090\nShareBind=wlan0\n");
    m_dlg->initialise();
    auto* share = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kShareGalleryId);
    ASSERT_NE(share, nullptr);
    EXPECT_TRUE(share->isChecked());
    auto* code = platform::findControl<QAbstractButton>(m_dlg.get(), DlgConfigure::kSharePrintCodeId);
    ASSERT_NE(code, nullptr);
    EXPECT_FALSE(code->isChecked()) << "prints carry no code unless asked";
    code->click();
    EXPECT_EQ(edit(DlgConfigure::kSharePortId)->text(), "9090");
    EXPECT_EQ(edit(DlgConfigure::kShareBindId)->text(), "wlan0");

    share->click();
    edit(DlgConfigure::kSharePortId)->setText("99999");
    edit(DlgConfigure::kShareBindId)->setText("  ");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("ShareGallery"), "0");
    EXPECT_EQ(ini("SharePrintCode"), "1");
    EXPECT_EQ(boothSettings().m_sharePrintCode, 1);
    EXPECT_EQ(ini("SharePort"), "65535");
    EXPECT_EQ(ini("ShareBind"), "all") << "an empty address means every network";
    EXPECT_EQ(edit(DlgConfigure::kSharePortId)->text(), "65535");

    edit(DlgConfigure::kSharePortId)->setText("0");
    edit(DlgConfigure::kShareBindId)->setText("192.168.4.1");
    click(DlgConfigure::kApplyId);
    EXPECT_EQ(ini("SharePort"), "1") << "port 0 cannot be told to a phone";
    EXPECT_EQ(ini("ShareBind"), "192.168.4.1");
    EXPECT_EQ(boothSettings().m_shareBind, "192.168.4.1");
}

TEST(ShareSettings, DefaultsAndHandEditedValues)
{
    testsupport::TempDir dir;
    const QString file = q(dir.file("s.ini"));
    BoothSettings s;
    s.LoadShareSettings(file);
    EXPECT_EQ(s.m_shareGallery, 0) << "sharing is off until the operator turns it on";
    EXPECT_EQ(s.m_sharePort, 8080);
    EXPECT_EQ(s.m_shareBind, "all");
    EXPECT_EQ(s.m_shareIndex, 0);
    EXPECT_EQ(s.m_sharePrintCode, 0);
    writeAll(file,
        "[Configure]\nShareGallery=2\nSharePort=-5\nShareBind=" + QByteArray(100, 'x')
            + "\nShareIndex=1\nSharePrintCode=7\n");
    s.LoadShareSettings(file);
    EXPECT_EQ(s.m_shareGallery, 0);
    EXPECT_EQ(s.m_sharePort, 1);
    EXPECT_EQ(s.m_shareBind.size(), kMaxShareBindLength);
    EXPECT_EQ(s.m_shareIndex, 1);
    EXPECT_EQ(s.m_sharePrintCode, 0) << "only 1 switches the code on";
    writeAll(file, "[Configure]\nShareGallery=1\nSharePort=70000\nShareBind= eth0 \nSharePrintCode=1\n");
    s.LoadShareSettings(file);
    EXPECT_EQ(s.m_sharePrintCode, 1);
    EXPECT_EQ(s.m_shareGallery, 1);
    EXPECT_EQ(s.m_sharePort, 65535);
    EXPECT_EQ(s.m_shareBind, "eth0");
}
