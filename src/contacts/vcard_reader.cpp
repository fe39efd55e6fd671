#include "vcard_reader.h"

#include "common/bytes_file.h"
#include "common/plain_file.h"
#include "vcard_cards.h"
#include "vcard_content_lines.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace contacts
{

namespace
{

// The cards of the file's first `size` bytes, after a byte-order mark, and the first read failure.
vcard::Cards readCardsOf(const common::ReadOnlyFile &file,
                         std::uint64_t size,
                         std::uint64_t keptLimit,
                         std::optional<common::Error> &error)
{
    std::array<std::byte, 3> head{};
    const auto read = file.readAt(0, head);
    if (!read) {
        error = read.error();
        return {};
    }
    const bool byteOrderMark =
        *read == 3 && head[0] == std::byte{0xEF} && head[1] == std::byte{0xBB} && head[2] == std::byte{0xBF};
    vcard::ContentLines lines(file, byteOrderMark ? 3 : 0, size);
    vcard::Cards cards = vcard::readCards(lines, keptLimit);
    error = lines.error();
    return cards;
}

} // namespace

std::vector<ContactRecord> readVCards(std::string_view fileBytes)
{
    const common::BytesFile file(fileBytes);
    std::optional<common::Error> never;
    return readCardsOf(file, fileBytes.size(), maxKeptContactBytes, never).records;
}

std::string tooLargeForContacts(std::uint64_t size)
{
    return "is " + std::to_string(size >> 20) + " MiB, larger than any address book (at most "
        + std::to_string(maxVCardFileBytes >> 20) + " MiB are read)";
}

common::Result<std::vector<ContactRecord>> readVCardFile(const std::filesystem::path &path, std::uint64_t keptLimit)
{
    auto file = common::PlainFile::open(path);
    RETURN_IF_FAILED(file);
    // The size of what was opened, not of what the path named a moment before; bytes added while
    // it is read are not read.
    const auto size = (*file)->size();
    RETURN_IF_FAILED(size);
    if (*size > maxVCardFileBytes)
        return common::failure(
            common::Error{common::Error::Kind::Invalid, path.string() + " " + tooLargeForContacts(*size)});
    std::optional<common::Error> error;
    vcard::Cards cards = readCardsOf(**file, *size, keptLimit, error);
    if (error)
        return common::failure(common::Error{error->kind, "cannot read " + path.string() + ": " + error->detail});
    if (cards.overLimit)
        return common::failure(common::Error{common::Error::Kind::Invalid,
                                             path.string() + " holds more contacts than any address book (over "
                                                 + std::to_string(keptLimit >> 20)
                                                 + " MiB of names, numbers and addresses)"});
    return std::move(cards.records);
}

} // namespace contacts
