#pragma once

#include "message_sources.h"

namespace app
{

// Messages databases as plain files: a chat.db copied from a Mac, or a folder holding one (a
// copied Messages folder). Knows no backups: a folder without chat.db holds no Messages history.
class DatabaseFileSources final : public MessageSources
{
public:
    SourceCheck check(const std::filesystem::path &path) const override;

    // There is nothing to unlock among plain files.
    UnlockOutcome unlock(const std::filesystem::path &backup, const std::string &password) override;

    common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const override;

    // A database file carries no address book.
    std::shared_ptr<contacts::ContactsService> contacts(const std::filesystem::path &source) const override;
};

} // namespace app
