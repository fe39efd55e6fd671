#pragma once

#include "sources/message_source.h"

#include <stop_token>
#include <string_view>

namespace sources
{

// Opens a backup with its password. For an encrypted backup this derives the key that unlocks its
// key bag, which takes a phone's round count (seconds): call it off any thread that must stay
// responsive. The password is not kept; the class keys and the keys of the files read stay inside
// the source, shared by its copies, and are wiped when the last copy goes. Every file is decrypted
// only as SQLite reads it, into memory.
// Backups made since iOS 10 keep the files' keys in Manifest.db (encrypted with ManifestKey), those
// made by iOS 5 to 9 in Manifest.mbdb (not encrypted, with a key bag of one derivation).
// Problems beyond openBackup's: WrongPassword, UnreadableEncryption (a damaged key bag, ManifestKey,
// Manifest.mbdb or file record, a damaged or missing class key).
// A round count far above a phone's is refused at once (UnreadableEncryption, failure kind
// TooManyRounds). When `stop` is requested the derivation ends within milliseconds with
// UnreadableEncryption of kind Cancelled, and so do the reads of Manifest.db after it.
// A backup that is not encrypted opens as openBackup opens it, whatever the password.
[[nodiscard]] common::Result<MessageSource, SourceProblem>
unlockBackup(const BackupInfo &backup, std::string_view password, const std::stop_token &stop = {});

} // namespace sources
