// The booth against what it cannot trust: a project from elsewhere naming folders, kiosk mode
// without an operator PIN, an autosave that cannot be written, and where the camera's files go.
#include <QDir>
#include <QDirIterator>
#include <QKeyEvent>
#include <QThread>
#include <QApplication>

#include "app/app_toolkit.h"
#include "app/corvantis_app.h"
#include "app/operator_lock.h"
#include "booth/dlg_corvantis.h"
#include "booth/project_file.h"
#include "booth/self_test.h"
#include "booth/session_autosave.h"
#include "platform/control_id.h"
#include "platform/ini_file.h"
#include "skin/cx_skin_button.h"
#include "skin/notice_banner.h"
#include "tests/booth/full_disk_p.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

QByteArray record(const QByteArray& payload)
{
    const quint32 n = quint32(payload.size());
    QByteArray length(4, '\0');
    for (int i = 0; i < 4; ++i)
        length[i] = char(n >> (8 * i));
    return length + payload;
}

/// Every file below folder (hidden ones too); empty when it does not exist.
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

class Trust : public ScreenFixture {
protected:
    QString root() const { return QString::fromStdString(m_dir.path().string()) + QLatin1Char('/'); }

    std::unique_ptr<DlgCorvantis> screen()
    {
        addFrames(2);
        addPhotos(1);
        writeSettings(0);
        auto s = std::make_unique<DlgCorvantis>();
        s->setCloseHandler([this] { ++m_closed; });
        return s;
    }
    static void key(QWidget* target, int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    static void click(DlgCorvantis& s, int id) { platform::findControl<CxSkinButton>(&s, id)->click(); }
    /// Lets a write's report reach the screen.
    static void settle(DlgCorvantis& s)
    {
        if (s.autosave())
            s.autosave()->flush();
        QCoreApplication::processEvents();
    }
    /// A file where the session folder should be: every autosave fails.
    void blockSession()
    {
        QDir(root() + QStringLiteral("Session")).removeRecursively();
        QFile blocker(root() + QStringLiteral("Session"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

    int m_closed = 0;
};

} // namespace

TEST_F(Trust, ProjectFromElsewhereWritesNothingIntoItsFoldersAndTheShotsStayHere)
{
    addFrames(2);
    addPhotos(1);
    writeSettings(0);
    const QString saveFolder = root() + QStringLiteral("Saved");
    platform::IniFile::writeString(appPaths().m_settingsFile, "Configure", "PathSave", saveFolder);
    platform::IniFile::writeString(appPaths().m_settingsFile, "Configure", "PathFrame", appPaths().m_frameFolder);
    platform::IniFile::writeString(appPaths().m_settingsFile, "Configure", "PathPortrait", appPaths().m_portraitFolder);

    // A guest's project: every folder points somewhere else, absolute, relative and "~".
    const QString other = root() + QStringLiteral("other");
    const QString work = root() + QStringLiteral("work/a/b");
    QDir().mkpath(work);
    const QString oldWorking = QDir::currentPath();
    QDir::setCurrent(work);
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QByteArray ini
        = QStringLiteral("[Configure]\r\nCombinationIndex=1\r\nComPictureFlag=0,\r\nShottingDelay=5\r\n"
                         "PathSave=%1/save\r\nPathCurrent=../..\r\nPathFrame=~\r\nPathPortrait=../../x\r\n"
                         "PathBackGround=%1/bg\r\nPathMask=%1/mask\r\nPathEmotion=%1/emotion\r\n"
                         "PathBaseMap=%1/basemap\r\nKiosk=1\r\n")
              .arg(other)
              .toUtf8();
    const QByteArray bmp = SlotBitmapBytes(picture);
    const QString project = root() + QStringLiteral("guest.kivra");
    {
        QFile f(project);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(record(ini) + record(bmp) + record(bmp) + record(bmp));
    }

    // corvantis PROJECT --self-test 2, in this process.
    CCorvantisApp app;
    app.setModuleFolder(appPaths().m_moduleFolder);
    app.setExecutablePath(root() + QStringLiteral("corvantis"));
    app.setProjectPath(project);
    app.setProjectUnpacker([](const QString& path) {
        QStringList files;
        UnpackProject(path, files);
        return files;
    });
    SelfTestResult result;
    QList<int> used;
    bool kiosk = true;
    app.setMainDialogRunner([&] {
        DlgCorvantis s(boothSettings(), appPaths());
        s.setCloseHandler([] {});
        result = RunSelfTest(s, 2);
        used = s.slotModel().usedSlots();
        kiosk = s.isKioskMode() || boothSettings().m_kiosk == 1;
        return 1;
    });
    ASSERT_TRUE(app.InitInstance());
    app.ExitInstance();
    QDir::setCurrent(oldWorking);

    EXPECT_TRUE(result.passed()) << result.summary().toStdString();
    EXPECT_EQ(used, (QList<int> { 0, 1, 2 })) << "the project's picture and the two shots";
    EXPECT_FALSE(kiosk);
    EXPECT_EQ(boothSettings().m_shottingDelay, 5) << "the countdown is one of the sheet's values";
    EXPECT_FALSE(QFileInfo::exists(other)) << filesBelow(other).join(", ").toStdString();
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("work/x")));
    EXPECT_FALSE(QFileInfo::exists(work + QStringLiteral("/~")));
    const QStringList shots = filesBelow(saveFolder + QStringLiteral("/Shots"));
    EXPECT_EQ(shots.size(), 4) << "camera picture and composed shot of each";
    // The per-user store remembers this booth's folders, never the project's.
    for (const char* value :
        { "FramePath", "PortraitPath", "BackGroundPath", "MaskPath", "EmotionPath", "BaseMapPath", "SavePath" }) {
        QString stored;
        AppToolkit::ReadRegistryString(QString(), QLatin1String(value), &stored);
        EXPECT_FALSE(stored.startsWith(other) || stored.contains(QStringLiteral("..")) || stored == QStringLiteral("~"))
            << value << " = " << stored.toStdString();
    }
    EXPECT_EQ(platform::IniFile::readString(appPaths().m_settingsFile, "Configure", "PathSave"), saveFolder);
}

TEST_F(Trust, KioskWithoutAPinCannotBeLeftOrChanged)
{
    auto s = screen();
    ASSERT_TRUE(boothSettings().m_operatorPin.isEmpty());
    s->setKioskMode(true);
    s->show();
    s->OnUsePicture();
    ASSERT_EQ(s->slotModel().usedSlots().size(), 1u);

    key(s.get(), Qt::Key_Escape);
    EXPECT_TRUE(s->isVisible());
    click(*s, DlgCorvantis::kCloseId);
    EXPECT_EQ(m_closed, 0);
    s->close();
    EXPECT_TRUE(s->isVisible()) << "the window's close is refused too";
    s->OnSlotCommand(0, DlgCorvantis::CmdClear);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 1u);
    click(*s, DlgCorvantis::kConfigureId);
    click(*s, DlgCorvantis::kLayout0Id + 1);
    EXPECT_EQ(s->layout(), 0);
    EXPECT_TRUE(m_prompts.secretLabels.isEmpty()) << "nobody is asked to set a PIN a guest could choose";
    EXPECT_TRUE(m_prompts.messages.isEmpty());
    EXPECT_TRUE(s->notices()->text(QStringLiteral("kiosk")).contains(QStringLiteral("no operator PIN")));

