#pragma once

#include "crypto/class_keys.h"
#include "crypto/failure.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace crypto
{

// What a backup's file record (Manifest.db's Files.file) says about decrypting the file.
struct FileKey {
    WrappedKey key; // its class is the one it was wrapped with
    std::optional<std::uint32_t> protectionClass;
    std::optional<std::uint64_t> size; // the plain size, when recorded
};

// Reads a file record, a binary keyed archive whose root object's EncryptionKey refers to an
// object whose NS.data is the class-prefixed wrapped key. Fails (Damaged) when `archive` is not a
// binary property list or any step of that path is missing, out of range or of the wrong type.
[[nodiscard]] Result<FileKey> readFileKey(std::string_view archive);

} // namespace crypto
