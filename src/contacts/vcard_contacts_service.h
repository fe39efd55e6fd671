#pragma once

#include "common/result.h"
#include "contacts_service.h"

#include <filesystem>
#include <optional>

namespace contacts
{

// Contacts read from a vCard file the user chose, for systems without a platform address book.
// Choosing a readable file is the user's consent: without a file the question is still open
// (NotDetermined), and a file that cannot be read counts as a refusal (Denied). The file is read
// afresh on every enumeration, so edits to it show on the next load.
class VCardContactsService final : public ContactsService
{
public:
    explicit VCardContactsService(std::optional<std::filesystem::path> path = std::nullopt);

    [[nodiscard]] AuthorizationStatus authorizationStatus() const override;

    // No question to ask: true exactly when a readable file was chosen.
    [[nodiscard]] bool requestAccess() override;

    // False, delivering nothing, when no file was chosen or it cannot be read (failure() says why).
    [[nodiscard]] bool enumerate(const std::function<void(const ContactRecord &)> &onContact) override;

    // Why the last enumeration read no file, if it did not.
    const std::optional<common::Error> &failure() const { return m_failure; }

    const std::optional<std::filesystem::path> &path() const { return m_path; }

private:
    std::optional<std::filesystem::path> m_path;
    std::optional<common::Error> m_failure;
};

} // namespace contacts
