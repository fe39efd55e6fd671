#include "cli/commands.h"
#include "cli/json.h"

#include "run_cli.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using testsupport::appleNanoseconds;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

using clitest::occurrences;
using clitest::Outcome;
using clitest::runCli;

} // namespace

class CommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessagesFixture fixture(db);
        const auto maya = fixture.addHandle("+14155550132");
        const auto mayaSms = fixture.addHandle("4155550132", "SMS");
        const auto ben = fixture.addHandle("ben@example.com");
        const auto a = fixture.addChat("+14155550132", 45, {maya});
        const auto b = fixture.addChat("4155550132", 45, {mayaSms});
        const auto group = fixture.addChat("chat77", 43, {maya, ben}, {{"display_name", "Trip \"2024\""}});
        const auto twin = fixture.addChat("chat78", 43, {ben}, {{"display_name", "Trip \"2024\""}});
        for (int i = 0; i < 5; ++i)
            fixture.addMessage({i % 2 ? a : b},
                               {{"date", appleNanoseconds(1700000000 + i)}, {"text", "hi " + std::to_string(i)}});
        fixture.addMessage({group}, {{"date", appleNanoseconds(1700000100)}, {"text", "group"}, {"handle_id", ben}});
        fixture.addMessage({twin}, {{"date", appleNanoseconds(1700000200)}, {"text", "twin"}, {"handle_id", ben}});
        const auto cafe = fixture.addChat("chat79", 43, {ben, fixture.addHandle("carl@example.com")},
                                          {{"display_name", "Caf\xC3\xA9"}});
        fixture.addMessage({cafe}, {{"date", appleNanoseconds(1700000300)}, {"text", "coffee?"}, {"handle_id", ben}});
        testsupport::writeFile(dir / "contacts.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Okafor;Maya;;;\r\nFN:Maya Okafor\r\n"
                               "item1.TEL;type=CELL;type=pref:+1 (415) 555-0132\r\nUID:MAYA-1\r\nEND:VCARD\r\n");
    }

    TempDir dir;
    std::filesystem::path db = dir / "chat.db";
};

TEST_F(CommandsTest, ListPrintsConversationsMostMessagesFirst)
{
    const auto result = runCli({"list", "--db", db.string()});

    EXPECT_EQ(result.status, cli::Success) << result.err;
    const auto first = result.out.find("p:155550132");
    const auto group = result.out.find("g:");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(group, std::string::npos);
    EXPECT_LT(first, group);
    EXPECT_NE(result.out.find("(group)"), std::string::npos);
    EXPECT_NE(result.out.find("4 conversations"), std::string::npos);
}

TEST_F(CommandsTest, ListJsonHasTheNineKeysAndContactsRenameAndMerge)
{
    const auto result =
        runCli({"list", "--db=" + db.string(), "--contacts", (dir / "contacts.vcf").string(), "--json"});

    ASSERT_EQ(result.status, cli::Success) << result.err;
    EXPECT_NE(
        result.out.find("{\"id\": \"c:MAYA-1\", \"chatIDs\": [1, 2], \"title\": \"Maya Okafor\", \"isGroup\": false, "
                        "\"members\": [\"Maya Okafor\"], \"handles\": [\"+14155550132\", \"4155550132\"], "
                        "\"count\": 5, \"first\": 1700000000, \"last\": 1700000004}"),
        std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\"title\": \"Trip \\\"2024\\\"\""), std::string::npos);
    EXPECT_EQ(occurrences(result.out, "\"id\""), 4);
}

TEST_F(CommandsTest, ExportWritesTheFileAndReportsItsStatistics)
{
    const auto out = dir / "Downloads";

    const auto result = runCli({"export", "--db", db.string(), "--id", "p:155550132", "--out", out.string(), "--json"});

    ASSERT_EQ(result.status, cli::Success) << result.err;
    const auto path = out / "Tovik - +14155550132.txt";
    EXPECT_EQ(result.out.rfind("{\"path\": " + cli::jsonString(path.string())
                                   + ", \"messages\": 5, \"senders\": {\"+14155550132\": 5}",
                               0),
              0u)
        << result.out;
    EXPECT_NE(result.out.find("\"skippedReactions\": 0}"), std::string::npos);
    const std::string text = testsupport::readFile(path);
    EXPECT_EQ(occurrences(text, "\n\n"), 5);
    EXPECT_EQ(text.rfind("\nhi 4\n\n"), text.size() - 7);
}

