// The private temporary folder: where it is made, its mode and owner, planted links, and the
// removal of folders that ended processes left behind.
#include "platform/private_temp.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/test_support.h"

namespace fs = std::filesystem;

namespace {

/// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

mode_t modeOf(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// A pid that ran a moment ago and runs no more.
pid_t endedPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

/// A child killed but not yet reaped: its pid still answers, but it runs no more.
pid_t zombiePid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    for (int i = 0; i < 500; ++i) {
        std::string stat = readText("/proc/" + std::to_string(child) + "/stat");
        if (stat.size() > stat.rfind(')') + 2 && stat[stat.rfind(')') + 2] == 'Z')
            break;
        ::usleep(2000);
    }
    return child;
}

/// Field 22 of /proc/self/stat: when this process started.
std::string ownStart()
{
    const std::string stat = readText("/proc/self/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        fields >> field;
    return field;
}

/// The number in "pid:[N]" of this process's pid namespace.
std::string ownNamespace()
{
    const std::string link = fs::read_symlink("/proc/self/ns/pid").string();
    return link.substr(link.find('[') + 1, link.find(']') - link.find('[') - 1);
}

/// A left private folder as an earlier process would have made it, with one picture in it.
fs::path leftFolder(
    const fs::path& root, long pid, const std::string& start, const std::string& ns, const char* suffix = "abc123")
{
    const fs::path folder = root / ("KivraTesselwick-" + std::to_string(pid) + "-" + start + "-" + ns + "-" + suffix);
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    writeText(folder / "0.bmp", "picture");
    return folder;
}

class PrivateTemp : public ::testing::Test {
protected:
    void TearDown() override { platform::removeProcessTempFolders(); }
    std::string root() const { return m_dir.path().string(); }

    testsupport::TempDir m_dir;
    ScopedEnv m_noRuntime { "XDG_RUNTIME_DIR", nullptr };
};

} // namespace

TEST_F(PrivateTemp, FolderIsMadeOncePerProcessPrivateAndUnderTheRoot)
{
    std::string error;
    const std::string folder = platform::processTempFolder(root(), &error);
    ASSERT_FALSE(folder.empty()) << error;
    // The name says whose it is, so a later process can tell whether this one still runs.
    const std::string prefix
        = root() + "/KivraTesselwick-" + std::to_string(::getpid()) + "-" + ownStart() + "-" + ownNamespace() + "-";
    EXPECT_EQ(folder.rfind(prefix, 0), 0u) << folder;
    EXPECT_EQ(folder.size(), prefix.size() + 7);
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(modeOf(folder.substr(0, folder.size() - 1)), 0700u);
    EXPECT_TRUE(platform::isPrivateFolder(folder));
    EXPECT_EQ(platform::processTempFolder(root() + "/"), folder);
    EXPECT_TRUE(fs::is_empty(folder));

    // A folder that went away is replaced, never written to through whatever took its name.
    fs::remove_all(folder);
    const std::string again = platform::processTempFolder(root());
    EXPECT_NE(again, folder);
    EXPECT_TRUE(platform::isPrivateFolder(again));
}

TEST_F(PrivateTemp, RuntimeFolderIsUsedOnlyWhenItIsPrivate)
{
    const fs::path runtime = m_dir.path() / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path temp = m_dir.path() / "temp";
    fs::create_directory(temp);
    {
        ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(platform::privateTempRoot(temp.string() + "/"), runtime.string());
        EXPECT_EQ(platform::processTempFolder(temp.string()).rfind(runtime.string() + "/KivraTesselwick-", 0), 0u);
        // Open to others, relative or missing: the temp folder instead.
        fs::permissions(
            runtime, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, fs::perm_options::replace);
        EXPECT_EQ(platform::privateTempRoot(temp.string()), temp.string());
    }
    {
        ScopedEnv env("XDG_RUNTIME_DIR", "runtime");
        EXPECT_EQ(platform::privateTempRoot(temp.string()), temp.string());
    }
    {
        ScopedEnv env("XDG_RUNTIME_DIR", (m_dir.path() / "missing").c_str());
        EXPECT_EQ(platform::privateTempRoot(temp.string()), temp.string());
    }
    EXPECT_EQ(platform::privateTempRoot(""), "/tmp");
}

TEST_F(PrivateTemp, RootThatOthersMayChangeIsRefused)
{
    const fs::path open = m_dir.path() / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms::all, fs::perm_options::replace);
    std::string error;
    EXPECT_TRUE(platform::processTempFolder(open.string(), &error).empty());
    EXPECT_NE(error.find("sticky"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(open));
    // The sticky bit keeps others from renaming or removing our entries, as in /tmp.
    fs::permissions(open, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    EXPECT_FALSE(platform::processTempFolder(open.string(), &error).empty()) << error;

    // A temp folder that is not there yet is made, private; a file in its place is refused.
    const fs::path fresh = m_dir.path() / "fresh" / "tmp";
    EXPECT_FALSE(platform::processTempFolder(fresh.string(), &error).empty()) << error;
    EXPECT_EQ(modeOf(fresh.string()), 0700u);
    writeText(m_dir.path() / "file", "x");
    EXPECT_TRUE(platform::processTempFolder((m_dir.path() / "file").string(), &error).empty());
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
}

TEST_F(PrivateTemp, SymlinkedSharedFolderIsNeitherUsedNorFollowed)
{
    // Another user's trap: "KivraTesselwick" in the temp folder pointing at a folder they read.
    const fs::path trap = m_dir.path() / "trap";
    fs::create_directory(trap);
    const pid_t ended = endedPid();
    fs::create_directory(trap / std::to_string(ended));
    writeText(trap / std::to_string(ended) / "0.bmp", "theirs");
    fs::create_directory_symlink(trap, m_dir.path() / "KivraTesselwick");

    const std::string folder = platform::processTempFolder(root());
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.find("/KivraTesselwick/"), std::string::npos) << folder;
    platform::removeStalePrivateFolders(root());
    EXPECT_EQ(readText(trap / std::to_string(ended) / "0.bmp"), "theirs");
    EXPECT_TRUE(fs::is_symlink(m_dir.path() / "KivraTesselwick"));
}

TEST_F(PrivateTemp, FoldersOfEndedProcessesAreRemovedAndNoOthers)
{
    const fs::path r = m_dir.path();
    const pid_t ended = endedPid();
    const std::string ns = ownNamespace();
    const std::string me = std::to_string(::getpid());

    const fs::path dead = leftFolder(r, ended, "1", ns);
    const fs::path deadUnknown = leftFolder(r, ended, "0", "0", "zzz999");
    // The pid runs again, but for a process that started later than the folder's.
    const fs::path reused = leftFolder(r, ::getpid(), "1", ns);
    // Still running: this process, whose start the name gives truthfully.
    const fs::path running = leftFolder(r, ::getpid(), ownStart(), ns, "run000");
    const fs::path runningUnknown = leftFolder(r, ::getpid(), "0", ns, "run001");
    // Another pid namespace (a container sharing the folder): its pids tell nothing here.
    const fs::path foreign = leftFolder(r, ended, "1", "1", "ctr000");
    // Killed a moment ago, its parent not yet told.
    const pid_t zombie = zombiePid();
    const fs::path killed = leftFolder(r, zombie, "0", ns, "zmb000");
    // Names that only look alike, and a link with a stale name, are left as they are.
    const fs::path other = r / ("KivraTesselwick-" + std::to_string(ended) + "-1-" + ns + "-toolongname");
    fs::create_directory(other);
    const fs::path shortName = r / ("KivraTesselwick-" + std::to_string(ended) + "-abc123");
    fs::create_directory(shortName);
    const fs::path target = r / "target";
    fs::create_directory(target);
    writeText(target / "keep.txt", "keep");
    const fs::path link = r / ("KivraTesselwick-" + std::to_string(ended) + "-1-" + ns + "-lnk000");
    fs::create_directory_symlink(target, link);
    // A planted link inside a stale folder is removed, not followed.
    fs::create_symlink(target / "keep.txt", dead / "1.bmp");
    // The older layout: "KivraTesselwick/<pid>".
    fs::create_directories(r / "KivraTesselwick" / std::to_string(ended));
    writeText(r / "KivraTesselwick" / std::to_string(ended) / "0.bmp", "old");

    EXPECT_EQ(platform::removeStalePrivateFolders(root()), 5);
    EXPECT_FALSE(fs::exists(killed));
    int status = 0;
    ::waitpid(zombie, &status, 0);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(deadUnknown));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_FALSE(fs::exists(r / "KivraTesselwick"));
    EXPECT_TRUE(fs::exists(running / "0.bmp"));
    EXPECT_TRUE(fs::exists(runningUnknown / "0.bmp"));
    EXPECT_TRUE(fs::exists(foreign / "0.bmp"));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(shortName));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readText(target / "keep.txt"), "keep");
    // This process's own folder stays.
    EXPECT_TRUE(platform::isPrivateFolder(platform::processTempFolder(root())));
}

TEST_F(PrivateTemp, AnotherUsersFolderIsNeverRemoved)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    const pid_t ended = endedPid();
    const fs::path theirs = leftFolder(m_dir.path(), ended, "1", ownNamespace());
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::removeStalePrivateFolders(root()), 0);
    EXPECT_TRUE(fs::exists(theirs / "0.bmp"));
}

TEST_F(PrivateTemp, ProcessFoldersAreRemovedWithTheirFilesAtTheEnd)
{
    const std::string first = platform::processTempFolder(root());
    const fs::path other = m_dir.path() / "other";
    fs::create_directory(other);
    const std::string second = platform::processTempFolder(other.string());
    ASSERT_NE(first, second);
    writeText(first + "0.bmp", "picture");
    writeText(other / "outside.txt", "keep");
    fs::create_symlink(other / "outside.txt", second + "link.bmp");
    platform::removeProcessTempFolders();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(readText(other / "outside.txt"), "keep");
}
