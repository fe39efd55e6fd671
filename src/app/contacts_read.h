#pragma once

#include "contacts/contacts_service.h"

#include <memory>

namespace app
{

// A source's contacts for one load, noting whether they could be read whole.
class ContactsRead final : public contacts::ContactsService
{
public:
    explicit ContactsRead(std::shared_ptr<contacts::ContactsService> read);

    contacts::AuthorizationStatus authorizationStatus() const override { return m_read->authorizationStatus(); }
    bool requestAccess() override { return m_read->requestAccess(); }
    bool enumerate(const std::function<void(const contacts::ContactRecord &)> &onContact) override
    {
        m_failed = !m_read->enumerate(onContact);
        return !m_failed;
    }
    bool failed() const { return m_failed; }

private:
    std::shared_ptr<contacts::ContactsService> m_read;
    bool m_failed = false;
};

} // namespace app