TEST_F(CommandsTest, ExportTwiceNeverReplacesTheFirstFile)
{
    const auto out = dir / "Downloads";

    const auto first = runCli({"export", "--db", db.string(), "--id", "p:155550132", "--out", out.string()});
    const auto second = runCli({"export", "--db", db.string(), "--id", "p:155550132", "--out", out.string()});

    EXPECT_EQ(first.out, (out / "Tovik - +14155550132.txt").string() + "\n");
    EXPECT_EQ(second.out, (out / "Tovik - +14155550132 2.txt").string() + "\n");
}

TEST_F(CommandsTest, ExportByTitleRefusesAmbiguousTitlesListingTheirIds)
{
    const auto ambiguous =
        runCli({"export", "--db", db.string(), "--title", "Trip \"2024\"", "--out", dir.path().string()});
    const auto unknown = runCli({"export", "--db", db.string(), "--id", "p:000000000"});

    EXPECT_EQ(ambiguous.status, cli::Usage);
    EXPECT_NE(ambiguous.err.find("g:e:ben@example.com,p:155550132"), std::string::npos) << ambiguous.err;
    EXPECT_NE(ambiguous.err.find("  g:e:ben@example.com  (1 message)"), std::string::npos) << ambiguous.err;
    EXPECT_EQ(unknown.status, cli::Usage);
}

TEST_F(CommandsTest, ExportByTitleMatchesCanonicallyEquivalentText)
{
    const auto result =
        runCli({"export", "--db", db.string(), "--title", "Cafe\xCC\x81", "--out", dir.path().string()});

    EXPECT_EQ(result.status, cli::Success) << result.err;
    EXPECT_EQ(result.out, (dir / "Tovik - Caf\xC3\xA9.txt").string() + "\n");
}

TEST_F(CommandsTest, MissingDatabaseFailsWithStatusOneNamingTheFile)
{
    const auto missing = dir / "nowhere" / "chat.db";

    const auto result = runCli({"list", "--db", missing.string()});

    EXPECT_EQ(result.status, cli::Failed);
    EXPECT_NE(result.err.find(missing.string()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
}

TEST_F(CommandsTest, UnreadableContactsFileFailsWithStatusOne)
{
    const auto result = runCli({"list", "--db", db.string(), "--contacts", (dir / "absent.vcf").string()});

    EXPECT_EQ(result.status, cli::Failed);
    EXPECT_NE(result.err.find("absent.vcf"), std::string::npos);
}

TEST(Arguments, UsageErrorsExitWithStatusTwo)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {},
             {"lst"},
             {"list", "--frobnicate"},
             {"list", "--db"},
             {"list", "--json", "--json"},
             {"export", "--db", "x"},
             {"export", "--id", "a", "--title", "b"},
             {"list", "--json=yes"},
             {"--help", "extra"},
         }) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::run(arguments, out, err), cli::Usage) << ::testing::PrintToString(arguments);
        EXPECT_NE(err.str().find("Usage:"), std::string::npos);
    }
}

TEST(Arguments, HelpAndVersionSucceed)
{
    std::ostringstream out;
    std::ostringstream err;

    EXPECT_EQ(cli::run({"--help"}, out, err), cli::Success);
    EXPECT_EQ(cli::run({"--version"}, out, err), cli::Success);
    EXPECT_NE(out.str().find("tovik-export list"), std::string::npos);
    EXPECT_NE(out.str().find("tovik-export 0."), std::string::npos);
}

TEST(Json, EscapesQuotesBackslashesAndControlCharacters)
{
    EXPECT_EQ(cli::jsonString("a\"b\\c\n\x01\xC3\xA9"), "\"a\\\"b\\\\c\\n\\u0001\xC3\xA9\"");
    EXPECT_EQ(cli::jsonNumber(std::nullopt), "null");
    EXPECT_EQ(cli::jsonNumber(1700000000.0), "1700000000");
    EXPECT_EQ(cli::jsonNumber(1700000000.25), "1700000000.25");
}
