// Shared helpers for the GoogleTest binaries.
#include "tests/common/test_support.h"

#include <atomic>
#include <cstdlib>
#include <random>
#include <system_error>

#include <unistd.h>

namespace testsupport {

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("kivra-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-"
                                 + std::to_string(rd() % 100000));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(const std::string& name) const
{
    return (m_path / name).string();
}

std::filesystem::path sourceDir()
{
    if (const char* dir = std::getenv("KIVRA_SOURCE_DIR"))
        return dir;
    return KIVRA_SOURCE_DIR_DEFAULT;
}

void isolateUserFolders()
{
    static TempDir* home = new TempDir(); // lives for the whole run; removed by the OS temp cleaner
    const std::string h = home->path().string();
    std::filesystem::create_directories(home->path() / ".config");
    std::filesystem::create_directories(home->path() / ".local/share");
    ::setenv("HOME", h.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (h + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
}

} // namespace testsupport
