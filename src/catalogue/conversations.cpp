#include "catalogue/conversations.h"

#include "catalogue/apple_date.h"
#include "catalogue/chat_rows.h"
#include "common/text.h"

#include <algorithm>
#include <unordered_map>

namespace catalogue
{

namespace
{

constexpr std::int64_t groupStyle = 43;

// A text with its NFC form, which decides both order (UTF-8 byte order of NFC is the order of
// its scalar values) and equality (canonical equivalence).
struct Keyed {
    std::string composed;
    std::string original;
};

// The distinct values of `texts` (canonically equal ones once, first spelling kept), ascending.
std::vector<std::string> distinctSorted(const std::vector<std::string> &texts)
{
    std::vector<Keyed> keyed;
    keyed.reserve(texts.size());
    for (const std::string &text : texts)
        keyed.push_back({common::toNFC(text), text});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return a.composed < b.composed;
    });
    keyed.erase(std::unique(keyed.begin(), keyed.end(),
                            [](const Keyed &a, const Keyed &b) {
                                return a.composed == b.composed;
                            }),
                keyed.end());
    std::vector<std::string> out;
    out.reserve(keyed.size());
    for (Keyed &entry : keyed)
        out.push_back(std::move(entry.original));
    return out;
}

void appendUnlessPresent(std::vector<std::string> &list, const std::string &text)
{
    const bool present = std::any_of(list.begin(), list.end(), [&](const std::string &existing) {
        return common::canonicallyEqual(existing, text);
    });
    if (!present)
        list.push_back(text);
}

std::string groupTitle(const std::vector<std::string> &members)
{
    std::string title;
    const std::size_t shown = std::min<std::size_t>(members.size(), 3);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0)
            title += ", ";
        title += firstWord(members[i]);
    }
    if (members.size() > 3)
        title += " +" + std::to_string(members.size() - 3);
    return title;
}

struct ChatKey {
    std::string key;
    bool isGroup = false;
};

// The conversation key of one chat from its distinct, sorted handles.
ChatKey chatKey(std::int64_t rowid,
                std::int64_t style,
                const std::vector<std::string> &handles,
                const contacts::ContactsIndex &contacts)
{
    if (handles.empty())
        return {"x:" + std::to_string(rowid), style == groupStyle};
    if (handles.size() == 1 && style != groupStyle)
        return {handleKey(handles.front(), contacts), false};
    std::vector<std::string> keys;
    keys.reserve(handles.size());
    for (const std::string &handle : handles)
        keys.push_back(handleKey(handle, contacts));
    keys = distinctSorted(keys);
    std::string key = "g:";
    for (std::size_t i = 0; i < keys.size(); ++i)
        key += (i > 0 ? "," : "") + keys[i];
    return {std::move(key), true};
}

std::vector<std::pair<std::int64_t, store::MessagesStore::ChatRow>> ascendingById(ChatRowMap rows)
{
    std::vector<std::pair<std::int64_t, store::MessagesStore::ChatRow>> ordered(std::make_move_iterator(rows.begin()),
                                                                                std::make_move_iterator(rows.end()));
    std::sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) {
        return a.first < b.first;
    });
    return ordered;
}

} // namespace

std::string handleKey(std::string_view handle, const contacts::ContactsIndex &contacts)
{
    if (const auto *entry = contacts.lookup(handle))
        return "c:" + entry->id;
    if (handle.find('@') != std::string_view::npos)
        return "e:" + common::lowercasedComposed(handle);
    if (const auto key = contacts::phoneKey(handle))
        return "p:" + *key;
    return "p:" + common::toNFC(handle);
}

