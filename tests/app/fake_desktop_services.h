#pragma once

#include "app/desktop_services.h"
#include "contacts/contact_record.h"

#include <QHash>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>

namespace apptest
{

// Holds a background task until the test opens it. Opening twice is harmless.
class Gate
{
public:
    void open()
    {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] {
            return m_open;
        });
    }
    // Until the gate opens or `stop` is requested.
    void wait(const std::stop_token &stop)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, stop, [this] {
            return m_open;
        });
    }

private:
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_open = false;
};

// Contacts for one load: authorised, with the given records, optionally held at a gate before it
// delivers them, so that a test decides when that load may finish.
class FakeContactsService final : public contacts::ContactsService
{
public:
    explicit FakeContactsService(std::vector<contacts::ContactRecord> records, std::shared_ptr<Gate> gate = {})
        : m_records(std::move(records))
        , m_gate(std::move(gate))
    {
    }
    contacts::AuthorizationStatus authorizationStatus() const override
    {
        return contacts::AuthorizationStatus::Authorized;
    }
    bool requestAccess() override { return true; }
    bool enumerate(const std::function<void(const contacts::ContactRecord &)> &onContact) override
    {
        if (m_gate)
            m_gate->wait();
        for (const auto &record : m_records)
            onContact(record);
        return true;
    }

private:
    std::vector<contacts::ContactRecord> m_records;
    std::shared_ptr<Gate> m_gate;
};

// Records what the model asks of the desktop and answers from plain fields.
class FakeDesktopServices final : public app::DesktopServices
{
public:
    QHash<QString, bool> bools;
    QHash<QString, QString> texts;
    QList<QUrl> openedUrls;
    QStringList revealedFiles;
    bool desktopOpensThings = true; // false: no browser and no file manager
    int privacySettingsOpened = 0;
    int activations = 0;
    int relaunches = 0;
    int statusQueries = 0;
    contacts::AuthorizationStatus contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    std::function<void(app::ContactsAnswer)> pendingContactsRequest;
    // Handed out one per load, in order; when none is queued, a service with `contactRecords`.
    std::deque<std::shared_ptr<contacts::ContactsService>> queuedContacts;
    std::vector<contacts::ContactRecord> contactRecords;
    int contactsServicesHandedOut = 0;

    // Answers the pending contacts request the way the desktop would: remembers, then calls back.
    void answerContacts(bool granted)
    {
        contactsStatus = granted ? contacts::AuthorizationStatus::Authorized : contacts::AuthorizationStatus::Denied;
        answerContacts(app::ContactsAnswer{
            granted ? app::ContactsAnswer::Outcome::Granted : app::ContactsAnswer::Outcome::Refused, {}});
    }
    // Answers it with a cancel or a refused file, which change nothing remembered.
    void answerContacts(const app::ContactsAnswer &answer)
    {
        auto done = std::exchange(pendingContactsRequest, nullptr);
        done(answer);
    }

    bool boolSetting(const QString &key) override { return bools.value(key, false); }
    void setBoolSetting(const QString &key, bool value) override { bools.insert(key, value); }
    std::optional<QString> textSetting(const QString &key) override
    {
        if (!texts.contains(key))
            return std::nullopt;
        return texts.value(key);
    }
    void setTextSetting(const QString &key, const QString &value) override { texts.insert(key, value); }
    void openPrivacySettings() override { ++privacySettingsOpened; }
    bool openUrl(const QUrl &url) override
    {
        openedUrls.append(url);
        return desktopOpensThings;
    }
    void revealFile(const QString &path, std::function<void(bool)> done = {}) override
    {
        revealedFiles.append(path);
        if (done)
            done(desktopOpensThings);
    }
    void activate() override { ++activations; }
    void relaunch() override { ++relaunches; }
    QString applicationPath() override { return QStringLiteral("/usr/bin/tovik"); }
    QIcon applicationIcon() override { return {}; }
    QIcon fileIcon(const QString &) override { return {}; }
    contacts::AuthorizationStatus contactsAuthorizationStatus() override
    {
        ++statusQueries;
        return contactsStatus;
    }
    void requestContactsAccess(std::function<void(app::ContactsAnswer)> done) override
    {
        pendingContactsRequest = std::move(done);
    }
    std::shared_ptr<contacts::ContactsService> contactsService() override
    {
        ++contactsServicesHandedOut;
        if (queuedContacts.empty())
            return std::make_shared<FakeContactsService>(contactRecords);
        auto next = queuedContacts.front();
        queuedContacts.pop_front();
        return next;
    }
};

} // namespace apptest
