#include "update/server_address.h"

#include <QHostAddress>

namespace vexalith::update {

QString configured_base_address()
{
    if (qEnvironmentVariableIsSet("VEXALITH_UPDATE_URL"))
        return qEnvironmentVariable("VEXALITH_UPDATE_URL");
#ifdef VEXALITH_UPDATE_URL
    return QStringLiteral(VEXALITH_UPDATE_URL);
#else
    return {};
#endif
}

bool is_loopback_host(const QString& host)
{
    if (host.compare("localhost", Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool download_address_allowed(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == "https" || (scheme == "http" && is_loopback_host(url.host()));
}

bool redirect_allowed(const QUrl& from, const QUrl& to)
{
    if (!download_address_allowed(from) || !download_address_allowed(to))
        return false;
    return from.scheme().compare(to.scheme(), Qt::CaseInsensitive) == 0;
}

BaseAddress check_base_address(const QString& text)
{
    BaseAddress result;
    if (text.isEmpty())
        return result;
    const QUrl url(text, QUrl::StrictMode);
    if (!download_address_allowed(url))
        result.problem =
            "The update server address " + text + " is not an https address (plain http only on this machine).";
    else if (!url.path().endsWith('/') || url.hasQuery() || url.hasFragment())
        result.problem = "The update server address " + text + " does not end in \"/\".";
    else
        result.url = url;
    return result;
}

}  // namespace vexalith::update
