#pragma once

#include "common/result.h"
#include "contact_record.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace contacts
{

// The contacts of a vCard file (versions 2.1, 3.0 and 4.0, as Apple, Google and Android write
// them), in file order. A pure function of the bytes: a card that is not closed by its own
// END:VCARD is left out and the cards around it are kept; lines it cannot read are ignored.
// Work is linear in the size of the input; a value longer than 1 MiB (no name, number or address
// is) is passed over like a photo, so memory beyond the input is a few MB and the records.
//
// A card's identifier is its UID, else its X-ABUID, else "vcard-" and 16 hexadecimal digits of a
// hash of the card's unfolded lines, with "-2", "-3", ... added for the second and later cards
// of identical text. It is therefore the same for the same file on every load.
[[nodiscard]] std::vector<ContactRecord> readVCards(std::string_view fileBytes);

// The largest vCard file read: 4 GiB. The file is read as a stream in bounded chunks and photos
// are passed over without being held, so memory does not grow with the file; the cap bounds the
// time instead (about 20 s at the 200 MiB/s measured by bench/vcard_reader_bench). 20,000 people
// with a 100 KB photo each make 2.7 GB; a file beyond 4 GiB is no address book.
inline constexpr std::uint64_t maxVCardFileBytes = std::uint64_t{4} << 30;

// What is said of a contacts file of `size` bytes above maxVCardFileBytes, after its name:
// "is 4097 MiB, larger than any address book (at most 4096 MiB are read)".
[[nodiscard]] std::string tooLargeForContacts(std::uint64_t size);

// The most the records of one file may hold: 128 MiB. 50,000 people, more than iCloud keeps for
// one account, hold about 20 MB; a file of millions of tiny cards would otherwise fill the memory
// (the records, and the index built from them) although the file is below maxVCardFileBytes.
inline constexpr std::uint64_t maxKeptContactBytes = std::uint64_t{128} << 20;

// Reads a vCard file from disk, as a stream: memory stays at a few MB besides the records.
// Fails with NotFound, NoPermission, Invalid (not a regular file, larger than maxVCardFileBytes,
// or records that would hold more than `keptLimit` bytes, said so in the detail) or Io; a
// readable file without any card gives an empty list.
[[nodiscard]] common::Result<std::vector<ContactRecord>> readVCardFile(const std::filesystem::path &path,
                                                                       std::uint64_t keptLimit = maxKeptContactBytes);

} // namespace contacts
