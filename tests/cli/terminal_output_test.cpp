// Names, titles and paths that come from someone else's files reach the terminal escaped, in the
// plain output, in messages and in the password prompt; --json keeps them exact as \u escapes.
#include "cli/json.h"
#include "cli/sources_output.h"
#include "common/terminal_text.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using clitest::runCli;
using testsupport::TempDir;

namespace
{

// An escape sequence that sets the terminal's title, a CSI as one C1 character, a lone CSI byte,
// a right-to-left override and a line break.
const std::string hostile = "\x1B]0;owned\x07"
                            "Evil\xC2\x9B"
                            "31m\x9B"
                            "2J\xE2\x80\xAEgnp.exe\nfake line";

// No C0 control but the line ends, no DEL, no C1, no bidirectional control, no ill-formed UTF-8.
bool safeForTerminal(const std::string &text)
{
    std::string withoutLineEnds = text;
    std::erase(withoutLineEnds, '\n');
    return common::terminalText(withoutLineEnds) == withoutLineEnds;
}

} // namespace

TEST(TerminalText, EscapesControlsBidiAndIllFormedBytesAndKeepsTheRest)
{
    EXPECT_EQ(common::terminalText(hostile), "\\x1B]0;owned\\x07Evil\\u{009B}31m\\x9B2J\\u{202E}gnp.exe\\x0Afake line");
    EXPECT_EQ(common::terminalText("Zoë 👩‍👩‍👧 \x7F"), "Zoë 👩‍👩‍👧 \\x7F");
    EXPECT_EQ(cli::jsonString(hostile), "\"\\u001b]0;owned\\u0007Evil\\u009b31m\\ufffd2J\\u202egnp.exe\\nfake line\"");
    EXPECT_EQ(cli::jsonString("\xE2\x81\xA6x\xE2\x81\xA9\x7F Zoë"), "\"\\u2066x\\u2069\\u007f Zoë\"");
}

TEST(TerminalText, BackupNamesFolderNamesAndThePromptAreEscaped)
{
    TempDir dir;
    testsupport::writeSmallHistory(dir / "sms.db");
    const auto folder = dir / "Backup" / ("0000-" + hostile);
    backup::BackupOptions options;
    options.deviceName = hostile;
    options.encrypted = true;
    testsupport::makeBackup(folder, {dir / "sms.db", std::nullopt, std::nullopt}, options);

    const auto listed = runCli({"backups", (dir / "Backup").string()});
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    EXPECT_TRUE(safeForTerminal(listed.out)) << listed.out;
    EXPECT_NE(listed.out.find("\\x1B]0;owned"), std::string::npos);

    const auto json = runCli({"backups", (dir / "Backup").string(), "--json"});
    EXPECT_TRUE(safeForTerminal(json.out)) << json.out;
    EXPECT_NE(json.out.find("\"device\": \"\\u001b]0;owned\\u0007Evil"), std::string::npos) << json.out;

    // Not a terminal and no password file: the message names the backup, escaped.
    const auto locked = runCli({"list", "--db", folder.string()});
    EXPECT_NE(locked.status, cli::Success);
    EXPECT_TRUE(safeForTerminal(locked.err)) << locked.err;
    EXPECT_TRUE(safeForTerminal(cli::backupPasswordPrompt(sources::readBackupInfo(folder))));
}

TEST(TerminalText, ListedTitlesAreEscaped)
{
    TempDir dir;
    const auto db = dir / "chat.db";
    {
        testsupport::MessagesFixture fixture(db);
        const auto friendHandle = fixture.addHandle("friend@example.com");
        const auto chat = fixture.addChat("chat0", 43, {friendHandle}, {{"display_name", hostile}});
        fixture.addMessage({chat},
                           {{"date", testsupport::appleNanoseconds(1700000000)},
                            {"text", std::string("hi")},
                            {"handle_id", friendHandle}});
    }
    const auto table = runCli({"list", "--db", db.string()});
    ASSERT_EQ(table.status, cli::Success) << table.err;
    EXPECT_TRUE(safeForTerminal(table.out)) << table.out;
    EXPECT_NE(table.out.find("\\u{202E}gnp.exe"), std::string::npos) << table.out;
    const auto missing = runCli({"export", "--db", db.string(), "--title", hostile});
    EXPECT_TRUE(safeForTerminal(missing.err)) << missing.err;
}
