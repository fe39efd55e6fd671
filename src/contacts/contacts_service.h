#pragma once

#include "contact_record.h"

#include <functional>

namespace contacts
{

// The answer the user gave (or has not yet given) to the question whether the program may read
// the contacts.
enum class AuthorizationStatus {
    NotDetermined,
    Restricted,
    Denied,
    Authorized,
};

// A source of contact records behind an access decision: the platform's address book, or a
// vCard file. Implementations may be called from a background thread; each call stands alone.
class ContactsService
{
public:
    virtual ~ContactsService() = default;

    [[nodiscard]] virtual AuthorizationStatus authorizationStatus() const = 0;

    // Asks for access and waits for the answer: true when granted, false when refused or when the
    // request itself failed.
    [[nodiscard]] virtual bool requestAccess() = 0;

    // Calls `onContact` once per contact, synchronously, before returning. False when the
    // enumeration failed; the contacts delivered before the failure stay delivered.
    [[nodiscard]] virtual bool enumerate(const std::function<void(const ContactRecord &)> &onContact) = 0;

protected:
    ContactsService() = default;
    ContactsService(const ContactsService &) = default;
    ContactsService(ContactsService &&) = default;
    ContactsService &operator=(const ContactsService &) = default;
    ContactsService &operator=(ContactsService &&) = default;
};

// Asks `service` for access to the contacts; true when granted. A failed request counts as a
// refusal. Blocks until the answer is known, so callers run it off the main thread.
[[nodiscard]] inline bool requestContactsAccess(ContactsService &service)
{
    return service.requestAccess();
}

} // namespace contacts
