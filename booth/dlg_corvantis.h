// DlgCorvantis: the main booth screen. It keeps the controls, their ids and places, shows what the
// booth's parts (booth/booth.h) hold and turns its controls into their commands. Its own files:
// dlg_corvantis.cpp (construction, wiring, what the parts change on screen), screen_controls.cpp
// (controls, slot widgets, accessibility) and screen_input.cpp (keys, pointer, slot drag and
// menu, the --show windows and screenshots).
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

    // ---- Hooks for the program and for tests ----
    /// What the close button does; by default the process ends at once, skipping the exit sequence.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }
    /// Opens the link buttons' addresses; by default in the desktop's browser.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    void setShotWaitLimit(int milliseconds) { m_booth->shooting().setShotWaitLimit(milliseconds); }
    /// Writes a picture of the screen (or of the --show window) once shown and loaded, then ends.
    void setScreenshotPath(const QString& path) { m_screenshotPath = path; }
    /// --show NAME: once shown, the screen opens that window over itself (see show_windows.h).
    void setShowWindow(const QString& name) { m_showWindow = name; }
    /// When on, switching kiosk mode in the configuration dialog ends the run with
    /// kPresentationChanged, so the program can present the same screen the other way.
    void setSwitchesPresentation(bool on) { m_switchesPresentation = on; }
    void setWindowDragBand(int rows) override;
    /// Replaces running the filter workbench modally (tests).
    void setWorkbenchRunner(std::function<int(DlgFilter&)> runner) { m_workbenchRunner = std::move(runner); }

    // ---- What the parts hold ----
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
    static void AddToRecentList(const QString& file, const QString& section, const QString& path)
    {
        WorkArea::AddToRecentList(file, section, path);
    }
    int guestPrintsOfSheet() const { return m_booth->output().guestPrintsOfSheet(); }

    // ---- The screen's own controls ----
    CSlotPicture* slotPicture(int index) const;
    GuestView* guestView() const { return m_guest; }
    CQuenMenu* slotMenu() const { return m_menu; }
    NoticeBanner* notices() const { return m_notices; }
    /// The printer dot on the Print button (null until the screen was first shown).
    CPrinterMark* printerMark() const { return m_printerMark; }
    bool isCountdownVisible() const;

    // ---- Commands (bound to the controls) ----
    void OnShoot() { m_booth->shooting().shoot(); }
    void OnUsePicture() { m_booth->usePicture(); }
    void OnNextFrame() { m_booth->work().stepFrame(+1); }
    void OnNextPhoto() { m_booth->work().stepPhoto(+1); }
    void OnSlotCommand(int slot, int command) { m_booth->slotCommand(slot, command); }
    void OnLayout(int layout);
    void OnOpenProject() { m_booth->openProject(); }
    void OnSaveProject() { m_booth->output().saveProject(); }
    void setKioskMode(bool on) { m_booth->kiosk().setOn(on); }
    bool requestKioskAtStart(bool unattended) { return m_booth->kiosk().requestAtStart(unattended); }
    bool setFrameFile(const QString& path, QString* error = nullptr)
    {
        return m_booth->work().setFrameFile(path, error);
    }
    /// Opens the filter workbench on a used slot; on OK its picture goes back into the slot.
    bool editSlot(int index);
    /// The workbench's result for slot (see CombinationSlots::handBackEdit); false when refused.
    bool handBackEdit(int slot, const QImage& result);
    bool confirmEndSession() override { return m_booth->kiosk().confirmEndSession(); }
    /// Esc: ends the screen once confirmEndSession() agrees.
    void reject() override;

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
    void describeSlot(int index);
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
    void onSlotPressed(int index);
    void onSlotReleased(int index, const QPoint& globalPos);
    void onSlotMenu(int index, const QPoint& globalPos);
    bool handleShootKey(const QKeyEvent* e);
    bool keyBelongsToFocus(const QKeyEvent* e) const;
    void openAddress(const QUrl& url);
    void takeScreenshot();
    void openShowWindow();
    bool showOnScreen(const QString& name);

    std::unique_ptr<Booth> m_booth;
    bool m_switchesPresentation = false;
    bool m_loaded = false; ///< the booth load of the first show has run
    skin::WindowSkin* m_windowSkin = nullptr;
    GuestView* m_guest = nullptr;
    NoticeBanner* m_notices = nullptr;
    QWidget* m_stage = nullptr;
    QWidget* m_videoArea = nullptr;
    CPictureArea *m_baseArea = nullptr, *m_photoArea = nullptr, *m_slotArea = nullptr;
    CTransparentPic* m_frameArea = nullptr;
    CPhotoTracker* m_tracker = nullptr;
    std::vector<CSlotPicture*> m_slotWidgets;
    SkStatic* m_countdown = nullptr;
    SkComboBox* m_devices = nullptr;
    QLineEdit* m_folderHint = nullptr;
    CxSkinButton *m_cameraButton = nullptr, *m_frameButton = nullptr;
    CxSkinButton* m_layoutButtons[5] = {};
    CQuenMenu* m_menu = nullptr;
    CPrinterMark* m_printerMark = nullptr;
    int m_dragFrom = -1;
    CPhotoTracker::Hit m_trackHit = CPhotoTracker::HitNothing;
    QPoint m_trackStart;
    QRect m_trackRect;
    QString m_screenshotPath, m_showWindow;
    std::function<void()> m_closeHandler;
    std::function<void(const QUrl&)> m_openUrl;
    std::function<int(DlgFilter&)> m_workbenchRunner;
};