std::string firstWord(const std::string &name)
{
    std::size_t start = 0;
    while (start < name.size() && name[start] == ' ')
        ++start;
    if (start == name.size())
        return name;
    const std::size_t end = name.find(' ', start);
    return name.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<Conversation>
buildConversations(const std::vector<std::pair<std::int64_t, store::MessagesStore::ChatRow>> &rowsByAscendingId,
                   const contacts::ContactsIndex &contacts)
{
    std::vector<Conversation> conversations;
    std::unordered_map<std::string, std::size_t> byKey;

    for (const auto &[rowid, row] : rowsByAscendingId) {
        if (row.count <= 0)
            continue;
        std::vector<std::string> handles = distinctSorted(row.handles);

        auto [key, isGroup] = chatKey(rowid, row.style, handles, contacts);

        std::vector<std::string> members;
        for (const std::string &handle : handles) {
            const auto *entry = contacts.lookup(handle);
            appendUnlessPresent(members, entry != nullptr ? entry->name : handle);
        }
        if (members.empty())
            members.push_back(row.identifier);

        std::string title;
        if (!row.name.empty())
            title = row.name;
        else if (isGroup)
            title = groupTitle(members);
        else
            title = members.front();

        const auto first = appleDate(row.first);
        const auto last = appleDate(row.last);
        const auto existing = byKey.find(key);
        if (existing == byKey.end()) {
            byKey.emplace(key, conversations.size());
            conversations.push_back(Conversation{std::move(key),
                                                 {rowid},
                                                 std::move(title),
                                                 isGroup,
                                                 std::move(members),
                                                 std::move(handles),
                                                 row.count,
                                                 first,
                                                 last});
            continue;
        }

        Conversation &merged = conversations[existing->second];
        merged.chatIDs.push_back(rowid);
        merged.count += row.count;
        if (first && (!merged.first || *merged.first > *first))
            merged.first = first;
        if (last && (!merged.last || *merged.last < *last)) {
            merged.last = last;
            // A group takes the name of its most recently active chat that has one.
            if (isGroup && !row.name.empty())
                merged.title = row.name;
        }
        for (const std::string &handle : handles)
            appendUnlessPresent(merged.handles, handle);
    }

    // Titles are compared by their composed forms, computed once per conversation.
    std::vector<std::pair<std::string, std::size_t>> order;
    order.reserve(conversations.size());
    for (std::size_t i = 0; i < conversations.size(); ++i)
        order.emplace_back(common::toNFC(conversations[i].title), i);
    std::stable_sort(order.begin(), order.end(), [&](const auto &a, const auto &b) {
        const std::int64_t countA = conversations[a.second].count;
        const std::int64_t countB = conversations[b.second].count;
        if (countA != countB)
            return countA > countB;
        return a.first < b.first;
    });
    std::vector<Conversation> sorted;
    sorted.reserve(conversations.size());
    for (const auto &[title, index] : order)
        sorted.push_back(std::move(conversations[index]));
    return sorted;
}

common::Result<std::vector<Conversation>, store::SQLiteDB::Failure>
loadConversations(store::MessagesStore &store, const contacts::ContactsIndex &contacts)
{
    return loadConversations(store, anotherConnection(), contacts, defaultConnectionPlan());
}

common::Result<std::vector<Conversation>, store::SQLiteDB::Failure>
loadConversations(store::MessagesStore &store,
                  const ConnectionOpener &openMore,
                  const contacts::ContactsIndex &contacts,
                  const ConnectionPlan &plan)
{
    // Every connection opens after the store's stamps were taken and closes before they are
    // checked again, so a change during the read is seen as for one connection.
    auto rows = store.readConsistently([&](store::MessagesStore &opened) {
        return chatRowsInParallel(opened, openMore, plan);
    });
    RETURN_IF_FAILED(rows);
    return buildConversations(ascendingById(std::move(*rows)), contacts);
}

namespace
{

// The chats whose key is `id`: a conversation is exactly these, whatever their counts.
ChatRowMap chatsWithKey(ChatRowMap &rows, const contacts::ContactsIndex &contacts, std::string_view id)
{
    ChatRowMap matching;
    for (auto &[rowid, row] : rows) {
        // Keys are composed; an id typed or pasted in decomposed form names the same chats.
        if (common::canonicallyEqual(chatKey(rowid, row.style, distinctSorted(row.handles), contacts).key, id))
            matching.emplace(rowid, std::move(row));
    }
    return matching;
}

std::optional<Conversation> onlyConversation(ChatRowMap rows, const contacts::ContactsIndex &contacts)
{
    auto found = buildConversations(ascendingById(std::move(rows)), contacts);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findOnce(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id)
{
    auto rows = chatRowsWithoutCounts(store);
    RETURN_IF_FAILED(rows);
    ChatRowMap matching = chatsWithKey(*rows, contacts, id);
    if (matching.empty())
        return std::optional<Conversation>();
    std::vector<std::int64_t> chats;
    for (const auto &[rowid, row] : matching)
        chats.push_back(rowid);
    auto counted = countChats(store, matching, chats);
    RETURN_IF_FAILED(counted);
    return onlyConversation(std::move(matching), contacts);
}

common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findToExportOnce(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id)
{
    auto rows = chatRowsWithoutCounts(store);
    RETURN_IF_FAILED(rows);
    ChatRowMap matching = chatsWithKey(*rows, contacts, id);
    // Several chats: which one names a group depends on their last dates, which only counting
    // gives.
    if (matching.size() != 1)
        return findOnce(store, contacts, id);

    auto &[rowid, row] = *matching.begin();
    // Whether the chat has a countable message at all stops at the first one; the number of its
    // joined messages comes from the join table's index alone.
    std::string sql = "SELECT EXISTS (SELECT 1 FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id "
                      "WHERE cmj.chat_id = ?1 AND ";
    sql += store.countableFilter();
    sql += "), (SELECT COUNT(*) FROM chat_message_join WHERE chat_id = ?1)";
    bool countable = false;
    std::int64_t joined = 0;
    auto probed = store.db().execute(sql, {rowid}, [&](const store::Statement &result) {
        countable = result.integer(0) != 0;
        joined = result.integer(1);
        return store::RowFlow::Continue;
    });
    RETURN_IF_FAILED(probed);
    row.count = countable ? std::max<std::int64_t>(joined, 1) : 0;
    return onlyConversation(std::move(matching), contacts);
}

} // namespace

common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findConversation(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id)
{
    return store.readConsistently([&](store::MessagesStore &opened) {
        return findOnce(opened, contacts, id);
    });
}

common::Result<std::optional<Conversation>, store::SQLiteDB::Failure>
findConversationToExport(store::MessagesStore &store, const contacts::ContactsIndex &contacts, std::string_view id)
{
    return store.readConsistently([&](store::MessagesStore &opened) {
        return findToExportOnce(opened, contacts, id);
    });
}

} // namespace catalogue
