#pragma once

#include "common/read_only_file.h"
#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace sources
{

// One record of a Manifest.mbdb, the index of the backups iOS 5 to 9 made: a file, folder or link
// of the phone. Only the fields this program uses are kept; the others (link target, data hash,
// inode, owner, times and properties) are checked for their bounds and passed over.
struct MbdbRecord {
    std::string domain; // empty when the record gives none
    std::string relativePath; // empty when the record gives none
    // In an encrypted backup, the file's key: a 4-byte little-endian protection class, then the
    // wrapped key. Nothing when the record has none.
    std::optional<std::string> encryptionKey;
    std::uint16_t mode = 0; // the Unix mode: 0x8000 a file, 0x4000 a folder, 0xA000 a link
    std::uint64_t size = 0; // of the file's plain bytes
    std::uint8_t protectionClass = 0;

    [[nodiscard]] bool isFile() const { return (mode & 0xF000) == 0x8000; }
};

// Calls `onRecord` with each record of a Manifest.mbdb, in file order, until it returns false.
// All integers are big-endian; after the 6 bytes "mbdb" 5 0 the records run to the end of the
// file: five strings (domain, path, link target, data hash, encryption key; each a 16-bit length
// and that many bytes, the length 0xFFFF meaning none), then mode, inode, user, group, three
// times, size, protection class and a count of properties, each a name and a value string.
// Fails (Invalid, the detail naming Manifest.mbdb, the record's number and its byte) when the
// file does not start so, is larger than 1 GB or holds more than 4,000,000 records, or a record
// is cut short; with the file's own error when it cannot be read. Memory stays within one read
// chunk and one record's strings.
[[nodiscard]] common::Result<void> readMbdb(const common::ReadOnlyFile &file,
                                            const std::function<bool(const MbdbRecord &)> &onRecord);

// readMbdb on the file at `path`, opened read-only (a path that is not a regular file fails).
[[nodiscard]] common::Result<void> readMbdb(const std::filesystem::path &path,
                                            const std::function<bool(const MbdbRecord &)> &onRecord);

} // namespace sources
