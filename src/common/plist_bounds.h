#pragma once

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace common
{

// The limits a property list must keep before libplist is given it. libplist builds one node for
// every time an object is referenced and parses nested containers by recursion, so a small file
// can otherwise ask for billions of nodes or overflow the stack. Real property lists (backup
// manifests, keyed archives) stay far inside these.
struct PlistLimits {
    std::size_t depth = 128; // containers inside containers
    std::uint64_t nodes = 4'000'000; // objects as libplist expands them, each counted as often as reached
    std::uint64_t expandedBytes = std::uint64_t{256} * 1024 * 1024; // payload bytes of those nodes
    std::uint64_t entities = 100'000; // entity references of an XML property list
};

// Checks a binary property list ("bplist00"): the trailer, every offset of the offset table, and
// a walk of the object references from the top object that refuses a cycle, a reference outside
// the table, an object running past the object area, nesting deeper than `limits.depth` and more
// than `limits.nodes` expanded nodes. Work is bounded by the limits, whatever the bytes. Fails with
// Invalid and says why; passing says nothing of whether libplist will read it.
[[nodiscard]] Result<void> checkBinaryPlist(std::string_view bytes, const PlistLimits &limits = {});

// Checks an XML property list in one linear scan: element nesting at most `limits.depth`, at most
// `limits.entities` entity references, and no entity declarations. Fails with Invalid.
[[nodiscard]] Result<void> checkXmlPlist(std::string_view bytes, const PlistLimits &limits = {});

// checkBinaryPlist when `bytes` starts as a binary property list, else checkXmlPlist.
[[nodiscard]] Result<void> checkPlist(std::string_view bytes, const PlistLimits &limits = {});

} // namespace common
