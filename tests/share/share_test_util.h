// Test helpers for the gallery: a raw HTTP/1.1 client over loopback sockets (bytes exactly as
// given, from a chosen source address), a free port, and a published sheet.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include <QFile>
#include <QImage>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "share/share_publisher.h"

namespace sharetest {

struct Response {
    int status = 0; ///< 0: no answer (connection closed or timed out)
    std::map<std::string, std::string> headers; ///< names in lower case
    std::string body;
    std::string raw;
    std::string header(const std::string& name) const
    {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

/// A connected socket from source (a 127.x.y.z address) to 127.0.0.1:port; -1 on failure.
inline int connectFrom(const char* source, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local {};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in remote {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool sendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

/// Reads until the peer closes or timeoutMs passes without data.
inline std::string readAll(int fd, int timeoutMs = 5000)
{
    std::string data;
    char buffer[65536];
    for (;;) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        data.append(buffer, size_t(n));
    }
    return data;
}

inline Response parse(const std::string& raw)
{
    Response r;
    r.raw = raw;
    const size_t end = raw.find("\r\n\r\n");
    if (raw.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos)
        return r;
    r.status = std::atoi(raw.c_str() + 9);
    size_t line = raw.find("\r\n") + 2;
    while (line < end) {
        const size_t next = raw.find("\r\n", line);
        const std::string h = raw.substr(line, next - line);
        const size_t colon = h.find(':');
        if (colon != std::string::npos) {
            std::string name = h.substr(0, colon);
            for (char& c : name)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            size_t v = colon + 1;
            while (v < h.size() && h[v] == ' ')
                ++v;
            r.headers[name] = h.substr(v);
        }
        line = next + 2;
    }
    r.body = raw.substr(end + 4);
    return r;
}

/// Sends request bytes as they are and reads the whole answer (the request should close).
inline Response rawRequest(int port, const std::string& request, const char* source = "127.0.0.1")
{
    const int fd = connectFrom(source, port);
    if (fd < 0)
        return {};
    sendAll(fd, request);
    const std::string raw = readAll(fd);
    ::close(fd);
    return parse(raw);
}

inline Response get(int port, const std::string& path, const char* source = "127.0.0.1",
    const std::string& method = "GET", const std::string& extraHeaders = {})
{
    return rawRequest(port,
        method + " " + path + " HTTP/1.1\r\nHost: booth\r\nConnection: close\r\n" + extraHeaders + "\r\n", source);
}

/// A port nobody listens on at the moment (the kernel's pick, released again).
inline int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

/// A sheet with two shots of distinct colours.
inline ShareContent sampleContent(int width = 1024, int height = 768)
{
    ShareContent c;
    c.sheet = QImage(width, height, QImage::Format_RGB32);
    c.sheet.fill(qRgb(40, 120, 200));
    for (int y = 0; y < height; y += 16)
        for (int x = 0; x < width; ++x)
            c.sheet.setPixel(x, y, qRgb(255, 200, 80));
    QImage red(320, 240, QImage::Format_RGB32);
    red.fill(qRgb(220, 40, 40));
    QImage green(320, 240, QImage::Format_RGB32);
    green.fill(qRgb(40, 200, 60));
    c.shots = { red, green };
    return c;
}

inline std::string readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

} // namespace sharetest
