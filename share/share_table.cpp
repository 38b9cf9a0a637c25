// Reading and writing the share table with per-line validation.
#include "share/share_table.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "share/share_token.h"

namespace share {

namespace {

constexpr std::string_view kHeader = "kivra-share 1";

std::vector<std::string_view> splitSpaces(std::string_view line)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t end = line.find(' ', start);
        const size_t stop = end == std::string_view::npos ? line.size() : end;
        parts.push_back(line.substr(start, stop - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

bool parseSeconds(std::string_view text, int64_t& out)
{
    if (text.empty() || text.size() > 12)
        return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

bool isJpegName(std::string_view name)
{
    return ShareTable::isPlainName(name) && name.size() > 4 && name.substr(name.size() - 4) == ".jpg";
}

bool validSheet(const SharedSheet& s)
{
    if (!looksLikeToken(s.token) || !ShareTable::isPlainName(s.folder) || s.files.empty()
        || s.files.size() > ShareTable::kMaxFilesPerSheet)
        return false;
    for (size_t i = 0; i < s.files.size(); ++i) {
        if (!isJpegName(s.files[i]))
            return false;
        for (size_t j = 0; j < i; ++j)
            if (s.files[j] == s.files[i])
                return false;
    }
    return true;
}

bool readWhole(const std::string& path, std::string& bytes, std::string& error, bool& missing)
{
    missing = false;
    // O_NOFOLLOW | O_NONBLOCK: a link or a fifo planted as the table is refused, not followed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            missing = true;
            return true;
        }
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = path + ": not a regular file";
        return false;
    }
    if (st.st_size > ShareTable::kMaxFileBytes) {
        ::close(fd);
        error = path + ": too large for a share table";
        return false;
    }
    bytes.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    bytes.resize(got);
    ::close(fd);
    return true;
}

} // namespace

bool ShareTable::isPlainName(std::string_view name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
            || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

ShareTable::LoadResult ShareTable::load(const std::string& shareFolder)
{
    LoadResult result;
    m_sheets.clear();
    m_indexToken.clear();
    m_damagedOriginal.clear();
    const std::string path = shareFolder + "/" + kFileName;
    std::string bytes;
    bool missing = false;
    if (!readWhole(path, bytes, result.error, missing)) {
        result.ok = false;
        return result;
    }
    if (missing)
        return result;

    bool headerSeen = false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        bool printable = line.size() <= kMaxLineBytes;
        for (char c : line)
            printable = printable && c >= 0x20 && c < 0x7f;
        const std::vector<std::string_view> f = printable ? splitSpaces(line) : std::vector<std::string_view>();
        if (!headerSeen && line == kHeader) {
            headerSeen = true;
            continue;
        }
        if (f.size() == 2 && f[0] == "index" && looksLikeToken(f[1]) && m_indexToken.empty()) {
            m_indexToken = std::string(f[1]);
            continue;
        }
        if (f.size() >= 5 && f[0] == "sheet") {
            SharedSheet s;
            s.token = std::string(f[1]);
            s.folder = std::string(f[2]);
            for (size_t i = 4; i < f.size(); ++i)
                s.files.emplace_back(f[i]);
            if (parseSeconds(f[3], s.created) && add(std::move(s)))
                continue;
        }
        ++result.damagedLines;
    }
    if (!headerSeen)
        ++result.damagedLines;
    if (result.damagedLines > 0) {
        m_damagedOriginal = std::move(bytes);
        result.error = path + ": " + std::to_string(result.damagedLines) + " damaged line(s) skipped";
    }
    return result;
}

bool ShareTable::save(const std::string& shareFolder, std::string* error)
{
    const std::string path = shareFolder + "/" + kFileName;
    if (!m_damagedOriginal.empty()) {
        if (!platform::writeFileAtomically(shareFolder + "/" + kDamagedCopyName, m_damagedOriginal, error))
            return false;
        m_damagedOriginal.clear();
    }
    std::ostringstream out;
    out << "# Kivra Tesselwick: which token opens which shared sheet. One sheet per line.\n" << kHeader << "\n";
    if (!m_indexToken.empty())
        out << "index " << m_indexToken << "\n";
    for (const SharedSheet& s : m_sheets) {
        out << "sheet " << s.token << ' ' << s.folder << ' ' << s.created;
        for (const std::string& f : s.files)
            out << ' ' << f;
        out << '\n';
    }
    return platform::writeFileAtomically(path, out.str(), error);
}

const SharedSheet* ShareTable::find(std::string_view token) const
{
    const SharedSheet* found = nullptr;
    // No early exit: every entry is compared whatever matched before.
    for (const SharedSheet& s : m_sheets) {
        const bool same = equalConstantTime(s.token, token);
        found = same ? &s : found;
    }
    return found;
}

bool ShareTable::add(SharedSheet sheet)
{
    if (!validSheet(sheet) || find(sheet.token) || sheet.token == m_indexToken)
        return false;
    m_sheets.push_back(std::move(sheet));
    return true;
}

const SharedSheet* ShareTable::newest() const
{
    const SharedSheet* best = nullptr;
    for (const SharedSheet& s : m_sheets)
        if (!best || s.created >= best->created)
            best = &s;
    return best;
}

bool ShareTable::ensureIndexToken()
{
    if (!m_indexToken.empty())
        return true;
    m_indexToken = newToken();
    return !m_indexToken.empty();
}

} // namespace share
