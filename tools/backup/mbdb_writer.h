#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Manifest.mbdb as iOS 5 to 9 wrote it, for building backups of those years (tests, fuzz seeds).
namespace backup
{

// One record: a file, folder or link of the phone.
struct MbdbEntry {
    std::string domain{};
    std::string relativePath{};
    std::uint16_t mode = 0x81A4; // a file, rw-r--r--; 0x41ED a folder
    std::uint64_t size = 0;
    std::uint8_t protectionClass = 0;
    std::optional<std::string> dataHash = std::nullopt;
    std::optional<std::string> encryptionKey = std::nullopt; // class (4 bytes, little-endian) and wrapped key
    std::vector<std::pair<std::string, std::string>> properties{};
};

// One record's bytes, big-endian, strings as a 16-bit length and bytes (0xFFFF for none).
std::string mbdbRecord(const MbdbEntry &entry);

// The whole file: "mbdb", version 5.0, then the records.
std::string mbdbFile(const std::vector<MbdbEntry> &entries);

} // namespace backup
