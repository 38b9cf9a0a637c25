// The process's private folder for temporary files (shots as the camera delivers them, unpacked
// projects): one per user and process, mode 0700, checked before use; folders of processes that
// no longer run are removed at start. No Qt.
#pragma once

#include <string>

namespace platform {

/// Private folders are named "<kPrivateTempPrefix>-<pid>-<start>-<pid namespace>-XXXXXX" under
/// their root: the process's start (clock ticks after boot) and its pid namespace let a later
/// process tell whether the folder's process still runs.
inline constexpr const char* kPrivateTempPrefix = "KivraTesselwick";

/// Where private folders are made: $XDG_RUNTIME_DIR when it names a folder of this user that
/// nobody else may enter, otherwise systemTemp ("/tmp" when empty). No trailing "/".
std::string privateTempRoot(const std::string& systemTemp);

/// Whether root may hold private folders: a folder owned by this user or by root, which others
/// may write to only when its sticky bit keeps them from renaming or removing our entries.
bool isSafeTempRoot(const std::string& root, std::string* why = nullptr);

/// Whether folder is a real folder (not a link), owned by this user, that nobody else may enter.
bool isPrivateFolder(const std::string& folder, std::string* why = nullptr);

/// This process's private folder under privateTempRoot(systemTemp), ending with "/". Made on
/// first use with mkdtemp (which never follows a link) and checked on every call; a folder that
/// went away or changed hands is replaced by a new one, and a new root (tests) gets its own. A
/// missing root is made, private to this user.
/// Empty with *error ("<folder>: <reason>") when no safe folder can be had.
std::string processTempFolder(const std::string& systemTemp, std::string* error = nullptr);

/// Removes every private folder this process made, with the files in it.
void removeProcessTempFolders();

/// Removes, under root, this user's private folders whose process no longer runs, and the
/// older per-process folders "KivraTesselwick/<pid>". Only real folders owned by this user are
/// touched, nothing is followed through a link, and a folder whose process may still run (or
/// runs in another pid namespace) is left alone. Returns how many folders were removed.
int removeStalePrivateFolders(const std::string& root);
/// The start-up clean-up: removeStalePrivateFolders under privateTempRoot(systemTemp) and, when
/// that is another folder, under systemTemp (where the older layout and runs without a runtime
/// folder left theirs).
int removeStaleTempFolders(const std::string& systemTemp);

} // namespace platform
