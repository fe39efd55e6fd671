#include "start_page.h"

namespace app
{

QString builtInSiteURL()
{
    return QStringLiteral("https://tovik.app");
}

bool isWebOrigin(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
        return false;
    return !url.host().isEmpty() && url.userInfo().isEmpty() && url.path().isEmpty() && !url.hasQuery()
        && !url.hasFragment() && text.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

QUrl startURLFor(const std::optional<QString> &site, const QString &language)
{
    // "https://tovik.example/" names the same origin as "https://tovik.example"; one slash at the
    // end is dropped before the check, so the path below does not begin with two.
    std::optional<QString> origin = site;
    if (origin && origin->endsWith(QLatin1Char('/')))
        origin->chop(1);
    const QString base = origin && isWebOrigin(*origin) ? *origin : builtInSiteURL();
    const QString segment = language == QStringLiteral("en") ? QString() : QLatin1Char('/') + language.toLower();
    return QUrl(base + segment + QStringLiteral("/start?source=imessage&method=mac"));
}

} // namespace app
