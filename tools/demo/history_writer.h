#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace demo
{

// A small deterministic random source (splitmix64), the same on every platform for a seed.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next();
    // Uniform in [0, bound); bound > 0.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    bool chance(double probability) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < probability; }
    template<typename T>
    const T &pick(const std::vector<T> &items)
    {
        return items[below(items.size())];
    }

private:
    std::uint64_t m_state;
};

// One message row as the Messages application stores it; only the columns the demo varies.
struct MessageRow {
    std::int64_t date = 0; // raw: seconds or nanoseconds since 2001
    bool fromMe = false;
    std::int64_t handle = 0; // handle ROWID, 0 for none
    std::optional<std::string> text;
    std::optional<std::string> attributedBody;
    std::int64_t itemType = 0;
    std::int64_t associatedType = 0;
    bool hasAttachments = false;
    bool isAudio = false;
    std::optional<std::string> balloonBundleId;
    std::int64_t dateRetracted = 0;
    std::int64_t dateEdited = 0;
};

// Writes a new Messages database with the real (recent) schema, row by row, in write-ahead-log
// mode. Throws nothing; a failure is reported by `commit`.
class HistoryWriter
{
public:
    // Creates the file (its folder must exist); an existing file is replaced.
    explicit HistoryWriter(const std::filesystem::path &file);
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter &) = delete;
    HistoryWriter &operator=(const HistoryWriter &) = delete;

    std::int64_t addHandle(const std::string &id, const std::string &service);
    std::int64_t addChat(const std::string &identifier,
                         std::int64_t style,
                         const std::string &displayName,
                         const std::string &service,
                         const std::vector<std::int64_t> &handles);
    std::int64_t addMessage(const std::vector<std::int64_t> &chats, const MessageRow &message);

    // Commits what was written so far into the database file itself; what follows stays in its
    // -wal, as the latest messages of a Mac's chat.db do.
    void keepRestInLog();

    // Commits (into the -wal, from the last keepRestInLog on) and closes; returns SQLite's
    // message on failure.
    std::optional<std::string> commit();

private:
    void exec(const char *sql);
    sqlite3_stmt *prepare(const char *sql);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_handle = nullptr;
    sqlite3_stmt *m_chat = nullptr;
    sqlite3_stmt *m_chatHandle = nullptr;
    sqlite3_stmt *m_message = nullptr;
    sqlite3_stmt *m_chatMessage = nullptr;
    std::int64_t m_guid = 0;
    std::optional<std::string> m_error;
};

} // namespace demo
