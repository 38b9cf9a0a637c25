// The process-wide path strings (module, temp, resource and save folders, addresses) and the
// defaults they start from. Folders end without a separator, except the module and temp folders.
#pragma once

#include <QString>

/// Fixed names and defaults of the working folders and the per-user store.
namespace appdefaults {

inline constexpr const char* kProductName = "Kivra Tesselwick";
inline constexpr const char* kVersion = "1.0.5";
inline constexpr const char* kSettingsFileName = "KivraTesselwick.ini";

// Resource folders below the module folder.
inline constexpr const char* kImageFolder = "Image";
inline constexpr const char* kFrameFolder = "Frame";
inline constexpr const char* kPortraitFolder = "Portrait";
inline constexpr const char* kBackgroundFolder = "Background";
inline constexpr const char* kEmotionFolder = "Emotion";
inline constexpr const char* kMaskFolder = "Mask";
inline constexpr const char* kBaseMapFolder = "BaseMap";

// Addresses opened by the main screen's link buttons and shown for support.
inline constexpr const char* kHomePage = "https://kivra-tesselwick.example.org/";
inline constexpr const char* kHelpPage = "https://kivra-tesselwick.example.org/guide/";
inline constexpr const char* kSupport = "mailto:support@kivra-tesselwick.example.org";

// The per-user store (QSettings, INI format, user scope).
inline constexpr const char* kStoreOrganisation = "Kivra Tesselwick";
inline constexpr const char* kStoreApplication = "General";

// Value names in the per-user store, in the order start-up reads them.
inline constexpr const char* kValueHomePage = "Home page";
inline constexpr const char* kValueVersion = "Version";
inline constexpr const char* kValueHelp = "Help";
inline constexpr const char* kValueSavePath = "SavePath";
inline constexpr const char* kValueSupport = "Support";
inline constexpr const char* kValueFramePath = "FramePath";
inline constexpr const char* kValuePortraitPath = "PortraitPath";
inline constexpr const char* kValueMaskPath = "MaskPath";
inline constexpr const char* kValueEmotionPath = "EmotionPath";
inline constexpr const char* kValueBackGroundPath = "BackGroundPath";
inline constexpr const char* kValueBaseMapPath = "BaseMapPath";

/// The default save folder: "Kivra Tesselwick" in the user's home folder.
QString defaultSaveFolder();
/// The folder offered when no current folder is known: the user's home folder.
QString fallbackCurrentFolder();

} // namespace appdefaults

/// One set of working folders for the whole process (see appPaths()).
struct AppPaths {
    QString m_moduleFolder; ///< ends with "/"
    QString m_tempFolder; ///< ends with "/"
    QString m_settingsFile; ///< m_moduleFolder + "KivraTesselwick.ini"
    QString m_saveFolder;
    QString m_frameFolder;
    QString m_portraitFolder;
    QString m_maskFolder;
    QString m_emotionFolder;
    QString m_backgroundFolder;
    QString m_baseMapFolder;
    QString m_currentFolder; ///< folder offered first by the project pickers
    QString m_version;
    QString m_helpAddress;
    QString m_homeAddress;
    QString m_supportAddress;

    /// Sets the module folder (a "/" is appended when missing) and the settings file with it.
    void setModuleFolder(const QString& folder);
    /// Sets the temp folder from the system's, ending with "/".
    void setSystemTempFolder();
    /// module folder + "Image/" + name, e.g. defaultResourceFolder("Frame").
    QString defaultResourceFolder(const char* name) const;
};

/// The process-wide path strings.
AppPaths& appPaths();

/// The shared files of an installed program (<prefix>/share/kivra-tesselwick/, ending with "/")
/// when exeFolder is the program folder of an installation; empty for a build run from the tree.
QString installedDataFolder(const QString& exeFolder);

/// The module folder for this run, ending with "/": homeOption (--home) or else envHome
/// (KIVRA_HOME), created when missing; otherwise exeFolder, unless that is an installed
/// program's folder (shared by every user). A folder that is not a writable folder, and an
/// installed program's folder, fall back to the user's application data folder. *note receives a
/// line for the user when an explicit home had to be abandoned.
QString resolveModuleFolder(
    const QString& homeOption, const QString& envHome, const QString& exeFolder, QString* note = nullptr);
