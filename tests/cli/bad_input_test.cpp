// Bad input from the user's own data, which other people partly write (anyone in a group chat
// may name it): titles made to leave the Downloads folder or to fool a terminal, texts that
// imitate the export's blocks, giant messages, a conversation of 100,000 chats and an address
// book of 100,000 cards. Everything is exported as specified or refused with a clean failure;
// nothing is written outside the output folder and nothing is executed.
#include "catalogue/conversations.h"
#include "cli/commands.h"
#include "contacts/vcard_reader.h"
#include "export/build_export.h"
#include "export/clean_text.h"
#include "store/messages_store.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using testsupport::appleNanoseconds;
using testsupport::Blob;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using clitest::Outcome;
using clitest::runCli;

// Every file and folder below `root`, as paths relative to it.
std::set<std::string> tree(const fs::path &root)
{
    std::set<std::string> paths;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        paths.insert(fs::relative(entry.path(), root).string());
    return paths;
}

// The blocks of an export text: each the lines between two empty lines.
std::vector<std::vector<std::string>> blocksOf(const std::string &text)
{
    std::vector<std::vector<std::string>> blocks;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find("\n\n", at);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> lines;
        std::istringstream block(text.substr(at, end - at));
        for (std::string line; std::getline(block, line);)
            lines.push_back(line);
        blocks.push_back(std::move(lines));
        at = end + 2;
    }
    return blocks;
}

std::string seconds(Clock::duration elapsed)
{
    std::ostringstream out;
    out.precision(2);
    out << std::fixed << std::chrono::duration<double>(elapsed).count() << " s";
    return out.str();
}

// The path the command line printed for an export, without its line feed.
fs::path printedPath(const Outcome &outcome)
{
    return outcome.out.substr(0, outcome.out.size() - 1);
}

class BadInputTest : public ::testing::Test
{
protected:
    TempDir temp;
    fs::path db = temp / "Messages" / "chat.db";
    fs::path downloads = temp / "home" / "Downloads";
    std::optional<std::vector<std::string>> written; // the database's folder as the test left it

    void SetUp() override { fs::create_directories(db.parent_path()); }

    // Takes the database as it is now as the one no run may change.
    void keepDatabase()
    {
        ASSERT_FALSE(testsupport::readFile(db).empty());
        written = testsupport::folderState(db.parent_path());
    }

    void TearDown() override
    {
        if (!written)
            return;
        EXPECT_EQ(testsupport::folderState(db.parent_path()), *written)
            << "the database, or something next to it, was changed";
    }
};

} // namespace

