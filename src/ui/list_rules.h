#pragma once

#include "catalogue/conversation.h"
#include "common/instant.h"
#include "l10n/month_year.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of the conversation list, apart from any widget: the search filter, the avatar, the
// subtitle and the export button. Texts are UTF-8.
namespace ui
{

// A conversation can be exported from the list when it holds at least this many messages.
inline constexpr std::int64_t exportThreshold = 100;

[[nodiscard]] inline bool isExportable(const catalogue::Conversation &conversation)
{
    return conversation.count >= exportThreshold;
}

// A search text made ready for matching: trimmed, lower-cased with the locale-independent mapping
// and composed; `digits` holds its numeric characters when there are at least three of them, for
// the digit rule, and is empty otherwise.
struct SearchQuery {
    std::string text;
    std::string digits;

    [[nodiscard]] bool isEmpty() const { return text.empty(); }
};
[[nodiscard]] SearchQuery makeSearchQuery(std::string_view query);

// What a query is matched against, worked out once per conversation: the lower-cased, composed
// title, members and handles, and the numeric characters of each handle.
struct SearchKeys {
    std::string title;
    std::vector<std::string> members;
    std::vector<std::string> handles;
    std::vector<std::string> handleDigits;
};
[[nodiscard]] SearchKeys makeSearchKeys(const catalogue::Conversation &conversation);

// True when the title, then a member, then a handle contains the query text, or (only with three
// digits or more) the numeric characters of a handle contain the query's. An empty query matches
// everything.
[[nodiscard]] bool matches(const SearchKeys &keys, const SearchQuery &query);

// The positions in `conversations` of those that match `query`, in their order.
[[nodiscard]] std::vector<std::size_t> filterConversations(const std::vector<catalogue::Conversation> &conversations,
                                                           std::string_view query);

// The same filter over keys made once for a whole list, for searching as the user types.
class ConversationSearch
{
public:
    ConversationSearch() = default;
    explicit ConversationSearch(const std::vector<catalogue::Conversation> &conversations);

    [[nodiscard]] std::vector<std::size_t> filter(std::string_view query) const;
    [[nodiscard]] std::size_t size() const { return m_keys.size(); }

private:
    std::vector<SearchKeys> m_keys;
};

// The first conversation of the whole list (not of a filtered one) whose id is `id`; nullptr when
// `id` is none or no conversation has it.
[[nodiscard]] const catalogue::Conversation *findConversation(const std::vector<catalogue::Conversation> &conversations,
                                                              const std::optional<std::string> &id);

// The text on an avatar: U+1F465 for a group; otherwise, from the trimmed title, "#" when it begins
// with "+" or a number, "?" when it is empty, else its first character upper-cased.
[[nodiscard]] std::string avatarInitials(const catalogue::Conversation &conversation);

// The avatar colour of the row at `position` of the shown list: an index into the six row colours,
// so that colours follow the position, not the conversation.
[[nodiscard]] inline std::size_t avatarColorIndex(std::size_t position)
{
    return position % 6;
}

// "Mar 2021 - Jun 2024"; one month alone when both fall in it; empty when either date is missing.
[[nodiscard]] std::string dateRangeText(const std::optional<common::Instant> &first,
                                        const std::optional<common::Instant> &last,
                                        const l10n::MonthYearFormatter &formatter);

// The counted text and the date range, the empty ones left out, joined with " · ".
[[nodiscard]] std::string rowSubtitle(const std::string &countText, const std::string &dateRange);

// rowSubtitle for a conversation, in the current language and with `formatter`'s months.
[[nodiscard]] std::string rowSubtitle(const catalogue::Conversation &conversation,
                                      const l10n::MonthYearFormatter &formatter);

// The export button: disabled without a selection, for a conversation under the threshold, and
// while an export runs.
[[nodiscard]] bool isExportButtonEnabled(const catalogue::Conversation *selected, bool exporting);

// Its label: "Exporting…" while an export runs, else "Export for Tovik", followed by ": " and the
// selected conversation's title when there is one (in the current language).
[[nodiscard]] std::string exportButtonLabel(const catalogue::Conversation *selected, bool exporting);

} // namespace ui
