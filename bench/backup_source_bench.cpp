// A large history (2,000,000 messages, a 100,000-message conversation among 5,000 chats) read as
// an iPhone backup against the same database opened directly, in the same run: the cost of
// opening (at most 50 ms more), and the conversation list and one export (each within 1.05x).
#include "bench_support.h"

#include "backup/backup_writer.h"
#include "demo/demo_history.h"
#include "sources/message_source.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>

namespace
{

sources::MessageSource openOrFail(const std::filesystem::path &path)
{
    auto source = sources::openSource(path);
    if (!source)
        bench::fail("cannot open " + path.string() + " (problem #" + std::to_string(source.error().index()) + ")");
    return *source;
}

} // namespace

int main()
{
    const auto file = bench::dataDir() / "large-2m-100k.db";
    const auto folder = bench::dataDir() / "backup-2m-100k" / "00008120-BENCH";
    if (!std::filesystem::exists(file)) {
        std::printf("generating %s (5,000 chats, 2,000,000 messages; once)...\n", file.c_str());
        std::fflush(stdout);
        demo::LargeHistory options;
        options.largestConversation = 100'000;
        if (auto failed = demo::writeLargeHistory(file, options))
            bench::fail(*failed);
    }
    if (!std::filesystem::exists(folder / "Manifest.db")) {
        if (auto failed = backup::writeBackup(folder, {file, std::nullopt, std::nullopt}))
            bench::fail(*failed);
        // The stored file becomes the same file as the database, so that both readings meet the
        // same page cache and only the way of reading differs.
        const auto stored = folder / "3d" / "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
        std::filesystem::remove(stored);
        std::error_code linked;
        std::filesystem::create_hard_link(file, stored, linked);
        if (linked)
            std::filesystem::copy_file(file, stored);
    }

    const auto direct = openOrFail(file);
    const auto fromBackup = openOrFail(folder);

    // Opening: deciding what the path is, then a store ready to read, and the table check the
    // command line makes.
    const auto openOnce = [&](const std::filesystem::path &path) {
        auto store = bench::storeOf(openOrFail(path));
        if (!sources::missingMessagesTables(store))
            bench::fail("cannot read the schema");
    };
    const auto opening = bench::alternateTimed(
        15,
        [&] {
            openOnce(folder);
        },
        [&] {
            openOnce(file);
        });

    const auto timed = bench::timeListAndExport(fromBackup, direct, 3, 5);

    std::printf("%s read directly and as an iPhone backup; best of each, alternating\n", file.filename().c_str());
    std::printf("open (source, store, table check):\n");
    const double extra = opening.first.wall - opening.second.wall;
    std::printf("  backup %.2f ms, database %.2f ms (wall): %.2f ms more (target at most 50 ms): %s\n",
                opening.first.wall * 1000, opening.second.wall * 1000, extra * 1000,
                extra <= 0.050 ? "met" : "NOT met");
    std::printf("conversation list (%zu conversations):\n", timed.conversations);
    bench::printTimings(timed.listing, "backup", "database", 1.05);
    std::printf("export of the largest conversation (%lld messages, %zu bytes):\n",
                static_cast<long long>(timed.largest.count), timed.exportedBytes);
    bench::printTimings(timed.exporting, "backup", "database", 1.05);
    return 0;
}
