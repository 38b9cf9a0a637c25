// KioskPolicy: the operator lock and the questions before pictures are lost.
#include "booth/kiosk_policy.h"

#include <cstdio>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "app/operator_lock.h"
#include "booth/combination_slots.h"
#include "booth/sheet_session.h"
#include "platform/prompts.h"

namespace {

/// Start-up warnings stay a little longer than the other notices, then close by themselves.
constexpr int kStartNoticeMs = 30000;

QString pictures(int n)
{
    return n == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(n);
}

} // namespace

KioskPolicy::KioskPolicy(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_paths(paths)
    , m_session(session)
{
}

void KioskPolicy::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    emit changed(on);
}

QString KioskPolicy::noPinNotice()
{
    return QStringLiteral("Kiosk mode has no operator PIN, so it cannot be left or changed here.\nStop the booth "
                          "from the system, start it without --kiosk and set a PIN in Settings.");
}

bool KioskPolicy::confirmed(const QString& text)
{
    const int answer = platform::prompts().messageBox(m_parent, text, platform::MbOkCancel | platform::MbIconQuestion);
    return answer == platform::IdOk || answer == platform::IdYes;
}

bool KioskPolicy::operatorAllows()
{
    if (!m_on)
        return true;
    // Kiosk mode without a PIN (a run nobody could be asked in) stays locked: no guest may leave.
    if (m_settings.m_operatorPin.trimmed().isEmpty()) {
        emit notice({ QStringLiteral("kiosk"), noPinNotice(), true, -1 });
        return false;
    }
    // One question at a time: a second press while the PIN is asked for is no second question.
    if (m_asking)
        return false;
    m_asking = true;
    QPointer<KioskPolicy> self(this);
    const bool allowed = RequestOperator(m_parent, m_settings.m_operatorPin, platform::prompts());
    if (self)
        m_asking = false;
    return allowed;
}

bool KioskPolicy::confirmEndSession()
{
    if (m_closing)
        return true;
    bool ok;
    if (m_on) {
        ok = operatorAllows();
    } else {
        const int used = int(m_session.sheet().usedSlots().size());
        ok = used == 0
            || confirmed(
                QStringLiteral("The sheet holds %1.\nEnd the session anyway? Pictures not saved or printed are lost.")
                    .arg(pictures(used)));
    }
    m_closing = ok;
    return ok;
}

bool KioskPolicy::confirmClear()
{
    if (!operatorAllows())
        return false;
    const int used = int(m_session.sheet().usedSlots().size());
    return used == 0 || confirmed(QStringLiteral("Clear the sheet? Its %1 will be removed.").arg(pictures(used)));
}

bool KioskPolicy::confirmLayoutChange(int layout)
{
    if (!operatorAllows())
        return false;
    const int used = int(m_session.sheet().usedSlots().size());
    const int room = int(SlotLayoutRects(layout).size());
    if (used <= room)
        return true;
    return confirmed(
        QStringLiteral("This layout has room for %1 pictures.\n%2 of the sheet will be dropped. Change the layout?")
            .arg(room)
            .arg(pictures(used - room)));
}

bool KioskPolicy::requestAtStart(bool unattended)
{
    if (!m_settings.m_operatorPin.trimmed().isEmpty() || unattended || m_session.wasLeft()) {
        setOn(true);
        if (m_settings.m_operatorPin.trimmed().isEmpty())
            std::fprintf(stderr, "corvantis: %s\n", qPrintable(noPinNotice().replace('\n', ' ')));
        return true;
    }
    if (SetUpOperatorPin(nullptr, m_settings, m_paths.m_settingsFile, platform::prompts(), KioskPinQuestion())) {
        setOn(true);
        return true;
    }
    emit notice({ QStringLiteral("kiosk"),
        QStringLiteral("Kiosk mode was not started: it needs an operator PIN, and none was set.\nSet one in "
                       "Settings (Operator PIN) and switch kiosk mode on there."),
        true, kStartNoticeMs });
    return false;
}
