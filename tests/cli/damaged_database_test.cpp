// Damaged copies of a real-looking Messages database: bytes flipped at random places, cut at
// random lengths, something else than a database at the path. Listing and exporting each one,
// through the calls the application model makes and through the command line, either succeeds
// with a well-formed export or fails with an error value, status 1 and a message; it never
// crashes, and nothing in the database's folder is written.
#include "catalogue/conversations.h"
#include "cli/commands.h"
#include "common/utf8.h"
#include "export/build_export.h"
#include "export/clean_text.h"
#include "export/export_file.h"
#include "store/messages_store.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using testsupport::Blob;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

namespace fs = std::filesystem;

constexpr std::uint64_t seed = 20240309;

// An archived body shaped like the ones Messages writes, holding `text` where the byte scan
// finds it.
std::string archivedBody(const std::string &text)
{
    using namespace std::string_literals;
    std::string body = "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x19NSMutableAttributedString\x00\x84\x84"
                       "\x12NSAttributedString\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84\x0fNSMutableString\x01"
                       "\x84\x84\x08NSString\x01\x95\x84\x01+"s;
    if (text.size() < 0x80) {
        body += static_cast<char>(text.size());
    } else {
        body += '\x81';
        body += static_cast<char>(text.size() & 0xFF);
        body += static_cast<char>(text.size() >> 8);
    }
    body += text;
    body += "\x86\x84\x02iI\x01\x05\x92\x84\x84\x84\x0cNSDictionary\x00\x94\x84\x01i\x01\x92\x84\x96\x96"
            "\x1d__kIMMessagePartAttributeName\x86\x86"s;
    return body;
}

// Two years of one person's Messages: the real schema, one-to-one and group chats over iMessage
// and SMS, texts of every length (some only in archived bodies), reactions, attachments, edits
// and retractions.
void buildRealLookingDatabase(const fs::path &file)
{
    std::mt19937_64 random(seed);
    MessagesFixture fixture(file);
    fixture.exec("BEGIN");
    std::vector<std::int64_t> handles;
    for (int i = 0; i < 40; ++i) {
        handles.push_back(i % 5 == 0
                              ? fixture.addHandle("friend" + std::to_string(i) + "@example.com")
                              : fixture.addHandle("+1415555" + std::to_string(1000 + i), i % 3 ? "iMessage" : "SMS"));
    }
    std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> chats;
    for (int i = 0; i < 12; ++i) {
        if (i < 8) {
            const auto h = handles[static_cast<std::size_t>(i * 4)];
            chats.emplace_back(fixture.addChat("chat-" + std::to_string(i), 45, {h}), std::vector<std::int64_t>{h});
        } else {
            std::vector<std::int64_t> members(handles.begin() + i, handles.begin() + i + 4);
            chats.emplace_back(fixture.addChat("chat" + std::to_string(900 + i), 43, members,
                                               {{"display_name", "Group \xF0\x9F\x8E\x89 " + std::to_string(i)}}),
                               members);
        }
    }
    const std::vector<std::string> words = {"ok",          "see you at 7",     "Mar 09, 2024  9:15:00 AM",
                                            "caf\xC3\xA9", "\xF0\x9F\x98\x82", "line one\nline two",
                                            "  padded  ",  "\xEF\xBF\xBC",     "long " + std::string(300, 'x')};
    std::int64_t date = 600000000;
    for (int i = 0; i < 1500; ++i) {
        const auto &[chat, members] = chats[random() % chats.size()];
        date += static_cast<std::int64_t>(random() % 20000);
        const bool fromMe = random() % 3 == 0;
        testsupport::Columns columns = {{"date", date * 1000000000LL},
                                        {"is_from_me", fromMe ? 1 : 0},
                                        {"handle_id", fromMe ? 0 : members[random() % members.size()]}};
        const std::string &text = words[random() % words.size()];
        switch (random() % 10) {
        case 0:
            columns.emplace_back("attributedBody", Blob{archivedBody(text)});
            break;
        case 1:
            columns.emplace_back("associated_message_type", 2000 + static_cast<std::int64_t>(random() % 6));
            columns.emplace_back("text", "Loved \u201c" + text + "\u201d");
            break;
        case 2:
            columns.emplace_back("cache_has_attachments", 1);
            columns.emplace_back("text", "\xEF\xBF\xBC");
            break;
        case 3:
            columns.emplace_back("date_edited", date * 1000000000LL + 5);
            break;
        case 4:
            columns.emplace_back("date_retracted", date * 1000000000LL + 9);
            break;
        default:
            columns.emplace_back("text", text);
            columns.emplace_back("attributedBody", Blob{archivedBody(text)});
        }
        fixture.addMessage({chat}, columns);
    }
    fixture.exec("COMMIT");
}

