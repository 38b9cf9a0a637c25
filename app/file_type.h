// Registration of the project file type (*.kivra) with the desktop: a shared-mime-info package
// and a .desktop entry in the user's data folder, so project files open in the booth.
#pragma once

#include <QString>

inline constexpr const char* kProjectMimeType = "application/x-kivra-project";
inline constexpr const char* kDesktopEntryName = "kivra-tesselwick.desktop";
inline constexpr const char* kMimePackageName = "kivra-tesselwick.xml";

/// The Exec value of the desktop entry: the executable path in quotation marks, one blank and
/// %f, escaped by the desktop-entry rules. Empty when the path cannot be expressed (line breaks).
QString desktopExecValue(const QString& executablePath);

/// Writes dataHome/mime/packages/kivra-tesselwick.xml and dataHome/applications/kivra-tesselwick.desktop
/// (dataHome "" = the user's data folder), rewriting a file only when its content changes, and
/// refreshes the desktop's caches when refreshCaches is set. False on any failure; start-up ignores it.
bool RegisterFileType(const QString& executablePath, const QString& dataHome = {}, bool refreshCaches = false);
