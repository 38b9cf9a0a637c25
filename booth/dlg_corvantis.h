// DlgCorvantis: the main booth screen. It keeps the controls with their ids and places, shows what
// the booth's parts (booth/booth.h) hold and turns its controls into their commands. Also in
// screen_controls.cpp (controls, slots, accessibility) and screen_input.cpp (keys, pointer, --show).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QUrl>

#include "booth/booth.h"
#include "booth/booth_screen.h"
#include "booth/main_screen_ids.h"
#include "booth/screen_widgets.h"

class CPrinterMark;
class CQuenMenu;
class CTransparentPic;
class CxSkinButton;
class DlgFilter;
class GuestView;
class NoticeBanner;
class QLineEdit;
class SkComboBox;
class SkStatic;
namespace skin {
class WindowSkin;
}

class DlgCorvantis : public BoothScreen, public MainScreenIds {
    Q_OBJECT
public:
    /// The screen over its own booth on settings and paths; both must outlive it.
    DlgCorvantis(BoothSettings& settings, AppPaths& paths, QWidget* parent = nullptr);
    /// The screen on the process-wide settings and paths.
    explicit DlgCorvantis(QWidget* parent = nullptr);
    ~DlgCorvantis() override;

    Booth& booth() override { return *m_booth; }
    BoothSettings& settings() const { return m_booth->settings(); }
    AppPaths& paths() const { return m_booth->paths(); }

    void setWindowDragBand(int rows) override;
    /// Replaces running the filter workbench modally (tests).
    void setWorkbenchRunner(std::function<int(DlgFilter&)> runner) { m_workbenchRunner = std::move(runner); }

    // What the parts hold, as the screen's callers ask for it.
    bool isLive() const { return m_booth->camera().isLive(); }
    bool isShooting() const { return m_booth->shooting().isShooting(); }
    bool isFrameShown() const { return m_booth->work().isFrameShown(); }
    bool isKioskMode() const { return m_booth->kiosk().isOn(); }
    bool sessionWasLeft() const { return m_booth->session().wasLeft(); }
    int layout() const { return m_booth->session().sheet().layout(); }
    CombinationSlots& slotModel() { return m_booth->session().sheet(); }
    CCaptureVideo& capture() { return m_booth->camera().capture(); }
    SessionAutosave* autosave() const { return m_booth->session().autosave(); }
    const WorkArea& work() const { return m_booth->work(); }
    const QStringList& frameFiles() const { return work().frameFiles(); }
    const QStringList& photoFiles() const { return work().photoFiles(); }
    QString currentFramePath() const { return work().framePath(); }
    QString currentPhotoPath() const { return work().photoPath(); }
    QRect photoArea() const { return work().photoArea(); }
    const CxImage& currentFrame() const { return work().frame(); }
    const CxImage& currentPhoto() const { return work().photo(); }
    int frameIndex() const { return work().frameIndex(); }
    int photoIndex() const { return work().photoIndex(); }
    QString lastShotPath() const { return m_booth->shooting().lastShotPath(); }
    QString lastArchivedShot() const { return m_booth->shooting().lastArchivedShot(); }
    int guestPrintsOfSheet() const { return m_booth->output().guestPrintsOfSheet(); }

    CSlotPicture* slotPicture(int index) const;
    GuestView* guestView() const { return m_guest; }
    CQuenMenu* slotMenu() const { return m_menu; }
    NoticeBanner* notices() const { return m_notices; }
    /// The printer dot on the Print button (null until the screen was first shown).
    CPrinterMark* printerMark() const { return m_printerMark; }
    bool isCountdownVisible() const;

    // Commands, as the controls give them.
    void OnShoot() { m_booth->shooting().shoot(); }
    void OnUsePicture() { m_booth->usePicture(); }
    void OnSlotCommand(int slot, int command) { m_booth->slotCommand(slot, command); }
    void OnLayout(int layout);
    void setKioskMode(bool on) { m_booth->kiosk().setOn(on); }
    bool requestKioskAtStart(bool unattended) { return m_booth->kiosk().requestAtStart(unattended); }
    /// Opens the filter workbench on a used slot; on OK its picture goes back into the slot.
    bool editSlot(int index);
    /// The workbench's result for slot (see CombinationSlots::handBackEdit); false when refused.
    bool handBackEdit(int slot, const QImage& result);
    bool confirmEndSession() override { return m_booth->kiosk().confirmEndSession(); }
    void reject() override; ///< Esc: ends the screen once confirmEndSession() agrees

signals:
    /// The countdown label changed (its new text) or was hidden (empty text).
    void countdownChanged(const QString& text);
    /// A shot ended: the slot it went into, or -1 when it was dropped or failed.
    void shotFinished(int slot);

protected:
    void showEvent(QShowEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    CxSkinButton* addButton(const char* art, int id, QPoint at, const QString& tip = {});
    void bindControls();
    void connectParts();
    void describeControls();
    void applyTabOrder();
    void rebuildSlotWidgets();
    void updateSlotWidget(int index);
    void updateCurrentSlot();
    void setLiveMode(bool live);
    void showFrameArea();
    void showPhotoArea();
    void showDevices();
    void setCountdown(const QString& text);
    void onCamera();
    void onConfigure();
    void selectFromBrowser(bool photo, bool anyFolder);
    void openShowWindow();
    bool showOnScreen(const QString& name);

    std::unique_ptr<Booth> m_booth;
    bool m_loaded = false; ///< the booth load of the first show has run
    skin::WindowSkin* m_windowSkin = nullptr;
    GuestView* m_guest = nullptr;
    NoticeBanner* m_notices = nullptr;
    QWidget *m_stage = nullptr, *m_videoArea = nullptr;
    CPictureArea *m_baseArea = nullptr, *m_photoArea = nullptr, *m_slotArea = nullptr;
    CTransparentPic* m_frameArea = nullptr;
    CPhotoTracker* m_tracker = nullptr;
    std::vector<CSlotPicture*> m_slotWidgets;
    SkStatic* m_countdown = nullptr;
    SkComboBox* m_devices = nullptr;
    QLineEdit* m_folderHint = nullptr;
    CxSkinButton *m_cameraButton = nullptr, *m_frameButton = nullptr, *m_layoutButtons[5] = {};
    CQuenMenu* m_menu = nullptr;
    CPrinterMark* m_printerMark = nullptr;
    int m_dragFrom = -1;
    CPhotoTracker::Drag m_track;
    std::function<int(DlgFilter&)> m_workbenchRunner;
};
