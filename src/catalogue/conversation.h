#pragma once

#include "common/instant.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace catalogue
{

// One entry of the conversation list: the chats of one correspondent, or of one set of
// correspondents, merged. `id` is the entry's identity in lists and selections.
struct Conversation {
    std::string id;
    std::vector<std::int64_t> chatIDs; // in merge order
    std::string title;
    bool isGroup = false;
    std::vector<std::string> members; // contact names or raw handles, no duplicates
    std::vector<std::string> handles; // raw handles of all merged chats, no duplicates
    std::int64_t count = 0;
    std::optional<common::Instant> first;
    std::optional<common::Instant> last;

    // All nine fields; texts compare as canonically equivalent Unicode.
    bool operator==(const Conversation &other) const;
};

// Hashes the nine fields in order, consistently with ==: texts by their NFC form, an optional
// date by a presence flag and, when present, its instant.
[[nodiscard]] std::size_t hashValue(const Conversation &conversation);

} // namespace catalogue

template<>
struct std::hash<catalogue::Conversation> {
    std::size_t operator()(const catalogue::Conversation &conversation) const
    {
        return catalogue::hashValue(conversation);
    }
};
