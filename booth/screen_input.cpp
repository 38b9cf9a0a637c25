// DlgCorvantis, input at the screen's edge: the shoot key (everywhere in kiosk mode), the photo
// tracker's pointer, and the --show windows of a run.
#include <cstdio>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include "app/booth_settings.h"
#include "booth/dlg_corvantis.h"
#include "booth/guest_view.h"
#include "booth/show_windows.h"
#include "picture/image_bridge.h"
#include "platform/prompts.h"
#include "skin/cx_skin_button.h"
#include "skin/quen_menu.h"
#include "skin/sk_combo_box.h"
#include "skin/skin_resources.h"

// ---- Keys ----

namespace {

bool keyBelongsToFocus(const QWidget* screen, const QKeyEvent* e)
{
    const QWidget* f = QApplication::focusWidget();
    if (!f || f->window() != screen)
        return false;
    if (qobject_cast<const QLineEdit*>(f) || qobject_cast<const QTextEdit*>(f) || qobject_cast<const QPlainTextEdit*>(f)
        || qobject_cast<const QAbstractItemView*>(f) || qobject_cast<const QComboBox*>(f)
        || qobject_cast<const QAbstractSpinBox*>(f))
        return true;
    // Space presses the focused button, so the booth works with the keyboard alone; on Shoot
    // itself that is a shot anyway.
    return e->key() == Qt::Key_Space && qobject_cast<const QAbstractButton*>(f);
}

bool handleShootKey(DlgCorvantis& s, const QKeyEvent* e)
{
    if (e->isAutoRepeat() || e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (!BoothSettings::IsShootKey(s.settings().m_shootKey, e->key()))
        return false;
    // Outside kiosk mode the key is the focused control's when it needs it, and with the camera
    // off Enter keeps editing the selected slot.
    if (!s.isKioskMode() && (keyBelongsToFocus(&s, e) || !s.isLive()))
        return false;
    s.OnShoot();
    return true;
}

} // namespace

bool DlgCorvantis::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isKioskMode()) {
        // Only keys meant for this screen: a PIN typed into a dialog over it is left alone.
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* modal = QApplication::activeModalWidget();
        if (w && w->window() == this && (!modal || modal == this)
            && handleShootKey(*this, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DlgCorvantis::keyPressEvent(QKeyEvent* e)
{
    // While the camera runs, Space and Enter shoot (kiosk mode catches them earlier, wherever
    // focus is).
    if (!isKioskMode() && handleShootKey(*this, e))
        return;
    // Otherwise Enter opens the filter workbench on the selected slot; it must not end the screen.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        editSlot(slotModel().currentSlot());
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- The photo tracker ----

void DlgCorvantis::mousePressEvent(QMouseEvent* e)
{
    if (!isLive() && e->button() == Qt::LeftButton) {
        const QPoint pos = e->position().toPoint();
        m_track.hit = m_tracker->hitTest(pos);
        if (m_track.hit != CPhotoTracker::HitNothing) {
            m_track.start = pos;
            m_track.from = work().photoArea();
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

void DlgCorvantis::mouseMoveEvent(QMouseEvent* e)
{
    if (m_track.hit != CPhotoTracker::HitNothing) {
        const QPoint delta = e->position().toPoint() - m_track.start;
        m_tracker->setTrackedRect(CPhotoTracker::track(m_track.from, m_track.hit, delta));
        return;
    }
    QDialog::mouseMoveEvent(e);
}

void DlgCorvantis::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_track.hit != CPhotoTracker::HitNothing) {
        m_track.hit = CPhotoTracker::HitNothing;
        m_booth->work().setPhotoArea(m_tracker->trackedRect());
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

// ---- --show NAME and --screenshot ----

bool DlgCorvantis::showOnScreen(const QString& name)
{
    if (name.compare(QLatin1String("countdown"), Qt::CaseInsensitive) == 0) {
        // The camera runs when there is one, so the countdown is seen over the live picture.
        if (m_devices->count() > 0 && !isLive()) {
            m_cameraButton->SetCheck(true);
            onCamera();
        }
        setCountdown(QStringLiteral("count down %1 seconds").arg(3));
        m_guest->showCountdown(3);
        return true;
    }
    if (name.compare(QLatin1String("link"), Qt::CaseInsensitive) == 0) {
        // A sheet with a picture on it, shared as Share does (sharing must be on): the card shows.
        if (slotModel().usedSlots().empty())
            OnUsePicture();
        m_booth->share().share();
        m_booth->share().waitForIdle(10000);
        return true;
    }
    if (name.compare(QLatin1String("newshot"), Qt::CaseInsensitive) == 0) {
        if (slotModel().usedSlots().empty())
            OnUsePicture();
        const QList<int> used = slotModel().usedSlots();
        m_guest->showShot(
            used.empty() ? BitmapFromImage(work().base()) : slotModel().slot(used.front()).m_composed, 60000);
        return true;
    }
    return false;
}

void DlgCorvantis::openShowWindow()
{
    QDialog* window = OpenShowWindow(*this, m_showWindow);
    if (!window) {
        std::fprintf(stderr, "corvantis: the window \"%s\" could not be opened\n", qPrintable(m_showWindow));
        done(2);
        return;
    }
    if (m_screenshotPath.isEmpty()) {
        window->exec();
        delete window;
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QTimer::singleShot(400, window, [this, window] {
        const QImage shot = window->grab().toImage();
        if (!shot.save(m_screenshotPath))
            std::fprintf(stderr, "corvantis: cannot write %s\n", qPrintable(m_screenshotPath));
        window->close();
        accept();
    });
}
