// The "TovikSite" setting is the one text the program reads from its settings and hands to the
// desktop. Whatever it holds, the upload button opens a web page: a value that is not an http or
// https origin is refused and the built-in site is opened instead, never a file, an application
// or another scheme's handler.
#include "app/app_model.h"

#include "fake_desktop_services.h"
#include "l10n/language.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

using apptest::FakeDesktopServices;

namespace
{

const QString siteKey = QStringLiteral("TovikSite");

} // namespace

TEST(SiteSetting, UploadPageOpensOnlyWebPages)
{
    const testsupport::TempDir dir;
    FakeDesktopServices services;
    app::AppModel model(services, dir / "chat.db");
    model.openUploadPage();
    ASSERT_EQ(services.openedUrls.size(), 1);
    const QUrl builtIn = services.openedUrls.back();
    ASSERT_EQ(builtIn.scheme(), QStringLiteral("https"));

    const std::string refused[] = {
        "javascript:alert(1)",
        "data:text/html,<script>alert(1)</script>",
        "file:///bin/sh",
        "file:///Applications/Calculator.app",
        "file://localhost/etc/passwd",
        "/usr/bin/xterm",
        "../../../../bin/sh",
        "smb://evil.example/share",
        "vnc://evil.example",
        "ssh://evil.example",
        "ftp://evil.example",
        "tel:+15555550100",
        "mailto:someone@example.com",
        "x-apple.systempreferences:com.apple.preference.security",
        "//evil.example",
        "https:\\\\evil.example",
        "https://tovik.app@evil.example",
        "https://evil.example/../../bin/sh",
        "https://evil.example\n",
        "\thttps://evil.example",
        "https://evil.example\xE2\x80\xAE",
        "https://evil example",
        "",
    };
    for (const auto &site : refused) {
        services.texts.insert(siteKey, QString::fromUtf8(site.data(), static_cast<qsizetype>(site.size())));

        model.openUploadPage();

        EXPECT_EQ(services.openedUrls.back(), builtIn) << site;
    }

    // An origin of the user's own choosing is the setting's purpose; it stays a web page.
    services.texts.insert(siteKey, QStringLiteral("http://localhost:8080"));
    model.openUploadPage();
    EXPECT_EQ(services.openedUrls.back().scheme(), QStringLiteral("http"));
    EXPECT_EQ(services.openedUrls.back().host(), QStringLiteral("localhost"));
    EXPECT_EQ(services.openedUrls.back().port(), 8080);
    EXPECT_TRUE(services.revealedFiles.isEmpty());
}
