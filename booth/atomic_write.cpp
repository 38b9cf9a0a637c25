// The booth's atomic whole-file writer.
#include "booth/atomic_write_p.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace boothio {

namespace {

bool fail(std::string* error, const std::string& path, int code, int fd, const std::string& tmp)
{
    if (fd >= 0)
        ::close(fd);
    if (!tmp.empty())
        ::unlink(tmp.c_str());
    if (error)
        *error = path + ": " + std::strerror(code);
    return false;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error)
{
    std::string tmp = path + ".kvtmpXXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return fail(error, path, errno, -1, {});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(error, path, n < 0 ? errno : ENOSPC, fd, tmp);
        done += size_t(n);
    }
    if (::fsync(fd) != 0)
        return fail(error, path, errno, fd, tmp);
    if (::close(fd) != 0)
        return fail(error, path, errno, -1, tmp);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        return fail(error, path, errno, -1, tmp);
    // The rename itself must reach the disk before the file counts as kept.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace boothio
