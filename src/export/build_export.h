#pragma once

#include "catalogue/conversation.h"
#include "contacts/contacts_index.h"
#include "export/export_result.h"
#include "store/messages_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// The sender line of a name: line feeds become spaces, tab and space separators are trimmed,
// and an empty result reads "Unknown".
[[nodiscard]] std::string senderLine(std::string_view name);

// The Olson id of the system's time zone as it is now (TZ, else the /etc/localtime link, else
// /etc/timezone), or the empty text when none can be read. Read without touching ICU's cached
// default zone, which other threads may be using.
[[nodiscard]] std::string systemTimeZoneId();

// Builds the export text of a conversation: one block per kept message (timestamp line, sender
// line, body, empty line), in stored-date order, with its statistics. Timestamps are written in
// `timeZone` (an Olson id) or, without one, in the system's time zone as it is at this call.
// Fails, with nothing returned, when a query cannot be prepared or the database fails
// part-way through, so that a partial conversation is never taken for the whole.
[[nodiscard]] common::Result<ExportResult, store::SQLiteDB::Failure>
buildExport(store::MessagesStore &store,
            const catalogue::Conversation &conversation,
            const contacts::ContactsIndex &contacts,
            std::optional<std::string_view> timeZone = std::nullopt);

} // namespace exporter
