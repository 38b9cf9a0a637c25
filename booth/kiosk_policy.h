// KioskPolicy: kiosk mode's rules. The operator lock (one question at a time; without a PIN the
// booth stays locked), the questions asked before pictures are lost, and kiosk mode asked for at
// start. The guests' view and the attract screen follow isOn().
#pragma once

#include <QObject>
#include <QPointer>

#include "booth/booth_notice.h"

struct AppPaths;
struct BoothSettings;
class SheetSession;
class QWidget;

class KioskPolicy : public QObject {
    Q_OBJECT
public:
    KioskPolicy(BoothSettings& settings, AppPaths& paths, SheetSession& session, QObject* parent = nullptr);

    void setDialogParent(QWidget* parent) { m_parent = parent; }

    bool isOn() const { return m_on; }
    void setOn(bool on);

    /// Outside kiosk mode always; in kiosk mode when the operator gives the PIN. Kiosk mode without
    /// a PIN says so on a notice and refuses; a press while the PIN is asked for is refused too.
    bool operatorAllows();
    /// Esc, the close button and the window's close: outside kiosk mode asks before a session whose
    /// slots hold pictures ends; in kiosk mode asks for the operator PIN. Once agreed, stays agreed.
    bool confirmEndSession();
    bool isClosing() const { return m_closing; }
    /// Clear the sheet: the operator, then whether the pictures may go.
    bool confirmClear();
    /// Another layout: the operator, then whether pictures that do not fit may be dropped.
    bool confirmLayoutChange(int layout);

    /// Kiosk mode asked for at start (--kiosk or the settings file). Without an operator PIN the
    /// operator is first asked to set one; when that is refused kiosk mode stays off and a notice
    /// says why. When nobody can answer (unattended, or a restart after the booth did not end
    /// normally) nothing is asked and kiosk mode without a PIN is entered locked. Whether it is on.
    bool requestAtStart(bool unattended);
    static QString noPinNotice();

signals:
    void changed(bool on);
    void notice(const BoothNotice& notice);

private:
    bool confirmed(const QString& text);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    SheetSession& m_session;
    QWidget* m_parent = nullptr;
    bool m_on = false;
    bool m_closing = false; ///< the end of the session was confirmed
    bool m_asking = false; ///< the operator PIN is being asked for
};
