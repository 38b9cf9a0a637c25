// GalleryServer: the read-only web gallery of the share folder on libmicrohttpd, in threads of its
// own. Files are reached only through the share table's tokens; nothing of a URL is a path.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace share {

/// What one client and all clients together may take. The defaults suit phones on an event's
/// network; tests and benchmarks tighten or widen them.
struct GalleryLimits {
    unsigned connections = 256; ///< open connections in all
    unsigned perClientConnections = 8; ///< open connections from one address
    unsigned timeoutSeconds = 15; ///< an idle or slow connection is closed after this
    size_t connectionMemory = 16 * 1024; ///< per connection; bounds the request line and headers
    unsigned threads = 2;
    double requestsPerSecond = 30; ///< per client address, refill of its request allowance
    double requestBurst = 120;
    double missesPerSecond = 0.5; ///< per client address: wrong tokens, bad paths, bad methods
    double missBurst = 20;
};

struct GalleryConfig {
    std::string shareFolder;
    std::string bindAddress; ///< a numeric IPv4 or IPv6 address; empty: every address
    uint16_t port = 8080; ///< 0: any free port (see GalleryServer::port)
    bool index = false; ///< serve the operator's event index at its token
    GalleryLimits limits;
};

class GalleryServer {
public:
    GalleryServer();
    ~GalleryServer();
    GalleryServer(const GalleryServer&) = delete;
    GalleryServer& operator=(const GalleryServer&) = delete;

    /// Binds and starts serving. False with *error ("port 8080 is in use", ...) when the address
    /// cannot be bound or the server cannot start; a running server is stopped first.
    bool start(const GalleryConfig& config, std::string* error = nullptr);
    /// Stops serving and waits for the server's threads; open connections are closed.
    void stop();
    bool isRunning() const;
    /// The port bound (the chosen one when started with port 0); 0 when not running.
    uint16_t port() const;
    /// Reads the share table again at once (the server also notices a changed file by itself
    /// within half a second).
    void reload();

    struct Counters {
        uint64_t requests = 0;
        uint64_t served = 0; ///< 200 and 304
        uint64_t notFound = 0;
        uint64_t refused = 0; ///< 400, 405
        uint64_t limited = 0; ///< 429
    };
    Counters counters() const;
    /// Connections the server has taken and not yet closed (0 when not running).
    unsigned openConnections() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace share
