// The worker-thread-plus-local-event-loop helper and its timer form.
#include "platform/long_operation.h"

#include <exception>
#include <thread>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace platform {

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
        return true;
    default:
        return false;
    }
}

/// Swallows input to one window and its children for as long as it lives. Unlike disabling the
/// window, this leaves its look unchanged.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* guard)
        : m_guard(guard)
    {
        if (guard)
            QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlocker() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_guard || !isInput(event->type()) || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        return widget == m_guard || m_guard->isAncestorOf(widget);
    }

private:
    QPointer<QWidget> m_guard;
};

} // namespace

bool runWhileDispatching(QWidget* guard, std::function<void()> work)
{
    const QPointer<QWidget> watched(guard);
    std::exception_ptr failure;
    {
        InputBlocker blocker(guard);
        QEventLoop loop;
        std::thread worker([&] {
            try {
                if (work)
                    work();
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued: delivered by loop.exec() even when the work ends before the loop starts.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
    }
    if (failure)
        std::rethrow_exception(failure);
    return !guard || watched;
}

bool waitDispatching(int ms, QWidget* guard)
{
    const QPointer<QWidget> watched(guard);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !guard || watched;
}

} // namespace platform
