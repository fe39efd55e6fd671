#include "linux_desktop_services.h"

#include "contacts/vcard_contacts_service.h"
#include "contacts_file_check.h"
#include "paths.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QThreadPool>
#include <QWindow>

#include <unistd.h>

// Resources compiled into a static library are registered by hand: nothing else refers to them,
// so the linker would otherwise leave them out.
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace app
{

namespace
{

const QString applicationIconPath = QStringLiteral(":/tovik/tovik.svg");
const QString textFileIconPath = QStringLiteral(":/tovik/text-file.svg");

// An icon from a bundled picture; when even that cannot be drawn (no SVG support at run time),
// a plain square in the application's colours, so that callers never get a null icon.
QIcon bundledIcon(const QString &resource, const QColor &fill)
{
    QIcon icon(resource);
    if (!icon.pixmap(64, 64).isNull())
        return icon;
    QPixmap square(64, 64);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(43, 33, 24));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    painter.end();
    return QIcon(square);
}

bool isReadableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

} // namespace

QUrl containingFolderUrl(const QString &filePath)
{
    return QUrl::fromLocalFile(QFileInfo(filePath).absolutePath());
}

LinuxDesktopServices::LinuxDesktopServices(const QString &settingsFile)
{
    initAppResources();
    if (settingsFile.isEmpty())
        // The settings file keeps the name it was first written under, so that nothing stored in it
        // (the welcome seen, the contacts file, the source) is lost.
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tovik"),
                                                 QStringLiteral("Tovik for Mac"));
    else
        m_settings = std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
}

LinuxDesktopServices::~LinuxDesktopServices() = default;

bool LinuxDesktopServices::boolSetting(const QString &key)
{
    return m_settings->value(key, false).toBool();
}

void LinuxDesktopServices::setBoolSetting(const QString &key, bool value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

std::optional<QString> LinuxDesktopServices::textSetting(const QString &key)
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void LinuxDesktopServices::setTextSetting(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void LinuxDesktopServices::openPrivacySettings()
{
}

bool LinuxDesktopServices::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void LinuxDesktopServices::revealFile(const QString &path, std::function<void(bool shown)> done)
{
    const QUrl folder = containingFolderUrl(path);
    QDBusConnection bus = m_bus ? *m_bus : QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        const bool shown = openUrl(folder);
        if (done)
            done(shown);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, folder, done = std::move(done)] {
        const bool shown = !watcher->isError() || QDesktopServices::openUrl(folder);
        if (done)
            done(shown);
        watcher->deleteLater();
    });
}

void LinuxDesktopServices::activate()
{
    if (m_window != nullptr) {
        m_window->bringToFront();
        return;
    }
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible())
            continue;
        window->setWindowStates((window->windowStates() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window->raise();
        window->requestActivate();
    }
}

void LinuxDesktopServices::relaunch()
{
    // The outcome is not awaited: this instance ends either way, through the event loop.
    static_cast<void>(QProcess::startDetached(applicationPath(), QCoreApplication::arguments().mid(1)));
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

QString LinuxDesktopServices::applicationPath()
{
    return QCoreApplication::applicationFilePath();
}

QIcon LinuxDesktopServices::applicationIcon()
{
    return bundledIcon(applicationIconPath, QColor(242, 107, 58));
}

QIcon LinuxDesktopServices::fileIcon(const QString &path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    const QIcon fallback = bundledIcon(textFileIconPath, Qt::white);
    if (!type.isValid())
        return QIcon::fromTheme(QStringLiteral("text-plain"), fallback);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
}

QString LinuxDesktopServices::contactsFileKey()
{
    return QStringLiteral("contactsFile");
}

contacts::AuthorizationStatus LinuxDesktopServices::contactsAuthorizationStatus()
{
    const std::optional<QString> file = textSetting(contactsFileKey());
    if (!file)
        return contacts::AuthorizationStatus::NotDetermined;
    if (file->isEmpty())
        return contacts::AuthorizationStatus::Denied;
    // A file that has gone (moved, deleted) asks the question again.
    if (!QFileInfo::exists(*file))
        return contacts::AuthorizationStatus::NotDetermined;
    if (!isReadableFile(*file))
        return contacts::AuthorizationStatus::Denied;
    return contacts::AuthorizationStatus::Authorized;
}

void LinuxDesktopServices::setContactsFile(const std::optional<QString> &path)
{
    m_settings->setValue(contactsFileKey(), path.value_or(QString()));
    m_settings->sync();
}

void LinuxDesktopServices::requestContactsAccess(std::function<void(ContactsAnswer answer)> done)
{
    auto answer = [this, done = std::move(done)](const std::optional<QString> &chosen) mutable {
        if (!chosen) {
            // A cancel answers nothing: a file chosen before stays, and so does an open question.
            done({ContactsAnswer::Outcome::Cancelled, {}});
            return;
        }
        // The file is read whole to see that it holds a card, off the main thread: an address
        // book with photos can be hundreds of MB.
        const QString file = QFileInfo(*chosen).absoluteFilePath();
        QThreadPool::globalInstance()->start([this, file, done = std::move(done)]() mutable {
            std::optional<QString> refusal = contactsFileRefusal(pathFrom(file));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this, file, refusal = std::move(refusal), done = std::move(done)] {
                    if (refusal) {
                        done({ContactsAnswer::Outcome::FileRefused, *refusal});
                        return;
                    }
                    setContactsFile(file);
                    done({ContactsAnswer::Outcome::Granted, {}});
                },
                Qt::QueuedConnection);
        });
    };
    if (m_window != nullptr) {
        m_window->chooseContactsFile(std::move(answer));
        return;
    }
    // No window to ask in: answered as a cancel, after this returns.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [answer = std::move(answer)]() mutable {
            answer(std::nullopt);
        },
        Qt::QueuedConnection);
}

std::shared_ptr<contacts::ContactsService> LinuxDesktopServices::contactsService()
{
    if (contactsAuthorizationStatus() != contacts::AuthorizationStatus::Authorized)
        return std::make_shared<contacts::VCardContactsService>();
    const QString file = textSetting(contactsFileKey()).value_or(QString());
    return std::make_shared<contacts::VCardContactsService>(pathFrom(file));
}

} // namespace app
