#include "app/launch_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using app::LaunchOptions;
using app::parseLaunchOptions;

namespace
{

std::string usageError(const std::vector<std::string> &arguments)
{
    const auto options = parseLaunchOptions(arguments);
    return options ? std::string("(accepted)") : options.error().message;
}

} // namespace

TEST(LaunchOptions, NothingOpensTheWindowOnTheUsualDatabase)
{
    const auto options = parseLaunchOptions({});

    ASSERT_TRUE(options);
    EXPECT_EQ(options->action, LaunchOptions::Action::OpenWindow);
    EXPECT_FALSE(options->source);
}

TEST(LaunchOptions, HelpAndVersionStopReadingWhereTheyStand)
{
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"--help"}, {"-h"}, {"--db", "/a.db", "--help", "--bogus"}}) {
        const auto options = parseLaunchOptions(arguments);
        ASSERT_TRUE(options) << arguments.back();
        EXPECT_EQ(options->action, LaunchOptions::Action::PrintHelp) << arguments.back();
    }
    const auto version = parseLaunchOptions({"--version", "/a.db", "/b.db"});
    ASSERT_TRUE(version);
    EXPECT_EQ(version->action, LaunchOptions::Action::PrintVersion);

    // An error before them is still an error.
    EXPECT_EQ(usageError({"--bogus", "--help"}), "unknown option: --bogus");
    EXPECT_EQ(app::launchVersionText().rfind("tovik ", 0), 0U);
    EXPECT_NE(app::launchUsageText().find("--db PATH"), std::string::npos);
}

TEST(LaunchOptions, DbAndABarePathNameTheSameFile)
{
    const auto separate = parseLaunchOptions({"--db", "/data/chat.db"});
    const auto joined = parseLaunchOptions({"--db=/data/chat.db"});
    const auto bare = parseLaunchOptions({"/data/chat.db"});
    const auto dashed = parseLaunchOptions({"--", "-odd.db"});

    for (const auto *options : {&separate, &joined, &bare}) {
        ASSERT_TRUE(*options);
        EXPECT_EQ((*options)->action, LaunchOptions::Action::OpenWindow);
        EXPECT_EQ((*options)->source, fs::path("/data/chat.db"));
    }
    ASSERT_TRUE(dashed);
    EXPECT_EQ(dashed->source, fs::current_path() / "-odd.db");
}

TEST(LaunchOptions, RelativePathIsMadeAbsolute)
{
    const auto bare = parseLaunchOptions({"copy/chat.db"});
    const auto flagged = parseLaunchOptions({"--db", "copy/chat.db"});

    ASSERT_TRUE(bare);
    ASSERT_TRUE(flagged);
    EXPECT_EQ(bare->source, fs::current_path() / "copy" / "chat.db");
    EXPECT_EQ(flagged->source, bare->source);
}

TEST(LaunchOptions, UsageErrors)
{
    EXPECT_EQ(usageError({"--bogus"}), "unknown option: --bogus");
    EXPECT_EQ(usageError({"-"}), "unknown option: -");
    EXPECT_EQ(usageError({"--database=/a.db"}), "unknown option: --database=/a.db");
    EXPECT_EQ(usageError({"--db"}), "--db needs a path");
    EXPECT_EQ(usageError({"--db="}), "--db needs a path");
    EXPECT_EQ(usageError({"--db", ""}), "--db needs a path");
    EXPECT_EQ(usageError({""}), "a source needs a path");
    EXPECT_EQ(usageError({"/a.db", "/b.db"}), "only one source can be opened, but two were given: '/a.db' and '/b.db'");
    EXPECT_EQ(usageError({"--db=/a.db", "--db", "/b.db"}),
              "only one source can be opened, but two were given: '/a.db' and '/b.db'");
    EXPECT_EQ(usageError({"/a.db", "--db", "/b.db"}),
              "only one source can be opened, but two were given: '/a.db' and '/b.db'");
}
