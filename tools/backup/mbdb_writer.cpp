#include "backup/mbdb_writer.h"

namespace backup
{

namespace
{

void bigEndian(std::string &out, std::uint64_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xff);
}

void string(std::string &out, const std::optional<std::string> &value)
{
    if (!value) {
        bigEndian(out, 0xFFFF, 2);
        return;
    }
    bigEndian(out, value->size(), 2);
    out += *value;
}

} // namespace

std::string mbdbRecord(const MbdbEntry &entry)
{
    constexpr std::uint32_t made = 1457000000; // 2016, when such phones made backups
    std::string out;
    string(out, entry.domain);
    string(out, entry.relativePath);
    string(out, std::nullopt); // link target
    string(out, entry.dataHash);
    string(out, entry.encryptionKey);
    bigEndian(out, entry.mode, 2);
    bigEndian(out, 0x1234 + entry.relativePath.size(), 8); // inode
    bigEndian(out, 501, 4); // user
    bigEndian(out, 501, 4); // group
    for (int time = 0; time < 3; ++time)
        bigEndian(out, made, 4);
    bigEndian(out, entry.size, 8);
    bigEndian(out, entry.protectionClass, 1);
    bigEndian(out, entry.properties.size(), 1);
    for (const auto &[name, value] : entry.properties) {
        string(out, name);
        string(out, value);
    }
    return out;
}

std::string mbdbFile(const std::vector<MbdbEntry> &entries)
{
    std::string out("mbdb\x05\x00", 6);
    for (const auto &entry : entries)
        out += mbdbRecord(entry);
    return out;
}

} // namespace backup