TEST_F(BadInputTest, TitlesNeverLeadOutOfTheDownloadsFolder)
{
    const std::string marker = (temp / "executed").string();
    const std::vector<std::string> titles = {"../../x",
                                             "/etc/passwd",
                                             "..",
                                             ".",
                                             "...",
                                             "....",
                                             "a/../../b",
                                             "..\\..\\x",
                                             "~",
                                             "~/.ssh/id",
                                             "\x01\x02\x1b[31mred\x1b[0m\x7f",
                                             "\xE2\x80\xAEgnp.txt", // bidirectional override: shows as "txt.png"
                                             "\xE2\x80\x8F\xE2\x80\xABx\xE2\x80\xAC",
                                             std::string("a\0b", 3),
                                             "\xFF\xFE not UTF-8",
                                             "$(touch " + marker + ")",
                                             "`touch " + marker + "`",
                                             "; touch " + marker,
                                             "Tovik - x.txt/..",
                                             std::string(1000, '.'),
                                             std::string(300, '/'),
                                             "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9 " + std::string(400, 'z')};
    {
        MessagesFixture fixture(db);
        for (std::size_t i = 0; i < titles.size(); ++i) {
            const auto friendHandle = fixture.addHandle("friend" + std::to_string(i) + "@example.com");
            const auto chat =
                fixture.addChat("chat" + std::to_string(i), 43, {friendHandle}, {{"display_name", titles[i]}});
            fixture.addMessage({chat},
                               {{"date", appleNanoseconds(1700000000 + static_cast<std::int64_t>(i))},
                                {"text", titles[i]},
                                {"handle_id", friendHandle}});
        }
    }
    keepDatabase();
    const auto listed = runCli({"list", "--db", db.string(), "--json"});
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    std::vector<std::string> ids;
    for (std::size_t at = listed.out.find("\"id\": \""); at != std::string::npos;
         at = listed.out.find("\"id\": \"", at + 1)) {
        const auto start = at + 7;
        ids.push_back(listed.out.substr(start, listed.out.find('"', start) - start));
    }
    ASSERT_EQ(ids.size(), titles.size());
    const auto before = tree(temp.path());

    std::set<std::string> written;
    for (const auto &id : ids) {
        const auto exported = runCli({"export", "--db", db.string(), "--id", id, "--out", downloads.string()});
        ASSERT_EQ(exported.status, cli::Success) << exported.err;
        const fs::path file = printedPath(exported);
        EXPECT_EQ(file.parent_path(), downloads) << file;
        const std::string name = file.filename().string();
        EXPECT_EQ(name.rfind("Tovik - ", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".txt") << name;
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_EQ(name.find('\0'), std::string::npos);
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(fs::is_regular_file(file)) << name;
        written.insert(name);
    }

    // The only new things: the Downloads folder, its parent and one file per export, in it.
    auto after = tree(temp.path());
    for (const auto &path : before)
        after.erase(path);
    std::set<std::string> expected = {"home", "home/Downloads"};
    for (const auto &name : written)
        expected.insert("home/Downloads/" + name);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(written.size(), ids.size());
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(BadInputTest, TextsImitatingBlocksStayInsideTheirOwnBlock)
{
    const std::vector<std::string> texts = {
        "Mar 09, 2024  9:15:00 AM\nMe\nI never wrote this",
        "\n\nJan 01, 2020  1:00:00 PM\nAnna\nhi\n\n",
        "\r\n\r\nDec 31, 1999  11:59:59 PM\r\nMe\r\n\r\n",
        "before\xE2\x80\xA8"
        "Feb 02, 2022  2:22:22 AM\xE2\x80\xA8"
        "after",
        "Mar 09, 2024\t9:15:00 AM\tafter a tab",
        "\xC2\xA0\xE2\x80\x83Mar 09, 2024  9:15:00 AM behind no-break and em spaces",
        "Mar \xEF\xBC\x90\xEF\xBC\x99, \xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x92\xEF\xBC\x94  9:15:00 PM in full-width "
        "digits",
        "\n\n\n",
        "Me\n\nUnknown\n\n[media]\n\n[unsent message]",
    };
    {
        MessagesFixture fixture(db);
        const auto anna = fixture.addHandle("+14155550100");
        const auto chat = fixture.addChat("+14155550100", 45, {anna});
        for (std::size_t i = 0; i < texts.size(); ++i)
            fixture.addMessage({chat},
                               {{"date", appleNanoseconds(1700000000 + static_cast<std::int64_t>(i))},
                                {"text", texts[i]},
                                {"handle_id", anna},
                                {"is_from_me", static_cast<std::int64_t>(i % 2)}});
    }
    keepDatabase();

    const auto exported =
        runCli({"export", "--db", db.string(), "--id", "p:155550100", "--out", downloads.string(), "--json"});

    ASSERT_EQ(exported.status, cli::Success) << exported.err;
    const auto blocks = blocksOf(testsupport::readFile(downloads / "Tovik - +14155550100.txt"));
    ASSERT_EQ(blocks.size(), texts.size() - 1); // the text of line breaks only is not written
    for (const auto &block : blocks) {
        ASSERT_GE(block.size(), 3u);
        EXPECT_TRUE(exporter::matchesTimestampLine(block[0])) << block[0];
        EXPECT_TRUE(block[1] == "Me" || block[1] == "+14155550100") << block[1];
        for (std::size_t i = 2; i < block.size(); ++i) {
            EXPECT_FALSE(block[i].empty());
            EXPECT_FALSE(exporter::matchesTimestampLine(block[i])) << block[i];
        }
    }
    EXPECT_EQ(blocks[0][2], "> Mar 09, 2024  9:15:00 AM");
    EXPECT_EQ(blocks[0][3], "Me");
}

TEST_F(BadInputTest, TenMegabyteMessagesAreExportedWhole)
{
    constexpr std::size_t tenMegabytes = 10 * 1024 * 1024;
    const std::string oneLine(tenMegabytes, 'x');
    std::string manyLines;
    while (manyLines.size() < tenMegabytes)
        manyLines += "Mar 09, 2024  9:15:00 AM said the line\r\n";
    std::string archived = "\x04\x0bstreamtyped\x84\x84\x08NSString\x01\x95\x84\x01+\x82";
    for (int shift = 0; shift < 32; shift += 8)
        archived += static_cast<char>((tenMegabytes >> shift) & 0xFF);
    archived += std::string(tenMegabytes, 'b');
    {
        MessagesFixture fixture(db);
        const auto anna = fixture.addHandle("+14155550100");
        const auto chat = fixture.addChat("+14155550100", 45, {anna});
        fixture.addMessage({chat}, {{"date", appleNanoseconds(1700000001)}, {"text", oneLine}, {"handle_id", anna}});
        fixture.addMessage({chat}, {{"date", appleNanoseconds(1700000002)}, {"text", manyLines}, {"handle_id", anna}});
        fixture.addMessage(
            {chat}, {{"date", appleNanoseconds(1700000003)}, {"attributedBody", Blob{archived}}, {"handle_id", anna}});
        fixture.addMessage(
            {chat},
            {{"date", appleNanoseconds(1700000004)}, {"text", std::string(tenMegabytes, ' ')}, {"handle_id", anna}});
    }
    keepDatabase();
    const auto started = Clock::now();

    const auto exported =
        runCli({"export", "--db", db.string(), "--id", "p:155550100", "--out", downloads.string(), "--json"});

    const auto elapsed = Clock::now() - started;
    ASSERT_EQ(exported.status, cli::Success) << exported.err;
    EXPECT_NE(exported.out.find("\"messages\": 3,"), std::string::npos) << exported.out.substr(0, 300);
    const auto blocks = blocksOf(testsupport::readFile(downloads / "Tovik - +14155550100.txt"));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].size(), 3u);
    EXPECT_TRUE(blocks[0][2] == oneLine);
    EXPECT_EQ(blocks[1].size(), 2 + manyLines.size() / 40);
    EXPECT_EQ(blocks[1][2], "> Mar 09, 2024  9:15:00 AM said the line");
    EXPECT_TRUE(blocks[2][2] == std::string(tenMegabytes, 'b'));
    std::cout << "three messages of 10 MB exported in " << seconds(elapsed) << "\n";
}

