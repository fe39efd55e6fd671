#include "export/messages.h"

#include "catalogue/apple_date.h"
#include "common/utf8.h"
#include "export/attributed_body.h"

#include <vector>

namespace exporter
{

namespace
{

constexpr std::string_view objectReplacement = "\xEF\xBF\xBC"; // U+FFFC

std::string placeholders(std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += i == 0 ? "?" : ",?";
    return list;
}

std::vector<store::Parameter> chatParameters(const catalogue::Conversation &conversation)
{
    std::vector<store::Parameter> parameters;
    parameters.reserve(conversation.chatIDs.size());
    for (const std::int64_t chat : conversation.chatIDs)
        parameters.emplace_back(chat);
    return parameters;
}

} // namespace

std::string messageQuery(const store::MessagesStore &store, std::size_t chatCount)
{
    using store::OptionalColumn;
    std::string sql = "SELECT DISTINCT m.ROWID, m.date, m.is_from_me, h.id, m.text, ";
    sql += store.select(OptionalColumn::AttributedBody);
    sql += ",\n       ";
    sql += store.select(OptionalColumn::CacheHasAttachments);
    sql += ", ";
    sql += store.select(OptionalColumn::IsAudioMessage);
    sql += ", ";
    sql += store.select(OptionalColumn::BalloonBundleId);
    sql += ",\n       ";
    sql += store.select(OptionalColumn::DateRetracted);
    sql += ", ";
    sql += store.select(OptionalColumn::DateEdited);
    sql += "\nFROM chat_message_join cmj\n"
           "JOIN message m ON m.ROWID = cmj.message_id\n"
           "LEFT JOIN handle h ON h.ROWID = m.handle_id\n"
           "WHERE cmj.chat_id IN (";
    sql += placeholders(chatCount);
    sql += ") AND ";
    sql += store.countableFilter();
    sql += "\nORDER BY m.date, m.ROWID";
    return sql;
}

std::string reactionQuery(const store::MessagesStore &store, std::size_t chatCount)
{
    std::string sql =
        "SELECT COUNT(DISTINCT m.ROWID) FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\n"
        "WHERE cmj.chat_id IN (";
    sql += placeholders(chatCount);
    sql += ") AND ";
    sql += store.select(store::OptionalColumn::AssociatedMessageType);
    sql += " BETWEEN 2000 AND 3999";
    return sql;
}

common::Result<void, store::SQLiteDB::Failure>
readMessages(store::MessagesStore &store, const catalogue::Conversation &conversation, const MessageCallback &onMessage)
{
    std::string repaired;
    std::optional<std::string> fromBody;
    return store.db().execute(messageQuery(store, conversation.chatIDs.size()), chatParameters(conversation),
                              [&](const store::Statement &row) {
                                  const auto instant = catalogue::appleDate(row.integer(1));
                                  if (!instant)
                                      return store::RowFlow::Continue;
                                  MessageValues values;
                                  values.instant = *instant;
                                  values.fromMe = row.integer(2) != 0;
                                  if (!row.isNull(3))
                                      values.handle = row.textView(3);
                                  values.text = row.textView(4);
                                  if (values.text.empty() || values.text == objectReplacement) {
                                      fromBody = std::nullopt;
                                      const std::string_view body = row.bytesView(5);
                                      if (!body.empty())
                                          fromBody = textFromAttributedBody(body);
                                      if (fromBody)
                                          values.text = *fromBody;
                                  }
                                  if (!common::isValidUtf8(values.text)) {
                                      repaired = common::repairUtf8(values.text);
                                      values.text = repaired;
                                  }
                                  std::string handleCopy;
                                  if (values.handle && !common::isValidUtf8(*values.handle)) {
                                      handleCopy = common::repairUtf8(*values.handle);
                                      values.handle = handleCopy;
                                  }
                                  values.media = row.integer(6) != 0 || row.integer(7) != 0 || !row.textView(8).empty();
                                  values.retracted = row.integer(9) > 0;
                                  values.edited = row.integer(10) > 0;
                                  onMessage(values);
                                  return store::RowFlow::Continue;
                              });
}

common::Result<std::int64_t, store::SQLiteDB::Failure> countReactions(store::MessagesStore &store,
                                                                      const catalogue::Conversation &conversation)
{
    std::int64_t count = 0;
    auto counted = store.db().execute(reactionQuery(store, conversation.chatIDs.size()), chatParameters(conversation),
                                      [&](const store::Statement &row) {
                                          count = row.integer(0);
                                          return store::RowFlow::Continue;
                                      });
    RETURN_IF_FAILED(counted);
    return count;
}

} // namespace exporter
