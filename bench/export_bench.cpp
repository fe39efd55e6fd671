// The export, the program's main job, on large data:
//  1. a conversation of 1,000,000 messages (a tenth only in archived bodies): `tovik-export
//     export` against the floor, the sqlite3 shell running the same message query with its
//     output sent to /dev/null; and its peak memory against the written file's size, here and
//     on a 680,000-message conversation whose blocks are longer than the first reservation;
//  2. a 1,000-message conversation inside a 2,000,000-message database, exported in-process
//     as the application does (the list is loaded already).
#include "bench_support.h"

#include "catalogue/conversations.h"
#include "demo/demo_history.h"
#include "export/build_export.h"
#include "export/export_file.h"
#include "export/messages.h"

#include <cstdio>
#include <iostream>

namespace
{

std::filesystem::path ensure(const std::string &name, const demo::LargeHistory &options)
{
    const auto file = bench::dataDir() / name;
    if (!std::filesystem::exists(file)) {
        std::printf("generating %s (%lld messages; once)...\n", file.c_str(), static_cast<long long>(options.messages));
        std::fflush(stdout);
        if (auto failed = demo::writeLargeHistory(file, options)) {
            std::cerr << *failed << "\n";
            std::exit(1);
        }
    }
    return file;
}

catalogue::Conversation conversationOf(const std::filesystem::path &file, const std::string &id)
{
    auto store = store::MessagesStore::open(file);
    auto list = catalogue::loadConversations(*store, {});
    for (const auto &conversation : *list) {
        if (conversation.id == id)
            return conversation;
    }
    std::cerr << "no conversation " << id << "\n";
    std::exit(1);
}

// Twenty chats, one of which (the handle +14155550100) holds `messages` messages, a tenth of
// them only in archived bodies; the others share fifty.
demo::LargeHistory oneLargeConversation(std::int64_t messages)
{
    demo::LargeHistory options;
    options.chats = 20;
    options.messages = messages + 50;
    options.largestConversation = messages;
    options.archivedShare = 0.1;
    return options;
}

std::uintmax_t largestFileIn(const std::filesystem::path &folder)
{
    std::uintmax_t bytes = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        bytes = std::max(bytes, entry.file_size());
    return bytes;
}

// The child's peak resident memory beside the file it wrote: what the export holds besides the text.
void printPeak(std::int64_t peakBytes, std::uintmax_t fileBytes)
{
    const double peakMb = static_cast<double>(peakBytes) / 1e6;
    const double fileMb = static_cast<double>(fileBytes) / 1e6;
    std::printf("  tovik-export peak memory %.1f MB, file %.1f MB, peak - file %.1f MB (target at most 30 MB): %s\n",
                peakMb, fileMb, peakMb - fileMb, peakMb - fileMb <= 30 ? "met" : "NOT met");
}

} // namespace

int main()
{
    const std::string id = "p:155550100"; // the handle +14155550100 that receives the big share
    {
        const auto file = ensure("conversation-1m.db", oneLargeConversation(1'000'000));
        const auto conversation = conversationOf(file, id);
        const auto out = bench::dataDir() / "exports";
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);

        // The floor: the same statement in the sqlite3 shell, chat IDs written in place of "?".
        auto store = store::MessagesStore::open(file);
        std::string sql = exporter::messageQuery(*store, conversation.chatIDs.size());
        for (const std::int64_t chat : conversation.chatIDs)
            sql.replace(sql.find('?'), 1, std::to_string(chat));

        std::int64_t peakBytes = 0;
        const auto [exportSeconds, floorSeconds] = bench::alternate(
            3,
            [&] {
                const auto run = bench::runProcess(
                    {TOVIK_EXPORT_BINARY, "export", "--db", file.string(), "--id", id, "--out", out.string()});
                peakBytes = std::max(peakBytes, run.peakBytes);
                return run.seconds;
            },
            [&] {
                return bench::runProcess({"sqlite3", "-readonly", file.string()}, sql + ";\n").seconds;
            });
        const std::uintmax_t fileBytes = largestFileIn(out);

        std::printf("export of a %lld-message conversation (%s)\n", static_cast<long long>(conversation.count),
                    file.filename().c_str());
        bench::printRatio("tovik-export export", exportSeconds, "sqlite3 shell, same message query", floorSeconds, 1.3);
        printPeak(peakBytes, fileBytes);
        std::filesystem::remove_all(out);
    }
    {
        // Blocks of about 100 bytes on average, more than the 80 per message reserved at first.
        demo::LargeHistory options = oneLargeConversation(680'000);
        options.longShare = 0.2;
        const auto file = ensure("conversation-680k-long.db", options);
        const auto out = bench::dataDir() / "exports-long";
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        const auto run = bench::runProcess(
            {TOVIK_EXPORT_BINARY, "export", "--db", file.string(), "--id", id, "--out", out.string()});
        const std::uintmax_t fileBytes = largestFileIn(out);
        std::printf("export of a 680,000-message conversation with longer messages (%s)\n", file.filename().c_str());
        printPeak(run.peakBytes, fileBytes);
        std::filesystem::remove_all(out);
    }
    {
        demo::LargeHistory options;
        options.chats = 5000;
        options.messages = 2'000'000;
        options.largestConversation = 1000;
        const auto file = ensure("small-in-2m.db", options);
        const auto conversation = conversationOf(file, id);
        const auto out = bench::dataDir() / "exports-small";
        std::filesystem::create_directories(out);
        const double seconds = bench::bestSeconds(5, [&] {
            auto store = store::MessagesStore::open(file);
            auto built = exporter::buildExport(*store, conversation, {});
            auto written = exporter::writeExport(built->text, conversation.title, out);
            if (!written) {
                std::cerr << written.error().detail << "\n";
                std::exit(1);
            }
        });
        std::filesystem::remove_all(out);
        std::printf("export of a %lld-message conversation inside a 2,000,000-message database\n",
                    static_cast<long long>(conversation.count));
        std::printf("  buildExport + writeExport %9.1f ms (target under 50 ms): %s\n", seconds * 1000,
                    seconds < 0.05 ? "met" : "NOT met");
    }
    return 0;
}
