#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace demo
{

struct Summary {
    std::int64_t chats = 0;
    std::int64_t messages = 0;
};

// Writes a home folder that looks like a real person's: <home>/Library/Messages/chat.db with
// a few dozen conversations over several years, <home>/contacts.vcf naming most of the
// people in Apple's vCard 3.0 style, and the same history as an iPhone backup (with an address
// book naming the same people) in demoBackupFolder(home). The same seed gives the same files.
// Returns an English error on failure.
std::optional<std::string> writeDemoHistory(const std::filesystem::path &home, std::uint64_t seed, Summary &summary);

// <home>/Library/Application Support/MobileSync/Backup/<a device's identifier>
std::filesystem::path demoBackupFolder(const std::filesystem::path &home);

// A large history for benchmarks: `chats` one-to-one and group chats with realistic handles and
// `messages` messages in all, a share of them stored only as archived bodies. When
// `largestConversation` is non-zero, one chat (with the handle "+14155550100") receives that
// many of the messages. `longShare` of the messages are long ones of two to three hundred bytes.
struct LargeHistory {
    std::int64_t chats = 5000;
    std::int64_t messages = 2'000'000;
    std::int64_t largestConversation = 0;
    double archivedShare = 0.1;
    double longShare = 0.03;
    std::uint64_t seed = 7;
};
std::optional<std::string> writeLargeHistory(const std::filesystem::path &file, const LargeHistory &options);

} // namespace demo
