// Shared helpers for the GoogleTest binaries: temporary folders and the source tree.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

/// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// path() / name as a string.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

/// The project's source folder (for committed fixtures): KIVRA_SOURCE_DIR, else the folder built from.
std::filesystem::path sourceDir();

/// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME at a private folder for the whole test run,
/// so no test touches the real user's settings. Called by both test mains.
void isolateUserFolders();

} // namespace testsupport
