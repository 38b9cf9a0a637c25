// SheetSession: the sheet the guests fill. Its slots and layout, the booth load of the settings
// file and a project, the autosave that keeps the sheet safe from a crash and the restore of a
// sheet a crash left, and the slot menu's commands on the sheet.
#pragma once

#include <memory>

#include <QObject>

#include "booth/booth_notice.h"
#include "booth/combination_slots.h"

struct AppPaths;
struct BoothSettings;
class SessionAutosave;

class SheetSession : public QObject {
    Q_OBJECT
public:
    /// Works on settings and paths, which must outlive it. The sheet starts empty in layout 0.
    SheetSession(BoothSettings& settings, AppPaths& paths, QObject* parent = nullptr);
    /// Ends the session normally: the sheet becomes the previous one.
    ~SheetSession() override;

    CombinationSlots& sheet() { return m_slots; }
    const CombinationSlots& sheet() const { return m_slots; }
    /// The autosave, once start() ran (null before, or without a module folder).
    SessionAutosave* autosave() const { return m_autosave.get(); }
    /// "<module folder>/Session"; empty without a module folder.
    QString sessionFolder() const;
    /// Whether the last run left its session behind (it did not end normally).
    bool wasLeft() const;

    /// Reads the settings file and, when project is not empty, the project into the sheet. False
    /// (with *error) when the project could not be opened completely.
    bool loadProject(const QString& project, QString* error);
    /// Starts autosaving: a sheet a crash left is restored first (and told), unless a project was
    /// opened, which wins. Called again, it only saves the sheet that replaced the old one.
    void start(bool projectOpened);
    /// The normal end: the session becomes the previous one and autosaving stops.
    void end();

    /// Rearranges the sheet; pictures that do not fit are dropped (ask first). False when refused.
    bool changeLayout(int layout);
    /// Copy, paste, remove, clear or apply-to-all on slot (see MainScreenIds::SlotCommand). False
    /// when nothing was done: an unknown slot or command, or nothing held to paste.
    bool run(int slot, int command);
    /// What makes the sheet this sheet: its used slots' pictures, frames and opacities, in any order.
    QString identity() const { return identityOf(m_slots); }
    static QString identityOf(const CombinationSlots& sheet);

signals:
    void slotChanged(int index);
    /// The slots were rebuilt: another layout, a project, a restored sheet.
    void layoutChanged();
    /// The selected slot may have moved.
    void currentSlotChanged();
    void notice(const BoothNotice& notice);
    void noticeWithdrawn(const QString& key);

private:
    void onAutosaveFinished(bool ok, const QString& reason);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    CombinationSlots m_slots;
    std::unique_ptr<SessionAutosave> m_autosave;
    bool m_autosaveFailing = false; ///< the last autosave failed and a notice says so
};
