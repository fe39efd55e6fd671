#include "demo/history_writer.h"

#include "demo/schema_sql.h"

#include <sqlite3.h>

#include <string>

namespace demo
{

std::uint64_t Random::next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

HistoryWriter::HistoryWriter(const std::filesystem::path &file)
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    if (sqlite3_open(file.c_str(), &m_db) != SQLITE_OK) {
        m_error = sqlite3_errmsg(m_db);
        return;
    }
    // In write-ahead-log mode, as Messages keeps it, with no checkpoint but those asked for, so
    // that what is written after the last one stays in the -wal (see keepRestInLog).
    exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; PRAGMA synchronous=OFF; BEGIN;");
    exec(recentSchemaSql);
    m_handle = prepare("INSERT INTO handle (id, service, country, uncanonicalized_id) VALUES (?, ?, 'us', ?)");
    m_chat = prepare("INSERT INTO chat (guid, style, chat_identifier, service_name, display_name, account_login) "
                     "VALUES (?, ?, ?, ?, ?, 'E:me@example.com')");
    m_chatHandle = prepare("INSERT INTO chat_handle_join (chat_id, handle_id) VALUES (?, ?)");
    m_message = prepare("INSERT INTO message (guid, text, handle_id, service, date, date_read, date_delivered, "
                        "is_from_me, is_delivered, is_finished, is_sent, is_read, attributedBody, item_type, "
                        "associated_message_type, associated_message_guid, cache_has_attachments, "
                        "is_audio_message, balloon_bundle_id, date_retracted, date_edited) "
                        "VALUES (?, ?, ?, 'iMessage', ?, ?, ?, ?, 1, 1, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    m_chatMessage = prepare("INSERT INTO chat_message_join (chat_id, message_id, message_date) VALUES (?, ?, ?)");
}

HistoryWriter::~HistoryWriter()
{
    for (sqlite3_stmt *stmt : {m_handle, m_chat, m_chatHandle, m_message, m_chatMessage})
        sqlite3_finalize(stmt);
    // Closing would otherwise checkpoint the log into the database and remove it.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(m_db);
}

void HistoryWriter::exec(const char *sql)
{
    if (m_error)
        return;
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        m_error = error != nullptr ? error : "exec failed";
    sqlite3_free(error);
}

sqlite3_stmt *HistoryWriter::prepare(const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (!m_error && sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        m_error = sqlite3_errmsg(m_db);
    return stmt;
}

namespace
{

bool run(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return rc == SQLITE_DONE;
}

void bindText(sqlite3_stmt *stmt, int index, const std::optional<std::string> &text)
{
    if (text)
        sqlite3_bind_text(stmt, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(stmt, index);
}

} // namespace

std::int64_t HistoryWriter::addHandle(const std::string &id, const std::string &service)
{
    if (m_error)
        return 0;
    bindText(m_handle, 1, id);
    bindText(m_handle, 2, service);
    bindText(m_handle, 3, id);
    if (!run(m_handle))
        m_error = sqlite3_errmsg(m_db);
    return sqlite3_last_insert_rowid(m_db);
}

std::int64_t HistoryWriter::addChat(const std::string &identifier,
                                    std::int64_t style,
                                    const std::string &displayName,
                                    const std::string &service,
                                    const std::vector<std::int64_t> &handles)
{
    if (m_error)
        return 0;
    bindText(m_chat, 1, service + ";" + (style == 43 ? "+" : "-") + ";" + identifier + "#" + std::to_string(++m_guid));
    sqlite3_bind_int64(m_chat, 2, style);
    bindText(m_chat, 3, identifier);
    bindText(m_chat, 4, service);
    if (displayName.empty())
        sqlite3_bind_null(m_chat, 5);
    else
        bindText(m_chat, 5, displayName);
    if (!run(m_chat))
        m_error = sqlite3_errmsg(m_db);
    const std::int64_t chat = sqlite3_last_insert_rowid(m_db);
    for (const std::int64_t handle : handles) {
        sqlite3_bind_int64(m_chatHandle, 1, chat);
        sqlite3_bind_int64(m_chatHandle, 2, handle);
        if (!run(m_chatHandle))
            m_error = sqlite3_errmsg(m_db);
    }
    return chat;
}

std::int64_t HistoryWriter::addMessage(const std::vector<std::int64_t> &chats, const MessageRow &message)
{
    if (m_error)
        return 0;
    sqlite3_stmt *s = m_message;
    const std::string guid = "D3M0-" + std::to_string(++m_guid);
    bindText(s, 1, guid);
    bindText(s, 2, message.text);
    sqlite3_bind_int64(s, 3, message.fromMe ? 0 : message.handle);
    sqlite3_bind_int64(s, 4, message.date);
    sqlite3_bind_int64(s, 5, message.fromMe ? 0 : message.date);
    sqlite3_bind_int64(s, 6, message.fromMe ? message.date : 0);
    sqlite3_bind_int64(s, 7, message.fromMe ? 1 : 0);
    sqlite3_bind_int64(s, 8, message.fromMe ? 1 : 0);
    if (message.attributedBody)
        sqlite3_bind_blob(s, 9, message.attributedBody->data(), static_cast<int>(message.attributedBody->size()),
                          SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(s, 9);
    sqlite3_bind_int64(s, 10, message.itemType);
    sqlite3_bind_int64(s, 11, message.associatedType);
    if (message.associatedType != 0)
        bindText(s, 12, "p:0/D3M0-" + std::to_string(m_guid - 1));
    else
        sqlite3_bind_null(s, 12);
    sqlite3_bind_int64(s, 13, message.hasAttachments ? 1 : 0);
    sqlite3_bind_int64(s, 14, message.isAudio ? 1 : 0);
    bindText(s, 15, message.balloonBundleId);
    sqlite3_bind_int64(s, 16, message.dateRetracted);
    sqlite3_bind_int64(s, 17, message.dateEdited);
    if (!run(s))
        m_error = sqlite3_errmsg(m_db);
    const std::int64_t id = sqlite3_last_insert_rowid(m_db);
    for (const std::int64_t chat : chats) {
        sqlite3_bind_int64(m_chatMessage, 1, chat);
        sqlite3_bind_int64(m_chatMessage, 2, id);
        sqlite3_bind_int64(m_chatMessage, 3, message.date);
        if (!run(m_chatMessage))
            m_error = sqlite3_errmsg(m_db);
    }
    return id;
}

void HistoryWriter::keepRestInLog()
{
    exec("COMMIT; PRAGMA wal_checkpoint(TRUNCATE); BEGIN;");
}

std::optional<std::string> HistoryWriter::commit()
{
    exec("COMMIT;");
    return m_error;
}

} // namespace demo
