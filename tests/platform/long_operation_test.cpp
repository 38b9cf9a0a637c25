// Long operations: the event loop keeps running while the work runs, the guarded window takes no
// input meanwhile and takes it again afterwards, and a window deleted during the work is reported.
#include "platform/long_operation.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class KeyCounter : public QWidget {
public:
    using QWidget::QWidget;
    int m_keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++m_keys; }
};

void pressKey(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(w, &press);
}

/// Waits on the worker until flag is set, at most a few seconds.
bool waitFor(const std::atomic<bool>& flag)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!flag.load()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST(LongOperation, EventsRunAndInputIsSwallowedWhileTheWorkRuns)
{
    QWidget window;
    auto* child = new KeyCounter(&window);
    KeyCounter outside;
    window.show();

    std::atomic<bool> timerFired { false };
    std::atomic<bool> inputTried { false };
    int keysDuringWork = -1;
    int outsideDuringWork = -1;
    const std::thread::id uiThread = std::this_thread::get_id();
    std::thread::id workThread;
    // The timer can only fire if the loop runs while the work blocks on it.
    QTimer::singleShot(20, [&] {
        pressKey(child);
        pressKey(&window);
        pressKey(&outside);
        keysDuringWork = child->m_keys;
        outsideDuringWork = outside.m_keys;
        timerFired = true;
        inputTried = true;
    });
    bool sawTimer = false;
    const bool alive = platform::runWhileDispatching(&window, [&] {
        workThread = std::this_thread::get_id();
        sawTimer = waitFor(inputTried);
    });
    EXPECT_TRUE(alive);
    EXPECT_TRUE(sawTimer);
    EXPECT_TRUE(timerFired);
    EXPECT_NE(workThread, uiThread);
    EXPECT_EQ(keysDuringWork, 0);
    EXPECT_EQ(outsideDuringWork, 1) << "only the guarded window is blocked";
    EXPECT_TRUE(window.isEnabled()) << "the window keeps its look";

    pressKey(child);
    EXPECT_EQ(child->m_keys, 1) << "input comes back after the work";
}

TEST(LongOperation, DeletedGuardIsReportedAndQuickWorkStillEnds)
{
    auto* window = new QWidget;
    QPointer<QWidget> watch(window);
    std::atomic<bool> deleted { false };
    QTimer::singleShot(10, [&] {
        delete window;
        deleted = true;
    });
    EXPECT_FALSE(platform::runWhileDispatching(window, [&] { waitFor(deleted); }));
    EXPECT_TRUE(watch.isNull());

    // Work that ends before the loop starts does not leave the loop waiting.
    QWidget other;
    int runs = 0;
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(platform::runWhileDispatching(&other, [&] { ++runs; }));
    EXPECT_EQ(runs, 20);
    EXPECT_TRUE(platform::runWhileDispatching(nullptr, [] {}));

    EXPECT_THROW(platform::runWhileDispatching(&other, [] { throw std::runtime_error("boom"); }), std::runtime_error);
    // The blocker went with the failed run.
    KeyCounter after;
    pressKey(&after);
    EXPECT_EQ(after.m_keys, 1);
}

TEST(LongOperation, TimerFormDispatchesAndReportsTheGuard)
{
    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(platform::waitDispatching(30));
    EXPECT_GE(clock.elapsed(), 25);
    EXPECT_TRUE(fired);

    auto* window = new QWidget;
    KeyCounter* child = new KeyCounter(window);
    QTimer::singleShot(5, [&] { pressKey(child); });
    QTimer::singleShot(10, [&] {
        EXPECT_EQ(child->m_keys, 1) << "a wait keeps answering";
        delete window;
    });
    EXPECT_FALSE(platform::waitDispatching(40, window));
}