std::map<std::string, std::string> folderContents(const fs::path &folder)
{
    std::map<std::string, std::string> contents;
    for (const auto &entry : fs::directory_iterator(folder)) {
        std::string &content = contents[entry.path().filename().string()];
        if (entry.is_symlink())
            content = "<link to " + fs::read_symlink(entry.path()).string() + ">";
        else if (entry.is_directory())
            content = "<folder>";
        else
            content = testsupport::readFile(entry.path());
    }
    return contents;
}

// Empty when `text` is a well-formed export (of `messages` blocks, unless that is negative),
// else what is wrong with it.
std::string exportProblem(const std::string &text, std::int64_t messages = -1)
{
    if (!common::isValidUtf8(text))
        return "not UTF-8";
    std::int64_t blocks = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find("\n\n", at);
        if (end == std::string::npos)
            return "unterminated block";
        std::vector<std::string> lines;
        std::istringstream block(text.substr(at, end - at));
        for (std::string line; std::getline(block, line);)
            lines.push_back(line);
        if (lines.size() < 3 || !exporter::matchesTimestampLine(lines[0]) || lines[1].empty())
            return "malformed block at byte " + std::to_string(at);
        for (std::size_t i = 2; i < lines.size(); ++i) {
            if (lines[i].empty() || exporter::matchesTimestampLine(lines[i]))
                return "body line looks like a block start at byte " + std::to_string(at);
        }
        ++blocks;
        at = end + 2;
    }
    return messages < 0 || blocks == messages
        ? ""
        : "block count " + std::to_string(blocks) + " for " + std::to_string(messages);
}

struct Runs {
    std::string listJson;
    std::string exportText;
    int listStatus = -1;
    int exportStatus = -1;
};

enum class Outcome {
    Failed, // failed cleanly on both paths
    Identical, // read exactly as the undamaged database
    Different, // read, well-formed, with other contents
};

class DamagedDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        buildRealLookingDatabase(temp / "original.db");
        original = testsupport::readFile(temp / "original.db");
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(cli::run({"list", "--db", (temp / "original.db").string(), "--json"}, out, err), cli::Success);
        const auto idStart = out.str().find("\"id\": \"") + 7;
        largestId = out.str().substr(idStart, out.str().find('"', idStart) - idStart);
        reference = run(temp / "original.db");
        ASSERT_EQ(reference.listStatus, cli::Success);
        ASSERT_EQ(reference.exportStatus, cli::Success);
        ASSERT_FALSE(reference.exportText.empty());
    }

    // Lists and exports the largest conversation through the command line.
    Runs run(const fs::path &db)
    {
        Runs runs;
        std::ostringstream out;
        std::ostringstream err;
        runs.listStatus = cli::run({"list", "--db", db.string(), "--json"}, out, err);
        runs.listJson = out.str();
        checkFailureMessage(runs.listStatus, err.str(), db);

        std::ostringstream exportOut;
        std::ostringstream exportErr;
        const fs::path folder = temp / "out";
        runs.exportStatus = cli::run({"export", "--db", db.string(), "--id", largestId, "--out", folder.string()},
                                     exportOut, exportErr);
        checkFailureMessage(runs.exportStatus, exportErr.str(), db);
        if (runs.exportStatus == cli::Success) {
            const fs::path written = exportOut.str().substr(0, exportOut.str().size() - 1);
            runs.exportText = testsupport::readFile(written);
        }
        std::error_code ec;
        fs::remove_all(folder, ec);
        return runs;
    }

    void checkFailureMessage(int status, const std::string &err, const fs::path &db)
    {
        if (status == cli::Success) {
            EXPECT_TRUE(err.empty()) << err;
            return;
        }
        // Status 2 when the damage took the conversation away, 1 when reading failed.
        EXPECT_TRUE(status == cli::Failed || status == cli::Usage) << status << " " << variant;
        EXPECT_EQ(err.rfind("tovik-export: ", 0), 0u) << err;
        if (status == cli::Failed) {
            EXPECT_NE(err.find(db.string()), std::string::npos) << err;
        }
    }

    // The calls the model makes for a load and an export: every failure is an error value with
    // a message, every success a well-formed export. True when both succeeded.
    bool readLikeTheModel(const fs::path &db)
    {
        auto opened = store::MessagesStore::open(db);
        if (!opened) {
            EXPECT_FALSE(opened.error().message.empty()) << variant;
            return false;
        }
        const contacts::ContactsIndex noContacts;
        auto list = catalogue::loadConversations(*opened, noContacts);
        if (!list) {
            EXPECT_FALSE(list.error().message.empty()) << variant;
            return false;
        }
        if (list->empty())
            return false;
        auto built = exporter::buildExport(*opened, list->front(), noContacts, "UTC");
        if (!built) {
            EXPECT_FALSE(built.error().message.empty()) << variant;
            return false;
        }
        EXPECT_EQ(exportProblem(built->text, built->messages), "") << variant;
        return true;
    }

    // Runs one damaged database and sorts the outcome.
    Outcome tryVariant(const std::string &name, const std::string &bytes)
    {
        variant = name;
        const fs::path folder = temp / "variant";
        fs::remove_all(folder);
        fs::create_directory(folder);
        testsupport::writeFile(folder / "chat.db", bytes);
        return tryFolder(folder);
    }

    Outcome tryFolder(const fs::path &folder)
    {
        const auto before = folderContents(folder);
        const auto started = std::chrono::steady_clock::now();

        const bool modelRead = readLikeTheModel(folder / "chat.db");
        const Runs runs = run(folder / "chat.db");

        slowest = std::max(slowest, std::chrono::steady_clock::now() - started);
        // SQLite itself may add an empty log and its index next to a database whose (damaged)
        // header asks for write-ahead logging; nothing else may appear or change.
        auto after = folderContents(folder);
        EXPECT_TRUE(!after.contains("chat.db-wal") || after["chat.db-wal"].empty()) << variant;
        after.erase("chat.db-wal");
        after.erase("chat.db-shm");
        EXPECT_EQ(after, before) << variant;

        if (runs.exportStatus == cli::Success) {
            EXPECT_EQ(exportProblem(runs.exportText), "") << variant;
        }
        if (runs.listStatus == cli::Success && runs.exportStatus == cli::Success && runs.listJson == reference.listJson
            && runs.exportText == reference.exportText)
            return Outcome::Identical;
        if (runs.listStatus != cli::Success && runs.exportStatus != cli::Success && !modelRead)
            return Outcome::Failed;
        return Outcome::Different;
    }

    void tally(Outcome outcome) { ++counts[outcome]; }

    void report(const std::string &what)
    {
        std::cout << what << ": " << counts[Outcome::Failed] << " failed cleanly, " << counts[Outcome::Identical]
                  << " read as the original, " << counts[Outcome::Different]
                  << " read with other contents; slowest variant "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count() << " ms\n";
    }

    TempDir temp;
    std::string original;
    std::string largestId;
    Runs reference;
    std::string variant;
    std::map<Outcome, int> counts;
    std::chrono::steady_clock::duration slowest{};
};

} // namespace

