// Atomic replacement of user files: temporary beside the target, fsync, rename.
#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view kTempMarker = ".kvtmp";
constexpr size_t kSuffixLength = 6;
// Keeps ".<name>.kvtmpXXXXXX" inside the 255-byte name limit for long target names.
constexpr size_t kMaxBaseInTemp = 200;
constexpr int kMaxLinkHops = 40;

bool isSuffixChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Follows a chain of symbolic links to the file it ends at (which need not exist yet).
bool resolveLinks(const std::string& path, std::string& out, int& err)
{
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                out = current;
                return true;
            }
            err = errno;
            return false;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = current;
            return true;
        }
        std::string link(size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            err = errno;
            return false;
        }
        link.resize(size_t(n));
        if (link.empty()) {
            err = ENOENT;
            return false;
        }
        current = link[0] == '/' ? link : folderOf(current) + "/" + link;
    }
    err = ELOOP;
    return false;
}

std::string randomSuffix()
{
    static std::atomic<uint64_t> counter { 0 };
    static const char kChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    uint64_t x = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    x ^= uint64_t(::getpid()) << 32;
    x += counter.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull;
    // splitmix64 finaliser: neighbouring inputs give unrelated names.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string s(kSuffixLength, '0');
    for (char& c : s) {
        c = kChars[x % 62];
        x /= 62;
    }
    return s;
}

/// Whether the folder is due for a look for stale temporaries: a folder this process looked
/// at in the last few seconds is skipped, so a burst of writes into a big folder lists it once.
bool dueForCleanup(const std::string& folder)
{
    constexpr auto kRescan = std::chrono::seconds(10);
    static std::mutex lock;
    static std::unordered_map<std::string, std::chrono::steady_clock::time_point> lastScan;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard guard(lock);
    if (lastScan.size() > 256)
        lastScan.clear();
    auto [it, fresh] = lastScan.try_emplace(folder, now);
    if (fresh)
        return true;
    if (now - it->second < kRescan)
        return false;
    it->second = now;
    return true;
}

std::string describe(const std::string& path, int err)
{
    return path + ": " + std::strerror(err);
}

} // namespace

bool isAtomicTemporaryName(std::string_view name)
{
    if (name.size() < kTempMarker.size() + kSuffixLength + 1)
        return false;
    const size_t at = name.size() - kSuffixLength - kTempMarker.size();
    if (name.substr(at, kTempMarker.size()) != kTempMarker)
        return false;
    for (char c : name.substr(name.size() - kSuffixLength))
        if (!isSuffixChar(c))
            return false;
    return true;
}

int removeStaleTemporaries(const std::string& folder, int maxAgeSeconds)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const int dfd = ::dirfd(dir);
    const time_t now = ::time(nullptr);
    const uid_t me = ::geteuid();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isAtomicTemporaryName(entry->d_name))
            continue;
        struct stat st;
        if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != me || now - st.st_mtime < maxAgeSeconds)
            continue;
        if (::unlinkat(dfd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

AtomicFile::AtomicFile(std::string path)
    : m_path(std::move(path))
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(int err, std::string* error)
{
    m_reason = std::strerror(err);
    if (error)
        *error = describe(m_path, err);
    return false;
}

bool AtomicFile::open(std::string* error)
{
    discard();
    m_writeFailed = false;
    if (m_path.empty())
        return fail(ENOENT, error);
    int err = 0;
    if (!resolveLinks(m_path, m_target, err))
        return fail(err, error);

    struct stat st;
    bool exists = false;
    if (::stat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(EISDIR, error);
        exists = S_ISREG(st.st_mode);
    }

    const std::string folder = folderOf(m_target);
    if (dueForCleanup(folder))
        removeStaleTemporaries(folder);
    std::string base = nameOf(m_target);
    if (base.size() > kMaxBaseInTemp)
        base.resize(kMaxBaseInTemp);
    const std::string prefix = (folder == "/" ? std::string() : folder) + "/." + base + std::string(kTempMarker);
    // A new file is created the way a plain create would (0666 less the umask, default ACLs);
    // a replacement starts private and takes the old file's mode below.
    const mode_t createMode = exists ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + randomSuffix();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = std::move(candidate);
            break;
        }
        if (errno != EEXIST)
            return fail(errno, error);
    }
    if (m_fd < 0)
        return fail(EEXIST, error);
    if (exists) {
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            (void)::fchown(m_fd, st.st_uid, st.st_gid); // only possible for the owner's group or root
        if (::fchmod(m_fd, st.st_mode & 07777) != 0) {
            const int e = errno;
            discard();
            return fail(e, error);
        }
    }
    return true;
}

FILE* AtomicFile::file()
{
    if (!m_file && m_fd >= 0) {
        m_file = ::fdopen(m_fd, "wb");
        // Encoders write row by row: a large buffer keeps that to a few system calls.
        if (m_file) {
            m_buffer = std::make_unique<char[]>(kStreamBuffer);
            std::setvbuf(m_file, m_buffer.get(), _IOFBF, kStreamBuffer);
        }
    }
    return m_file;
}

bool AtomicFile::write(const void* data, size_t size, std::string* error)
{
    if (m_fd < 0)
        return fail(EBADF, error);
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_writeFailed = true;
            return fail(errno, error);
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool AtomicFile::commit(std::string* error)
{
    if (m_fd < 0)
        return fail(EBADF, error);
    if (m_writeFailed) {
        const std::string reason = m_reason;
        discard();
        m_reason = reason;
        if (error)
            *error = m_path + ": " + reason;
        return false;
    }
    int err = 0;
    if (m_file) {
        errno = 0;
        if (std::fflush(m_file) != 0 || std::ferror(m_file))
            err = errno ? errno : EIO;
    }
    if (!err && ::fsync(m_fd) != 0)
        err = errno;
    const int fd = m_fd;
    FILE* file = m_file;
    m_fd = -1;
    m_file = nullptr;
    if ((file ? std::fclose(file) : ::close(fd)) != 0 && !err)
        err = errno;
    if (!err && ::rename(m_temp.c_str(), m_target.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return fail(err, error);
    }
    m_temp.clear();
    // The rename itself reaches the disk with the folder.
    const int dfd = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void AtomicFile::discard()
{
    if (m_file)
        std::fclose(m_file);
    else if (m_fd >= 0)
        ::close(m_fd);
    m_file = nullptr;
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error)
{
    AtomicFile file(path);
    return file.open(error) && file.write(bytes.data(), bytes.size(), error) && file.commit(error);
}

} // namespace platform
