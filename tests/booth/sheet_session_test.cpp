// The sheet session without a window: restoring a sheet a crash left, the autosave failure told
// once and withdrawn, the slot commands and what makes a sheet the same sheet.
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "booth/main_screen_ids.h"
#include "booth/session_autosave.h"
#include "booth/sheet_session.h"
#include "tests/booth/screen_test_support.h"

using namespace screentest;

namespace {

class SheetPart : public ScreenFixture {
protected:
    QString sessionFolder() const { return appPaths().m_moduleFolder + QStringLiteral("Session"); }
    QString kept() const { return QString::fromStdString(m_dir.path().string()) + QStringLiteral("/kept.kivra"); }
    static void fill(SheetSession& s, QRgb colour)
    {
        const QImage picture = makePhoto(colour, QSize(320, 240));
        ASSERT_GE(s.sheet().storeIntoFirstFree(picture, picture, QImage(), 255), 0);
    }
    static bool settled(SheetSession& s) { return s.autosave() && s.autosave()->flush(); }
};

} // namespace

TEST_F(SheetPart, ASheetACrashLeftIsRestoredAndToldUnlessAProjectWasOpened)
{
    {
        SheetSession first(boothSettings(), appPaths());
        first.start(false);
        fill(first, qRgb(200, 0, 0));
        fill(first, qRgb(0, 200, 0));
        ASSERT_TRUE(settled(first));
        ASSERT_TRUE(QFile::copy(first.autosave()->currentPath(), kept()));
    }
    // The normal end above made it the previous session; a crash would have left it current.
    ASSERT_TRUE(QFile::copy(kept(), sessionFolder() + QStringLiteral("/current.kivra")));

    SheetSession restarted(boothSettings(), appPaths());
    EXPECT_TRUE(restarted.wasLeft());
    QSignalSpy notices(&restarted, &SheetSession::notice);
    QSignalSpy rebuilt(&restarted, &SheetSession::layoutChanged);
    restarted.start(false);
    EXPECT_EQ(restarted.sheet().usedSlots().size(), 2);
    EXPECT_EQ(rebuilt.size(), 1);
    ASSERT_EQ(notices.size(), 1);
    const BoothNotice told = notices[0][0].value<BoothNotice>();
    EXPECT_EQ(told.key, QStringLiteral("restored"));
    EXPECT_TRUE(told.text.contains(QStringLiteral("(2 pictures)"))) << told.text.toStdString();
    restarted.end();
    EXPECT_FALSE(restarted.wasLeft());

    // With a project opened the left sheet is put aside, not laid over the project.
    ASSERT_TRUE(QFile::copy(kept(), sessionFolder() + QStringLiteral("/current.kivra")));
    SheetSession withProject(boothSettings(), appPaths());
    QSignalSpy quiet(&withProject, &SheetSession::notice);
    withProject.start(true);
    EXPECT_TRUE(withProject.sheet().usedSlots().isEmpty());
    EXPECT_TRUE(quiet.isEmpty());
    EXPECT_TRUE(QFile::exists(sessionFolder() + QStringLiteral("/previous.kivra")));
}

TEST_F(SheetPart, AutosaveFailureIsToldOnceAndWithdrawnWhenAWriteSucceeds)
{
    // A file where the session folder belongs: every write fails.
    QFile blocker(sessionFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SheetSession s(boothSettings(), appPaths());
    QSignalSpy notices(&s, &SheetSession::notice);
    QSignalSpy withdrawn(&s, &SheetSession::noticeWithdrawn);
    s.start(false);
    EXPECT_FALSE(s.autosave()->flush());
    fill(s, qRgb(10, 20, 30));
    EXPECT_FALSE(s.autosave()->flush());
    QCoreApplication::processEvents();
    ASSERT_EQ(notices.size(), 1) << "a failure that goes on is told once";
    const BoothNotice told = notices[0][0].value<BoothNotice>();
    EXPECT_EQ(told.key, QStringLiteral("autosave"));
    EXPECT_TRUE(told.warning);
    EXPECT_EQ(told.timeoutMs, 0) << "it stays until the sheet is safe again";
    EXPECT_TRUE(told.text.contains(sessionFolder())) << told.text.toStdString();
    EXPECT_TRUE(withdrawn.isEmpty());

    ASSERT_TRUE(QFile::remove(sessionFolder()));
    fill(s, qRgb(30, 20, 10));
    EXPECT_TRUE(s.autosave()->flush());
    QCoreApplication::processEvents();
    ASSERT_EQ(withdrawn.size(), 1);
    EXPECT_EQ(withdrawn[0][0].toString(), QStringLiteral("autosave"));
    EXPECT_EQ(notices.size(), 1);
}

TEST_F(SheetPart, CommandsNeedAUsedSlotAndAnUnknownCommandChangesNothing)
{
    SheetSession s(boothSettings(), appPaths());
    fill(s, qRgb(200, 0, 0));
    EXPECT_FALSE(s.run(s.sheet().count(), MainScreenIds::CmdCopy));
    EXPECT_FALSE(s.run(0, MainScreenIds::CmdToEditArea)) << "the work area's command, not the sheet's";
    EXPECT_EQ(s.sheet().usedSlots().size(), 1);

    EXPECT_FALSE(s.run(1, MainScreenIds::CmdPaste)) << "nothing held yet";
    ASSERT_TRUE(s.run(0, MainScreenIds::CmdCopy));
    ASSERT_TRUE(s.run(1, MainScreenIds::CmdPaste));
    EXPECT_EQ(s.sheet().usedSlots(), (QList<int> { 0, 1 }));
    EXPECT_EQ(s.sheet().slot(1).m_background, s.sheet().slot(0).m_background);
    ASSERT_TRUE(s.run(0, MainScreenIds::CmdClear));
    EXPECT_TRUE(s.sheet().usedSlots().isEmpty());
}

TEST_F(SheetPart, TheSameSheetIsTheSamePicturesInAnyOrder)
{
    SheetSession s(boothSettings(), appPaths());
    EXPECT_TRUE(s.identity().isEmpty());
    fill(s, qRgb(200, 0, 0));
    fill(s, qRgb(0, 0, 200));
    const QString sheet = s.identity();
    ASSERT_TRUE(s.sheet().swapSlots(0, 1));
    EXPECT_EQ(s.identity(), sheet);
    fill(s, qRgb(0, 200, 0));
    EXPECT_NE(s.identity(), sheet);
    ASSERT_TRUE(s.sheet().setCurrentSlot(2));
    ASSERT_TRUE(s.sheet().removeCurrent());
    EXPECT_EQ(s.identity(), sheet) << "the third picture gone, the first two are the sheet again";
}

TEST_F(SheetPart, ALayoutChangeRebuildsAndIsAutosaved)
{
    SheetSession s(boothSettings(), appPaths());
    s.start(false);
    ASSERT_TRUE(s.autosave()->flush());
    const int written = s.autosave()->writesDone();
    QSignalSpy rebuilt(&s, &SheetSession::layoutChanged);
    EXPECT_FALSE(s.changeLayout(99));
    EXPECT_TRUE(rebuilt.isEmpty());
    ASSERT_TRUE(s.changeLayout(2));
    EXPECT_EQ(rebuilt.size(), 1);
    ASSERT_TRUE(s.autosave()->flush());
    EXPECT_GT(s.autosave()->writesDone(), written);
}
