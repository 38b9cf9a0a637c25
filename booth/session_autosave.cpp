// Autosaving the sheet: snapshots on the user-interface thread, project files written by one
// worker thread, the newest snapshot replacing any still waiting.
#include "booth/session_autosave.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/booth_settings.h"
#include "platform/atomic_file.h"
#include "booth/combination_slots.h"
#include "booth/project_file.h"
#include "platform/ini_file.h"

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
    const SessionSnapshot& sheet, const QString& settingsFile, const QString& target, QString* error)
{
    // The settings record: the booth's settings file with the layout and the used slots set,
    // edited in a private copy beside the target.
    const QString scratch = target + QStringLiteral(".settings");
    QFile::remove(scratch);
    if (QFileInfo(settingsFile).isFile() && QFileInfo(settingsFile).size() <= platform::kIniFileMaxBytes)
        QFile::copy(settingsFile, scratch);
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    QList<int> used;
    for (const SessionSnapshot::Slot& s : sheet.used)
        used << s.index;
    const bool settingsOk
        = platform::IniFile::writeInt(scratch, section, QLatin1String(kSettingKeys[KeyCombinationIndex]), sheet.layout)
        && platform::IniFile::writeString(
            scratch, section, QLatin1String(kSettingKeys[KeyComPictureFlag]), BoothSettings::MakeComPictureFlag(used));
    QFile settings(scratch);
    QByteArray settingsBytes;
    if (settingsOk && settings.open(QIODevice::ReadOnly))
        settingsBytes = settings.readAll();
    settings.close();
    QFile::remove(scratch);
    if (settingsBytes.isEmpty())
        return setError(error, QStringLiteral("%1: the session's settings could not be written.").arg(target));

    QByteArray bytes;
    appendRecord(bytes, settingsBytes);
    for (const SessionSnapshot::Slot& s : sheet.used) {
        for (const QImage* picture : { &s.composed, &s.frame, &s.background }) {
            const QByteArray bmp = SlotBitmapBytes(*picture);
            if (bmp.isEmpty())
                return setError(error,
                    QStringLiteral("%1: a picture of slot %2 could not be written.").arg(target).arg(s.index + 1));
            appendRecord(bytes, bmp);
        }
    }
    if (!sheet.used.empty()) {
        std::vector<std::pair<int, const SlotExtra*>> record;
        for (const SessionSnapshot::Slot& s : sheet.used)
            record.push_back({ s.index, &s.extra });
        appendRecord(bytes, FullResolutionRecord(record));
    }
    std::string reason;
    if (!platform::writeFileAtomically(QFile::encodeName(target).toStdString(),
            std::string_view(bytes.constData(), size_t(bytes.size())), &reason))
        return setError(error, QString::fromLocal8Bit(reason.c_str()));
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

bool SessionAutosave::hasLeftSession() const
{
    return QFileInfo(currentPath()).isFile();
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
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    const int layout
        = platform::IniFile::readInt(files.first(), section, QLatin1String(kSettingKeys[KeyCombinationIndex]));
    const QString flag
        = platform::IniFile::readString(files.first(), section, QLatin1String(kSettingKeys[KeyComPictureFlag]));
    QString restoreError;
    const bool restored = RestoreProject(model, files, layout, flag, &restoreError);
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
        QDir().mkpath(m_folder);
        QString error;
        const bool ok = WriteSession(sheet, m_settingsFile, currentPath(), &error);
        lock.lock();
        m_writing = false;
        ++m_writesDone;
        m_lastError = ok ? QString() : error;
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

QString SessionAutosave::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}
