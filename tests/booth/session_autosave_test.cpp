// The autosaved session: coalesced writes off the user-interface thread, a restored sheet equal to
// the one before, the normal end keeping previous.kivra, and writers killed mid-write.
#include "booth/session_autosave.h"

#include <csignal>
#include <random>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "booth/combination_slots.h"
#include "tests/booth/booth_test_util.h"
#include "tests/common/test_support.h"

using namespace boothtest;

namespace {

/// Sheet number n: layout 3 with 1 + n % 16 used slots, slot k's composed picture solid (n % 256, k, 7).
void fillSheet(CombinationSlots& model, int n, QSize size = QSize(320, 240))
{
    model.buildLayout(3);
    for (int k = 0; k <= n % 16; ++k) {
        ComData r = model.slot(k);
        r.m_used = 1;
        r.m_composed = solidBitmap(size.width(), size.height(), qRgb(n % 256, k, 7));
        r.m_background = patternBitmap(size.width(), size.height(), k);
        r.m_frame = k % 2 ? QImage() : solidBitmap(size.width(), size.height(), qRgb(0, 255, 0));
        model.restoreSlot(k, r.m_composed, r.m_frame, r.m_background);
    }
}

void expectSameSheet(const CombinationSlots& restored, const CombinationSlots& before)
{
    EXPECT_EQ(restored.layout(), before.layout());
    ASSERT_EQ(restored.usedSlots(), before.usedSlots());
    for (int i : before.usedSlots()) {
        EXPECT_TRUE(sameColours(restored.slot(i).m_composed, before.slot(i).m_composed)) << i;
        EXPECT_TRUE(sameColours(restored.slot(i).m_background, before.slot(i).m_background)) << i;
        // A slot without frame comes back without frame.
        EXPECT_EQ(restored.slot(i).m_frame.isNull(), before.slot(i).m_frame.isNull()) << i;
        if (!before.slot(i).m_frame.isNull()) {
            EXPECT_TRUE(sameColours(restored.slot(i).m_frame, before.slot(i).m_frame)) << i;
        }
    }
}

class Session : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = appPaths();
        appPaths().setModuleFolder(QString::fromStdString(m_dir.path().string()));
        appPaths().m_tempFolder = QString::fromStdString(m_dir.path().string()) + QStringLiteral("/tmp/");
        QFile f(appPaths().m_settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Configure]\r\nShottingDelay=3\r\n");
    }
    void TearDown() override { appPaths() = m_saved; }
    QString folder() const { return QString::fromStdString(m_dir.path().string()) + QStringLiteral("/Session"); }

    testsupport::TempDir m_dir;
    AppPaths m_saved;
};

} // namespace

TEST_F(Session, BurstOfChangesIsWrittenOnceAndRestoresTheSameSheet)
{
    CombinationSlots model;
    fillSheet(model, 4);
    {
        SessionAutosave autosave(folder(), appPaths().m_settingsFile, 50);
        autosave.watch(&model);
        for (int i = 0; i < 20; ++i)
            autosave.sheetChanged();
        QString error;
        ASSERT_TRUE(autosave.flush(&error)) << error.toStdString();
        EXPECT_EQ(autosave.writesDone(), 1);
        // Left without finishing: what a crash or kill leaves.
    }
    SessionAutosave next(folder(), appPaths().m_settingsFile);
    ASSERT_TRUE(next.hasLeftSession());
    CombinationSlots restored;
    QString error;
    EXPECT_EQ(next.restoreLeftSession(restored, &error), 5) << error.toStdString();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    expectSameSheet(restored, model);
}

