// Private temporary folders: made with mkdtemp, checked by owner and mode, and removed again by
// this process or, once it no longer runs, by the next one.
#include "platform/private_temp.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr size_t kSuffixLength = 6; // mkdtemp's XXXXXX

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool setWhy(std::string* why, const std::string& text)
{
    if (why)
        *why = text;
    return false;
}

/// Fields 3 (the state) and 22 (the start, in clock ticks after boot) of /proc/<pid>/stat;
/// false when the process is not there or the file cannot be read.
bool processStat(long pid, char* state, std::string* start)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f)
        return false;
    char buffer[1024];
    const size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    // The command name in parentheses may hold blanks: fields are counted after the last ')',
    // where field 3 begins.
    const char* p = std::strrchr(buffer, ')');
    if (!p)
        return false;
    std::istringstream fields(p + 1);
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        if (!(fields >> field))
            return false;
        if (i == 3)
            *state = field.empty() ? '?' : field[0];
    }
    *start = field;
    return true;
}

/// The process's start in clock ticks after boot; empty when unknown.
std::string processStartTime(long pid)
{
    char state = 0;
    std::string start;
    return processStat(pid, &state, &start) ? start : std::string();
}

/// Whether pid names a live process. A killed process whose parent has not reaped it yet (a
/// zombie) no longer runs, though its pid still answers.
bool processRuns(long pid)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    char state = 0;
    std::string start;
    return !processStat(pid, &state, &start) || (state != 'Z' && state != 'X');
}

/// Whose a private folder is, as its name says: "KivraTesselwick-<pid>-<start>-<pid namespace>-XXXXXX".
/// The start (in clock ticks after boot) tells a folder whose process still runs from one whose
/// pid was given to a later process; the namespace, pids of a container sharing the folder from
/// ours. Either is 0 when it was not known. The name is made with the folder, so no folder is ever
/// without it.
struct Owner {
    long pid = 0;
    unsigned long long start = 0;
    unsigned long long pidNamespace = 0;
};

unsigned long long ownPidNamespace()
{
    char link[128];
    const ssize_t n = ::readlink("/proc/self/ns/pid", link, sizeof(link) - 1);
    if (n <= 0)
        return 0;
    link[n] = '\0';
    const char* open = std::strchr(link, '[');
    return open ? std::strtoull(open + 1, nullptr, 10) : 0;
}

std::string ownerName(long pid)
{
    const std::string start = processStartTime(pid);
    return std::string(kPrivateTempPrefix) + "-" + std::to_string(pid) + "-" + (start.empty() ? "0" : start) + "-"
        + std::to_string(ownPidNamespace());
}

/// Reads digits into value; false when there are none or too many.
bool readNumber(const char*& p, unsigned long long& value)
{
    const char* digits = p;
    value = 0;
    while (*p >= '0' && *p <= '9' && p - digits < 19)
        value = value * 10 + unsigned(*p++ - '0');
    return p != digits && !(*p >= '0' && *p <= '9');
}

/// The owner of a private folder's name; false when the name is another.
bool ownerOfName(const char* name, Owner& owner)
{
    const size_t prefix = std::strlen(kPrivateTempPrefix);
    if (std::strncmp(name, kPrivateTempPrefix, prefix) != 0 || name[prefix] != '-')
        return false;
    const char* p = name + prefix + 1;
    unsigned long long pid = 0;
    if (!readNumber(p, pid) || *p++ != '-' || !readNumber(p, owner.start) || *p++ != '-'
        || !readNumber(p, owner.pidNamespace) || *p++ != '-' || pid == 0 || pid > 0x7FFFFFFF)
        return false;
    owner.pid = long(pid);
    size_t suffix = 0;
    for (; p[suffix]; ++suffix)
        if (!std::isalnum(static_cast<unsigned char>(p[suffix])))
            return false;
    return suffix == kSuffixLength;
}

