// DlgCorvantis, input at the screen's edge: the shoot key (everywhere in kiosk mode), the photo
// tracker's pointer, dragging slots and their menu, link buttons, and the --show windows and
// screenshots of a run.
#include <cstdio>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
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
    if (!BoothSettings::IsShootKey(settings().m_shootKey, e->key()))
        return false;
    // Outside kiosk mode the key is the focused control's when it needs it, and with the camera
    // off Enter keeps editing the selected slot.
    if (!isKioskMode() && (keyBelongsToFocus(e) || !isLive()))
        return false;
    OnShoot();
    return true;
}

bool DlgCorvantis::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isKioskMode()) {
        // Only keys meant for this screen: a PIN typed into a dialog over it is left alone.
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* modal = QApplication::activeModalWidget();
        if (w && w->window() == this && (!modal || modal == this) && handleShootKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DlgCorvantis::keyPressEvent(QKeyEvent* e)
{
    // While the camera runs, Space and Enter shoot (kiosk mode catches them earlier, wherever
    // focus is).
    if (!isKioskMode() && handleShootKey(e))
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
        m_trackHit = m_tracker->hitTest(pos);
        if (m_trackHit != CPhotoTracker::HitNothing) {
            m_trackStart = pos;
            m_trackRect = work().photoArea();
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

void DlgCorvantis::mouseMoveEvent(QMouseEvent* e)
{
    if (m_trackHit != CPhotoTracker::HitNothing) {
        const QPoint delta = e->position().toPoint() - m_trackStart;
        m_tracker->setTrackedRect(CPhotoTracker::track(m_trackRect, m_trackHit, delta));
        return;
    }
    QDialog::mouseMoveEvent(e);
}

void DlgCorvantis::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_trackHit != CPhotoTracker::HitNothing) {
        m_trackHit = CPhotoTracker::HitNothing;
        m_booth->work().setPhotoArea(m_tracker->trackedRect());
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

// ---- Slots: drag to swap, the slot menu ----

void DlgCorvantis::onSlotPressed(int index)
{
    if (m_dragFrom >= 0 || !slotModel().setCurrentSlot(index))
        return;
    m_dragFrom = index;
    updateCurrentSlot();
    const QImage cursor = skin::SkinBitmap(skin::kCursorDrag);
    QApplication::setOverrideCursor(
        cursor.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(QPixmap::fromImage(cursor), 4, 4));
}

void DlgCorvantis::onSlotReleased(int index, const QPoint& globalPos)
{
    Q_UNUSED(index);
    if (m_dragFrom < 0)
        return;
    const int from = m_dragFrom;
    m_dragFrom = -1;
    QApplication::restoreOverrideCursor();
    const QPoint local = mapFromGlobal(globalPos);
    for (CSlotPicture* w : m_slotWidgets) {
        if (w->geometry().contains(local) && w->index() != from) {
            slotModel().swapSlots(from, w->index());
            break;
        }
    }
    updateCurrentSlot();
}

void DlgCorvantis::onSlotMenu(int index, const QPoint& globalPos)
{
    if (!slotModel().setCurrentSlot(index))
        return;
    updateCurrentSlot();
    if (QAction* chosen = m_menu->exec(globalPos))
        OnSlotCommand(index, CQuenMenu::commandId(chosen));
}

// ---- Links ----

void DlgCorvantis::openAddress(const QUrl& url)
{
    const auto tell = [this, url] {
        platform::prompts().messageBox(this,
            QStringLiteral("No web browser could be opened on this computer.\nThe address is:\n%1")
                .arg(url.toDisplayString()),
            platform::MbOk | platform::MbIconInformation);
    };
    // xdg-open says when no browser could be started, which the desktop services do not; without
    // it they try the other ways the desktop knows.
    auto* opener = new QProcess(this);
    connect(opener, &QProcess::finished, this, [opener, tell](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            tell();
    });
    connect(opener, &QProcess::errorOccurred, this, [opener, url, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        if (!QDesktopServices::openUrl(url))
            tell();
    });
    opener->start(QStringLiteral("xdg-open"), { url.toString(QUrl::FullyEncoded) });
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

void DlgCorvantis::takeScreenshot()
{
    const QImage shot = m_screenshotGrabber ? m_screenshotGrabber() : grab().toImage();
    if (!shot.save(m_screenshotPath))
        std::fprintf(stderr, "corvantis: cannot write %s\n", qPrintable(m_screenshotPath));
    accept();
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
