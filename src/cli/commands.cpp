#include "cli/commands.h"

#include "catalogue/conversations.h"
#include "cli/json.h"
#include "cli/local_time.h"
#include "cli/password.h"
#include "cli/sources_output.h"
#include "common/home.h"
#include "common/terminal_text.h"
#include "common/text.h"
#include "common/version.h"
#include "contacts/contacts_index.h"
#include "contacts/vcard_contacts_service.h"
#include "contacts/vcard_reader.h"
#include "export/export_conversation.h"
#include "sources/encrypted_backup.h"
#include "store/messages_store.h"

#include <algorithm>
#include <climits>
#include <iomanip>
#include <sstream>

namespace cli
{

using common::terminalText;

namespace
{

// The contacts of the file, as if access had been granted; an empty index without a file.
common::Result<contacts::ContactsIndex> loadContacts(const std::optional<std::filesystem::path> &file)
{
    if (!file)
        return contacts::ContactsIndex{};
    contacts::VCardContactsService service(*file);
    if (service.authorizationStatus() != contacts::AuthorizationStatus::Authorized)
        return common::failure(
            common::Error{common::Error::Kind::NotFound, "cannot read the contacts file " + file->string()});
    // Said before reading anything: the file is too large to be an address book.
    std::error_code error;
    if (const auto size = std::filesystem::file_size(*file, error); !error && size > contacts::maxVCardFileBytes)
        return common::failure(
            common::Error{common::Error::Kind::Invalid,
                          "the contacts file " + file->string() + " " + contacts::tooLargeForContacts(size)});
    contacts::ContactsIndex index = contacts::ContactsIndex::build(service);
    // Names from half a file, or none, would pass for a file without those people.
    if (const auto &failed = service.failure())
        return common::failure(common::Error{failed->kind, "cannot use the contacts file: " + failed->detail});
    return index;
}

std::optional<double> seconds(const std::optional<common::Instant> &instant)
{
    if (!instant)
        return std::nullopt;
    return common::unixSeconds(*instant);
}

std::string localDate(const std::optional<common::Instant> &instant)
{
    return localTimeText(instant ? std::optional(common::unixSeconds(*instant)) : std::nullopt, "%Y-%m-%d");
}

std::string jsonStrings(const std::vector<std::string> &texts)
{
    std::string out = "[";
    for (std::size_t i = 0; i < texts.size(); ++i)
        out += (i > 0 ? ", " : "") + jsonString(texts[i]);
    return out + "]";
}

void printJson(const std::vector<catalogue::Conversation> &list, std::ostream &out)
{
    out << "[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto &c = list[i];
        out << (i > 0 ? ",\n " : "\n ") << "{\"id\": " << jsonString(c.id) << ", \"chatIDs\": [";
        for (std::size_t k = 0; k < c.chatIDs.size(); ++k)
            out << (k > 0 ? ", " : "") << c.chatIDs[k];
        out << "], \"title\": " << jsonString(c.title) << ", \"isGroup\": " << (c.isGroup ? "true" : "false")
            << ", \"members\": " << jsonStrings(c.members) << ", \"handles\": " << jsonStrings(c.handles)
            << ", \"count\": " << c.count << ", \"first\": " << jsonNumber(seconds(c.first))
            << ", \"last\": " << jsonNumber(seconds(c.last)) << "}";
    }
    out << (list.empty() ? "]\n" : "\n]\n");
}

void printTable(const std::vector<catalogue::Conversation> &list, std::ostream &out)
{
    out << std::setw(9) << "MESSAGES"
        << "  " << std::left << std::setw(23) << "DATES"
        << "  TITLE  [ID]" << std::right << "\n";
    for (const auto &c : list) {
        out << std::setw(9) << c.count << "  " << localDate(c.first) << " – " << localDate(c.last) << "  "
            << terminalText(c.title) << (c.isGroup ? " (group)" : "") << "  [" << terminalText(c.id) << "]\n";
    }
    out << list.size() << (list.size() == 1 ? " conversation\n" : " conversations\n");
}

int databaseFailure(std::ostream &err, const std::filesystem::path &db, const store::SQLiteDB::Failure &failure)
{
    err << "tovik-export: " << terminalText(db.string()) << ": " << terminalText(store::describe(failure)) << "\n";
    return Failed;
}

// What both commands start from: the contacts of the file given (if any, else those of a
// backup's address book) and the open database.
struct Inputs {
    std::filesystem::path db;
    contacts::ContactsIndex index;
    store::MessagesStore store;
};

// Fails with the exit status, after saying why on `err`.
common::Result<Inputs, int> openInputs(const std::optional<std::filesystem::path> &database,
                                       const std::optional<std::filesystem::path> &contactsFile,
                                       const std::optional<std::filesystem::path> &passwordFile,
                                       std::ostream &err)
{
    auto index = loadContacts(contactsFile);
    if (!index) {
        err << "tovik-export: " << terminalText(index.error().detail) << "\n";
        return common::failure(int{Failed});
    }
    auto source = sources::openSource(database.value_or(common::defaultMessagesDatabase()));
    if (!source) {
        if (const auto *locked = std::get_if<sources::problem::EncryptedBackup>(&source.error())) {
            const sources::BackupInfo backup = locked->backup;
            auto password = readPassword(passwordFile, backupPasswordPrompt(backup), err);
            if (!password && password.error().kind == PasswordProblem::Kind::Unreadable) {
                err << "tovik-export: " << terminalText(password.error().detail) << "\n";
                return common::failure(int{Failed});
            }
            if (password)
                source = sources::unlockBackup(backup, crypto::textOf(*password));
        }
    }
    if (!source)
        return common::failure(reportSourceProblem(source.error(), err));
    auto db = source->path();
    if (!contactsFile && source->hasAddressBook())
        *index = sources::indexOf(source->addressBook());
    if (!contactsFile && source->addressBookProblem())
        err << "tovik-export: names are left out: " << terminalText(*source->addressBookProblem()) << "\n";
    auto opened = source->openStore();
    if (!opened)
        return common::failure(databaseFailure(err, db, opened.error()));
    return Inputs{std::move(db), std::move(*index), std::move(*opened)};
}

int runList(const ListCommand &command, std::ostream &out, std::ostream &err)
{
    auto inputs = openInputs(command.db, command.contacts, command.passwordFile, err);
    if (!inputs)
        return inputs.error();
    auto list = catalogue::loadConversations(inputs->store, inputs->index);
    if (!list)
        return databaseFailure(err, inputs->db, list.error());
    if (command.json)
        printJson(*list, out);
    else
        printTable(*list, out);
    return Success;
}

int runExport(const ExportCommand &command, std::ostream &out, std::ostream &err)
{
    auto inputs = openInputs(command.db, command.contacts, command.passwordFile, err);
    if (!inputs)
        return inputs.error();
    const std::filesystem::path &db = inputs->db;
    const contacts::ContactsIndex *index = &inputs->index;
    store::MessagesStore &store = inputs->store;

    std::optional<catalogue::Conversation> chosen;
    if (command.id) {
        // Only the chats of this one conversation are counted: no need to list them all.
        auto found = catalogue::findConversationToExport(store, *index, *command.id);
        if (!found)
            return databaseFailure(err, db, found.error());
        chosen = std::move(*found);
    } else {
        auto list = catalogue::loadConversations(store, *index);
        if (!list)
            return databaseFailure(err, db, list.error());
        std::vector<const catalogue::Conversation *> matches;
        for (const auto &conversation : *list) {
            if (common::canonicallyEqual(conversation.title, *command.title))
                matches.push_back(&conversation);
        }
        if (matches.size() > 1) {
            err << "tovik-export: " << matches.size() << " conversations have the title "
                << terminalText(*command.title) << "; choose one with --id:\n";
            for (const auto *match : matches)
                err << "  " << terminalText(match->id) << "  (" << match->count
                    << (match->count == 1 ? " message)\n" : " messages)\n");
            return Usage;
        }
        if (matches.size() == 1)
            chosen = *matches.front();
    }
    if (!chosen) {
        err << "tovik-export: no conversation with "
            << terminalText(command.id ? "id " + *command.id : "title " + *command.title)
            << " (see 'tovik-export list')\n";
        return Usage;
    }

    auto exported = exporter::exportConversation(store, *chosen, *index, command.out);
    if (!exported) {
        const exporter::ExportFailure &failure = exported.error();
        if (failure.step == exporter::ExportFailure::Step::Database)
            err << "tovik-export: " << terminalText(db.string()) << ": " << terminalText(failure.reason) << "\n";
        else
            err << "tovik-export: cannot write the export: " << terminalText(failure.reason) << "\n";
        return Failed;
    }
    const std::filesystem::path &written = exported->file;
    const exporter::ExportResult &built = exported->built;

    if (!command.json) {
        out << terminalText(written.string()) << "\n";
        return Success;
    }
    out << "{\"path\": " << jsonString(written.string()) << ", \"messages\": " << built.messages << ", \"senders\": {";
    bool firstSender = true;
    for (const auto &[sender, count] : built.senders) {
        out << (firstSender ? "" : ", ") << jsonString(sender) << ": " << count;
        firstSender = false;
    }
    out << "}, \"first\": " << jsonNumber(seconds(built.first)) << ", \"last\": " << jsonNumber(seconds(built.last))
        << ", \"media\": " << built.media << ", \"unsent\": " << built.unsent
        << ", \"skippedReactions\": " << built.skippedReactions << "}\n";
    return Success;
}

} // namespace

int run(const Command &command, std::ostream &out, std::ostream &err)
{
    if (std::holds_alternative<HelpCommand>(command)) {
        out << usageText();
        return Success;
    }
    if (std::holds_alternative<VersionCommand>(command)) {
        out << "tovik-export " << common::programVersion << "\n";
        return Success;
    }
    if (const auto *list = std::get_if<ListCommand>(&command))
        return runList(*list, out, err);
    if (const auto *backups = std::get_if<BackupsCommand>(&command))
        return runBackups(*backups, out, err);
    return runExport(std::get<ExportCommand>(command), out, err);
}

int run(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err)
{
    auto command = parseArguments(arguments);
    if (!command) {
        err << "tovik-export: " << terminalText(command.error().message) << "\n" << usageText();
        return Usage;
    }
    return run(*command, out, err);
}

} // namespace cli