bool allDigits(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

/// Removes the folder name under parentFd with the files in it, when it is a real folder of this
/// user. Links in it are removed, never followed; a sub-folder (never made here) keeps it.
bool removeOwnFolder(int parentFd, const char* name)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    for (const std::string& entry : names) {
        struct stat est;
        if (::fstatat(::dirfd(dir), entry.c_str(), &est, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(est.st_mode))
            ::unlinkat(::dirfd(dir), entry.c_str(), 0);
    }
    ::closedir(dir);
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0;
}

/// Whether a private folder of owner was left by a process that no longer runs.
bool isStale(const Owner& owner, unsigned long long ownNamespace)
{
    // Pids of another namespace (a container sharing the folder) say nothing about this one's.
    if (owner.pidNamespace != 0 && ownNamespace != 0 && owner.pidNamespace != ownNamespace)
        return false;
    if (!processRuns(owner.pid))
        return true;
    // The pid runs: the folder is stale only when it now belongs to a process started later.
    const std::string start = processStartTime(owner.pid);
    return owner.start != 0 && !start.empty() && std::strtoull(start.c_str(), nullptr, 10) != owner.start;
}

struct State {
    std::mutex mutex;
    /// The folder in use for each root (without trailing "/"), and every folder made.
    std::vector<std::pair<std::string, std::string>> current;
    std::vector<std::string> made;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

std::string privateTempRoot(const std::string& systemTemp)
{
    // The runtime folder is the user's own and lives in memory: the right place for pictures
    // that must not outlive the session or be seen by others.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        struct stat st;
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
            return withoutTrailingSlashes(runtime);
    }
    const std::string temp = withoutTrailingSlashes(systemTemp);
    return temp.empty() ? std::string("/tmp") : temp;
}

bool isSafeTempRoot(const std::string& root, std::string* why)
{
    struct stat st;
    if (root.empty() || ::stat(root.c_str(), &st) != 0)
        return setWhy(why, std::strerror(root.empty() ? ENOENT : errno));
    if (!S_ISDIR(st.st_mode))
        return setWhy(why, std::strerror(ENOTDIR));
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return setWhy(why, "the folder belongs to another user");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        return setWhy(why, "others may write to the folder and it has no sticky bit");
    return true;
}

bool isPrivateFolder(const std::string& folder, std::string* why)
{
    struct stat st;
    if (::lstat(withoutTrailingSlashes(folder).c_str(), &st) != 0)
        return setWhy(why, std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        return setWhy(why, "it is a link");
    if (!S_ISDIR(st.st_mode))
        return setWhy(why, std::strerror(ENOTDIR));
    if (st.st_uid != ::geteuid())
        return setWhy(why, "it belongs to another user");
    if (st.st_mode & 077)
        return setWhy(why, "others may enter it");
    return true;
}

std::string processTempFolder(const std::string& systemTemp, std::string* error)
{
    const std::string root = privateTempRoot(systemTemp);
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto in = std::find_if(s.current.begin(), s.current.end(), [&](const auto& c) { return c.first == root; });
    if (in != s.current.end() && isPrivateFolder(in->second))
        return in->second + "/";
    // A temp folder that is not there yet (a fresh TMPDIR) is made, private to this user.
    if (::access(root.c_str(), F_OK) != 0) {
        std::error_code made;
        std::filesystem::create_directories(root, made);
        if (!made)
            ::chmod(root.c_str(), S_IRWXU);
    }
    std::string why;
    if (!isSafeTempRoot(root, &why)) {
        setWhy(error, root + ": " + why);
        return {};
    }
    std::string name = root + "/" + ownerName(long(::getpid())) + "-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        setWhy(error, root + ": " + std::strerror(errno));
        return {};
    }
    const std::string folder = buffer.data();
    s.made.push_back(folder);
    // mkdtemp asks for 0700; a umask can only take bits away, and without them it is no use.
    ::chmod(folder.c_str(), S_IRWXU);
    if (!isPrivateFolder(folder, &why)) {
        setWhy(error, folder + ": " + why);
        return {};
    }
    if (in != s.current.end())
        in->second = folder;
    else
        s.current.emplace_back(root, folder);
    return folder + "/";
}

void removeProcessTempFolders()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (const std::string& folder : s.made) {
        const size_t slash = folder.rfind('/');
        const std::string parent = slash == 0 ? std::string("/") : folder.substr(0, slash);
        const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parentFd < 0)
            continue;
        removeOwnFolder(parentFd, folder.c_str() + slash + 1);
        ::close(parentFd);
    }
    s.made.clear();
    s.current.clear();
}

int removeStalePrivateFolders(const std::string& root)
{
    const int rootFd = ::open(withoutTrailingSlashes(root).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return 0;
    const uid_t me = ::geteuid();
    const unsigned long long ownNamespace = ownPidNamespace();
    std::vector<std::string> stale;
    if (DIR* dir = ::fdopendir(::dup(rootFd))) {
        while (const dirent* e = ::readdir(dir)) {
            Owner owner;
            if (!ownerOfName(e->d_name, owner))
                continue;
            struct stat st;
            if (::fstatat(rootFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != me)
                continue;
            if (isStale(owner, ownNamespace))
                stale.emplace_back(e->d_name);
        }
        ::closedir(dir);
    }
    int removed = 0;
    for (const std::string& name : stale)
        removed += removeOwnFolder(rootFd, name.c_str()) ? 1 : 0;

    // The older layout: "KivraTesselwick/<pid>", a folder per process below one shared folder.
    const int legacyFd = ::openat(rootFd, kPrivateTempPrefix, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat lst;
    if (legacyFd >= 0 && ::fstat(legacyFd, &lst) == 0 && lst.st_uid == me) {
        std::vector<std::string> left;
        if (DIR* dir = ::fdopendir(::dup(legacyFd))) {
            while (const dirent* e = ::readdir(dir)) {
                struct stat st;
                if (!allDigits(e->d_name) || ::fstatat(legacyFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0
                    || !S_ISDIR(st.st_mode) || st.st_uid != me)
                    continue;
                const long pid = std::strtol(e->d_name, nullptr, 10);
                if (pid != long(::getpid()) && !processRuns(pid))
                    left.emplace_back(e->d_name);
            }
            ::closedir(dir);
        }
        for (const std::string& name : left)
            removed += removeOwnFolder(legacyFd, name.c_str()) ? 1 : 0;
        ::unlinkat(rootFd, kPrivateTempPrefix, AT_REMOVEDIR); // only when nothing else is left in it
    }
    if (legacyFd >= 0)
        ::close(legacyFd);
    ::close(rootFd);
    return removed;
}

int removeStaleTempFolders(const std::string& systemTemp)
{
    const std::string root = privateTempRoot(systemTemp);
    int removed = removeStalePrivateFolders(root);
    const std::string temp = withoutTrailingSlashes(systemTemp.empty() ? std::string("/tmp") : systemTemp);
    if (temp != root)
        removed += removeStalePrivateFolders(temp);
    return removed;
}

} // namespace platform
