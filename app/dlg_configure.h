// DlgConfigure: the settings dialog. The six resource folders with their pickers, importing
// pictures into them or removing pictures from them, the countdown, print size, frame opacity,
// automatic frame change, the kiosk settings (kiosk mode, operator PIN, shoot key, idle time,
// the guests' one-touch print) and the phone gallery (on/off, port, address, the code on prints).
#pragma once

#include <QStringList>

#include "app/booth_settings.h"
#include "skin/skin_window.h"

class CButtonST;
class QLineEdit;
class SkComboBox;
struct AppPaths;
namespace platform {
class Prompts;
}

class DlgConfigure : public skin::SkinDialog {
    Q_OBJECT
public:
    enum ControlIds {
        kFrameFolderId = 1223,
        kPortraitFolderId = 1224,
        kBackgroundFolderId = 1225,
        kMaskFolderId = 1226,
        kEmotionFolderId = 1227,
        kBaseMapFolderId = 1228,
        kPickFrameId = 1229,
        kPickPortraitId = 1230,
        kPickBackgroundId = 1091,
        kPickMaskId = 1231,
        kPickEmotionId = 1232,
        kPickBaseMapId = 1132,
        kImportModeId = 1233,
        kRemoveModeId = 1234,
        kFilesFrameId = 1235, ///< 1235 to 1240: one per folder, in folder order
        kCountdownId = 1241,
        kPrintWidthId = 1242,
        kPrintHeightId = 1243,
        kAutoChangeFrameId = 1249,
        kAlphaId = 1250,
        kApplyId = 1,
        kCloseId = 2,
        kCloseButtonId = 1175,
        kDefaultId = 1252,
        kKioskId = 1260,
        kPinId = 1261,
        kShootKeyId = 1262,
        kAttractIdleId = 1263,
        kGuestPaperId = 1264,
        kGuestCopiesId = 1265,
        kMaxPrintsId = 1266,
        kShareGalleryId = 1270,
        kSharePortId = 1271,
        kShareBindId = 1272,
        kSharePrintCodeId = 1273,
    };
    /// The resource folders in the order of their fields, pickers and file buttons.
    enum Folder {
        FrameFolder,
        PortraitFolder,
        BackgroundFolder,
        MaskFolder,
        EmotionFolder,
        BaseMapFolder,
        FolderCount
    };

    static constexpr int kMaxCountdown = BoothSettings::kMaxCountdown;
    static constexpr int kMaxPrintSize = BoothSettings::kMaxPrintSize;
    static constexpr int kMaxAlpha = BoothSettings::kMaxAlpha;
    static constexpr int kMaxAttractIdle = BoothSettings::kMaxAttractIdle;
    static constexpr int kMaxPrintsPerSheet = 99;
    static constexpr int kMaxPort = 65535;

    /// Works on the given process-wide values; every question goes through prompts.
    DlgConfigure(BoothSettings& settings, AppPaths& paths, platform::Prompts& prompts, QWidget* parent = nullptr);

    /// Opening (settings file read again, fields filled), then the modal run.
    int exec() override;
    /// The opening without showing the dialog.
    void initialise();

    // ---- Commands (bound to the controls) ----
    void OnPickFolder(int folder);
    /// The import (1233) or remove (1234) two-state button was pressed.
    void OnFileMode(int pressedId);
    /// Import into or remove from a folder, by the file mode.
    void OnFiles(int folder);
    void OnApply();
    void OnDefault();
    void OnAutoChangeFrame();
    void OnKiosk();
    /// Asks for a new operator PIN twice and stores its hash at once.
    void OnSetPin();

    bool importMode() const;
    QString folderField(int folder) const;
    /// What the last import skipped: files whose name was taken, and files that failed.
    const QStringList& lastSkipped() const { return m_skipped; }

    static QString folderPickerTitle(int folder);
    /// The default shoot key choices: display text and settings value.
    static QList<std::pair<QString, QString>> shootKeyChoices();

signals:
    /// The kiosk check box changed (takes effect at once).
    void kioskChanged(bool on);

public slots:
    void reject() override;

private:
    void createControls();
    void fillFields();
    QString& folderRef(int folder);
    int readNumber(QLineEdit* field, int max) const;
    void saveAndReport(bool withKiosk);
    void importFiles(const QString& folder, const QStringList& files);
    void removeFiles(const QStringList& files);

    BoothSettings& m_settings;
    AppPaths& m_paths;
    platform::Prompts& m_prompts;
    QLineEdit* m_folderFields[FolderCount] = {};
    CButtonST* m_importMode = nullptr;
    CButtonST* m_removeMode = nullptr;
    CButtonST* m_autoChangeFrame = nullptr;
    CButtonST* m_kiosk = nullptr;
    QLineEdit* m_countdown = nullptr;
    QLineEdit* m_printWidth = nullptr;
    QLineEdit* m_printHeight = nullptr;
    QLineEdit* m_alpha = nullptr;
    QLineEdit* m_attractIdle = nullptr;
    CButtonST* m_shareGallery = nullptr;
    QLineEdit* m_sharePort = nullptr;
    QLineEdit* m_shareBind = nullptr;
    CButtonST* m_sharePrintCode = nullptr;
    SkComboBox* m_shootKey = nullptr;
    SkComboBox* m_guestPaper = nullptr;
    QLineEdit* m_guestCopies = nullptr;
    QLineEdit* m_maxPrints = nullptr;
    QStringList m_skipped;
};