    // Shooting still works for the guests.
    click(*s, DlgCorvantis::kCameraId);
    ASSERT_TRUE(s->isLive());
    key(s.get(), Qt::Key_Space);
    EXPECT_EQ(s->slotModel().usedSlots().size(), 2u);
}

TEST_F(Trust, KioskAtStartAsksTheOperatorForAPinFirst)
{
    {
        // Refused: a window, and the notice says why.
        auto s = screen();
        EXPECT_FALSE(s->requestKioskAtStart(false));
        EXPECT_FALSE(s->isKioskMode());
        ASSERT_EQ(m_prompts.secretLabels.size(), 1);
        EXPECT_TRUE(m_prompts.secretLabels[0].startsWith(QStringLiteral("Kiosk mode needs an operator PIN")));
        EXPECT_TRUE(
            s->notices()->text(QStringLiteral("kiosk")).startsWith(QStringLiteral("Kiosk mode was not started")));
        EXPECT_TRUE(boothSettings().m_operatorPin.isEmpty());
    }
    {
        auto s = screen();
        m_prompts.secretReplies = { QString("1357"), QString("1357") };
        EXPECT_TRUE(s->requestKioskAtStart(false));
        EXPECT_TRUE(s->isKioskMode());
        EXPECT_TRUE(VerifyOperatorPin(QStringLiteral("1357"), boothSettings().m_operatorPin));
        EXPECT_EQ(platform::IniFile::readString(appPaths().m_settingsFile, "Configure", "OperatorPin"),
            boothSettings().m_operatorPin);
        s->show();
        // Esc and the close button now ask for it; cancelled, the booth stays.
        m_prompts.secretReplies = { std::nullopt, std::nullopt };
        key(s.get(), Qt::Key_Escape);
        click(*s, DlgCorvantis::kCloseId);
        EXPECT_TRUE(s->isVisible());
        EXPECT_EQ(m_closed, 0);
        EXPECT_EQ(m_prompts.secretLabels.last(), QStringLiteral("Operator PIN:"));
        // With a PIN set nothing more is asked at the next start.
        const qsizetype asked = m_prompts.secretLabels.size();
        auto next = screen();
        EXPECT_TRUE(next->requestKioskAtStart(false));
        EXPECT_EQ(m_prompts.secretLabels.size(), asked);
    }
}

