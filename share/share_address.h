// The booth's address for the gallery: what to bind (ShareBind: "all", an address or an
// interface name) and the host a phone is sent to in the link.
#pragma once

#include <string>

#include <QString>

struct ShareAddress {
    bool ok = false;
    QString error; ///< why ShareBind cannot be used, for the operator
    std::string bindAddress; ///< numeric address to bind; empty: every address
    QString urlHost; ///< host of the links (an IPv6 address in brackets)
};

/// Resolves a ShareBind value. "all" (or empty) binds every address and links to the first
/// non-loopback IPv4 address of an interface that is up (127.0.0.1 when there is none); an
/// address binds and links to itself; an interface name binds and links to its first IPv4
/// address (else its first IPv6 one). An unknown name or an interface without an address is
/// an error: the gallery is then not started rather than opened wider than asked.
ShareAddress ResolveShareBind(const QString& shareBind);

/// "http://HOST:PORT" (no slash at the end).
QString ShareBaseUrl(const QString& host, int port);
/// The link of a sheet: "<base>/s/<token>/".
QString ShareLinkUrl(const QString& baseUrl, const QString& token);
