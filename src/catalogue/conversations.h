#pragma once

#include "catalogue/conversation.h"
#include "catalogue/parallel_chat_rows.h"
#include "contacts/contacts_index.h"
#include "store/messages_store.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue
{

// The conversation key of one handle: "c:" + the contact's identifier when the index knows
// the handle, else "e:" + the lowercased address for an e-mail handle, else "p:" + its phone
// key (or the handle itself when it has none).
[[nodiscard]] std::string handleKey(std::string_view handle, const contacts::ContactsIndex &contacts);

// The first word of a name: split at U+0020 only; a name without any piece is kept whole.
[[nodiscard]] std::string firstWord(const std::string &name);

// Reads every chat and merges chats of one correspondent (or one set of correspondents) into
// titled conversations, most messages first, then by title. Chats are visited in ascending
// ROWID order, so the result is the same for the same database and contacts. Fails only where
// reading the chat rows fails.
// The chat rows are read on several connections at once where that pays (defaultConnectionPlan,
// chatRowsInParallel); the list is the same either way.
[[nodiscard]] common::Result<std::vector<Conversation>, store::SQLiteDB::Failure>
loadConversations(store::MessagesStore &store, const contacts::ContactsIndex &contacts);

// The same with the further connections and their plan given.
[[nodiscard]] common::Result<std::vector<Conversation>, store::SQLiteDB::Failure>
loadConversations(store::MessagesStore &store,
                  const ConnectionOpener &openMore,
                  const contacts::ContactsIndex &contacts,
                  const ConnectionPlan &plan);

// The conversation with the key `id`, as loadConversations would list it, or nothing when the
// list has no such entry. Only the chats that share that key have their messages counted, so
// finding one conversation costs little even in a history of millions of messages.
[[nodiscard]] common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findConversation(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id);

// The conversation with the key `id` as an export needs it: the same chats, title, members and
// handles as the list's entry, found without counting its messages where that can be avoided
// (a conversation of one chat). Its `count` is then only an upper bound of the countable
// messages, enough to size the export text, and `first` and `last` are absent.
[[nodiscard]] common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findConversationToExport(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id);

// The merging step on its own, for chat rows read already.
[[nodiscard]] std::vector<Conversation>
buildConversations(const std::vector<std::pair<std::int64_t, store::MessagesStore::ChatRow>> &rowsByAscendingId,
                   const contacts::ContactsIndex &contacts);

} // namespace catalogue