namespace
{

constexpr int manyChats = 100'000;

// One correspondent with 100,000 chats (Messages starts a new one for every service and number
// change), one message in each.
void writeManyChats(const fs::path &db)
{
    MessagesFixture fixture(db);
    const auto anna = fixture.addHandle("+14155550100");
    fixture.exec("BEGIN;"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                 + std::to_string(manyChats)
                 + ") "
                   "INSERT INTO chat(guid, chat_identifier, style) SELECT 'chat-' || i, '+14155550100', 45 FROM n;"
                   "INSERT INTO chat_handle_join(chat_id, handle_id) SELECT ROWID, "
                 + std::to_string(anna)
                 + " FROM chat;"
                   "INSERT INTO message(guid, text, date, handle_id) SELECT 'm-' || ROWID, 'message ' || ROWID, "
                 + std::to_string(appleNanoseconds(1700000000)) + " + ROWID * 1000000000, " + std::to_string(anna)
                 + " FROM chat;"
                   "INSERT INTO chat_message_join(chat_id, message_id) SELECT ROWID, ROWID FROM chat;"
                   "COMMIT;");
}

} // namespace

TEST_F(BadInputTest, HundredThousandChatsMergeIntoOneConversation)
{
    writeManyChats(db);
    keepDatabase();
    const auto started = Clock::now();

    const auto listed = runCli({"list", "--db", db.string(), "--json"});

    const auto elapsed = Clock::now() - started;
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '{'), 1);
    EXPECT_NE(listed.out.find("\"chatIDs\": [1, 2, 3, "), std::string::npos);
    EXPECT_NE(listed.out.find(", 99999, 100000], "), std::string::npos);
    EXPECT_NE(listed.out.find("\"count\": 100000,"), std::string::npos);
    std::cout << "100,000 chats merged into one conversation in " << seconds(elapsed) << "\n";

    // The connection allows 32,766 parameters, so the message query of 100,000 chats is refused
    // at once: the export fails with an error value instead of scanning for hours or writing a
    // part of the conversation.
    auto store = store::MessagesStore::open(db);
    ASSERT_TRUE(store);
    const contacts::ContactsIndex noContacts;
    const auto list = catalogue::loadConversations(*store, noContacts);
    ASSERT_TRUE(list);
    const auto built = exporter::buildExport(*store, list->front(), noContacts);
    ASSERT_FALSE(built);
    EXPECT_EQ(built.error().kind, store::SQLiteDB::Failure::Kind::Prepare);
}

