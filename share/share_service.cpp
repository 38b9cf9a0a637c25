// ShareService: settings to server, publishing to links.
#include "share/share_service.h"

#include <QDir>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "share/gallery_server.h"
#include "share/share_address.h"
#include "share/share_table.h"

ShareOptions ShareOptions::from(const BoothSettings& settings)
{
    ShareOptions o;
    o.enabled = settings.m_shareGallery == 1;
    o.port = settings.m_sharePort;
    o.bind = settings.m_shareBind;
    o.index = settings.m_shareIndex == 1;
    return o;
}

ShareService::ShareService()
    : m_server(std::make_unique<share::GalleryServer>())
{
}

ShareService::~ShareService() = default;

bool ShareService::apply(const ShareOptions& options, const QString& saveFolder, QString* error)
{
    const QString folder
        = SharePublisher::shareFolderOf(saveFolder.isEmpty() ? appdefaults::defaultSaveFolder() : saveFolder);
    const ShareAddress address = ResolveShareBind(options.bind);
    m_baseUrl = ShareBaseUrl(address.ok ? address.urlHost : QStringLiteral("127.0.0.1"), options.port);
    const bool same = m_server->isRunning() && options.enabled && folder == m_shareFolder
        && options.port == m_options.port && options.bind == m_options.bind && options.index == m_options.index;
    m_options = options;
    m_shareFolder = folder;
    if (same)
        return true;
    stop();
    if (!options.enabled)
        return true;
    if (!address.ok) {
        if (error)
            *error = address.error;
        return false;
    }
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The share folder %1 could not be made.").arg(folder);
        return false;
    }
    if (options.index) {
        // The index token lives in the table so the operator's link survives restarts.
        share::ShareTable table;
        const share::ShareTable::LoadResult loaded = table.load(folder.toStdString());
        if (loaded.ok && table.indexToken().empty() && table.ensureIndexToken())
            table.save(folder.toStdString());
        m_indexToken = QString::fromStdString(table.indexToken());
    }
    share::GalleryConfig config;
    config.shareFolder = folder.toStdString();
    config.bindAddress = address.bindAddress;
    config.port = uint16_t(options.port);
    config.index = options.index;
    std::string why;
    if (!m_server->start(config, &why)) {
        if (error)
            *error = QStringLiteral("The phone gallery could not start: %1.").arg(QString::fromStdString(why));
        return false;
    }
    return true;
}

void ShareService::stop()
{
    m_server->stop();
    m_indexToken.clear();
}

bool ShareService::isRunning() const
{
    return m_server->isRunning();
}

int ShareService::port() const
{
    return m_server->isRunning() ? m_server->port() : m_options.port;
}

ShareLink ShareService::publish(const ShareContent& content)
{
    const QString folder
        = m_shareFolder.isEmpty() ? SharePublisher::shareFolderOf(appdefaults::defaultSaveFolder()) : m_shareFolder;
    return linkFor(SharePublisher::publish(folder, content));
}

ShareLink ShareService::linkFor(const PublishResult& published)
{
    ShareLink link;
    link.ok = published.ok;
    link.error = published.error;
    link.warning = published.warning;
    if (!published.ok)
        return link;
    // Bound to every address, the booth may have joined the event's network after the gallery
    // started: the link names the address it has now.
    if (m_server->isRunning()) {
        const ShareAddress now = ResolveShareBind(m_options.bind);
        if (now.ok && now.bindAddress.empty())
            m_baseUrl = ShareBaseUrl(now.urlHost, port());
    }
    link.token = published.token;
    link.url = ShareLinkUrl(
        m_baseUrl.isEmpty() ? ShareBaseUrl(QStringLiteral("127.0.0.1"), port()) : m_baseUrl, published.token);
    m_server->reload();
    return link;
}

std::optional<QString> ShareService::newestLink() const
{
    return NewestShareLink(m_shareFolder, m_baseUrl);
}

QString ShareService::indexUrl() const
{
    if (!isRunning() || m_indexToken.isEmpty())
        return {};
    return m_baseUrl + QStringLiteral("/i/") + m_indexToken + QLatin1Char('/');
}

std::optional<QString> NewestShareLink(const QString& shareFolder, const QString& baseUrl)
{
    if (shareFolder.isEmpty())
        return std::nullopt;
    share::ShareTable table;
    table.load(shareFolder.toStdString());
    const share::SharedSheet* newest = table.newest();
    if (!newest)
        return std::nullopt;
    return ShareLinkUrl(baseUrl, QString::fromStdString(newest->token));
}
