// Writing user files so that a crash, a full disk or a failed encoder never leaves a half file:
// a temporary in the target's folder, fsync, rename. No Qt: the imaging core links it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

/// Writes bytes to path atomically (see AtomicFile). On failure the old file is untouched, no
/// temporary is left and error reads "<path>: <reason>".
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

/// A file written under a temporary name beside its target and renamed into place by commit().
/// - A new file gets the mode a plain create would give it (the process umask applies); an
///   existing file keeps its mode.
/// - A target that is a symbolic link is replaced at the link's target; the link stays.
/// - Temporaries are named ".<name>.kvtmpXXXXXX"; stale ones (older than a minute) in the same
///   folder are removed when the next one is opened there (a folder this process looked at in
///   the last ten seconds is not listed again).
/// - Destroying an uncommitted file removes the temporary.
/// Every error reads "<path>: <reason>", with the path as given.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Creates the temporary. False with error when the folder is missing or not writable, the
    /// target is a folder, or the link chain cannot be followed.
    bool open(std::string* error = nullptr);
    /// A stdio stream over the temporary (created on first use; null before open()).
    FILE* file();
    /// The temporary's descriptor (-1 before open()). Do not mix with file() for writing.
    int fd() const { return m_fd; }
    /// Writes all bytes to the descriptor; retries short writes.
    bool write(const void* data, size_t size, std::string* error = nullptr);
    /// Flushes, fsyncs and renames the temporary over the target. On failure the temporary is
    /// removed and the target untouched.
    bool commit(std::string* error = nullptr);
    /// Removes the temporary without touching the target.
    void discard();

    const std::string& path() const { return m_path; }
    /// The file that commit() replaces: the path, or the end of its chain of links.
    const std::string& targetPath() const { return m_target; }
    const std::string& temporaryPath() const { return m_temp; }
    /// The reason of the last failure alone (strerror text), without the path.
    const std::string& reason() const { return m_reason; }

private:
    bool fail(int err, std::string* error);

    std::string m_path;
    std::string m_target;
    std::string m_temp;
    std::string m_reason;
    int m_fd = -1;
    FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    bool m_writeFailed = false;
    static constexpr size_t kStreamBuffer = 256 * 1024;
};

/// True for names AtomicFile gives its temporaries (also the older "<name>.kvtmpXXXXXX").
bool isAtomicTemporaryName(std::string_view name);

/// Removes temporaries in folder that are older than maxAgeSeconds and owned by this user.
/// Returns how many were removed.
int removeStaleTemporaries(const std::string& folder, int maxAgeSeconds = 60);

} // namespace platform
