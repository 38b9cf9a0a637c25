// Registration of the project file type (*.kivra) with the desktop: a shared-mime-info package
// and a .desktop entry in the user's data folder, so project files open in the booth.
#pragma once

#include <QString>

inline constexpr const char* kProjectMimeType = "application/x-kivra-project";
/// The desktop's name for the program: its desktop entry, launcher icon and AppStream component.
inline constexpr const char* kAppId = "org.example.KivraTesselwick";
inline constexpr const char* kDesktopEntryName = "org.example.KivraTesselwick.desktop";
inline constexpr const char* kMimePackageName = "kivra-tesselwick.xml";

/// The Exec value of the desktop entry: the executable path in quotation marks, one blank and
/// %f, escaped by the desktop-entry rules. Empty when the path cannot be expressed (line breaks).
QString desktopExecValue(const QString& executablePath);

/// Writes dataHome/mime/packages/kivra-tesselwick.xml and dataHome/applications/<kDesktopEntryName>
/// (dataHome "" = the user's data folder), rewriting a file only when its content changes, and
/// refreshes the desktop's caches when refreshCaches is set. iconPath, when given, is the entry's
/// icon file. False on any failure; start-up ignores it.
bool RegisterFileType(const QString& executablePath, const QString& dataHome = {}, bool refreshCaches = false,
    const QString& iconPath = {});

/// The desktop entry installed with the program in exeFolder, when the desktop reads it (its
/// share folder is the user's data folder or one of XDG_DATA_DIRS); empty otherwise, e.g. for a
/// build run from the tree. Such a program needs no entry of its own in the user's data folder.
QString InstalledDesktopEntry(const QString& exeFolder);
