// BoothSettings: the values of KivraTesselwick.ini, its key table and the three routines that
// read or write it (start-up load, booth load, settings save).
#pragma once

#include <QString>

#include "app/app_paths.h"

/// Indices into kSettingKeys; the order is fixed and used across the program.
enum SettingKey : int {
    KeyConfigure,
    KeyRecentlyFrame,
    KeyRecentlyPortrait,
    KeyShottingDelay,
    KeyCombinationIndex,
    KeyComPictureFlag,
    KeyPathFrame,
    KeyPathPortrait,
    KeyPathBackGround,
    KeyPathMask,
    KeyPathEmotion,
    KeyPathBaseMap,
    KeyPathCurrent,
    KeyPrintWidth,
    KeyPrintHeight,
    KeyPathSave,
    KeyAutoChangeFrame,
    KeyAlpha,
    KeyCount
};

/// Section and key names of the settings file, indexed by SettingKey.
inline constexpr const char* kSettingKeys[KeyCount] = {
    "Configure",
    "RecentlyFrame",
    "RecentlyPortrait",
    "ShottingDelay",
    "CombinationIndex",
    "ComPictureFlag",
    "PathFrame",
    "PathPortrait",
    "PathBackGround",
    "PathMask",
    "PathEmotion",
    "PathBaseMap",
    "PathCurrent",
    "PrintWidth",
    "PrintHeight",
    "PathSave",
    "AutoChangeFrame",
    "Alpha",
};

/// Keys of the kiosk values in section "Configure", beside the classic table.
inline constexpr const char* kKeyKiosk = "Kiosk";
inline constexpr const char* kKeyOperatorPin = "OperatorPin";
inline constexpr const char* kKeyShootKey = "ShootKey";
inline constexpr const char* kKeyAttractIdle = "AttractIdle";
inline constexpr const char* kDefaultShootKey = "Space;Enter";
inline constexpr int kDefaultAttractIdle = 60;
/// The guests' one-touch print in kiosk mode: the photo paper, the copies of each print, and
/// how often one sheet may be printed.
inline constexpr const char* kKeyKioskPrintPaper = "KioskPrintPaper";
inline constexpr const char* kKeyKioskPrintCopies = "KioskPrintCopies";
inline constexpr const char* kKeyMaxPrintsPerSheet = "MaxPrintsPerSheet";
inline constexpr int kDefaultMaxPrintsPerSheet = 2;
inline constexpr int kMaxPrintCopies = 10;

/// The photo papers of a photo print, in list order: the name in the settings and on the command
/// line, and the text shown.
struct PhotoPaperName {
    const char* key;
    const char* text;
};
inline constexpr PhotoPaperName kPhotoPaperNames[] = {
    { "6x4in", "6 \u00D7 4 in photo" },
    { "7x5in", "7 \u00D7 5 in photo" },
    { "a5", "A5" },
    { "a4", "A4" },
    { "fit", "Fit page" },
};
inline constexpr const char* kDefaultKioskPrintPaper = "6x4in";

/// Keys of the phone gallery in section "Configure".
inline constexpr const char* kKeyShareGallery = "ShareGallery";
inline constexpr const char* kKeySharePort = "SharePort";
inline constexpr const char* kKeyShareBind = "ShareBind";
inline constexpr const char* kKeyShareIndex = "ShareIndex";
inline constexpr const char* kKeySharePrintCode = "SharePrintCode";
inline constexpr int kDefaultSharePort = 8080;
inline constexpr const char* kDefaultShareBind = "all";
/// The longest ShareBind kept (an IPv6 address or an interface name fits easily).
inline constexpr int kMaxShareBindLength = 64;

/// The settings-file values that are not folders (the folders live in AppPaths).
struct BoothSettings {
    /// The largest values the configuration dialog's fields take (the smallest is 0). Numbers
    /// read from a settings file are clamped to them, so a hand-edited or hostile file cannot
    /// make the countdown endless or the print size absurd.
    static constexpr int kMaxCountdown = 99;
    static constexpr int kMaxPrintSize = 9999;
    static constexpr int kMaxAlpha = 255;
    static constexpr int kMaxAttractIdle = 3600;

