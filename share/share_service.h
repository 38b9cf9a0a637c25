// ShareService: the booth's one handle on phone sharing. It starts and stops the gallery with
// the settings, publishes finished sheets and tells their links. The booth's share part owns one.
#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "share/share_publisher.h"

struct BoothSettings;
namespace share {
class GalleryServer;
}

/// The gallery settings the service follows (from BoothSettings).
struct ShareOptions {
    bool enabled = false;
    int port = 8080;
    QString bind = QStringLiteral("all");
    bool index = false;

    static ShareOptions from(const BoothSettings& settings);
};

/// A published sheet's link.
struct ShareLink {
    bool ok = false;
    QString url; ///< "http://HOST:PORT/s/TOKEN/"
    QString token;
    QString error; ///< for the operator, when not ok
    QString warning; ///< published, but something needs a look (a damaged share table)
};

class ShareService {
public:
    ShareService();
    ~ShareService();
    ShareService(const ShareService&) = delete;
    ShareService& operator=(const ShareService&) = delete;

    /// Follows the settings for saveFolder's share folder: starts the gallery (restarting it when
    /// the port or address changed), or stops it when sharing is off. False with *error when it
    /// should run but cannot (port in use, unknown ShareBind); it is then stopped.
    bool apply(const ShareOptions& options, const QString& saveFolder, QString* error = nullptr);
    void stop();
    bool isRunning() const;
    /// The port in use; the configured one while stopped.
    int port() const;

    /// "http://HOST:PORT" of the links, from the settings last applied.
    QString baseUrl() const { return m_baseUrl; }
    QString shareFolder() const { return m_shareFolder; }

    /// Publishes a finished sheet and returns its link (also while the gallery is off: the link
    /// opens once it is on). Writes files: call it off the user-interface thread (through
    /// platform/long_operation) for large sheets.
    ShareLink publish(const ShareContent& content);
    /// The link of a sheet SharePublisher put into shareFolder() (off this thread, say); the
    /// gallery reads its table again at once. Not ok with the publisher's error when it failed.
    ShareLink linkFor(const PublishResult& published);
    /// The link of the newest shared sheet of the share folder, if any.
    std::optional<QString> newestLink() const;
    /// The operator's event index link; empty while the index is off or the gallery stopped.
    QString indexUrl() const;

private:
    ShareOptions m_options;
    QString m_shareFolder;
    QString m_baseUrl;
    QString m_indexToken;
    std::unique_ptr<share::GalleryServer> m_server;
};

/// The link of the newest sheet in shareFolder under baseUrl, if any.
std::optional<QString> NewestShareLink(const QString& shareFolder, const QString& baseUrl);
