// PrinterWatch: the worker lives in the watch's thread and does every libcups call there.
#include "output/printer_watch.h"

#include <map>

#include <QTimer>

class PrinterWatchWorker : public QObject {
    Q_OBJECT
public:
    void watch(const QString& printer, int intervalMs)
    {
        m_printer = printer;
        ensureTimer(m_healthTimer, [this] { askHealth(); });
        m_healthTimer->stop();
        askHealth();
        if (intervalMs > 0)
            m_healthTimer->start(intervalMs);
    }

    void follow(int jobId, int intervalMs)
    {
        m_jobs[jobId] = 0;
        ensureTimer(m_jobTimer, [this] { askJobs(); });
        if (!m_jobTimer->isActive() || m_jobTimer->interval() > intervalMs)
            m_jobTimer->start(std::max(50, intervalMs));
        askJobs();
    }

    void askHealth()
    {
        QString error;
        PrinterHealth h = QueryPrinter(m_printer, &error);
        if (!h.found && h.message.isEmpty())
            h.message = error;
        emit health(h);
    }

signals:
    void health(const PrinterHealth& health);
    void jobFinished(const JobStatus& status);

private:
    template <typename F> void ensureTimer(QTimer*& timer, F f)
    {
        if (!timer) {
            timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, f);
        }
    }

    void askJobs()
    {
        for (auto it = m_jobs.begin(); it != m_jobs.end();) {
            QString error;
            const JobStatus s = QueryJob(it->first, &error);
            // A server that forgot the job (restarted, history purged) ends the following as a
            // failure after a few tries rather than waiting forever.
            if (s.state == JobState::Unknown && ++it->second < 5) {
                ++it;
                continue;
            }
            if (s.isFinished() || s.state == JobState::Unknown) {
                JobStatus reported = s;
                if (s.state == JobState::Unknown)
                    reported.printerMessage = error;
                emit jobFinished(reported);
                it = m_jobs.erase(it);
            } else {
                ++it;
            }
        }
        if (m_jobs.empty() && m_jobTimer)
            m_jobTimer->stop();
    }

    QString m_printer;
    QTimer* m_healthTimer = nullptr;
    QTimer* m_jobTimer = nullptr;
    std::map<int, int> m_jobs; ///< job id -> unanswered asks
};

PrinterWatch::PrinterWatch(QObject* parent)
    : QObject(parent)
    , m_worker(new PrinterWatchWorker)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(this, &PrinterWatch::watchRequested, m_worker, &PrinterWatchWorker::watch);
    connect(this, &PrinterWatch::followRequested, m_worker, &PrinterWatchWorker::follow);
    connect(this, &PrinterWatch::refreshRequested, m_worker, &PrinterWatchWorker::askHealth);
    connect(m_worker, &PrinterWatchWorker::health, this, [this](const PrinterHealth& h) {
        m_health = h;
        m_hasHealth = true;
        emit healthChanged(h);
    });
    connect(m_worker, &PrinterWatchWorker::jobFinished, this, [this](const JobStatus& s) {
        --m_followed;
        emit jobFinished(s);
    });
    m_thread.setObjectName(QStringLiteral("printer watch"));
    m_thread.start();
}

PrinterWatch::~PrinterWatch()
{
    m_thread.quit();
    m_thread.wait();
}

void PrinterWatch::watchPrinter(const QString& printer, int intervalMs)
{
    emit watchRequested(printer, intervalMs);
}

void PrinterWatch::followJob(int jobId, int intervalMs)
{
    if (jobId <= 0)
        return;
    ++m_followed;
    emit followRequested(jobId, intervalMs);
}

void PrinterWatch::refresh()
{
    emit refreshRequested();
}

#include "printer_watch.moc"