    int m_shottingDelay = 0; ///< countdown seconds
    int m_printWidth = 0;
    int m_printHeight = 0;
    int m_autoChangeFrame = 0; ///< 1: next frame after every shot
    int m_alpha = 0; ///< frame opacity 0..255, 255 = opaque paste
    int m_combinationIndex = 0; ///< slot layout 0..4, only from projects
    QString m_comPictureFlag; ///< used slots as "0,1,3,", only from projects

    // Kiosk mode: keys after the classic table, in kiosk_settings.cpp.
    int m_kiosk = 0; ///< 1: full screen guest view with the operator lock
    QString m_operatorPin; ///< salted hash of the operator PIN (never the PIN); empty = none set
    QString m_shootKey = QString::fromLatin1(kDefaultShootKey); ///< keys that shoot, "Space;Enter"
    int m_attractIdle = kDefaultAttractIdle; ///< seconds without input before the attract screen; 0 = off
    QString m_kioskPrintPaper = QString::fromLatin1(kDefaultKioskPrintPaper); ///< a kPhotoPaperNames key
    int m_kioskPrintCopies = 1; ///< 1 to kMaxPrintCopies
    int m_maxPrintsPerSheet = kDefaultMaxPrintsPerSheet; ///< 0: guests cannot print

    // Phone gallery: keys after the kiosk ones, in share_settings.cpp.
    int m_shareGallery = 0; ///< 1: serve shared sheets to phones on the local network
    int m_sharePort = kDefaultSharePort; ///< 1..65535
    QString m_shareBind = QString::fromLatin1(kDefaultShareBind); ///< "all", an address or an interface name
    int m_shareIndex = 0; ///< 1: the operator's event index is served at its own link
    int m_sharePrintCode = 0; ///< 1: photo prints carry the sheet's link as a QR code in a corner

    /// Start-up load from paths' settings file: a non-empty folder key replaces the folder from
    /// the per-user store; an empty or missing one is filled in from that folder.
    void LoadSettingsAtStartup(AppPaths& paths = appPaths());
    /// Booth load, plain branch: reads the module folder's settings file; folders are taken as
    /// they are and an empty current folder becomes the user's home folder.
    void LoadBoothSettings(AppPaths& paths = appPaths());
    /// Booth load, project branch, for a project's extracted settings file. A project is data
    /// that may come from anywhere: it sets only the sheet's own values (kProjectKeys) and never
    /// a folder, an address or a kiosk value of this booth. Building the layout and restoring
    /// slots is the caller's.
    void LoadProjectSettings(const QString& projectSettingsFile);
    /// Settings save into paths' settings file. False when a key could not be written, with
    /// *error ("<file>: <reason>") of the first that failed.
    bool SaveSettings(const AppPaths& paths = appPaths(), QString* error = nullptr) const;

    /// Whether slot is one of the entries of a ComPictureFlag text ("0,2," lists 0 and 2).
    /// Entries are compared whole, so "11," does not list slot 1.
    static bool IsSlotListed(const QString& comPictureFlag, int slot);
    /// The ComPictureFlag text for the used slots (in ascending order).
    static QString MakeComPictureFlag(const QList<int>& usedSlots);

    /// Reads the kiosk values of file; missing keys keep their defaults.
    void LoadKioskSettings(const QString& file);
    /// Writes the kiosk values. False when a key could not be written (*error as SaveSettings).
    bool SaveKioskSettings(const QString& file, QString* error = nullptr) const;
    /// Whether the Qt key code is one of the keys of a ShootKey text ("Space;Enter").
    static bool IsShootKey(const QString& shootKeySetting, int qtKey);

    /// Reads the phone gallery values of file; missing or bad values fall back to their
    /// defaults, numbers are clamped to their ranges.
    void LoadShareSettings(const QString& file);
    /// Writes the phone gallery values. False when a key could not be written (*error as SaveSettings).
    bool SaveShareSettings(const QString& file, QString* error = nullptr) const;

    /// Reads a number key of section "Configure" clamped to 0..max (see kMaxCountdown).
    static int ReadClamped(const QString& file, SettingKey key, int max);
};

/// The keys a project's settings record may set: the layout and its used slots, the countdown
/// and the print size. Folders (PathSave, PathCurrent and the picture folders) stay this booth's.
inline constexpr SettingKey kProjectKeys[]
    = { KeyCombinationIndex, KeyComPictureFlag, KeyShottingDelay, KeyPrintWidth, KeyPrintHeight };

/// The process-wide settings values.
BoothSettings& boothSettings();
