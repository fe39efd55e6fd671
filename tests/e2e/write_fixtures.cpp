// Writes the Messages histories the end-to-end tests open in the window, into one folder:
//   tovik-e2e-fixtures OUT
// OUT/home-1 and OUT/home-2 are demo home folders (seeds 1 and 2: chat.db, contacts.vcf and a plain
// backup each); beside them, backups of those histories named by their phones' address books:
//   encrypted-a      encrypted, low round counts (password in OUT/password)
//   plain-b          plain, the second history
//   slow             encrypted with a phone-like round count, the second history; the seconds its
//                    key derivation took here are in OUT/slow-seconds
//   several/{anna,ben,carla}  a folder of three backups, Carla's encrypted
//   endless          encrypted, its key bag asking for the most rounds a backup may ask for (most of
//                    a minute of deriving, which then finds the password wrong)
//   old-encrypted    encrypted as iOS 5 to 9 wrote backups (Manifest.mbdb, files flat, one
//                    derivation), the second history
#include "backup/backup_writer.h"
#include "demo/demo_history.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace
{

namespace fs = std::filesystem;

constexpr const char *password = "correct horse";
// About ten million rounds of the first derivation take a phone a few seconds; a little more keeps the
// unlock busy for several seconds here too, long enough to leave the password screen during it.
constexpr std::uint32_t slowPasswordIterations = 12'000'000;
constexpr std::uint32_t endlessPasswordIterations = 50'000'000;

struct History {
    fs::path database;
    fs::path addressBook;
};

// A demo home folder, and where its backup keeps the phone's address book (the stored file of
// HomeDomain-Library/AddressBook/AddressBook.sqlitedb, under its SHA-1 file id).
std::optional<std::string> writeHome(const fs::path &home, std::uint64_t seed, History &history)
{
    demo::Summary summary;
    if (auto failed = demo::writeDemoHistory(home, seed, summary))
        return failed;
    history.database = home / "Library/Messages/chat.db";
    history.addressBook = demo::demoBackupFolder(home) / "31" / "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
    if (!fs::is_regular_file(history.addressBook))
        return "no address book in " + demo::demoBackupFolder(home).string();
    return std::nullopt;
}

std::optional<std::string> writeBackupOf(const fs::path &folder,
                                         const History &history,
                                         const std::string &deviceName,
                                         std::optional<std::uint32_t> passwordIterations = std::nullopt,
                                         std::optional<std::uint32_t> statedPasswordIterations = std::nullopt,
                                         backup::Manifest manifest = backup::Manifest::Database)
{
    backup::BackupOptions options;
    options.deviceName = deviceName;
    options.manifest = manifest;
    if (manifest == backup::Manifest::Mbdb) {
        backup::Encryption encryption;
        encryption.password = password;
        encryption.passwordIterations = std::nullopt; // no second derivation before iOS 10.2
        options.encryption = encryption;
    } else if (passwordIterations) {
        backup::Encryption encryption;
        encryption.password = password;
        encryption.passwordIterations = *passwordIterations;
        encryption.statedPasswordIterations = statedPasswordIterations;
        options.encryption = encryption;
    }
    return backup::writeBackup(folder, {history.database, std::nullopt, history.addressBook}, options);
}

std::optional<std::string> writeAll(const fs::path &out)
{
    std::error_code error;
    fs::remove_all(out, error);
    fs::create_directories(out, error);
    if (error)
        return "cannot create " + out.string() + ": " + error.message();

    History first;
    History second;
    if (auto failed = writeHome(out / "home-1", 1, first))
        return failed;
    if (auto failed = writeHome(out / "home-2", 2, second))
        return failed;
    if (auto failed = writeBackupOf(out / "encrypted-a", first, "Anna's iPhone", 2))
        return failed;
    if (auto failed = writeBackupOf(out / "plain-b", second, "Ben's iPhone"))
        return failed;
    // Writing it derives the key once, as unlocking it does: the time it takes is the unlock's.
    const auto start = std::chrono::steady_clock::now();
    if (auto failed = writeBackupOf(out / "slow", second, "Slow iPhone", slowPasswordIterations))
        return failed;
    const std::chrono::duration<double> slow = std::chrono::steady_clock::now() - start;
    if (auto failed = writeBackupOf(out / "several/anna", first, "Anna's iPhone"))
        return failed;
    if (auto failed = writeBackupOf(out / "several/ben", second, "Ben's iPhone"))
        return failed;
    if (auto failed = writeBackupOf(out / "several/carla", first, "Carla's iPhone", 2))
        return failed;
    if (auto failed = writeBackupOf(out / "endless", first, "Endless iPhone", 2, endlessPasswordIterations))
        return failed;
    if (auto failed = writeBackupOf(out / "old-encrypted", second, "Old iPhone", std::nullopt, std::nullopt,
                                    backup::Manifest::Mbdb))
        return failed;

    std::ofstream(out / "password") << password << "\n";
    std::ofstream(out / "slow-seconds") << slow.count() << "\n";
    std::printf("wrote the end-to-end fixtures in %s (the slow backup's key took %.1f s)\n", out.c_str(), slow.count());
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tovik-e2e-fixtures OUT\n");
        return 2;
    }
    if (auto failed = writeAll(argv[1])) {
        std::fprintf(stderr, "tovik-e2e-fixtures: %s\n", failed->c_str());
        return 1;
    }
    return 0;
}
