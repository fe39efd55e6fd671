#pragma once

#include "contacts/contacts_service.h"

#include <QIcon>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace app
{

// What became of a request for the user's contacts.
struct ContactsAnswer {
    enum class Outcome {
        Granted, // the names may be read now
        Refused, // the user said no, or the request failed
        Cancelled, // the user closed the chooser without choosing: the question is still open
        FileRefused, // the chosen file cannot serve; the answer given before it stands
    };
    Outcome outcome = Outcome::Refused;
    QString problem; // for FileRefused: names the file and says why, in the user's language
};

// What the application asks of the desktop it runs on: settings, opening and revealing, the
// application's own process and window, icons, and the user's contacts. Every call is made on the
// main thread; only the ContactsService handed out by contactsService() is used elsewhere. The
// model and the screens hold a reference, so an implementation outlives both.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Persisted settings ("seenWelcome", "TovikSite", ...). An absent Bool reads as false, an absent
    // text as none. Values survive a restart of the application.
    [[nodiscard]] virtual bool boolSetting(const QString &key) = 0;
    virtual void setBoolSetting(const QString &key, bool value) = 0;
    [[nodiscard]] virtual std::optional<QString> textSetting(const QString &key) = 0;
    virtual void setTextSetting(const QString &key, const QString &value) = 0;

    // Opens `url` with the desktop's handler (browser, file manager). False when no handler could
    // be started.
    [[nodiscard]] virtual bool openUrl(const QUrl &url) = 0;

    // Shows the system's Full Disk Access settings, where the platform has them; does nothing
    // where it has none.
    virtual void openPrivacySettings() = 0;

    // Shows the file at `path` selected in the file manager, or at least its folder. `done`, when
    // given, learns on the main thread whether anything could be shown; it may be called before
    // this returns.
    virtual void revealFile(const QString &path, std::function<void(bool shown)> done = {}) = 0;

    // Brings the application's window to the front, even while another application is active.
    virtual void activate() = 0;

    // Starts a new instance of this program with the same arguments, then ends this one through the
    // event loop. The current instance ends even when the new one could not be started.
    virtual void relaunch() = 0;

    // The file that is "the application" for the user: what they add to a permission list, and what
    // the access screen offers as a dragged file.
    [[nodiscard]] virtual QString applicationPath() = 0;

    // Never a null icon: each falls back to one built into the program.
    [[nodiscard]] virtual QIcon applicationIcon() = 0;
    [[nodiscard]] virtual QIcon fileIcon(const QString &path) = 0;

    // The user's answer to the contacts question so far.
    [[nodiscard]] virtual contacts::AuthorizationStatus contactsAuthorizationStatus() = 0;

    // Asks the user for access to their contacts and remembers the answer. `done` is called exactly
    // once, on the main thread and never before this returns; a failed request counts as a refusal.
    virtual void requestContactsAccess(std::function<void(ContactsAnswer answer)> done) = 0;

    // A source of the user's contacts as they stand now, to be used by one load on any thread.
    // Without access it is a source that yields nothing.
    [[nodiscard]] virtual std::shared_ptr<contacts::ContactsService> contactsService() = 0;

protected:
    DesktopServices() = default;
    DesktopServices(const DesktopServices &) = default;
    DesktopServices(DesktopServices &&) = default;
    DesktopServices &operator=(const DesktopServices &) = default;
    DesktopServices &operator=(DesktopServices &&) = default;
};

} // namespace app
