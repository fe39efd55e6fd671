#include "common/home.h"

#include "support/scoped_environment.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ScopedEnvironment;

TEST(HomeFolder, AbsoluteHomeWinsOtherwiseThePasswdEntry)
{
    EXPECT_EQ(common::homeFolderFrom("/home/anna", "/home/pw"), fs::path("/home/anna"));
    EXPECT_EQ(common::homeFolderFrom("anna", "/home/pw"), fs::path("/home/pw"));
    EXPECT_EQ(common::homeFolderFrom("./anna", "/home/pw"), fs::path("/home/pw"));
    EXPECT_EQ(common::homeFolderFrom("", "/home/pw"), fs::path("/home/pw"));
    EXPECT_EQ(common::homeFolderFrom(std::nullopt, "/home/pw"), fs::path("/home/pw"));
    EXPECT_EQ(common::homeFolderFrom("rel", "rel-pw"), fs::path());
    EXPECT_EQ(common::homeFolderFrom(std::nullopt, std::nullopt), fs::path());
}

TEST(HomeFolder, ThisProcessFallsBackToItsPasswdEntry)
{
    const passwd *entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    const fs::path passwdHome(entry->pw_dir);

    {
        const ScopedEnvironment home("HOME", "/somewhere/else");
        EXPECT_EQ(common::homeFolder(), fs::path("/somewhere/else"));
        EXPECT_EQ(common::defaultMessagesDatabase(), fs::path("/somewhere/else/Library/Messages/chat.db"));
    }
    for (const auto &unusable :
         {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("relative/home")}) {
        const ScopedEnvironment home("HOME", unusable);
        EXPECT_EQ(common::homeFolder(), passwdHome);
    }
}

TEST(HomeFolder, MessagesDatabaseIsJoinedAsText)
{
    EXPECT_EQ(common::messagesDatabaseIn("/home/anna").string(), "/home/anna/Library/Messages/chat.db");
    EXPECT_EQ(common::messagesDatabaseIn("/home/anna/").string(), "/home/anna//Library/Messages/chat.db");
}

TEST(Environment, TellsUnsetFromEmpty)
{
    const ScopedEnvironment unset("TOVIK_TEST_VARIABLE", std::nullopt);
    EXPECT_EQ(common::environmentValue("TOVIK_TEST_VARIABLE"), std::nullopt);
    const ScopedEnvironment empty("TOVIK_TEST_VARIABLE", "");
    EXPECT_EQ(common::environmentValue("TOVIK_TEST_VARIABLE"), std::string());
}
