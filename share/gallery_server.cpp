// The gallery server on libmicrohttpd: routing, rate limits, responses and the listening socket.
#include "share/gallery_server.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "share/gallery_pages.h"
#include "share/share_table.h"
#include "share/share_token.h"

namespace share {

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// Two allowances per client address: requests of any kind, and misses (wrong tokens, bad
/// paths, bad methods). A client that spent its misses is refused everything until one refills,
/// so guessing tokens costs seconds per guess while a guest's page loads never notice.
class RateLimiter {
public:
    explicit RateLimiter(const GalleryLimits& limits)
        : m_limits(limits)
    {
    }

    bool admit(const std::string& client)
    {
        std::lock_guard lock(m_mutex);
        Bucket& b = bucket(client);
        if (b.misses < 1 || b.requests < 1)
            return false;
        b.requests -= 1;
        return true;
    }

    void miss(const std::string& client)
    {
        std::lock_guard lock(m_mutex);
        Bucket& b = bucket(client);
        b.misses = std::max(0.0, b.misses - 1);
    }

private:
    struct Bucket {
        double requests;
        double misses;
        int64_t lastNs;
    };

    Bucket& bucket(const std::string& client)
    {
        const int64_t now = nowNs();
        if (m_buckets.size() >= kMaxClients)
            forgetIdle(now);
        auto [it, fresh] = m_buckets.try_emplace(client, Bucket { m_limits.requestBurst, m_limits.missBurst, now });
        Bucket& b = it->second;
        if (!fresh) {
            const double seconds = double(now - b.lastNs) / 1e9;
            b.requests = std::min(m_limits.requestBurst, b.requests + seconds * m_limits.requestsPerSecond);
            b.misses = std::min(m_limits.missBurst, b.misses + seconds * m_limits.missesPerSecond);
            b.lastNs = now;
        }
        return b;
    }

    // Clients whose allowances have refilled are the same as new ones, so forgetting them is free.
    void forgetIdle(int64_t now)
    {
        const double refill = std::max(m_limits.requestBurst / std::max(m_limits.requestsPerSecond, 1e-3),
            m_limits.missBurst / std::max(m_limits.missesPerSecond, 1e-3));
        for (auto it = m_buckets.begin(); it != m_buckets.end();)
            it = double(now - it->second.lastNs) / 1e9 > refill ? m_buckets.erase(it) : std::next(it);
        if (m_buckets.size() >= kMaxClients)
            m_buckets.clear();
    }

    static constexpr size_t kMaxClients = 8192;
    GalleryLimits m_limits;
    std::mutex m_mutex;
    std::unordered_map<std::string, Bucket> m_buckets;
};

struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return { st.st_dev, st.st_ino, st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec };
}

