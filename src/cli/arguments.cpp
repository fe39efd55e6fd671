#include "cli/arguments.h"

#include <functional>
#include <map>

namespace cli
{

namespace
{

using Setter = std::function<void(const std::string &)>;

// Reads `--name VALUE` / `--name=VALUE` options and `--json`-style flags into the setters.
common::Result<void, UsageError> readOptions(const std::vector<std::string> &arguments,
                                             std::size_t from,
                                             const std::map<std::string, Setter> &valued,
                                             const std::map<std::string, bool *> &flags)
{
    std::map<std::string, bool> seen;
    for (std::size_t i = from; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (seen[name])
            return common::failure(UsageError{"option " + name + " given twice"});
        seen[name] = true;
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (value)
                return common::failure(UsageError{"option " + name + " takes no value"});
            *flag->second = true;
            continue;
        }
        const auto setter = valued.find(name);
        if (setter == valued.end())
            return common::failure(UsageError{"unknown option or argument: " + arguments[i]});
        if (!value) {
            if (i + 1 >= arguments.size())
                return common::failure(UsageError{"option " + name + " needs a value"});
            value = arguments[++i];
        }
        if (value->empty())
            return common::failure(UsageError{"option " + name + " needs a non-empty value"});
        setter->second(*value);
    }
    return {};
}

} // namespace

std::string usageText()
{
    // The "Usage:" and "or:" lines are the shape help2man reads the man page's synopsis from.
    return "Usage: tovik-export list [--db PATH] [--contacts FILE.vcf] [--password-file FILE] [--json]\n"
           "  or:  tovik-export export (--id ID | --title TITLE) [--db PATH] [--contacts FILE.vcf] [--password-file "
           "FILE] [--out DIR] [--json]\n"
           "  or:  tovik-export backups [DIR] [--json]\n"
           "  or:  tovik-export --help | --version\n"
           "\n"
           "Reads a Messages database (chat.db) or an iPhone backup read-only. 'list' prints its\n"
           "conversations, most messages first; 'export' writes one conversation as a text file into\n"
           "DIR (default: the Downloads folder) without ever replacing a file, and prints the file's\n"
           "path. 'backups' lists the iPhone backups in DIR; without DIR, what the window would find:\n"
           "~/Library/Messages/chat.db, the backups in ~/Library/Application Support/MobileSync/Backup\n"
           "and ~/iPhone-Backup, and those of Windows homes on mounted local disks.\n"
           "\n"
           "  --db PATH           the database file, a backup folder, or a folder holding one backup\n"
           "                      (default: ~/Library/Messages/chat.db)\n"
           "  --contacts FILE     a vCard file whose cards name the people (default for a backup:\n"
           "                      its address book)\n"
           "  --password-file FILE\n"
           "                      the password of an encrypted backup, read from FILE ('-' reads\n"
           "                      standard input); without it, asked for on a terminal. It is the\n"
           "                      backup password set on the iPhone or in iTunes/Finder, not the\n"
           "                      Apple ID password or the phone's passcode\n"
           "  --id ID             the conversation's id as 'list' prints it\n"
           "  --title TITLE       the conversation's title\n"
           "  --out DIR           the folder to write into\n"
           "  --json              machine-readable output\n"
           "\n"
           "Exit status: 0 success, 1 the database or a file could not be read or written,\n"
           "2 usage error or unknown conversation.\n";
}

common::Result<Command, UsageError> parseArguments(const std::vector<std::string> &arguments)
{
    if (arguments.empty())
        return common::failure(UsageError{"a command is needed: list, export or backups"});
    const std::string &command = arguments.front();
    if (command == "--help" || command == "-h" || command == "help") {
        if (arguments.size() > 1)
            return common::failure(UsageError{"--help takes no arguments"});
        return Command{HelpCommand{}};
    }
    if (command == "--version") {
        if (arguments.size() > 1)
            return common::failure(UsageError{"--version takes no arguments"});
        return Command{VersionCommand{}};
    }
    if (command == "list") {
        ListCommand list;
        auto read = readOptions(arguments, 1,
                                {{"--db",
                                  [&](const std::string &v) {
                                      list.db = v;
                                  }},
                                 {"--contacts",
                                  [&](const std::string &v) {
                                      list.contacts = v;
                                  }},
                                 {"--password-file",
                                  [&](const std::string &v) {
                                      list.passwordFile = v;
                                  }}},
                                {{"--json", &list.json}});
        RETURN_IF_FAILED(read);
        return Command{list};
    }
    if (command == "export") {
        ExportCommand run;
        auto read = readOptions(arguments, 1,
                                {{"--id",
                                  [&](const std::string &v) {
                                      run.id = v;
                                  }},
                                 {"--title",
                                  [&](const std::string &v) {
                                      run.title = v;
                                  }},
                                 {"--db",
                                  [&](const std::string &v) {
                                      run.db = v;
                                  }},
                                 {"--contacts",
                                  [&](const std::string &v) {
                                      run.contacts = v;
                                  }},
                                 {"--password-file",
                                  [&](const std::string &v) {
                                      run.passwordFile = v;
                                  }},
                                 {"--out",
                                  [&](const std::string &v) {
                                      run.out = v;
                                  }}},
                                {{"--json", &run.json}});
        RETURN_IF_FAILED(read);
        if (run.id.has_value() == run.title.has_value())
            return common::failure(UsageError{"export needs exactly one of --id and --title"});
        return Command{run};
    }
    if (command == "backups") {
        BackupsCommand backups;
        std::size_t from = 1;
        if (arguments.size() > 1 && arguments[1].rfind('-', 0) != 0) {
            backups.dir = arguments[1];
            from = 2;
        }
        auto read = readOptions(arguments, from, {}, {{"--json", &backups.json}});
        RETURN_IF_FAILED(read);
        return Command{backups};
    }
    return common::failure(UsageError{"unknown command: " + command});
}

} // namespace cli
