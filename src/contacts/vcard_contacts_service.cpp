#include "vcard_contacts_service.h"

#include "vcard_reader.h"

#include <cstdio>
#include <memory>
#include <system_error>

namespace contacts
{

namespace
{

struct FileCloser {
    void operator()(std::FILE *file) const noexcept { std::fclose(file); }
};

bool isReadableFile(const std::filesystem::path &path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ec)
        return false;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    return file != nullptr;
}

} // namespace

VCardContactsService::VCardContactsService(std::optional<std::filesystem::path> path)
    : m_path(std::move(path))
{
}

AuthorizationStatus VCardContactsService::authorizationStatus() const
{
    if (!m_path)
        return AuthorizationStatus::NotDetermined;
    return isReadableFile(*m_path) ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied;
}

bool VCardContactsService::requestAccess()
{
    return authorizationStatus() == AuthorizationStatus::Authorized;
}

bool VCardContactsService::enumerate(const std::function<void(const ContactRecord &)> &onContact)
{
    m_failure.reset();
    if (!m_path)
        return false;
    const auto records = readVCardFile(*m_path);
    if (!records) {
        m_failure = records.error();
        return false;
    }
    for (const ContactRecord &record : *records)
        onContact(record);
    return true;
}

} // namespace contacts