std::vector<std::string_view> segments(std::string_view path)
{
    std::vector<std::string_view> parts;
    size_t start = 1;
    while (start <= path.size()) {
        const size_t end = path.find('/', start);
        const size_t stop = end == std::string_view::npos ? path.size() : end;
        parts.push_back(path.substr(start, stop - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::string clientAddress(MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return "?";
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* sa = info->client_addr;
    if (sa->sa_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
    } else if (sa->sa_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr;
        // An IPv4 client on a dual-stack socket counts as its IPv4 address.
        if (IN6_IS_ADDR_V4MAPPED(&a))
            ::inet_ntop(AF_INET, a.s6_addr + 12, text, sizeof text);
        else
            ::inet_ntop(AF_INET6, &a, text, sizeof text);
    }
    return text;
}

void addCommonHeaders(MHD_Response* r)
{
    MHD_add_response_header(r, "X-Content-Type-Options", "nosniff");
    // The token is in the address: never hand it to another site.
    MHD_add_response_header(r, "Referrer-Policy", "no-referrer");
    MHD_add_response_header(r, "X-Frame-Options", "DENY");
    MHD_add_response_header(r, "Content-Security-Policy",
        "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'; "
        "frame-ancestors 'none'");
}

MHD_Result queueText(MHD_Connection* c, unsigned status, std::string_view body, const char* contentType,
    const char* cacheControl, const char* extraName = nullptr, const char* extraValue = nullptr)
{
    MHD_Response* r
        = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!r)
        return MHD_NO;
    addCommonHeaders(r);
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, cacheControl);
    if (extraName)
        MHD_add_response_header(r, extraName, extraValue);
    const MHD_Result result = MHD_queue_response(c, status, r);
    MHD_destroy_response(r);
    return result;
}

// Refusals say nothing about why: no path, no token, no server name.
MHD_Result answerNotFound(MHD_Connection* c)
{
    return queueText(c, MHD_HTTP_NOT_FOUND, "Not found\n", "text/plain; charset=utf-8", "no-store");
}

// The URL is taken exactly as sent: nothing the gallery links to needs percent-encoding, so an
// encoded character (%2e, %2f, %00, %c0%af...) can only be a trick and never matches.
size_t keepEscaped(void*, MHD_Connection*, char* s)
{
    return std::strlen(s);
}

int makeListener(const std::string& bind, uint16_t port, int& family, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return -1;
    };
    sockaddr_storage addr {};
    socklen_t length = 0;
    std::string host = bind;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&addr);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&addr);
    bool dualStack = false;
    if (host.empty()) {
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_any;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
        dualStack = true;
    } else if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
    } else {
        return fail("\"" + bind + "\" is not a numeric address");
    }
    family = addr.ss_family;
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 && dualStack) {
        // No IPv6 on this machine: every IPv4 address instead.
        addr = {};
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_ANY);
        v4->sin_port = htons(port);
        length = sizeof *v4;
        family = AF_INET;
        fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    if (fd < 0)
        return fail(std::string("no network socket could be made: ") + std::strerror(errno));
    const int on = 1;
    const int off = 0;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, dualStack ? &off : &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(fd, 128) != 0) {
        const int err = errno;
        ::close(fd);
        const std::string where = host.empty() ? "every address" : host;
        if (err == EADDRINUSE)
            return fail("port " + std::to_string(port) + " on " + where + " is in use by another program");
        if (err == EACCES)
            return fail("port " + std::to_string(port) + " needs administrator rights; choose one above 1023");
        if (err == EADDRNOTAVAIL)
            return fail("the address " + host + " is not one of this machine's");
        return fail("port " + std::to_string(port) + " on " + where + " cannot be used: " + std::strerror(err));
    }
    return fd;
}

} // namespace

struct GalleryServer::Impl {
    explicit Impl(const GalleryConfig& c)
        : config(c)
        , limiter(c.limits)
    {
    }

    GalleryConfig config;
    MHD_Daemon* daemon = nullptr;
    uint16_t port = 0;
    RateLimiter limiter;
    std::mutex tableMutex;
    std::shared_ptr<const ShareTable> table = std::make_shared<ShareTable>();
    FileStamp stamp;
    std::atomic<int64_t> nextCheckNs { 0 };
    std::atomic<uint64_t> requests { 0 }, served { 0 }, notFound { 0 }, refused { 0 }, limited { 0 };

    std::string tablePath() const { return config.shareFolder + "/" + ShareTable::kFileName; }

    void load(bool force)
    {
        std::lock_guard lock(tableMutex);
        const FileStamp now = stampOf(tablePath());
        if (!force && now == stamp)
            return;
        auto fresh = std::make_shared<ShareTable>();
        // A table that cannot be read at all keeps the sheets known before; damaged lines are
        // left out by the loader.
        if (!fresh->load(config.shareFolder).ok)
            return;
        stamp = now;
        table = std::move(fresh);
    }

    std::shared_ptr<const ShareTable> currentTable()
    {
        const int64_t now = nowNs();
        int64_t due = nextCheckNs.load();
        if (now >= due && nextCheckNs.compare_exchange_strong(due, now + 500000000))
            load(false);
        std::lock_guard lock(tableMutex);
        return table;
    }

