// DlgCorvantis: the main booth screen. Live camera with the frame laid over it, frame and photo
// browsing, shooting with a countdown into the combination slots, the slot layouts and menu, and
// the project commands. Implemented by use: dlg_corvantis.cpp (controls, camera, browsing),
// shooting.cpp, screen_slots.cpp, screen_output.cpp, screen_settings.cpp and show_windows.cpp.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QUrl>

#include "booth/combination_slots.h"
#include "booth/screen_widgets.h"
#include "imaging/cximage.h"

struct AppPaths;
class DlgPrint;
class CPrinterMark;
class PrinterWatch;
class DlgSavePicture;
struct BoothSettings;
class CCaptureVideo;
class CQuenMenu;
class SessionAutosave;
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

class DlgCorvantis : public QDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kVideoId = 1144,
        kPhotoId = 1094,
        kFrameId = 1172,
        kBaseId = 1173,
        kSlotAreaId = 1083,
        kCountdownId = 1186,
        kCameraId = 1142,
        kFrameShownId = 1084,
        kShootId = 1140,
        kUsePictureId = 1174,
        kPreviousFrameId = 1176,
        kNextFrameId = 1177,
        kPreviousPhotoId = 1178,
        kNextPhotoId = 1179,
        kSelectFrameId = 1185,
        kSelectPhotoId = 1192,
        kAddFrameId = 1191,
        kAddPhotoId = 1193,
        kSavePictureId = 1135,
        kPrintId = 1196,
        kOpenProjectId = 1197,
        kSaveProjectId = 1198,
        kConfigureId = 1194,
        kLayout0Id = 1180,
        kDevicesId = 1126,
        kAboutId = 1245,
        kHomeId = 1091,
        kHelpId = 1248,
        kMinimiseId = 1247,
        kCloseId = 1175,
        kFolderHintId = 1136,
    };
    /// Commands of the slot menu "Combination".
    enum SlotCommand { CmdCopy = 1, CmdPaste, CmdRemove, CmdClear, CmdToEditArea, CmdApplyToAll };

    /// How often the Print button's mark asks the print server (ms).
    static constexpr int kPrinterWatchInterval = 5000;
    /// What the screen ends with when kiosk mode was switched in the configuration dialog and
    /// the program should present it the other way (see setSwitchesPresentation).
    static constexpr int kPresentationChanged = 3;
    static constexpr QRect kPictureRect { 29, 59, 320, 240 };
    static constexpr int kShotWidth = 320;
    static constexpr int kShotHeight = 240;

    /// The screen works on settings and paths; both must outlive it.
    DlgCorvantis(BoothSettings& settings, AppPaths& paths, QWidget* parent = nullptr);
    /// The screen on the process-wide settings and paths.
    explicit DlgCorvantis(QWidget* parent = nullptr);
    ~DlgCorvantis() override;

    BoothSettings& settings() const { return m_settings; }
    AppPaths& paths() const { return m_paths; }

    // ---- Hooks for the program and for tests ----
    /// What the close button does; by default the process ends at once, skipping the exit sequence.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }
    /// Opens the link buttons' addresses; by default in the desktop's browser.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    /// Longest wait for the camera's shot file (5 s by default).
    void setShotWaitLimit(int milliseconds) { m_shotWaitLimit = milliseconds; }
    /// Writes a picture of the screen to path once it has been shown and loaded, then ends it.
    void setScreenshotPath(const QString& path) { m_screenshotPath = path; }
    /// --show NAME: once shown, the screen opens that window over itself (see show_windows.h);
    /// with a screenshot path the picture is of that window.
    void setShowWindow(const QString& name) { m_showWindow = name; }
    QString showWindow() const { return m_showWindow; }
    /// What the screenshot is of (the screen by default; the kiosk view when it hosts the screen).
    void setScreenshotGrabber(std::function<QImage()> grabber) { m_screenshotGrabber = std::move(grabber); }
    /// Handles --show names beyond the table (true when it did); the kiosk view shows its own.
    void setShowWindowHandler(std::function<bool(const QString&)> handler) { m_showWindowHandler = std::move(handler); }
    /// When on, switching kiosk mode in the configuration dialog ends the screen's run with
    /// kPresentationChanged, so the program can show it full screen or as a window; the session
    /// and its slots go on.
    void setSwitchesPresentation(bool on) { m_switchesPresentation = on; }
    /// Rows at the top that move the window (0 when the screen fills a kiosk view).
    void setWindowDragBand(int rows);

    // ---- State ----
    bool isLive() const { return m_live; }
    bool isShooting() const { return m_shooting; }
    bool isFrameShown() const;
    int layout() const { return m_slots.layout(); }
    CombinationSlots& slotModel() { return m_slots; }
    /// Opens the filter workbench on a used slot; on OK its picture goes back into the slot.
    /// Returns whether the slot was changed.
    bool editSlot(int index);
    /// Replaces running the workbench modally (tests).
    void setWorkbenchRunner(std::function<int(DlgFilter&)> runner) { m_workbenchRunner = std::move(runner); }

    CCaptureVideo& capture() { return *m_capture; }
    QString countdownText() const;
    bool isCountdownVisible() const;
    QString lastShotPath() const { return m_lastShotPath; }
    /// The archived camera frame of the last shot (empty when it could not be kept).
    QString lastArchivedShot() const { return m_lastArchivedShot; }
    /// The autosaved session, once the booth load has run (null before, or without a module folder).
    SessionAutosave* autosave() const { return m_autosave.get(); }
    const QStringList& frameFiles() const { return m_frameFiles; }
    int frameIndex() const { return m_frameIndex; }
    QString currentFramePath() const { return m_framePath; }
    const QStringList& photoFiles() const { return m_photoFiles; }
    int photoIndex() const { return m_photoIndex; }
    QString currentPhotoPath() const { return m_photoPath; }
    const CxImage& currentFrame() const { return m_frame; }
    const CxImage& currentPhoto() const { return m_photo; }
    /// The photo area in client coordinates (moved and sized by the tracker).
    QRect photoArea() const;
    CSlotPicture* slotPicture(int index) const;
    /// The guests' countdown, flash and new-slot display of kiosk mode.
    GuestView* guestView() const { return m_guest; }
    /// The slot menu as it pops up over a slot (items with their command ids).
    CQuenMenu* slotMenu() const { return m_menu; }
    /// Notices that must not block the screen (a restored session, a damaged project, ...).
    NoticeBanner* notices() const { return m_notices; }

    // ---- Commands (bound to the controls) ----
    // Camera, overlay and browsing (dlg_corvantis.cpp); shooting (shooting.cpp).
    void OnCamera();
    void OnFrameShown();
    void OnShoot();
    void OnPreviousFrame() { stepFrame(-1); }
    void OnNextFrame() { stepFrame(+1); }
    void OnPreviousPhoto() { stepPhoto(-1); }
    void OnNextPhoto() { stepPhoto(+1); }
    void OnSelectFrame() { selectFromBrowser(false, false); }
    void OnSelectPhoto() { selectFromBrowser(true, false); }
    void OnAddFrame() { selectFromBrowser(false, true); }
    void OnAddPhoto() { selectFromBrowser(true, true); }
    void OnAbout();
    // The camera coming and going (screen_camera.cpp).
    /// Drains the capture graph's notifications: a stopped or unplugged camera is told once.
    void OnGraphNotify();
    /// A camera was plugged in or out: the list follows, and an unplugged camera that comes back
    /// is started again.
    void OnDevicesChanged();

    // Slot editing (screen_slots.cpp).
    /// Composes the current photo into the first free slot (camera off only).
    void OnUsePicture();
    void OnSlotCommand(int slot, int command);
    /// Double click on a slot: a used slot is edited in the filter workbench.
    void onEditSlot(int slot);
    /// Enter: the filter workbench with no picture.
    void onOpenWorkbench();
    /// The workbench's result for slot (see CombinationSlots::handBackEdit); false when refused.
    bool handBackEdit(int slot, const QImage& result);

    // Sheet output and projects (screen_output.cpp).
    /// Save picture: the sheet of all slots into the save picture dialog.
    void onSavePicture();
    /// Print: the print sheet (the sheet over the empty slot picture) into the print dialog.
    void onPrint();
    /// The two dialogs as those commands open them (owned by the caller).
    DlgSavePicture* createSaveDialog();
    DlgPrint* createPrintDialog();
    /// The printer dot on the Print button (null until the screen was first shown).
    CPrinterMark* printerMark() const { return m_printerMark; }
    void OnOpenProject();
    void OnSaveProject();

    // Screen settings and layouts (screen_settings.cpp).
    void OnLayout(int layout);
    /// The configuration dialog.
    void onConfigure();
    /// The booth load run when the screen is shown (and after a project was opened).
    void RunBoothLoad();

    // Guards and kiosk mode (screen_kiosk.cpp).
    /// Kiosk mode: the shoot key works everywhere on the screen, guests see a large countdown and
    /// their new picture, and leaving, Settings, Open, Clear and layout changes ask for the
    /// operator PIN. Outside kiosk mode the shoot key works while the camera runs, unless the
    /// focused control needs the key (a text field or list, or Space on a focused button).
    void setKioskMode(bool on);
    bool isKioskMode() const { return m_kiosk; }
    /// Kiosk mode asked for at start (--kiosk or the settings file). Without an operator PIN the
    /// operator is first asked to set one; when that is refused the screen stays a window and
    /// its notices say why. When nobody can answer (unattended: a screenshot run, or a restart
    /// after the booth did not end normally) nothing is asked and kiosk mode without a PIN is
    /// entered locked: nothing can be left or changed until the booth is stopped from the system.
    /// Returns whether kiosk mode is on.
    bool requestKioskAtStart(bool unattended);
    /// Whether the last run left its session behind (it did not end normally).
    bool sessionWasLeft() const;
    /// Esc, the close button and the window's close: outside kiosk mode asks before a session
    /// whose slots hold pictures ends; in kiosk mode asks for the operator PIN. True to go on.
    bool confirmEndSession();
    /// Esc: ends the screen once confirmEndSession() agrees.
    void reject() override;

    /// Makes path the current frame (overlay while live, frame area otherwise); false when it
    /// does not load (*error then says why).
    bool setFrameFile(const QString& path, QString* error = nullptr);
    /// Makes path the current photo (JPEG photos decoded reduced); false when it does not load.
    bool setPhotoFile(const QString& path, QString* error = nullptr);
    /// Gives the photo area a new rectangle (client coordinates) and fits the photo to it.
    void setPhotoArea(const QRect& r);

    /// Enters path into a recent list of the settings file (keys "0" to "19" of section).
    static void AddToRecentList(const QString& settingsFile, const QString& section, const QString& path);
    /// "cap_" + local time as "%y%m%d%H%M%S" + ".bmp" in tempFolder.
    static QString ShotFileName(const QString& tempFolder, const QDateTime& when);

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
    // Guards (screen_kiosk.cpp).
    bool operatorAllows();
    static QString kioskWithoutPinNotice();
    bool confirmClear();
    bool confirmLayoutChange(int layout);
    bool handleShootKey(const QKeyEvent* e);
    bool keyBelongsToFocus(const QKeyEvent* e) const;
    // Accessible names, descriptions and the keyboard order (screen_access.cpp).
    void describeControls();
    void describeSlot(int index);
    void applyTabOrder();
    void tellNoCamera();
    /// Opens url in the desktop's browser; says so, with the address, when none can be started.
    void openAddress(const QUrl& url);

    void createControls();
    void bindControls();
    CxSkinButton* addButton(const char* art, int id, QPoint at, const QString& tip = {});
    void listFolders();
    void rebuildSlotWidgets();
    void updateSlotWidget(int index);
    void updateCurrentSlot();
    void setLiveMode(bool live);
    void showFrameArea();
    void showPhotoArea();
    bool applyLiveOverlay(const QString& path);
    bool applyLiveOverlayImage(const QImage& frame);
    void stepFrame(int step);
    void stepPhoto(int step);
    void selectFromBrowser(bool photo, bool anyFolder);
    /// Composes the current photo into the first free slot; beforeShown gets the composed
    /// picture before the slot shows it.
    int placeIntoFirstFree(int opacity, const std::function<void(const QImage&)>& beforeShown = {});
    void onSlotPressed(int index);
    void onSlotReleased(int index, const QPoint& globalPos);
    void onSlotMenu(int index, const QPoint& globalPos);
    void setCountdown(const QString& text);
    static void waitStep(int milliseconds);
    void takeScreenshot();
    /// Restores a session left by a crash (unless a project was opened) and starts autosaving.
    void startSession(bool projectOpened);
    /// The normal end: the session becomes the previous one.
    void endSession();
    /// An autosave ended: a failure is told once on the notices, withdrawn when a write succeeds.
    void onAutosaveFinished(bool ok, const QString& reason);
    void openShowWindow();
    /// Starts watching the default printer for the Print button's mark (screen_output.cpp).
    void startPrinterWatch();
    /// --show names drawn on the screen itself (the guests' countdown and new shot); false for others.
    bool showOnScreen(const QString& name);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    bool m_kiosk = false;
    bool m_closing = false; ///< the end of the session was confirmed
    bool m_askingOperator = false; ///< the operator PIN is being asked for
    bool m_switchesPresentation = false;
    bool m_loaded = false; ///< the booth load of the first show has run
    bool m_autosaveFailing = false; ///< the last autosave failed and the notice says so

    // Controls.
    skin::WindowSkin* m_windowSkin = nullptr;
    GuestView* m_guest = nullptr;
    NoticeBanner* m_notices = nullptr;
    QWidget* m_stage = nullptr;
    QWidget* m_videoArea = nullptr;
    CPictureArea* m_baseArea = nullptr;
    CPictureArea* m_photoArea = nullptr;
    CTransparentPic* m_frameArea = nullptr;
    CPhotoTracker* m_tracker = nullptr;
    CPictureArea* m_slotArea = nullptr;
    std::vector<CSlotPicture*> m_slotWidgets;
    SkStatic* m_countdown = nullptr;
    SkComboBox* m_devices = nullptr;
    QLineEdit* m_folderHint = nullptr;
    CxSkinButton* m_cameraButton = nullptr;
    CxSkinButton* m_frameButton = nullptr;
    CxSkinButton* m_layoutButtons[5] = {};
    CQuenMenu* m_menu = nullptr;

    // Pictures and lists.
    QStringList m_frameFiles, m_photoFiles;
    QStringList m_emotionFiles, m_maskFiles, m_baseMapFiles, m_backgroundFiles;
    QString m_frameFolderListed, m_photoFolderListed;
    int m_frameIndex = -1;
    int m_photoIndex = -1;
    QString m_framePath, m_photoPath;
    CxImage m_frame; ///< at its own size
    CxImage m_photoSource; ///< as loaded
    CxImage m_photo; ///< fitted to the photo area
    CxImage m_base;
    QImage m_liveFrame; ///< the picture shown as the live overlay (a slot's frame after "To edit area")

    CombinationSlots m_slots;
    std::unique_ptr<CCaptureVideo> m_capture;
    std::unique_ptr<SessionAutosave> m_autosave;
    PrinterWatch* m_printerWatch = nullptr;
    CPrinterMark* m_printerMark = nullptr;

    // Flags.
    bool m_live = false;
    bool m_shooting = false;
    bool m_graphBuilt = false;
    int m_graphDevice = -1;
    QString m_cameraLost; ///< the camera unplugged while live, started again when it returns
    int m_dragFrom = -1;
    CPhotoTracker::Hit m_trackHit = CPhotoTracker::HitNothing;
    QPoint m_trackStart;
    QRect m_trackRect;
    QString m_lastShotPath;
    QString m_lastArchivedShot;
    int m_shotWaitLimit = 5000;
    QString m_screenshotPath;
    QString m_showWindow;
    QString m_projectPathOverride; ///< project chosen with the open command when there is no application object

    std::function<QImage()> m_screenshotGrabber;
    std::function<bool(const QString&)> m_showWindowHandler;
    std::function<void()> m_closeHandler;
    std::function<void(const QUrl&)> m_openUrl;
    std::function<int(DlgFilter&)> m_workbenchRunner;
};
