// The latest-frame hand-over between the streaming thread and the user-interface thread.
#include "capture/frame_mailbox.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

QImage frameNumbered(int n)
{
    QImage img(2, 2, QImage::Format_BGR888);
    img.fill(QColor(n % 256, 0, 0));
    img.setText("n", QString::number(n));
    return img;
}

} // namespace

TEST(CFrameMailbox, NewerFrameReplacesUntakenOneAndOnlyFirstPutWakes)
{
    CFrameMailbox box;
    EXPECT_TRUE(box.take().isNull());
    EXPECT_TRUE(box.put(frameNumbered(1)));
    EXPECT_FALSE(box.put(frameNumbered(2)));
    EXPECT_FALSE(box.put(frameNumbered(3)));
    EXPECT_EQ(box.dropped(), 2);
    EXPECT_EQ(box.take().text("n"), "3");
    EXPECT_TRUE(box.take().isNull());
    EXPECT_TRUE(box.put(frameNumbered(4)));
}

TEST(CFrameMailbox, SlowReaderNeverFallsBehindWriter)
{
    CFrameMailbox box;
    std::atomic<bool> done { false };
    std::atomic<int> wakes { 0 };
    std::thread writer([&] {
        for (int i = 1; i <= 5000; ++i)
            if (box.put(frameNumbered(i)))
                wakes.fetch_add(1);
        done = true;
    });
    int last = 0;
    int taken = 0;
    while (!done || last != 5000) {
        const QImage f = box.take();
        if (f.isNull())
            continue;
        const int n = f.text("n").toInt();
        EXPECT_GT(n, last) << "frames only move forward";
        last = n;
        ++taken;
    }
    writer.join();
    EXPECT_EQ(last, 5000) << "the newest frame is always delivered";
    EXPECT_EQ(taken, wakes.load()) << "one wake-up per frame taken";
    EXPECT_EQ(box.dropped() + taken, 5000);
}