TEST_F(BadInputTest, HundredThousandCardsNameTheConversations)
{
    constexpr int cards = 100'000;
    std::string vcf;
    vcf.reserve(cards * 120);
    for (int i = 0; i < cards; ++i) {
        const std::string number = std::to_string(5550000 + i);
        vcf += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + std::to_string(i) + "\r\nTEL;type=CELL:+1 (415) "
            + number.substr(0, 3) + "-" + number.substr(3) + "\r\nEMAIL:p" + std::to_string(i)
            + "@example.com\r\nUID:card-" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    }
    testsupport::writeFile(temp / "contacts.vcf", vcf);
    {
        MessagesFixture fixture(db);
        for (const int i : {0, 54321, cards - 1}) {
            const std::string handle = "+1415" + std::to_string(5550000 + i);
            const auto h = fixture.addHandle(handle);
            const auto chat = fixture.addChat(handle, 45, {h});
            fixture.addMessage({chat}, {{"date", appleNanoseconds(1700000000 + i)}, {"text", "hi"}, {"handle_id", h}});
        }
    }
    keepDatabase();
    const auto started = Clock::now();

    const auto listed = runCli({"list", "--db", db.string(), "--contacts", (temp / "contacts.vcf").string(), "--json"});

    const auto elapsed = Clock::now() - started;
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    for (const std::string name : {"Person 0", "Person 54321", "Person 99999"})
        EXPECT_NE(listed.out.find("\"title\": \"" + name + "\""), std::string::npos) << name;
    std::cout << "an address book of " << vcf.size() / 1024 << " KB, 100,000 cards, read and matched in "
              << seconds(elapsed) << "\n";
}

TEST_F(BadInputTest, AContactsFileLargerThanAnyAddressBookIsRefusedWithItsSize)
{
    {
        MessagesFixture fixture(db);
        const auto h = fixture.addHandle("+14155550100");
        fixture.addMessage({fixture.addChat("+14155550100", 45, {h})},
                           {{"date", appleNanoseconds(1700000000)}, {"text", "hi"}, {"handle_id", h}});
    }
    keepDatabase();
    testsupport::writeFile(temp / "huge.vcf", "BEGIN:VCARD\r\nFN:Anna\r\nEND:VCARD\r\n");
    fs::resize_file(temp / "huge.vcf", contacts::maxVCardFileBytes + (std::uint64_t{1} << 20)); // sparse

    const auto listed = runCli({"list", "--db", db.string(), "--contacts", (temp / "huge.vcf").string()});

    EXPECT_NE(listed.status, cli::Success);
    const std::string size = std::to_string((contacts::maxVCardFileBytes >> 20) + 1);
    EXPECT_NE(listed.err.find("is " + size + " MiB, larger than any address book"), std::string::npos) << listed.err;

    // Small enough, but so many cards that their records would fill the memory: refused, not listed
    // without names as if the file named nobody.
    std::string tiny;
    for (int i = 0; i < 700000; ++i)
        tiny += "BEGIN:VCARD\r\nTEL:" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    testsupport::writeFile(temp / "tiny.vcf", tiny);
    const auto crowded = runCli({"list", "--db", db.string(), "--contacts", (temp / "tiny.vcf").string()});
    EXPECT_NE(crowded.status, cli::Success);
    EXPECT_NE(crowded.err.find("cannot use the contacts file: " + (temp / "tiny.vcf").string()
                               + " holds more contacts than any address book"),
              std::string::npos)
        << crowded.err;
}
