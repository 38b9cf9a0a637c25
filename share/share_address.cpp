// ShareBind resolution over the machine's interfaces.
#include "share/share_address.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace {

bool usable(const QNetworkInterface& i)
{
    return i.isValid() && (i.flags() & QNetworkInterface::IsUp) && (i.flags() & QNetworkInterface::IsRunning)
        && !(i.flags() & QNetworkInterface::IsLoopBack);
}

QString hostText(const QHostAddress& a)
{
    const QString text = a.toString();
    return a.protocol() == QAbstractSocket::IPv6Protocol ? QLatin1Char('[') + text + QLatin1Char(']') : text;
}

} // namespace

ShareAddress ResolveShareBind(const QString& shareBind)
{
    ShareAddress r;
    const QString bind = shareBind.trimmed();
    if (bind.isEmpty() || bind.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        r.ok = true;
        r.urlHost = QStringLiteral("127.0.0.1");
        for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
            if (!usable(i))
                continue;
            for (const QNetworkAddressEntry& e : i.addressEntries())
                if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.ip().isLoopback()) {
                    r.urlHost = e.ip().toString();
                    return r;
                }
        }
        return r;
    }
    QString literal = bind;
    if (literal.startsWith(QLatin1Char('[')) && literal.endsWith(QLatin1Char(']')))
        literal = literal.mid(1, literal.size() - 2);
    const QHostAddress address(literal);
    if (!address.isNull() && address.scopeId().isEmpty()) {
        r.ok = true;
        r.bindAddress = address.toString().toStdString();
        r.urlHost = hostText(address);
        return r;
    }
    const QNetworkInterface i = QNetworkInterface::interfaceFromName(bind);
    if (!i.isValid()) {
        r.error = QStringLiteral("ShareBind \"%1\" is neither an address nor a network interface of this machine.")
                      .arg(bind);
        return r;
    }
    QHostAddress chosen;
    for (const QNetworkAddressEntry& e : i.addressEntries()) {
        const QHostAddress ip = e.ip();
        if (ip.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = ip;
            break;
        }
        // Link-local IPv6 addresses need a scope a phone's browser cannot be given in a link.
        if (chosen.isNull() && ip.protocol() == QAbstractSocket::IPv6Protocol && !ip.isLinkLocal())
            chosen = ip;
    }
    if (chosen.isNull()) {
        r.error = QStringLiteral("The network interface %1 has no address yet; is it connected?").arg(bind);
        return r;
    }
    chosen.setScopeId(QString());
    r.ok = true;
    r.bindAddress = chosen.toString().toStdString();
    r.urlHost = hostText(chosen);
    return r;
}

QString ShareBaseUrl(const QString& host, int port)
{
    return QStringLiteral("http://%1:%2").arg(host).arg(port);
}

QString ShareLinkUrl(const QString& baseUrl, const QString& token)
{
    QString base = baseUrl;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/s/") + token + QLatin1Char('/');
}
