#include "list_rules.h"

#include "common/text.h"
#include "common/utf8.h"
#include "l10n/message_count.h"
#include "l10n/strings.h"

namespace ui
{

namespace
{

std::size_t scalarCount(std::string_view text)
{
    std::size_t count = 0;
    common::forEachScalar(text, [&](std::int32_t, std::size_t, std::size_t) {
        ++count;
    });
    return count;
}

// Lower-cased and composed, so that a composed query finds a decomposed title and the reverse.
std::string searchForm(std::string_view text)
{
    return common::lowercasedComposed(text);
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// Horizontal white space (tab and the space separators) trimmed from both ends; line breaks stay.
std::string trimmedTitle(std::string_view text)
{
    return std::string(common::trimSpaceSeparators(common::repairUtf8(text)));
}

} // namespace

SearchQuery makeSearchQuery(std::string_view query)
{
    SearchQuery prepared;
    prepared.text = searchForm(trimmedTitle(query));
    std::string digits = common::numericCharacters(prepared.text);
    if (scalarCount(digits) >= 3)
        prepared.digits = std::move(digits);
    return prepared;
}

SearchKeys makeSearchKeys(const catalogue::Conversation &conversation)
{
    SearchKeys keys;
    keys.title = searchForm(conversation.title);
    keys.members.reserve(conversation.members.size());
    for (const std::string &member : conversation.members)
        keys.members.push_back(searchForm(member));
    keys.handles.reserve(conversation.handles.size());
    keys.handleDigits.reserve(conversation.handles.size());
    for (const std::string &handle : conversation.handles) {
        keys.handles.push_back(searchForm(handle));
        keys.handleDigits.push_back(common::numericCharacters(handle));
    }
    return keys;
}

bool matches(const SearchKeys &keys, const SearchQuery &query)
{
    if (query.isEmpty())
        return true;
    if (contains(keys.title, query.text))
        return true;
    for (const std::string &member : keys.members) {
        if (contains(member, query.text))
            return true;
    }
    for (std::size_t i = 0; i < keys.handles.size(); ++i) {
        if (contains(keys.handles[i], query.text))
            return true;
        if (!query.digits.empty() && contains(keys.handleDigits[i], query.digits))
            return true;
    }
    return false;
}

std::vector<std::size_t> filterConversations(const std::vector<catalogue::Conversation> &conversations,
                                             std::string_view query)
{
    const SearchQuery prepared = makeSearchQuery(query);
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < conversations.size(); ++i) {
        if (prepared.isEmpty() || matches(makeSearchKeys(conversations[i]), prepared))
            positions.push_back(i);
    }
    return positions;
}

ConversationSearch::ConversationSearch(const std::vector<catalogue::Conversation> &conversations)
{
    m_keys.reserve(conversations.size());
    for (const catalogue::Conversation &conversation : conversations)
        m_keys.push_back(makeSearchKeys(conversation));
}

std::vector<std::size_t> ConversationSearch::filter(std::string_view query) const
{
    const SearchQuery prepared = makeSearchQuery(query);
    std::vector<std::size_t> positions;
    positions.reserve(m_keys.size());
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (matches(m_keys[i], prepared))
            positions.push_back(i);
    }
    return positions;
}

const catalogue::Conversation *findConversation(const std::vector<catalogue::Conversation> &conversations,
                                                const std::optional<std::string> &id)
{
    if (!id)
        return nullptr;
    for (const catalogue::Conversation &conversation : conversations) {
        if (conversation.id == *id)
            return &conversation;
    }
    return nullptr;
}

std::string avatarInitials(const catalogue::Conversation &conversation)
{
    if (conversation.isGroup)
        return "\xF0\x9F\x91\xA5"; // U+1F465 BUSTS IN SILHOUETTE
    const std::string title = trimmedTitle(conversation.title);
    if (title.empty())
        return "?";
    if (title.front() == '+')
        return "#";
    const std::string first = common::firstCharacter(title);
    std::size_t firstScalarEnd = 0;
    (void)common::nextScalar(first, firstScalarEnd);
    if (!common::numericCharacters(first.substr(0, firstScalarEnd)).empty())
        return "#";
    return common::uppercased(first);
}

std::string dateRangeText(const std::optional<common::Instant> &first,
                          const std::optional<common::Instant> &last,
                          const l10n::MonthYearFormatter &formatter)
{
    if (!first || !last)
        return {};
    std::string from = formatter.format(*first);
    std::string to = formatter.format(*last);
    if (from == to)
        return from;
    return from + " - " + to;
}

std::string rowSubtitle(const std::string &countText, const std::string &dateRange)
{
    if (countText.empty())
        return dateRange;
    if (dateRange.empty())
        return countText;
    return countText + " \xC2\xB7 " + dateRange; // U+00B7 MIDDLE DOT
}

std::string rowSubtitle(const catalogue::Conversation &conversation, const l10n::MonthYearFormatter &formatter)
{
    return rowSubtitle(l10n::messageCountText(conversation.count),
                       dateRangeText(conversation.first, conversation.last, formatter));
}

bool isExportButtonEnabled(const catalogue::Conversation *selected, bool exporting)
{
    return selected != nullptr && isExportable(*selected) && !exporting;
}

std::string exportButtonLabel(const catalogue::Conversation *selected, bool exporting)
{
    if (exporting)
        return l10n::exporting();
    if (selected == nullptr)
        return l10n::exportButton();
    return l10n::exportButton() + ": " + selected->title;
}

} // namespace ui
