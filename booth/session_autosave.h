// SessionAutosave: the sheet written as a project file Session/current.kivra after every change,
// off the user-interface thread and coalesced; restored after a crash or kill, kept as
// Session/previous.kivra after a normal exit.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

class CombinationSlots;

/// What one autosave writes: the layout and each used slot's three pictures.
struct SessionSnapshot {
    struct Slot {
        int index = 0;
        QImage composed, frame, background;
    };
    int layout = 0;
    std::vector<Slot> used;

    static SessionSnapshot of(const CombinationSlots& model);
};

class SessionAutosave : public QObject {
    Q_OBJECT
public:
    /// sessionFolder is "<module folder>/Session"; settingsFile is copied into every session as
    /// its first record. delayMs coalesces a burst of changes into one write.
    SessionAutosave(QString sessionFolder, QString settingsFile, int delayMs = 250);
    ~SessionAutosave() override; ///< waits for a write in progress; finishes nothing

    QString currentPath() const { return m_folder + QStringLiteral("/current.kivra"); }
    QString previousPath() const { return m_folder + QStringLiteral("/previous.kivra"); }

    /// True when a session was left by a run that did not end normally.
    bool hasLeftSession() const { return HasLeftSession(m_folder); }
    /// The same for a session folder, without starting an autosave on it.
    static bool HasLeftSession(const QString& sessionFolder);
    /// Restores the left session into model. The number of restored slots, or -1 with *error.
    int restoreLeftSession(CombinationSlots& model, QString* error = nullptr);

    /// Follow model: every sheetChanged() schedules a write of its state.
    void watch(const CombinationSlots* model) { m_model = model; }
    void sheetChanged();
    /// Writes what is scheduled now and waits until every write has finished. False with
    /// *error when the last write failed.
    bool flush(QString* error = nullptr);
    /// The normal end of a session: flushes, then current.kivra becomes previous.kivra.
    bool finishSession(QString* error = nullptr);

    /// Number of writes finished (for tests and the self-test).
    int writesDone() const;
    /// Number of writes that failed since this autosave started.
    int writesFailed() const;
    /// The reason of the last failed write, empty when the last write succeeded.
    QString lastError() const;
    /// "<file>: <reason>" of the first write that failed; empty when none did.
    QString firstError() const;
    /// The session folder as given (without trailing "/").
    QString folder() const { return m_folder; }

    /// Writes one snapshot as a project file at target, atomically. Thread-safe. *error reads
    /// "<target>: <reason>", *reason the reason alone (e.g. "No space left on device").
    static bool WriteSession(const SessionSnapshot& sheet, const QString& settingsFile, const QString& target,
        QString* error = nullptr, QString* reason = nullptr);

signals:
    /// A write has ended (sent from the writing thread; queued to receivers on other threads).
    /// error is the reason when it failed.
    void writeFinished(bool ok, const QString& error);

private:
    void writeScheduled();
    void workerLoop();

    QString m_folder;
    QString m_settingsFile;
    const CombinationSlots* m_model = nullptr;
    QTimer m_timer;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<SessionSnapshot> m_pending;
    bool m_writing = false;
    bool m_stop = false;
    int m_writesDone = 0;
    int m_writesFailed = 0;
    QString m_lastError;
    QString m_firstError;
    std::thread m_worker;
};
