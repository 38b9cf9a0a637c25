// A one-slot hand-over of video frames from the streaming thread to the user-interface thread:
// a newer frame replaces one not yet taken, so a slow reader drops frames instead of lagging.
#pragma once

#include <atomic>
#include <mutex>
#include <utility>

#include <QImage>

class CFrameMailbox {
public:
    /// Streaming thread. True when the slot was empty, i.e. the reader has to be woken; when it
    /// was full a wake-up is already on its way and the older frame is dropped.
    bool put(QImage frame)
    {
        QImage old; // released outside the lock
        bool wasEmpty;
        {
            std::lock_guard lock(m_lock);
            wasEmpty = !m_full;
            old = std::exchange(m_frame, std::move(frame));
            m_full = true;
        }
        if (!wasEmpty)
            m_dropped.fetch_add(1, std::memory_order_relaxed);
        return wasEmpty;
    }

    /// User-interface thread: the newest frame (null when none) and an empty slot.
    QImage take()
    {
        std::lock_guard lock(m_lock);
        m_full = false;
        return std::exchange(m_frame, QImage());
    }

    void clear() { take(); }

    /// Frames replaced before the reader took them.
    int dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::mutex m_lock;
    QImage m_frame;
    bool m_full = false;
    std::atomic<int> m_dropped { 0 };
};
