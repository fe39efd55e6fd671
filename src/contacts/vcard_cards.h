#pragma once

#include "contact_record.h"
#include "vcard_content_lines.h"

#include <cstdint>
#include <vector>

namespace contacts::vcard
{

struct Cards {
    std::vector<ContactRecord> records;
    bool overLimit = false; // reading stopped: the records would have held more than the limit
};

// The cards of a stream of content lines, in order, with their identifiers (see readVCards), as
// long as the records hold at most about `keptLimit` bytes.
[[nodiscard]] Cards readCards(ContentLines &lines, std::uint64_t keptLimit);

} // namespace contacts::vcard