TEST_F(Trust, KioskAtStartAsksNobodyWhenNobodyCanAnswer)
{
    // A screenshot run, then a restart after the booth did not end normally: nothing is asked,
    // and kiosk mode without a PIN is locked.
    auto shot = screen();
    EXPECT_TRUE(shot->requestKioskAtStart(true));
    EXPECT_TRUE(shot->isKioskMode());

    QDir().mkpath(root() + QStringLiteral("Session"));
    QFile left(root() + QStringLiteral("Session/current.kivra"));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.write(record("[Configure]\r\n"));
    left.close();
    auto restarted = screen();
    ASSERT_TRUE(restarted->sessionWasLeft());
    EXPECT_TRUE(restarted->requestKioskAtStart(false));
    EXPECT_TRUE(restarted->isKioskMode());
    EXPECT_TRUE(m_prompts.secretLabels.isEmpty());
    restarted->show();
    key(restarted.get(), Qt::Key_Escape);
    EXPECT_TRUE(restarted->isVisible());
}

TEST_F(Trust, FailedAutosaveIsToldOnceAndGoesWhenAWriteSucceeds)
{
    blockSession();
    auto s = screen();
    s->show();
    settle(*s);
    ASSERT_TRUE(waitUntil([&] { return s->notices()->has(QStringLiteral("autosave")); }, 2000));
    const QString text = s->notices()->text(QStringLiteral("autosave"));
    EXPECT_TRUE(text.contains(root() + QStringLiteral("Session"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Not a directory"))) << text.toStdString();
    EXPECT_TRUE(m_prompts.messages.isEmpty()) << "never a question that blocks the booth";

    // Told once: closed by the operator, it does not come back while the failures go on.
    s->notices()->withdraw(QStringLiteral("autosave"));
    s->OnUsePicture();
    settle(*s);
    EXPECT_GE(s->autosave()->writesFailed(), 2);
    EXPECT_FALSE(s->notices()->has(QStringLiteral("autosave")));

    // The next change after the folder is fixed is written, and the notice goes.
    QFile::remove(root() + QStringLiteral("Session"));
    s->notices()->post(QStringLiteral("autosave"), QStringLiteral("as left"), NoticeBanner::Warning, 0);
    s->OnUsePicture();
    settle(*s);
    EXPECT_FALSE(s->notices()->has(QStringLiteral("autosave")));
    EXPECT_TRUE(s->autosave()->hasLeftSession());

    // Failing again is told again.
    blockSession();
    s->OnUsePicture();
    settle(*s);
    EXPECT_TRUE(s->notices()->has(QStringLiteral("autosave")));
    s->close();
}

TEST_F(Trust, SelfTestFailsAndSaysWhyWhenTheSessionCannotBeAutosaved)
{
    blockSession();
    auto s = screen();
    const SelfTestResult result = RunSelfTest(*s, 2);
    EXPECT_EQ(result.failed, 0) << "the shots themselves are fine";
    EXPECT_GE(result.autosaveFailures, 1);
    EXPECT_FALSE(result.passed());
    const QString line = result.summary();
    EXPECT_TRUE(line.contains(QStringLiteral("autosave failed"))) << line.toStdString();
    EXPECT_TRUE(line.contains(root() + QStringLiteral("Session/current.kivra: Not a directory"))) << line.toStdString();
}

TEST_F(Trust, ModuleFolderOnAFullDiskFailsTheSelfTestWithNoSpaceLeft)
{
    const QString module = root() + QStringLiteral("module");
    boothtest::SmallDisk disk(module, "1m");
    if (!disk.mounted())
        GTEST_SKIP() << "needs the right to mount a small file system";
    appPaths().setModuleFolder(module);
    QDir().mkpath(appPaths().m_frameFolder);
    auto s = screen();
    disk.fill();
    const SelfTestResult result = RunSelfTest(*s, 2);
    QCoreApplication::processEvents();
    EXPECT_FALSE(result.passed());
    EXPECT_TRUE(result.summary().contains(QStringLiteral("No space left on device"))) << result.summary().toStdString();
    EXPECT_TRUE(s->notices()->text(QStringLiteral("autosave")).contains(QStringLiteral("No space left on device")));
    s.reset();
    EXPECT_TRUE(filesBelow(module + QStringLiteral("/Session")).isEmpty()) << "no half file is left";
}

TEST_F(Trust, CameraFilesGoIntoThePrivateFolderAndOnlyTheLastIsKept)
{
    auto s = screen();
    s->show();
    click(*s, DlgCorvantis::kCameraId);
    ASSERT_TRUE(s->isLive());
    s->OnShoot();
    const QString first = s->lastShotPath();
    ASSERT_TRUE(QFileInfo::exists(first));
    EXPECT_TRUE(first.startsWith(ProjectTempFolder())) << first.toStdString();
    EXPECT_FALSE(first.startsWith(appPaths().m_tempFolder + QStringLiteral("cap_")));
    QThread::msleep(1100); // shot files are named by the second
    s->OnShoot();
    ASSERT_NE(s->lastShotPath(), first);
    EXPECT_TRUE(QFileInfo::exists(s->lastShotPath()));
    EXPECT_FALSE(QFileInfo::exists(first)) << "the archive keeps the shot; the camera's file goes";
    RemoveProjectTempFolder();
    EXPECT_FALSE(QFileInfo::exists(s->lastShotPath()));
}
