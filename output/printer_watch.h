// PrinterWatch: keeps an eye on one print queue and on the jobs sent to it, asking the print
// server on a thread of its own so a slow or unreachable server never stalls the screen.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include "output/printer_queue.h"

class PrinterWatchWorker;

class PrinterWatch : public QObject {
    Q_OBJECT
public:
    explicit PrinterWatch(QObject* parent = nullptr);
    /// Stops the thread; reports still under way are dropped.
    ~PrinterWatch() override;

    /// Asks for the state of queue printer (empty = the default queue) now and then every
    /// intervalMs (0 = only now).
    void watchPrinter(const QString& printer, int intervalMs = 3000);
    /// Follows job id until it is finished, asking every intervalMs.
    void followJob(int jobId, int intervalMs = 1000);
    /// Asks for the queue's state at once.
    void refresh();

    /// The last state reported (found is false before the first answer).
    const PrinterHealth& health() const { return m_health; }
    bool hasHealth() const { return m_hasHealth; }
    /// Jobs still followed.
    int followedJobs() const { return m_followed; }

signals:
    void healthChanged(const PrinterHealth& health);
    /// A followed job finished (completed, canceled or aborted); it is no longer followed.
    void jobFinished(const JobStatus& status);

    // To the worker (queued into its thread).
    void watchRequested(const QString& printer, int intervalMs);
    void followRequested(int jobId, int intervalMs);
    void refreshRequested();

private:
    QThread m_thread;
    PrinterWatchWorker* m_worker;
    PrinterHealth m_health;
    bool m_hasHealth = false;
    int m_followed = 0;
};
