// SheetSession: the slots, the booth load, the autosave with its failure notice and the restore
// of a sheet a crash left.
#include "booth/sheet_session.h"

#include <algorithm>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/booth_load.h"
#include "booth/main_screen_ids.h"
#include "booth/session_autosave.h"
#include "skin/skin_resources.h"

SheetSession::SheetSession(BoothSettings& settings, AppPaths& paths, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
{
    m_slots.setEmptySlotPicture(skin::SkinBitmap(skin::kEmptySlot));
    m_slots.setSlotChangedHandler([this](int i) {
        emit slotChanged(i);
        if (m_autosave)
            m_autosave->sheetChanged();
    });
    m_slots.buildLayout(0);
}

SheetSession::~SheetSession()
{
    m_slots.setSlotChangedHandler({});
    end();
}

QString SheetSession::sessionFolder() const
{
    if (m_paths.m_moduleFolder.isEmpty())
        return QString();
    QString folder = m_paths.m_moduleFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("Session");
}

bool SheetSession::wasLeft() const
{
    const QString folder = sessionFolder();
    return !folder.isEmpty() && SessionAutosave::HasLeftSession(folder);
}

bool SheetSession::loadProject(const QString& project, QString* error)
{
    const bool ok = ::RunBoothLoad(m_slots, project, m_settings, m_paths, error);
    emit layoutChanged();
    return ok;
}

void SheetSession::start(bool projectOpened)
{
    if (m_autosave) {
        m_autosave->sheetChanged(); // an opened project replaced the sheet
        return;
    }
    const QString folder = sessionFolder();
    if (folder.isEmpty())
        return;
    m_autosave = std::make_unique<SessionAutosave>(folder, m_paths.m_settingsFile);
    connect(m_autosave.get(), &SessionAutosave::writeFinished, this, &SheetSession::onAutosaveFinished);
    if (m_autosave->hasLeftSession()) {
        if (projectOpened) {
            m_autosave->finishSession(); // the chosen project wins; the left sheet is kept aside
        } else {
            QString error;
            const int restored = m_autosave->restoreLeftSession(m_slots, &error);
            emit layoutChanged();
            const int n = std::max(restored, 0);
            QString text = QStringLiteral("The booth did not end normally last time.\nThe sheet of that session "
                                          "has been restored (%1).")
                               .arg(n == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(n));
            if (!error.isEmpty())
                text += QStringLiteral("\n") + error;
            emit notice({ QStringLiteral("restored"), text, false, -1 });
        }
    }
    m_autosave->watch(&m_slots);
    m_autosave->sheetChanged();
}

void SheetSession::onAutosaveFinished(bool ok, const QString& reason)
{
    // Told once while the failures last, on a notice that stays: the sheet is not safe from a
    // crash until a write succeeds again, which every change of the sheet tries.
    if (ok) {
        if (m_autosaveFailing)
            emit noticeWithdrawn(QStringLiteral("autosave"));
        m_autosaveFailing = false;
        return;
    }
    if (m_autosaveFailing)
        return;
    m_autosaveFailing = true;
    const QString folder = m_autosave ? m_autosave->folder() : QString();
    emit notice({ QStringLiteral("autosave"),
        QStringLiteral("The sheet is not safe from a crash: it could not be autosaved.\n%1: %2\nShots are still "
                       "taken and kept; the booth tries again with the next change.")
            .arg(folder, reason),
        true, 0 });
}

void SheetSession::end()
{
    if (m_autosave)
        m_autosave->finishSession();
    m_autosave.reset();
}

bool SheetSession::changeLayout(int layout)
{
    if (!m_slots.changeLayout(layout))
        return false;
    emit layoutChanged();
    if (m_autosave)
        m_autosave->sheetChanged();
    return true;
}

bool SheetSession::run(int slot, int command)
{
    if (!m_slots.setCurrentSlot(slot))
        return false;
    bool done = true;
    switch (command) {
    case MainScreenIds::CmdCopy:
        done = m_slots.copyCurrent();
        break;
    case MainScreenIds::CmdPaste:
        done = m_slots.pasteIntoCurrent();
        break;
    case MainScreenIds::CmdRemove:
        done = m_slots.removeCurrent();
        break;
    case MainScreenIds::CmdClear:
        m_slots.clearAll();
        break;
    case MainScreenIds::CmdApplyToAll:
        m_slots.applyFrameToAll();
        break;
    default:
        done = false;
        break;
    }
    emit currentSlotChanged();
    return done;
}

QString SheetSession::identityOf(const CombinationSlots& sheet)
{
    // The same pictures in other slots are the same sheet: swapping two slots does not make a
    // new sheet to print again; a new shot, a removed one or an edit does.
    QStringList parts;
    for (int i : sheet.usedSlots()) {
        const ComData& r = sheet.slot(i);
        parts << QStringLiteral("%1/%2/%3")
                     .arg(r.m_background.cacheKey())
                     .arg(r.m_frame.isNull() ? 0 : r.m_frame.cacheKey())
                     .arg(r.m_opacity);
    }
    parts.sort();
    return parts.join(QLatin1Char(','));
}
