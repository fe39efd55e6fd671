// An encrypted iPhone backup of 1,000,000 messages against its unencrypted twin, in the same run:
// the one key derivation (a phone's round counts), then the conversation list and one export
// (each within 1.3x of the twin), and the peak memory of a list at two history sizes (it must not
// grow with the database).
#include "bench_support.h"

#include "backup/backup_writer.h"
#include "demo/demo_history.h"
#include "sources/encrypted_backup.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace
{

// The round counts of a phone since iOS 10.2.
constexpr std::uint32_t phoneIterations = 10000;
constexpr std::uint32_t phonePasswordIterations = 10000000;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A history of `messages` messages, as a plain and as an encrypted backup; made once.
struct Twins {
    std::filesystem::path plain;
    std::filesystem::path encrypted;
};

Twins makeTwins(std::int64_t messages)
{
    const std::string name = std::to_string(messages / 1000) + "k";
    const auto file = bench::dataDir() / ("history-" + name + ".db");
    Twins twins{bench::dataDir() / ("backup-" + name) / "plain", bench::dataDir() / ("backup-" + name) / "encrypted"};
    if (std::filesystem::exists(twins.encrypted / "Manifest.db"))
        return twins;
    const auto start = std::chrono::steady_clock::now();
    std::printf("generating %s (%lld messages) and its two backups (once)...\n", file.filename().c_str(),
                static_cast<long long>(messages));
    std::fflush(stdout);
    demo::LargeHistory options;
    options.chats = 2500;
    options.messages = messages;
    options.largestConversation = messages / 20;
    if (auto failed = demo::writeLargeHistory(file, options))
        bench::fail(*failed);
    if (auto failed = backup::writeBackup(twins.plain, {file, std::nullopt, std::nullopt}))
        bench::fail(*failed);
    backup::BackupOptions encrypted;
    encrypted.encryption = backup::Encryption{};
    encrypted.encryption->iterations = phoneIterations;
    encrypted.encryption->passwordIterations = phonePasswordIterations;
    if (auto failed = backup::writeBackup(twins.encrypted, {file, std::nullopt, std::nullopt}, encrypted))
        bench::fail(*failed);
    std::printf("  generated in %.1f s\n", secondsSince(start));
    return twins;
}

sources::MessageSource unlockOrFail(const std::filesystem::path &folder)
{
    auto source = sources::unlockBackup(sources::readBackupInfo(folder), backup::Encryption{}.password);
    if (!source)
        bench::fail("cannot open " + folder.string() + " (problem #" + std::to_string(source.error().index()) + ")");
    return *source;
}

} // namespace

int main()
{
    const Twins large = makeTwins(1'000'000);
    const Twins small = makeTwins(250'000);

    const auto unlockStart = std::chrono::steady_clock::now();
    const auto encrypted = unlockOrFail(large.encrypted);
    const double unlockSeconds = secondsSince(unlockStart);
    const auto plain = unlockOrFail(large.plain);

    const auto timed = bench::timeListAndExport(encrypted, plain, 3, 3);

    const auto passwordFile = bench::dataDir() / "backup-password.txt";
    std::ofstream(passwordFile) << backup::Encryption{}.password << "\n";
    const auto listPeak = [&](const Twins &twins) {
        return bench::runProcess({TOVIK_EXPORT_BINARY, "list", "--db", twins.encrypted.string(), "--password-file",
                                  passwordFile.string()})
            .peakBytes;
    };
    const auto largePeak = listPeak(large);
    const auto smallPeak = listPeak(small);

    std::printf("encrypted backup against its unencrypted twin (1,000,000 messages); best of each, alternating\n");
    std::printf("unlocking (key derivation: PBKDF2-HMAC-SHA256 %u rounds, then PBKDF2-HMAC-SHA1 %u rounds; "
                "then the keys of Manifest.db and the stored files): %.2f s\n",
                phonePasswordIterations, phoneIterations, unlockSeconds);
    std::printf("conversation list (%zu conversations):\n", timed.conversations);
    bench::printTimings(timed.listing, "encrypted", "unencrypted", 1.3);
    std::printf("export of the largest conversation (%lld messages, %zu bytes):\n",
                static_cast<long long>(timed.largest.count), timed.exportedBytes);
    bench::printTimings(timed.exporting, "encrypted", "unencrypted", 1.3);
    std::printf("peak memory of 'tovik-export list' on the encrypted backup:\n");
    std::printf("  1,000,000 messages (%.0f MB database): %.1f MB\n",
                static_cast<double>(
                    std::filesystem::file_size(large.encrypted / "3d" / "3d0d7e5fb2ce288813306e4d4636395e047a3d28"))
                    / 1e6,
                static_cast<double>(largePeak) / 1e6);
    std::printf("    250,000 messages (%.0f MB database): %.1f MB\n",
                static_cast<double>(
                    std::filesystem::file_size(small.encrypted / "3d" / "3d0d7e5fb2ce288813306e4d4636395e047a3d28"))
                    / 1e6,
                static_cast<double>(smallPeak) / 1e6);
    return 0;
}
