#pragma once

#include "catalogue/conversation.h"
#include "common/result.h"
#include "contacts/contacts_index.h"
#include "export/export_result.h"
#include "store/messages_store.h"

#include <filesystem>
#include <optional>
#include <string>

namespace exporter
{

// A conversation written to its file: where it went and what it holds.
struct WrittenExport {
    std::filesystem::path file;
    ExportResult built;
};

// Why an export was not written. `reason` is English for diagnostics; the window never shows it.
struct ExportFailure {
    enum class Step {
        Database, // the database could not be opened or read: describe() of its failure
        Write, // the file could not be written: the file layer's detail
    };
    Step step = Step::Database;
    std::string reason;
    common::Error::Kind kind = common::Error::Kind::Io; // of a Write failure: what the file layer met
};

// The export of one conversation from start to end: builds its text from `store` and writes it
// with writeExport into `folder` (default: the Downloads folder). Nothing is written when the
// text cannot be built whole.
[[nodiscard]] common::Result<WrittenExport, ExportFailure>
exportConversation(store::MessagesStore &store,
                   const catalogue::Conversation &conversation,
                   const contacts::ContactsIndex &contacts,
                   std::optional<std::filesystem::path> folder = std::nullopt);

// The same over its own read-only connection to the database at `database`, closed again before
// this returns.
[[nodiscard]] common::Result<WrittenExport, ExportFailure>
exportConversation(const std::filesystem::path &database,
                   const catalogue::Conversation &conversation,
                   const contacts::ContactsIndex &contacts,
                   std::optional<std::filesystem::path> folder = std::nullopt);

} // namespace exporter
