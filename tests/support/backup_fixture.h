#pragma once

#include "backup/backup_writer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport
{

// A small Messages history: Maya on an iMessage and an SMS handle, Ben by e-mail, a group of
// both, and a message from a company's number. The same people are given as a phone address
// book and, equivalently, as a vCard file.
void writeSmallHistory(const std::filesystem::path &database);
std::vector<backup::AddressBookPerson> smallHistoryPeople();
std::string smallHistoryVCard();

// Adds one message (text "late", to the first chat) that stays in the database's write-ahead log,
// as a phone leaves its latest messages; the log is `database` + "-wal".
void addMessageInLog(const std::filesystem::path &database);

// writeBackup, failing the test on error. A database given without its log is stored with the
// -wal beside it, if there is one.
void makeBackup(const std::filesystem::path &folder,
                const backup::BackupContents &contents,
                const backup::BackupOptions &options = {});

// Name, size, modification time and (of a file) a hash of the bytes of everything under a
// folder, to show that nothing changed.
std::vector<std::string> folderState(const std::filesystem::path &folder);

} // namespace testsupport
