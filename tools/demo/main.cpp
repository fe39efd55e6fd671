// tovik-demo-history: writes the bundled demo Messages history into a folder laid out like a
// home folder (Library/Messages/chat.db and contacts.vcf), or a large history for benchmarks.
#include "demo/demo_history.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace
{

int usage()
{
    std::cerr << "usage: tovik-demo-history --home DIR [--seed N]\n"
                 "       tovik-demo-history --large FILE [--chats N] [--messages N] [--largest N] [--long-share X] "
                 "[--seed N]\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::string home;
    std::string large;
    demo::LargeHistory options;
    std::uint64_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--home" && hasValue)
            home = argv[++i];
        else if (arg == "--large" && hasValue)
            large = argv[++i];
        else if (arg == "--seed" && hasValue)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--chats" && hasValue)
            options.chats = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--messages" && hasValue)
            options.messages = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--largest" && hasValue)
            options.largestConversation = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--long-share" && hasValue)
            options.longShare = std::strtod(argv[++i], nullptr);
        else
            return usage();
    }
    if (home.empty() == large.empty())
        return usage();

    if (!large.empty()) {
        options.seed = seed;
        if (auto failed = demo::writeLargeHistory(large, options)) {
            std::cerr << "tovik-demo-history: " << *failed << "\n";
            return 1;
        }
        std::cout << "wrote " << large << " (" << options.chats << " chats, " << options.messages << " messages)\n";
        return 0;
    }
    demo::Summary summary;
    if (auto failed = demo::writeDemoHistory(home, seed, summary)) {
        std::cerr << "tovik-demo-history: " << *failed << "\n";
        return 1;
    }
    std::cout << "wrote " << home << "/Library/Messages/chat.db (" << summary.chats << " chats, " << summary.messages
              << " messages), " << home << "/contacts.vcf and the same as an iPhone backup in "
              << demo::demoBackupFolder(home).string() << "\n";
    return 0;
}
