// BoothShooting: one shot from the Shoot press to its slot. The countdown, the grab into a shot file in
// the process's private temporary folder, the bounded wait for the file, the shot archive, and the
// composed shot placed into the sheet's first free slot. The guests' countdown, flash and new shot
// are signals for the screen to show.
#pragma once

#include <functional>

#include <QImage>
#include <QObject>
#include <QString>

struct AppPaths;
struct BoothSettings;
class BoothCamera;
class QDateTime;
class QWidget;
class SheetSession;
class WorkArea;

class BoothShooting : public QObject {
    Q_OBJECT
public:
    BoothShooting(BoothSettings& settings, AppPaths& paths, BoothCamera& camera, SheetSession& session, WorkArea& work,
        QObject* parent = nullptr);

    void setDialogParent(QWidget* parent) { m_parent = parent; }
    /// Kiosk mode: the guests see the countdown, the flash and their new shot.
    void setGuestView(bool on) { m_guests = on; }
    /// Longest wait for the camera's shot file (5 s by default).
    void setShotWaitLimit(int milliseconds) { m_shotWaitLimit = milliseconds; }
    /// How the countdown and the file wait pass time; by default the screen keeps painting and
    /// answering. The shooting part may be gone when it returns.
    void setWait(std::function<void(int milliseconds)> wait) { m_wait = std::move(wait); }

    /// Takes one shot, returning when it is placed or dropped (shotFinished says which). Nothing
    /// while the camera is off or a shot is under way; a full sheet is told before the countdown.
    void shoot();
    bool isShooting() const { return m_shooting; }
    QString lastShotPath() const { return m_lastShotPath; }
    /// The archived camera frame of the last shot (empty when it could not be kept).
    QString lastArchivedShot() const { return m_lastArchivedShot; }

    /// "cap_" + local time as "%y%m%d%H%M%S" + ".bmp" in tempFolder.
    static QString ShotFileName(const QString& tempFolder, const QDateTime& when);

signals:
    /// The countdown label's text, or empty when it is hidden.
    void countdownChanged(const QString& text);
    void guestCountdown(int seconds);
    void guestFlash();
    void guestShot(const QImage& picture);
    void guestCleared();
    /// A shot ended: the slot it went into, or -1 when it was dropped or failed.
    void shotFinished(int slot);

private:
    void tell(const QString& text, bool warning);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    BoothCamera& m_camera;
    SheetSession& m_session;
    WorkArea& m_work;
    QWidget* m_parent = nullptr;
    std::function<void(int)> m_wait;
    bool m_guests = false;
    bool m_shooting = false;
    int m_shotWaitLimit = 5000;
    QString m_lastShotPath;
    QString m_lastArchivedShot;
};
