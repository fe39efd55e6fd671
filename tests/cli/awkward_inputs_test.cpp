// Inputs that look harmless and are not: one address in two canonical spellings, something other
// than a file at the database path, and control characters in titles and folder names.
#include "cli/commands.h"

#include "run_cli.h"
#include "support/child_process.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using clitest::occurrences;
using clitest::runCli;
using testsupport::appleNanoseconds;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

const std::string composedAddress = "\xC3\x9Cn\xC3\xAF"
                                    "c\xC3\xB6"
                                    "d\xC3\xA9@Example.org";
const std::string decomposedAddress = "U\xCC\x88ni\xCC\x88"
                                      "co\xCC\x88"
                                      "de\xCC\x81@Example.org";
const std::string addressKey = "e:\xC3\xBCn\xC3\xAF"
                               "c\xC3\xB6"
                               "d\xC3\xA9@example.org";

} // namespace

TEST(CanonicalHandles, BothSpellingsOfAnAddressAreOneConversationInListAndExport)
{
    TempDir dir;
    {
        MessagesFixture fixture(dir / "chat.db");
        const auto composed = fixture.addHandle(composedAddress);
        const auto decomposed = fixture.addHandle(decomposedAddress, "SMS");
        const auto carl = fixture.addHandle("carl@example.com");
        const auto a = fixture.addChat(composedAddress, 45, {composed});
        const auto b = fixture.addChat(decomposedAddress, 45, {decomposed});
        const auto group = fixture.addChat("chat1", 43, {decomposed, carl});
        for (int i = 0; i < 6; ++i)
            fixture.addMessage({i % 2 ? a : b},
                               {{"date", appleNanoseconds(1700000000 + i)}, {"text", "m" + std::to_string(i)}});
        fixture.addMessage(
            {group}, {{"date", appleNanoseconds(1700000100)}, {"text", "in the group"}, {"handle_id", decomposed}});
    }
    testsupport::writeFile(dir / "cards.vcf",
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Una Code\r\nEMAIL:" + composedAddress
                               + "\r\nUID:UNA\r\nEND:VCARD\r\n");
    const std::string db = (dir / "chat.db").string();

    const auto list = runCli({"list", "--db", db, "--json"});
    const auto byDecomposedId = runCli({"export", "--db", db, "--id",
                                        "e:u\xCC\x88ni\xCC\x88"
                                        "co\xCC\x88"
                                        "de\xCC\x81@example.org",
                                        "--out", (dir / "one").string(), "--json"});
    const auto group = runCli({"export", "--db", db, "--contacts", (dir / "cards.vcf").string(), "--id",
                               "g:c:UNA,e:carl@example.com", "--out", (dir / "two").string(), "--json"});

    ASSERT_EQ(list.status, cli::Success) << list.err;
    EXPECT_EQ(occurrences(list.out, "\"id\": \"" + addressKey + "\""), 1) << list.out;
    EXPECT_NE(list.out.find("\"count\": 6"), std::string::npos) << list.out;
    ASSERT_EQ(byDecomposedId.status, cli::Success) << byDecomposedId.err;
    EXPECT_NE(byDecomposedId.out.find("\"messages\": 6"), std::string::npos) << byDecomposedId.out;
    ASSERT_EQ(group.status, cli::Success) << group.err;
    EXPECT_NE(group.out.find("\"senders\": {\"Una Code\": 1}"), std::string::npos) << group.out;
}

TEST(DatabasePath, FifoSocketAndDeviceFailAtOnceNamingWhatIsThere)
{
    TempDir dir;
    const auto fifo = dir / "fifo.db";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto socketPath = dir / "socket.db";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketName = socketPath.string();
    ASSERT_LT(socketName.size(), sizeof address.sun_path);
    std::copy(socketName.begin(), socketName.end(), address.sun_path);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    std::filesystem::create_symlink(fifo, dir / "link.db");

    const std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {fifo, "a FIFO"}, {socketPath, "a socket"}, {dir / "link.db", "a FIFO"}, {"/dev/null", "a character device"}};
    for (const auto &[path, kind] : cases) {
        for (const std::string command : {"list", "export"}) {
            // SQLite would wait for a writer on the FIFO for ever; the alarm ends such a child.
            const auto outcome =
                testsupport::runInChild(false, [&, path = path, command = command](std::string &report) {
                    ::alarm(20);
                    std::vector<std::string> arguments = {command, "--db", path.string()};
                    if (command == "export")
                        arguments.insert(arguments.end(), {"--id", "p:155550132", "--out", (dir / "out").string()});
                    const auto result = runCli(arguments);
                    report = result.err;
                    return result.status;
                });
            EXPECT_EQ(outcome.status, cli::Failed) << path << " " << command;
            EXPECT_NE(outcome.report.find(path.string() + " is " + kind), std::string::npos) << outcome.report;
        }
    }
    ::close(listening);
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

TEST(ExportName, ControlAndBidiCharactersNeverReachTheNameOrTheTerminal)
{
    TempDir dir;
    {
        MessagesFixture fixture(dir / "chat.db");
        const auto anna = fixture.addHandle("anna@example.com");
        const auto ben = fixture.addHandle("ben@example.com");
        const auto group = fixture.addChat("chat1", 43, {anna, ben}, {{"display_name", "\xE2\x80\xAEgnp.txt"}});
        fixture.addMessage({group}, {{"date", appleNanoseconds(1700000000)}, {"text", "hi"}, {"handle_id", anna}});
    }
    const auto out = dir / "in\x1B[2Jside\xE2\x80\xAE";

    const auto result =
        runCli({"export", "--db", (dir / "chat.db").string(), "--title", "\xE2\x80\xAEgnp.txt", "--out", out.string()});

    ASSERT_EQ(result.status, cli::Success) << result.err;
    EXPECT_TRUE(std::filesystem::exists(out / "Tovik - gnp.txt.txt"));
    EXPECT_EQ(result.out, (dir / "in\\x1B[2Jside\\u{202E}" / "Tovik - gnp.txt.txt").string() + "\n");
}