TEST_F(Session, TimerCoalescesAndWritesOffTheCallersThread)
{
    CombinationSlots model;
    fillSheet(model, 1);
    SessionAutosave autosave(folder(), appPaths().m_settingsFile, 30);
    autosave.watch(&model);
    autosave.sheetChanged();
    fillSheet(model, 2); // changed again before the write: the newer sheet is what is written
    autosave.sheetChanged();
    for (int i = 0; i < 200 && autosave.writesDone() == 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    ASSERT_TRUE(autosave.flush());
    EXPECT_EQ(autosave.writesDone(), 1);
    CombinationSlots restored;
    EXPECT_EQ(autosave.restoreLeftSession(restored), 3);
    expectSameSheet(restored, model);
}

TEST_F(Session, NormalEndKeepsThePreviousSessionAndStartsEmpty)
{
    CombinationSlots model;
    fillSheet(model, 0);
    {
        SessionAutosave autosave(folder(), appPaths().m_settingsFile, 10);
        autosave.watch(&model);
        autosave.sheetChanged();
        ASSERT_TRUE(autosave.finishSession());
        EXPECT_FALSE(QFileInfo::exists(autosave.currentPath()));
        EXPECT_TRUE(QFileInfo(autosave.previousPath()).size() > 0);
    }
    SessionAutosave next(folder(), appPaths().m_settingsFile);
    EXPECT_FALSE(next.hasLeftSession());
}

TEST_F(Session, UnwritableFolderReportsTheReason)
{
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    CombinationSlots model;
    fillSheet(model, 0);
    SessionAutosave autosave(folder(), appPaths().m_settingsFile, 10);
    autosave.watch(&model);
    autosave.sheetChanged();
    QString error;
    EXPECT_FALSE(autosave.flush(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("current.kivra"))) << error.toStdString();
}

// The child half of the kill test: writes sheet after sheet until it is killed.
TEST(SessionChild, WritesSessionsUntilKilled)
{
    const QString target = qEnvironmentVariable("KIVRA_SESSION_CHILD");
    if (target.isEmpty())
        GTEST_SKIP() << "runs only as the child of SessionKill";
    CombinationSlots model;
    for (int n = 0;; ++n) {
        fillSheet(model, n, QSize(640, 480));
        ASSERT_TRUE(SessionAutosave::WriteSession(
            SessionSnapshot::of(model), qEnvironmentVariable("KIVRA_SESSION_SETTINGS"), target));
    }
}

TEST_F(Session, KilledWriterLeavesThePreviousSessionIntactAndOpenable)
{
    QDir().mkpath(folder());
    const QString target = folder() + QStringLiteral("/current.kivra");
    std::mt19937 random(20261209);
    for (int round = 0; round < 6; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KIVRA_SESSION_CHILD"), target);
        env.insert(QStringLiteral("KIVRA_SESSION_SETTINGS"), appPaths().m_settingsFile);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--gtest_filter=SessionChild.WritesSessionsUntilKilled") });
        ASSERT_TRUE(child.waitForStarted());
        for (int i = 0; i < 1000 && !QFileInfo::exists(target); ++i)
            QThread::msleep(5);
        ASSERT_TRUE(QFileInfo::exists(target)) << "round " << round;
        QThread::msleep(std::uniform_int_distribution<int>(1, 120)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(5000));

        SessionAutosave left(folder(), appPaths().m_settingsFile);
        ASSERT_TRUE(left.hasLeftSession());
        CombinationSlots restored;
        QString error;
        const int count = left.restoreLeftSession(restored, &error);
        EXPECT_TRUE(error.isEmpty()) << "round " << round << ": " << error.toStdString();
        ASSERT_GE(count, 1) << "round " << round;
        // Whole sheet n, never a mixture: the slot count matches the sheet number in slot 0.
        const int n = qRed(restored.slot(0).m_composed.pixel(0, 0));
        EXPECT_EQ(count, 1 + n % 16) << "round " << round;
        for (int k = 0; k < count; ++k)
            EXPECT_EQ(restored.slot(k).m_composed.pixel(5, 5) & 0xFFFFFF, qRgb(n, k, 7) & 0xFFFFFF) << k;
    }
}