TEST_F(DamagedDatabaseTest, FlippedBytesNeverCrashOrWrite)
{
    std::mt19937_64 random(seed + 1);
    const std::size_t pageSize = 4096;
    constexpr int variants = 160;
    for (int i = 0; i < variants; ++i) {
        std::string bytes = original;
        const int flips = 1 << (i % 6); // 1 to 32 bytes
        // A third of the damage lands on the header and the schema page, where it matters most.
        const std::size_t span = i % 3 == 0 ? std::min(pageSize, bytes.size()) : bytes.size();
        std::string where;
        for (int f = 0; f < flips; ++f) {
            const std::size_t at = random() % span;
            bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1 + random() % 255));
            where += " " + std::to_string(at);
        }
        tally(tryVariant("flipped at" + where, bytes));
    }
    report(std::to_string(variants) + " databases with flipped bytes");
}

TEST_F(DamagedDatabaseTest, TruncatedDatabasesNeverCrashOrWrite)
{
    std::mt19937_64 random(seed + 2);
    std::vector<std::size_t> lengths = {0, 1, 16, 99, 100, 101, 512, 4095, 4096, 4097, 8192, original.size() - 1};
    while (lengths.size() < 60)
        lengths.push_back(random() % original.size());
    for (const std::size_t length : lengths)
        tally(tryVariant("cut at " + std::to_string(length), original.substr(0, length)));
    report(std::to_string(lengths.size()) + " truncated databases");
}

TEST_F(DamagedDatabaseTest, OtherThingsAtThePathFailCleanly)
{
    std::mt19937_64 random(seed + 3);
    std::string noise(64 * 1024, '\0');
    for (char &c : noise)
        c = static_cast<char>(random());
    const std::map<std::string, std::string> files = {
        {"empty file", ""},
        {"text file", "these are not the messages you are looking for\n"},
        {"random bytes", noise},
        {"header and noise", std::string("SQLite format 3\0", 16) + noise},
        {"header claiming a log", original.substr(0, 18) + "\x02\x02" + original.substr(20, 4076)},
    };
    for (const auto &[name, bytes] : files) {
        const Outcome outcome = tryVariant(name, bytes);
        EXPECT_EQ(outcome, Outcome::Failed) << name;
    }

    for (const std::string name : {"folder", "link loop", "missing"}) {
        variant = name;
        const fs::path folder = temp / ("special-" + variant);
        fs::create_directory(folder);
        if (variant == "folder")
            fs::create_directory(folder / "chat.db");
        else if (variant == "link loop")
            fs::create_symlink("chat.db", folder / "chat.db");
        EXPECT_EQ(tryFolder(folder), Outcome::Failed) << name;
    }
}