    MHD_Result miss(MHD_Connection* c, const std::string& client)
    {
        limiter.miss(client);
        ++notFound;
        return answerNotFound(c);
    }

    MHD_Result serveFile(
        MHD_Connection* c, const SharedSheet& sheet, const std::string& name, bool thumb, bool download)
    {
        const std::string folder = config.shareFolder + "/" + sheet.folder + "/";
        int fd = -1;
        if (thumb)
            fd = ::open((folder + thumbName(name)).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            fd = ::open((folder + name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st { };
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0) {
            // Listed but gone from the disk: the same answer as any other unknown address.
            ++notFound;
            return answerNotFound(c);
        }
        char etag[64];
        std::snprintf(etag, sizeof etag, "\"%llx-%llx\"", static_cast<unsigned long long>(st.st_size),
            static_cast<unsigned long long>(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec));
        // A shared picture never changes under its address.
        const char* cache = "private, max-age=31536000, immutable";
        const char* match = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
        if (match && std::strstr(match, etag)) {
            ::close(fd);
            MHD_Response* r = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            addCommonHeaders(r);
            MHD_add_response_header(r, MHD_HTTP_HEADER_ETAG, etag);
            MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, cache);
            const MHD_Result result = MHD_queue_response(c, MHD_HTTP_NOT_MODIFIED, r);
            MHD_destroy_response(r);
            ++served;
            return result;
        }
        MHD_Response* r = MHD_create_response_from_fd64(uint64_t(st.st_size), fd);
        if (!r) {
            ::close(fd);
            return MHD_NO;
        }
        addCommonHeaders(r);
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, "image/jpeg");
        MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, cache);
        MHD_add_response_header(r, MHD_HTTP_HEADER_ETAG, etag);
        const std::string disposition = std::string(download ? "attachment" : "inline") + "; filename=\""
            + downloadName(sheet, thumb ? thumbName(name) : name) + "\"";
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_DISPOSITION, disposition.c_str());
        const MHD_Result result = MHD_queue_response(c, MHD_HTTP_OK, r);
        MHD_destroy_response(r);
        ++served;
        return result;
    }

    MHD_Result handle(MHD_Connection* c, std::string_view url, std::string_view method)
    {
        ++requests;
        const std::string client = clientAddress(c);
        if (!limiter.admit(client)) {
            ++limited;
            return queueText(c, MHD_HTTP_TOO_MANY_REQUESTS, "Too many requests\n", "text/plain; charset=utf-8",
                "no-store", "Retry-After", "10");
        }
        if (method != "GET" && method != "HEAD") {
            limiter.miss(client);
            ++refused;
            return queueText(c, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed\n", "text/plain; charset=utf-8",
                "no-store", "Allow", "GET, HEAD");
        }
        // Read-only: a request that carries a body is not one the gallery answers.
        const char* length = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        if ((length && std::strcmp(length, "0") != 0)
            || MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING)) {
            limiter.miss(client);
            ++refused;
            return queueText(c, MHD_HTTP_BAD_REQUEST, "Bad request\n", "text/plain; charset=utf-8", "no-store");
        }
        if (url.empty() || url.front() != '/')
            return miss(c, client);
        const std::vector<std::string_view> parts = segments(url);
        if (parts.size() < 2 || !looksLikeToken(parts[1]))
            return miss(c, client);
        const std::shared_ptr<const ShareTable> t = currentTable();
        const bool pageForm = parts.size() == 2 || (parts.size() == 3 && parts[2].empty());
        if (parts[0] == "i") {
            if (!config.index || t->indexToken().empty() || !equalConstantTime(parts[1], t->indexToken()) || !pageForm)
                return miss(c, client);
            ++served;
            return queueText(c, MHD_HTTP_OK, indexPage(*t), "text/html; charset=utf-8", "no-store");
        }
        if (parts[0] != "s")
            return miss(c, client);
        const SharedSheet* sheet = t->find(parts[1]);
        if (!sheet)
            return miss(c, client);
        if (pageForm) {
            ++served;
            return queueText(c, MHD_HTTP_OK, sheetPage(*sheet), "text/html; charset=utf-8", "private, no-cache");
        }
        bool thumb = false;
        bool download = false;
        std::string_view name;
        if (parts.size() == 3) {
            name = parts[2];
        } else if (parts.size() == 4 && (parts[2] == "thumb" || parts[2] == "download")) {
            thumb = parts[2] == "thumb";
            download = !thumb;
            name = parts[3];
        } else {
            return miss(c, client);
        }
        // The name only picks one of the sheet's listed files; it is never joined to a path itself.
        for (const std::string& file : sheet->files)
            if (file == name)
                return serveFile(c, *sheet, file, thumb, download);
        return miss(c, client);
    }
};

