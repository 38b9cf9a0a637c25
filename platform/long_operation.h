// Long operations on the user-interface thread's behalf: the work runs on a thread while a local
// event loop keeps the windows painting; the guarded window takes no input meanwhile.
#pragma once

#include <functional>

class QWidget;

namespace platform {

/// Runs work on a thread of its own and dispatches events until it returns. Mouse, keyboard,
/// wheel, touch and shortcut input to guard and its children is swallowed meanwhile (painting
/// and timers go on, the window looks as before). work must not touch widgets. An exception
/// from work is rethrown here after the thread ended. Returns whether guard still exists (true
/// for a null guard): when false, the caller's window is gone and it must not touch it.
bool runWhileDispatching(QWidget* guard, std::function<void()> work);

/// The timer form: dispatches events for ms milliseconds, input not blocked (a countdown stays
/// answerable). Returns whether guard still exists (true for a null guard).
bool waitDispatching(int ms, QWidget* guard = nullptr);

} // namespace platform
