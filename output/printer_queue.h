// The print queues as the CUPS server sees them: printer state, state reasons and waiting jobs,
// handing a rendered document to a queue, and the state of a job afterwards. Every call asks the
// server (CUPS_SERVER or the client configuration) and may take a moment on a slow network.
#pragma once

#include <utility>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

enum class PrinterState { Unknown = 0, Idle = 3, Printing = 4, Stopped = 5 };

struct PrinterHealth {
    QString name;
    bool found = false; ///< the server knows the queue
    bool isDefault = false;
    PrinterState state = PrinterState::Unknown;
    QStringList reasons; ///< "paused", "media-empty-error", ... ("none" is left out)
    QString message; ///< the printer's own state message, often empty
    int queuedJobs = 0; ///< jobs not yet finished
    bool acceptingJobs = false;

    /// "idle", "printing", "stopped" or "unknown".
    QString stateName() const;
    /// A job sent now would wait or be refused: stopped, not accepting, offline, out of paper...
    bool needsAttention() const;
    /// One line for the operator: "idle, 2 jobs waiting" or "stopped (paused), no jobs waiting".
    QString summary() const;
    /// The warning shown before printing to a queue that needs attention; empty when it does not.
    QString warning() const;
};

/// Every queue of the server (the default one marked), in the server's order. Empty with *error
/// set when the server cannot be reached; empty without error when it has no queues.
QList<PrinterHealth> ListPrinters(QString* error = nullptr);
/// The default queue's name (client settings first, then the server's); empty when none.
QString DefaultPrinterName();
/// The state of queue name (the default queue when name is empty). found is false when there is
/// no such queue; *error then says why.
PrinterHealth QueryPrinter(const QString& name, QString* error = nullptr);

enum class JobState {
    Unknown = 0,
    Pending = 3,
    Held = 4,
    Processing = 5,
    Stopped = 6,
    Canceled = 7,
    Aborted = 8,
    Completed = 9
};

struct JobStatus {
    int id = 0;
    JobState state = JobState::Unknown;
    QStringList reasons;
    QString printerMessage;

    bool isFinished() const { return state >= JobState::Canceled; }
    bool hasFailed() const { return state == JobState::Canceled || state == JobState::Aborted; }
    /// "pending", "held", "processing", "stopped", "canceled", "aborted", "completed" or "unknown".
    QString stateName() const;
    /// Why the job ended as it did, for a person: the printer's message, else its reasons, else
    /// the state's name.
    QString why() const;
};

/// The current state of job id; state Unknown with *error set when the server cannot tell.
JobStatus QueryJob(int id, QString* error = nullptr);

/// A job option for the server ("media", "4x6").
using PrintOption = std::pair<QByteArray, QByteArray>;

/// Hands a PDF file to queue printer as a job called title with copies copies and the given
/// options. The job id, or 0 with *error set (and *printerMissing true when the queue does not
/// exist). Safe on any thread.
int SubmitPrintFile(const QString& printer, const QString& pdfFile, const QString& title, int copies,
    QString* error = nullptr, bool* printerMissing = nullptr, const QList<PrintOption>& options = {});
