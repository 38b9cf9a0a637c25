// Booth: the booth's parts and how they work together. The sheet session, the work area, the
// camera, shooting, the kiosk rules, output and sharing, each with its own data; this is the one
// place that wires them to each other. The main screen shows them and turns its controls into
// their commands.
#pragma once

#include <QObject>

#include "booth/booth_camera.h"
#include "booth/booth_notice.h"
#include "booth/booth_output.h"
#include "booth/booth_share.h"
#include "booth/kiosk_policy.h"
#include "booth/sheet_session.h"
#include "booth/booth_shooting.h"
#include "booth/work_area.h"

struct AppPaths;
struct BoothSettings;
class QWidget;

class Booth : public QObject {
    Q_OBJECT
public:
    /// The parts over settings and paths, which must outlive them.
    Booth(BoothSettings& settings, AppPaths& paths, QObject* parent = nullptr);
    ~Booth() override;

    BoothSettings& settings() const { return m_settings; }
    AppPaths& paths() const { return m_paths; }
    SheetSession& session() { return m_session; }
    WorkArea& work() { return m_work; }
    BoothCamera& camera() { return m_camera; }
    BoothShooting& shooting() { return m_shooting; }
    KioskPolicy& kiosk() { return m_kiosk; }
    BoothOutput& output() { return m_output; }
    BoothShare& share() { return m_share; }

    /// Where the parts' questions and messages open (the main screen).
    void setDialogParent(QWidget* parent);

    /// The booth load: the settings file and the program's project (or the one opened with
    /// openProject) into the sheet, the resource folders listed, the session started, the phone
    /// gallery started when it is on. What went wrong is told on notices.
    void load();
    /// Open project: asks for one, then loads it. The operator lock decides first.
    void openProject();
    /// The slot menu's command on slot (see MainScreenIds::SlotCommand); clear asks first.
    void slotCommand(int slot, int command);
    /// Another layout, after asking. False when refused or unchanged.
    bool changeLayout(int layout);
    /// The frame shown or hidden: over the live picture, or on the photo.
    void setFrameShown(bool shown);
    /// Use this picture: the photo under its frame into the first free slot (camera off only).
    int usePicture();
    /// The settings changed: the folders are listed again, the overlay takes the new opacity and
    /// the phone gallery starts, moves or stops.
    void settingsChanged();

signals:
    /// A notice of any part, for the screen's banner.
    void notice(const BoothNotice& notice);
    void noticeWithdrawn(const QString& key);

private:
    /// The current frame over the live picture when it is shown (falling back to the last overlay).
    void refreshOverlay();

    BoothSettings& m_settings;
    AppPaths& m_paths;
    SheetSession m_session;
    WorkArea m_work;
    BoothCamera m_camera;
    BoothShooting m_shooting;
    KioskPolicy m_kiosk;
    BoothOutput m_output;
    BoothShare m_share;
    QString m_projectPathOverride; ///< project chosen with Open when there is no application object
};
