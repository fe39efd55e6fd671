// The conversation list of a large history (about 5,000 chats, 2 million messages) against the
// floor: the sqlite3 shell running the same three queries.
#include "bench_support.h"

#include "catalogue/conversations.h"
#include "demo/demo_history.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

int main()
{
    const auto file = bench::dataDir() / "large-2m.db";
    if (!std::filesystem::exists(file)) {
        std::printf("generating %s (5,000 chats, 2,000,000 messages; once)...\n", file.c_str());
        demo::LargeHistory options;
        options.chats = 5000;
        options.messages = 2'000'000;
        if (auto failed = demo::writeLargeHistory(file, options)) {
            std::cerr << *failed << "\n";
            return 1;
        }
    }

    std::size_t listed = 0;
    const auto loadOnce = [&] {
        auto store = store::MessagesStore::open(file);
        auto list = catalogue::loadConversations(*store, {});
        if (!list) {
            std::cerr << store::describe(list.error()) << "\n";
            std::exit(1);
        }
        listed = list->size();
    };

    std::string queries =
        "SELECT ROWID, COALESCE(chat_identifier, ''), COALESCE(display_name, ''), COALESCE(style, 0) FROM chat;\n"
        "SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = j.handle_id;\n";
    queries += catalogue::countQuery(*store::MessagesStore::open(file));
    queries += ";\n";
    // Wall time on a busy machine is noisy; CPU time (user + system) is printed beside it.
    double loadCpu = 1e100;
    double floorCpu = 1e100;
    const auto [load, floor] = bench::alternate(
        5,
        [&] {
            const double before = bench::processCpuSeconds();
            const double wall = bench::bestSeconds(1, loadOnce);
            loadCpu = std::min(loadCpu, bench::processCpuSeconds() - before);
            return wall;
        },
        [&] {
            const auto run = bench::runProcess({"sqlite3", "-readonly", file.string()}, queries);
            floorCpu = std::min(floorCpu, run.cpuSeconds);
            return run.seconds;
        });

    std::printf("loadConversations, %zu conversations from %s\n", listed, file.filename().c_str());
    std::printf("wall time, best of 5 each, alternating:\n");
    bench::printRatio("loadConversations", load, "sqlite3 shell, same three queries", floor, 1.2);
    std::printf("CPU time (user + system), best of 5 each:\n");
    bench::printRatio("loadConversations", loadCpu, "sqlite3 shell, same three queries", floorCpu, 1.2);
    return 0;
}
