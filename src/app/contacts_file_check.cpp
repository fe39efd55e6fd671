#include "contacts_file_check.h"

#include "contacts/vcard_reader.h"
#include "l10n/strings.h"
#include "texts.h"

#include <system_error>

namespace app
{

std::optional<QString> contactsFileRefusal(const std::filesystem::path &path)
{
    const auto cards = contacts::readVCardFile(path);
    if (cards)
        return cards->empty() ? std::optional(naming(l10n::contactsFileEmpty(), path)) : std::nullopt;
    switch (cards.error().kind) {
    case common::Error::Kind::NotFound:
        return naming(l10n::sourceNotFound(), path);
    case common::Error::Kind::NoPermission:
        return naming(l10n::sourceUnreadable(), path);
    case common::Error::Kind::Invalid: { // not a regular file, or past a cap
        std::error_code error;
        return naming(std::filesystem::is_regular_file(path, error) ? l10n::contactsFileTooLarge()
                                                                    : l10n::sourceNotRegularFile(),
                      path);
    }
    case common::Error::Kind::Exists:
    case common::Error::Kind::NoSpace:
    case common::Error::Kind::Io:
        break;
    }
    return naming(l10n::fileReadFailed(), path);
}

} // namespace app
