#pragma once

#include "common/result.h"
#include "contact_record.h"

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace contacts
{

// The contacts of a vCard file (versions 2.1, 3.0 and 4.0, as Apple, Google and Android write
// them), in file order. A pure function of the bytes: a card that is not closed by its own
// END:VCARD is left out and the cards around it are kept; lines it cannot read are ignored.
// Work and memory are linear in the size of the input.
//
// A card's identifier is its UID, else its X-ABUID, else "vcard-" and 16 hexadecimal digits of a
// hash of the card's unfolded lines, with "-2", "-3", ... added for the second and later cards
// of identical text. It is therefore the same for the same file on every load.
[[nodiscard]] std::vector<ContactRecord> readVCards(std::string_view fileBytes);

// The largest vCard file read. An address book of 50,000 people with a photo each is a few hundred
// MB; a file beyond this is not one, and reading it whole would only exhaust the memory.
inline constexpr std::uint64_t maxVCardFileBytes = std::uint64_t{2} << 30;

// Reads a vCard file from disk. Fails with NotFound, NoPermission, Invalid (not a regular file, or
// larger than maxVCardFileBytes, said so in the detail) or Io; a readable file without any card
// gives an empty list.
[[nodiscard]] common::Result<std::vector<ContactRecord>> readVCardFile(const std::filesystem::path &path);

} // namespace contacts
