// DlgCorvantis, guards and kiosk mode: the questions asked before pictures are lost, the operator
// lock of kiosk mode, the shoot key, and what the camera button says without a camera.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/booth_settings.h"
#include "app/operator_lock.h"
#include "booth/dlg_corvantis.h"
#include "capture/capture_video.h"
#include "platform/prompts.h"
#include "skin/notice_banner.h"
#include "skin/sk_combo_box.h"

namespace {

bool confirmed(QWidget* parent, const QString& text)
{
    const int answer = platform::prompts().messageBox(parent, text, platform::MbOkCancel | platform::MbIconQuestion);
    return answer == platform::IdOk || answer == platform::IdYes;
}

QString pictures(int n)
{
    return n == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(n);
}

} // namespace

void DlgCorvantis::setKioskMode(bool on)
{
    if (on == m_kiosk)
        return;
    m_kiosk = on;
    // Keys go to the focused control first; in kiosk mode the shoot key must win wherever focus is.
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool DlgCorvantis::operatorAllows()
{
    if (!m_kiosk)
        return true;
    // Kiosk mode without a PIN (a run nobody could be asked in) stays locked: no guest may leave.
    if (m_settings.m_operatorPin.trimmed().isEmpty()) {
        m_notices->post(QStringLiteral("kiosk"), kioskWithoutPinNotice(), NoticeBanner::Warning);
        return false;
    }
    // One question at a time: a second press while the PIN is asked for is no second question.
    if (m_askingOperator)
        return false;
    m_askingOperator = true;
    const bool allowed = RequestOperator(this, m_settings.m_operatorPin, platform::prompts());
    m_askingOperator = false;
    return allowed;
}

bool DlgCorvantis::confirmEndSession()
{
    if (m_closing)
        return true;
    bool ok;
    if (m_kiosk) {
        ok = operatorAllows();
    } else {
        const int used = int(m_slots.usedSlots().size());
        ok = used == 0
            || confirmed(this,
                QStringLiteral("The sheet holds %1.\nEnd the session anyway? Pictures not saved or printed are lost.")
                    .arg(pictures(used)));
    }
    m_closing = ok;
    return ok;
}

bool DlgCorvantis::confirmClear()
{
    if (!operatorAllows())
        return false;
    const int used = int(m_slots.usedSlots().size());
    return used == 0 || confirmed(this, QStringLiteral("Clear the sheet? Its %1 will be removed.").arg(pictures(used)));
}

bool DlgCorvantis::confirmLayoutChange(int layout)
{
    if (!operatorAllows())
        return false;
    const int used = int(m_slots.usedSlots().size());
    const int room = int(SlotLayoutRects(layout).size());
    if (used <= room)
        return true;
    return confirmed(this,
        QStringLiteral("This layout has room for %1 pictures.\n%2 of the sheet will be dropped. Change the layout?")
            .arg(room)
            .arg(pictures(used - room)));
}

void DlgCorvantis::reject()
{
    if (confirmEndSession())
        QDialog::reject();
}

void DlgCorvantis::closeEvent(QCloseEvent* e)
{
    if (!confirmEndSession()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

bool DlgCorvantis::keyBelongsToFocus(const QKeyEvent* e) const
{
    const QWidget* f = QApplication::focusWidget();
    if (!f || f->window() != this)
        return false;
    if (qobject_cast<const QLineEdit*>(f) || qobject_cast<const QTextEdit*>(f) || qobject_cast<const QPlainTextEdit*>(f)
        || qobject_cast<const QAbstractItemView*>(f) || qobject_cast<const QComboBox*>(f)
        || qobject_cast<const QAbstractSpinBox*>(f))
        return true;
    // Space presses the focused button, so the booth works with the keyboard alone; on Shoot
    // itself that is a shot anyway.
    return e->key() == Qt::Key_Space && qobject_cast<const QAbstractButton*>(f);
}

bool DlgCorvantis::handleShootKey(const QKeyEvent* e)
{
    if (e->isAutoRepeat() || e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (!BoothSettings::IsShootKey(m_settings.m_shootKey, e->key()))
        return false;
    // Outside kiosk mode the key is the focused control's when it needs it, and with the camera
    // off Enter keeps editing the selected slot.
    if (!m_kiosk && (keyBelongsToFocus(e) || !m_live))
        return false;
    OnShoot();
    return true;
}

bool DlgCorvantis::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_kiosk) {
        // Only keys meant for this screen: a PIN typed into a dialog over it is left alone.
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* modal = QApplication::activeModalWidget();
        if (w && w->window() == this && (!modal || modal == this) && handleShootKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DlgCorvantis::tellNoCamera()
{
    // The list may be old: a camera plugged in since start is looked for once more.
    m_capture->EnumerateDevices(m_devices);
    if (m_devices->count() > 0) {
        m_devices->setCurrentIndex(0);
        platform::prompts().messageBox(this,
            QStringLiteral("A camera was found: %1.\nPress the camera button again to start it.")
                .arg(m_devices->currentText()),
            platform::MbOk | platform::MbIconInformation);
        return;
    }
    platform::prompts().messageBox(this,
        QStringLiteral("No camera was found.\nConnect a camera and check that it works (for example with "
                       "\"v4l2-ctl --list-devices\", or run the booth with --list-cameras), then press the "
                       "camera button again."),
        platform::MbOk | platform::MbIconWarning);
}
