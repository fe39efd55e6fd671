#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace backup
{

// One person of a phone's address book, as AddressBook.sqlitedb stores it.
struct AddressBookPerson {
    std::string prefix;
    std::string first;
    std::string middle;
    std::string last;
    std::string suffix;
    std::string organization;
    std::string nickname;
    std::int64_t kind = 0; // 1 for a company card
    std::string guid;
    std::vector<std::string> phones;
    std::vector<std::string> emails;
};

enum class GuidColumn {
    Present,
    Absent, // older address books have no guid column
};

// Writes a new address book database (ABPerson and ABMultiValue) holding `people` in order.
// Returns an English error on failure.
std::optional<std::string> writeAddressBook(const std::filesystem::path &file,
                                            const std::vector<AddressBookPerson> &people,
                                            GuidColumn guid = GuidColumn::Present);

enum class Layout {
    Hashed, // files in two-character subfolders, as since iOS 10
    Flat, // files in the backup folder itself
};

enum class Manifest {
    Database, // Manifest.db listing the stored files
    Missing, // no index at all
    Damaged, // a Manifest.db that is not a database
    Mbdb, // Manifest.mbdb listing the stored files, files flat, as iOS 5 to 9 wrote them
    Mbdx, // Manifest.mbdb and its index Manifest.mbdx, files flat, as iOS 3 and 4 wrote them
};

// How an encrypted backup is made: Manifest.db and every stored file encrypted with a key of its
// own, the keys wrapped with class keys that a key bag keeps wrapped with the password's key. With
// Manifest.mbdb the index itself is not encrypted and there is no ManifestKey; such backups had
// no DPIC (set passwordIterations to nothing).
// Small round counts keep tests fast; a phone uses about ten million for the first derivation.
struct Encryption {
    std::string password = "correct horse";
    std::uint32_t iterations = 3; // ITER, PBKDF2-HMAC-SHA1
    std::optional<std::uint32_t> passwordIterations = 2; // DPIC, PBKDF2-HMAC-SHA256; none before iOS 10.2
    // DPIC as the key bag states it, when not the count its keys were wrapped with: an unlock that
    // runs that long (and then finds the password wrong) without the writer deriving that long.
    std::optional<std::uint32_t> statedPasswordIterations;

    // A damage to build on purpose, to see how a reader meets it.
    enum class Fault {
        None,
        DamagedManifestKey, // ManifestKey's wrapped key garbled
        WrongSizeFileKey, // the messages' file record holds a wrapped key 8 bytes short
        MissingClassKey, // the stored files' protection class is not in the key bag
        DamagedClassKey, // the key bag's wrapped key of class 1 garbled (the others unwrap)
    };
    Fault fault = Fault::None;
};

struct BackupOptions {
    std::string deviceName = "Anna's iPhone";
    std::int64_t lastBackup = 1710000000; // Unix seconds
    bool encrypted = false; // only says so in Manifest.plist, encrypting nothing
    std::optional<Encryption> encryption; // encrypts the backup (and says so)
    bool finished = true;
    Layout layout = Layout::Hashed;
    Manifest manifest = Manifest::Database;
};

// What the backup stores, each copied from the given file; a file not given is not in it.
struct BackupContents {
    std::optional<std::filesystem::path> messages;
    std::optional<std::filesystem::path> messagesLog;
    std::optional<std::filesystem::path> addressBook;
};

// Writes a backup folder as a phone backup leaves it: Info.plist (XML), Manifest.plist and
// Status.plist (binary), the index chosen and the stored files under their fileIDs. The folder
// is created. Returns an English error on failure.
std::optional<std::string>
writeBackup(const std::filesystem::path &folder, const BackupContents &contents, const BackupOptions &options = {});

} // namespace backup