namespace {

constexpr int kGalleryNice = 10;

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
    const char*, size_t* uploadSize, void** state)
{
    auto* impl = static_cast<GalleryServer::Impl*>(cls);
    // The gallery must never slow the booth's preview: its threads yield the processor to the
    // camera and the screen, and a phone waits a few milliseconds longer instead.
    static thread_local bool lowered = false;
    if (!lowered) {
        ::setpriority(PRIO_PROCESS, ::gettid(), kGalleryNice);
        lowered = true;
    }
    if (*state) {
        // Body data of a request already answered: dropped unread.
        *uploadSize = 0;
        return MHD_YES;
    }
    *state = impl;
    return impl->handle(connection, url ? url : "", method ? method : "");
}

} // namespace

GalleryServer::GalleryServer() = default;

GalleryServer::~GalleryServer()
{
    stop();
}

bool GalleryServer::start(const GalleryConfig& config, std::string* error)
{
    stop();
    auto impl = std::make_unique<Impl>(config);
    int family = AF_INET;
    const int fd = makeListener(config.bindAddress, config.port, family, error);
    if (fd < 0)
        return false;
    sockaddr_storage bound {};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    impl->port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    impl->load(true);
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC;
    if (family == AF_INET6)
        flags |= MHD_USE_IPv6;
    const GalleryLimits& l = config.limits;
    impl->daemon = MHD_start_daemon(flags, impl->port, nullptr, nullptr, &onRequest, impl.get(),
        MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT, l.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        l.perClientConnections, MHD_OPTION_CONNECTION_TIMEOUT, l.timeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        l.connectionMemory, MHD_OPTION_THREAD_POOL_SIZE, std::max(1u, l.threads), MHD_OPTION_UNESCAPE_CALLBACK,
        &keepEscaped, nullptr, MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_END);
    if (!impl->daemon) {
        ::close(fd);
        if (error)
            *error = "the gallery server could not start";
        return false;
    }
    m_impl = std::move(impl);
    return true;
}

void GalleryServer::stop()
{
    if (m_impl && m_impl->daemon)
        MHD_stop_daemon(m_impl->daemon);
    m_impl.reset();
}

bool GalleryServer::isRunning() const
{
    return m_impl && m_impl->daemon;
}

uint16_t GalleryServer::port() const
{
    return m_impl ? m_impl->port : 0;
}

void GalleryServer::reload()
{
    if (m_impl)
        m_impl->load(true);
}

GalleryServer::Counters GalleryServer::counters() const
{
    Counters c;
    if (m_impl) {
        c.requests = m_impl->requests;
        c.served = m_impl->served;
        c.notFound = m_impl->notFound;
        c.refused = m_impl->refused;
        c.limited = m_impl->limited;
    }
    return c;
}

unsigned GalleryServer::openConnections() const
{
    if (!m_impl || !m_impl->daemon)
        return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_impl->daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    return info ? info->num_connections : 0;
}

} // namespace share
