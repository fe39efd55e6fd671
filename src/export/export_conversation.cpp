#include "export/export_conversation.h"

#include "export/build_export.h"
#include "export/export_file.h"

#include <utility>

namespace exporter
{

namespace
{

ExportFailure databaseFailure(const store::SQLiteDB::Failure &failure)
{
    return {ExportFailure::Step::Database, store::describe(failure), common::Error::Kind::Io};
}

} // namespace

common::Result<WrittenExport, ExportFailure> exportConversation(store::MessagesStore &store,
                                                                const catalogue::Conversation &conversation,
                                                                const contacts::ContactsIndex &contacts,
                                                                std::optional<std::filesystem::path> folder)
{
    // Built whole, and confirmed, before anything is written.
    auto built = store.readConsistently([&](store::MessagesStore &opened) {
        return buildExport(opened, conversation, contacts);
    });
    if (!built)
        return common::failure(databaseFailure(built.error()));
    auto written = writeExport(built->text, conversation.title, std::move(folder));
    if (!written)
        return common::failure(
            ExportFailure{ExportFailure::Step::Write, std::move(written.error().detail), written.error().kind});
    return WrittenExport{std::move(*written), std::move(*built)};
}

common::Result<WrittenExport, ExportFailure> exportConversation(const std::filesystem::path &database,
                                                                const catalogue::Conversation &conversation,
                                                                const contacts::ContactsIndex &contacts,
                                                                std::optional<std::filesystem::path> folder)
{
    auto store = store::MessagesStore::open(database);
    if (!store)
        return common::failure(databaseFailure(store.error()));
    return exportConversation(*store, conversation, contacts, std::move(folder));
}

} // namespace exporter
