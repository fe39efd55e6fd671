#pragma once

#include "common/instant.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace exporter
{

// One conversation as export text, with counts about it.
struct ExportResult {
    std::string text;
    std::int64_t messages = 0; // blocks written, placeholders included
    std::map<std::string, std::int64_t> senders; // sender line → blocks carrying it
    std::optional<common::Instant> first;
    std::optional<common::Instant> last;
    std::int64_t media = 0;
    std::int64_t unsent = 0;
    std::int64_t skippedReactions = 0;

    bool operator==(const ExportResult &) const = default;
};

} // namespace exporter
