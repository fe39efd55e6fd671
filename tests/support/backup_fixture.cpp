#include "support/backup_fixture.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

namespace testsupport
{

void writeSmallHistory(const std::filesystem::path &database)
{
    MessagesFixture fixture(database);
    const auto maya = fixture.addHandle("+14155550132");
    const auto mayaSms = fixture.addHandle("4155550132", "SMS");
    const auto ben = fixture.addHandle("ben@example.com");
    const auto shop = fixture.addHandle("+18005550199", "SMS");
    const auto a = fixture.addChat("+14155550132", 45, {maya});
    const auto b = fixture.addChat("4155550132", 45, {mayaSms});
    const auto c = fixture.addChat("ben@example.com", 45, {ben});
    const auto group = fixture.addChat("chat77", 43, {maya, ben});
    const auto d = fixture.addChat("+18005550199", 45, {shop});
    for (int i = 0; i < 6; ++i)
        fixture.addMessage({i % 2 ? a : b},
                           {{"date", appleNanoseconds(1700000000 + i)}, {"text", "hi " + std::to_string(i)}});
    for (int i = 0; i < 3; ++i)
        fixture.addMessage(
            {c},
            {{"date", appleNanoseconds(1700001000 + i)}, {"text", "ben " + std::to_string(i)}, {"handle_id", ben}});
    fixture.addMessage({group}, {{"date", appleNanoseconds(1700002000)}, {"text", "group"}, {"handle_id", ben}});
    fixture.addMessage({d},
                       {{"date", appleNanoseconds(1700003000)}, {"text", "Your order shipped"}, {"handle_id", shop}});
    fixture.close();
}

std::vector<backup::AddressBookPerson> smallHistoryPeople()
{
    backup::AddressBookPerson maya;
    maya.prefix = "Dr.";
    maya.first = " Maya ";
    maya.last = "Okafor";
    maya.guid = "MAYA-1";
    maya.phones = {"+1 (415) 555-0132"};
    backup::AddressBookPerson ben;
    ben.first = "Ben";
    ben.middle = "";
    ben.last = "Adler";
    ben.suffix = "Jr.";
    ben.guid = "BEN-2";
    ben.emails = {"Ben@Example.com"};
    backup::AddressBookPerson shop;
    shop.first = "Customer";
    shop.last = "Service";
    shop.organization = "Parcel Co";
    shop.kind = 1;
    shop.guid = "SHOP-3";
    shop.phones = {"(800) 555-0199"};
    return {maya, ben, shop};
}

std::string smallHistoryVCard()
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Okafor;Maya;;Dr.;\r\nFN:Dr. Maya Okafor\r\n"
           "TEL;type=CELL:+1 (415) 555-0132\r\nUID:MAYA-1\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Adler;Ben;;;Jr.\r\nFN:Ben Adler Jr.\r\n"
           "EMAIL;type=INTERNET:Ben@Example.com\r\nUID:BEN-2\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:Parcel Co\r\nORG:Parcel Co;\r\n"
           "X-ABShowAs:COMPANY\r\nTEL:(800) 555-0199\r\nUID:SHOP-3\r\nEND:VCARD\r\n";
}

void addMessageInLog(const std::filesystem::path &database)
{
    sqlite3 *raw = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &raw), SQLITE_OK);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    EXPECT_EQ(
        sqlite3_exec(raw,
                     "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                     "INSERT INTO message (guid, text, date, service, handle_id) VALUES ('wal-1', 'late', 1, 'SMS', 1);"
                     "INSERT INTO chat_message_join (chat_id, message_id) VALUES (1, last_insert_rowid());",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_GT(std::filesystem::file_size(database.native() + "-wal"), 0u);
}

void makeBackup(const std::filesystem::path &folder,
                const backup::BackupContents &contents,
                const backup::BackupOptions &options)
{
    // A phone's backup keeps each database's -wal beside it: the messages still in it count.
    backup::BackupContents withLogs = contents;
    if (withLogs.messages && !withLogs.messagesLog) {
        const std::filesystem::path log = withLogs.messages->native() + "-wal";
        if (std::filesystem::exists(log))
            withLogs.messagesLog = log;
    }
    const auto failed = backup::writeBackup(folder, withLogs, options);
    ASSERT_FALSE(failed.has_value()) << *failed;
}

std::vector<std::string> folderState(const std::filesystem::path &folder)
{
    std::vector<std::string> state;
    std::error_code ec;
    for (auto entry = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && entry != std::filesystem::recursive_directory_iterator(); entry.increment(ec)) {
        struct stat info {};
        ::lstat(entry->path().c_str(), &info);
        std::string line = std::filesystem::relative(entry->path(), folder).string() + " "
            + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "."
            + std::to_string(info.st_mtim.tv_nsec);
        if (S_ISREG(info.st_mode))
            line += " " + std::to_string(std::hash<std::string>{}(readFile(entry->path())));
        state.push_back(std::move(line));
    }
    std::ranges::sort(state);
    return state;
}

} // namespace testsupport
