#include "catalogue/conversation.h"

#include "common/text.h"

#include <algorithm>

namespace catalogue
{

namespace
{

bool sameTexts(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const std::string &x, const std::string &y) {
        return common::canonicallyEqual(x, y);
    });
}

void combine(std::size_t &seed, std::size_t value)
{
    seed ^= value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
}

void combineText(std::size_t &seed, const std::string &text)
{
    combine(seed, std::hash<std::string>{}(common::toNFC(text)));
}

void combineDate(std::size_t &seed, const std::optional<common::Instant> &date)
{
    combine(seed, date.has_value() ? 1 : 0);
    if (date)
        combine(seed, std::hash<double>{}(common::unixSeconds(*date)));
}

} // namespace

bool Conversation::operator==(const Conversation &other) const
{
    return common::canonicallyEqual(id, other.id) && chatIDs == other.chatIDs
        && common::canonicallyEqual(title, other.title) && isGroup == other.isGroup && sameTexts(members, other.members)
        && sameTexts(handles, other.handles) && count == other.count && first == other.first && last == other.last;
}

std::size_t hashValue(const Conversation &conversation)
{
    std::size_t seed = 0;
    combineText(seed, conversation.id);
    for (const std::int64_t chat : conversation.chatIDs)
        combine(seed, std::hash<std::int64_t>{}(chat));
    combineText(seed, conversation.title);
    combine(seed, conversation.isGroup ? 1 : 0);
    for (const std::string &member : conversation.members)
        combineText(seed, member);
    for (const std::string &handle : conversation.handles)
        combineText(seed, handle);
    combine(seed, std::hash<std::int64_t>{}(conversation.count));
    combineDate(seed, conversation.first);
    combineDate(seed, conversation.last);
    return seed;
}

} // namespace catalogue
