// Autosaving the sheet: snapshots on the user-interface thread, project files written by one
// worker thread, the newest snapshot replacing any still waiting.
#include "booth/session_autosave.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <QFile>
#include <QFileInfo>

#include "app/booth_settings.h"
#include "platform/atomic_file.h"
#include "booth/combination_slots.h"
#include "booth/project_file.h"

namespace {

void appendRecord(QByteArray& out, const QByteArray& payload)
{
    const uint32_t n = uint32_t(payload.size());
    const char length[4] = { char(n), char(n >> 8), char(n >> 16), char(n >> 24) };
    out.append(length, 4);
    out.append(payload);
}

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

SessionSnapshot SessionSnapshot::of(const CombinationSlots& model)
{
    SessionSnapshot s;
    s.layout = model.layout();
    for (int i : model.usedSlots()) {
        const ComData& r = model.slot(i);
        // As in a saved project: a slot without a frame has a frame record that lays over nothing.
        Slot slot { i, r.m_composed.isNull() ? r.m_background : r.m_composed,
            r.m_frame.isNull() ? NoFrameStandIn() : r.m_frame, r.m_background.isNull() ? r.m_composed : r.m_background,
            SlotExtra { r.m_original, r.m_opacity, r.m_edited != 0, r.m_frame.isNull() } };
        if (!slot.composed.isNull())
            s.used.push_back(std::move(slot));
    }
    return s;
}

bool SessionAutosave::WriteSession(
    const SessionSnapshot& sheet, const QString& settingsFile, const QString& target, QString* error, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return setError(error, QStringLiteral("%1: %2").arg(target, why));
    };
    QList<int> used;
    for (const SessionSnapshot::Slot& s : sheet.used)
        used << s.index;
    // The settings record is made in memory: nothing beside the target to fail or to leave behind.
    const QByteArray settingsBytes = ProjectSettingsRecord(settingsFile, sheet.layout, used);
    if (settingsBytes.isEmpty())
        return fail(QStringLiteral("the session's settings could not be put together"));

    QByteArray bytes;
    appendRecord(bytes, settingsBytes);
    for (const SessionSnapshot::Slot& s : sheet.used) {
        for (const QImage* picture : { &s.composed, &s.frame, &s.background }) {
            const QByteArray bmp = SlotBitmapBytes(*picture);
            if (bmp.isEmpty())
                return fail(QStringLiteral("a picture of slot %1 could not be converted").arg(s.index + 1));
            appendRecord(bytes, bmp);
        }
    }
    if (!sheet.used.empty()) {
        std::vector<std::pair<int, const SlotExtra*>> record;
        for (const SessionSnapshot::Slot& s : sheet.used)
            record.push_back({ s.index, &s.extra });
        appendRecord(bytes, FullResolutionRecord(record));
    }
    platform::AtomicFile out(QFile::encodeName(target).toStdString());
    if (!out.open() || !out.write(bytes.constData(), size_t(bytes.size())) || !out.commit())
        return fail(QString::fromLocal8Bit(out.reason().c_str()));
    return true;
}

SessionAutosave::SessionAutosave(QString sessionFolder, QString settingsFile, int delayMs)
    : m_folder(std::move(sessionFolder))
    , m_settingsFile(std::move(settingsFile))
{
    while (m_folder.size() > 1 && m_folder.endsWith(QLatin1Char('/')))
        m_folder.chop(1);
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &SessionAutosave::writeScheduled);
    m_worker = std::thread([this] { workerLoop(); });
}

SessionAutosave::~SessionAutosave()
{
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_writing && !m_pending; });
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

bool SessionAutosave::HasLeftSession(const QString& sessionFolder)
{
    return QFileInfo(sessionFolder + QStringLiteral("/current.kivra")).isFile();
}

int SessionAutosave::restoreLeftSession(CombinationSlots& model, QString* error)
{
    QStringList files;
    QString unpackError;
    const bool unpacked = UnpackProject(currentPath(), files, &unpackError);
    if (files.isEmpty()) {
        setError(error, unpackError);
        return -1;
    }
    QString restoreError;
    const bool restored = RestoreProjectFromItsSettings(model, files, &restoreError);
    if (!unpacked || !restored)
        setError(error, unpacked ? restoreError : unpackError + QLatin1Char('\n') + restoreError);
    return int(model.usedSlots().size());
}

void SessionAutosave::sheetChanged()
{
    if (m_model && !m_timer.isActive())
        m_timer.start();
}

void SessionAutosave::writeScheduled()
{
    if (!m_model)
        return;
    SessionSnapshot sheet = SessionSnapshot::of(*m_model);
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(sheet); // a snapshot still waiting is older: replaced
    }
    m_wake.notify_all();
}

void SessionAutosave::workerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending && m_stop)
            return;
        SessionSnapshot sheet = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        QString error, reason;
        std::error_code made;
        std::filesystem::create_directories(QFile::encodeName(m_folder).toStdString(), made);
        const bool ok = !made && WriteSession(sheet, m_settingsFile, currentPath(), &error, &reason);
        if (made) {
            // "File exists" would not tell anyone that a file stands where the folder should be.
            std::error_code ignored;
            const bool notAFolder = std::filesystem::exists(QFile::encodeName(m_folder).toStdString(), ignored);
            reason
                = notAFolder ? QString::fromLocal8Bit(std::strerror(ENOTDIR)) : QString::fromStdString(made.message());
            error = QStringLiteral("%1: %2").arg(currentPath(), reason);
        }
        lock.lock();
        ++m_writesDone;
        m_writesFailed += ok ? 0 : 1;
        m_lastError = ok ? QString() : error;
        if (!ok && m_firstError.isEmpty())
            m_firstError = error;
        lock.unlock();
        // Told while still writing, so a flush() that returns has its report on the way.
        emit writeFinished(ok, reason);
        lock.lock();
        m_writing = false;
        m_idle.notify_all();
    }
}

bool SessionAutosave::flush(QString* error)
{
    if (m_timer.isActive()) {
        m_timer.stop();
        writeScheduled();
    }
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_writing && !m_pending; });
    if (!m_lastError.isEmpty())
        return setError(error, m_lastError);
    return true;
}

bool SessionAutosave::finishSession(QString* error)
{
    if (!flush(error))
        return false;
    if (!hasLeftSession())
        return true;
    if (::rename(QFile::encodeName(currentPath()).constData(), QFile::encodeName(previousPath()).constData()) != 0)
        return setError(error, QStringLiteral("%1 could not be kept as %2.").arg(currentPath(), previousPath()));
    return true;
}

int SessionAutosave::writesDone() const
{
    std::lock_guard lock(m_mutex);
    return m_writesDone;
}

int SessionAutosave::writesFailed() const
{
    std::lock_guard lock(m_mutex);
    return m_writesFailed;
}

QString SessionAutosave::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

QString SessionAutosave::firstError() const
{
    std::lock_guard lock(m_mutex);
    return m_firstError;
}
