#pragma once

#include "cli/arguments.h"
#include "sources/message_source.h"

#include <ostream>
#include <string>

namespace cli
{

// Runs `tovik-export backups`: one line per backup (folder name, device, last backup, state), or
// a JSON array.
[[nodiscard]] int runBackups(const BackupsCommand &command, std::ostream &out, std::ostream &err);

// What the terminal asks for an encrypted backup's password with.
[[nodiscard]] std::string backupPasswordPrompt(const sources::BackupInfo &backup);

// Says on `err` why a path gives no messages and returns the exit status: a folder holding
// several backups is a usage error (the user must choose one), anything else a failure.
[[nodiscard]] int reportSourceProblem(const sources::SourceProblem &problem, std::ostream &err);

} // namespace cli
