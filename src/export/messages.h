#pragma once

#include "catalogue/conversation.h"
#include "common/instant.h"
#include "store/messages_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// The values of one message row as the export needs them. The views are valid only during the
// callback that receives them.
struct MessageValues {
    common::Instant instant;
    bool fromMe = false;
    std::optional<std::string_view> handle; // none when the message has no handle row
    std::string_view text; // after the archived-body rule; well-formed UTF-8
    bool media = false; // attachments, a voice message or an app message
    bool retracted = false;
    bool edited = false;
};

using MessageCallback = std::function<void(const MessageValues &)>;

// The message query of a conversation: every countable message of its chats, once each, in
// stored-date order with ties by ROWID; a column the database lacks reads as its neutral value
// (MessagesStore::select). Exposed for tests and benchmarks.
[[nodiscard]] std::string messageQuery(const store::MessagesStore &store, std::size_t chatCount);
// The number of reactions among the messages of a conversation's chats: none where the
// database has no associated_message_type.
[[nodiscard]] std::string reactionQuery(const store::MessagesStore &store, std::size_t chatCount);

// Reads the conversation's messages and calls `onMessage` for each one that has a date. Where
// the plain text is empty or a lone U+FFFC, the text comes from the archived body when one can
// be read. Fails when the query cannot be prepared or the database fails part-way through.
[[nodiscard]] common::Result<void, store::SQLiteDB::Failure> readMessages(store::MessagesStore &store,
                                                                          const catalogue::Conversation &conversation,
                                                                          const MessageCallback &onMessage);

// The number of reactions (association types 2000 to 3999) in the conversation's chats.
[[nodiscard]] common::Result<std::int64_t, store::SQLiteDB::Failure>
countReactions(store::MessagesStore &store, const catalogue::Conversation &conversation);

} // namespace exporter
