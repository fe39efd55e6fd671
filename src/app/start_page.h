#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace app
{

// The service's own origin, used when the "TovikSite" setting is absent or not an http(s) origin.
[[nodiscard]] QString builtInSiteURL();

// True for an http or https origin as text: scheme, "://", host and an optional port, with no
// user, path (not even "/"), query or fragment.
[[nodiscard]] bool isWebOrigin(const QString &text);

// The start page for `language` (a code such as "en" or "pt-PT"): `site` when it is a web origin,
// else builtInSiteURL(); then "/" + the lower-case code, left out for "en"; then
// "/start?source=imessage&method=mac".
[[nodiscard]] QUrl startURLFor(const std::optional<QString> &site, const QString &language);

} // namespace app
