// The conversation list of a large history (about 5,000 chats, 2 million messages) against the
// floor: the sqlite3 shell running the same three queries.
#include "bench_support.h"

#include "catalogue/conversations.h"
#include "demo/demo_history.h"

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

    std::string queries = "SELECT ROWID, COALESCE(chat_identifier, ''), COALESCE(display_name, ''), COALESCE(style, 0) FROM chat;\n"
                          "SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = j.handle_id;\n"
                          "SELECT cmj.chat_id, COUNT(*), MIN(m.date), MAX(m.date)\n"
                          "FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\nWHERE ";
    queries += store::countableMessageFilter;
    queries += "\nGROUP BY cmj.chat_id;\n";
    const auto [load, floor] = bench::alternate(
        5,
        [&] { return bench::bestSeconds(1, loadOnce); },
        [&] { return bench::runProcess({"sqlite3", "-readonly", file.string()}, queries).seconds; });

    std::printf("loadConversations, %zu conversations from %s\n", listed, file.filename().c_str());
    bench::printRatio("loadConversations", load, "sqlite3 shell, same three queries", floor, 1.2);
    return 0;
}
