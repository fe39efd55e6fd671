#pragma once

#include "contact_record.h"
#include "vcard_content_lines.h"

#include <vector>

namespace contacts::vcard
{

// The cards of a stream of content lines, in order, with their identifiers (see readVCards).
[[nodiscard]] std::vector<ContactRecord> readCards(ContentLines &lines);

} // namespace contacts::vcard
