#pragma once

#include "desktop_services.h"
#include "window_requests.h"

#include <QDBusConnection>
#include <QSettings>

#include <memory>
#include <optional>

namespace app
{

// The desktop services of a freedesktop.org system: QSettings, the desktop's URL handlers, the
// FileManager1 D-Bus interface, the running executable as "the application", and a vCard file the
// user chooses as the source of contacts. Lives on the main thread.
class LinuxDesktopServices final : public DesktopServices
{
public:
    // Settings go to `settingsFile` (an INI file) when given, else to the user's configuration
    // folder under "Tovik/Tovik for Mac".
    explicit LinuxDesktopServices(const QString &settingsFile = {});
    ~LinuxDesktopServices() override;
    Q_DISABLE_COPY_MOVE(LinuxDesktopServices)

    // The window that activate() brings to the front and that asks for the contacts file; it stays
    // until replaced or cleared (nullptr). Without one, activate() raises every visible top-level
    // window and a contacts request is answered as a cancelled chooser.
    void setWindow(WindowRequests *window) { m_window = window; }

    // The bus on which revealFile() asks the file manager; the session bus unless set.
    void setBus(const QDBusConnection &bus) { m_bus = bus; }

    bool boolSetting(const QString &key) override;
    void setBoolSetting(const QString &key, bool value) override;
    std::optional<QString> textSetting(const QString &key) override;
    void setTextSetting(const QString &key, const QString &value) override;

    // There is no system-wide Full Disk Access list to show: does nothing.
    void openPrivacySettings() override;
    bool openUrl(const QUrl &url) override;
    void revealFile(const QString &path, std::function<void(bool shown)> done = {}) override;
    void activate() override;
    void relaunch() override;
    QString applicationPath() override;
    QIcon applicationIcon() override;
    QIcon fileIcon(const QString &path) override;

    // Not determined until a file was chosen (or a refusal remembered), and again when the chosen
    // file has gone; Authorized while the chosen file can be read; Denied after a refusal, or when
    // the chosen file is there but cannot be read.
    contacts::AuthorizationStatus contactsAuthorizationStatus() override;

    // Has the window ask for a vCard file. A file with at least one card grants access and is
    // remembered; any other file is refused with its reason (contactsFileRefusal), read in the
    // background, and what was chosen before stays. Cancelling changes nothing.
    void requestContactsAccess(std::function<void(ContactsAnswer answer)> done) override;

    std::shared_ptr<contacts::ContactsService> contactsService() override;

    // Remembers the answer to the contacts question: a chosen file, or a refusal (none).
    void setContactsFile(const std::optional<QString> &path);

    // The settings key of the chosen contacts file; an empty value records a refusal.
    static QString contactsFileKey();

private:
    std::unique_ptr<QSettings> m_settings;
    WindowRequests *m_window = nullptr;
    std::optional<QDBusConnection> m_bus;
};

// The folder to open when the file manager cannot show the file itself.
[[nodiscard]] QUrl containingFolderUrl(const QString &filePath);

} // namespace app
