// A property list check over arbitrary bytes, then libplist over whatever it lets through: no
// crash, no stack overflow, no run past the fuzzer's time and memory limits. Built twice: with
// TOVIK_FUZZ_XML_PLIST for the XML check, without it for the binary one.
#include "common/plist_bounds.h"
#include "fuzz_check.h"

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto bytes = fuzz::bytesOf(data, size);
#ifdef TOVIK_FUZZ_XML_PLIST
    const auto checked = common::checkXmlPlist(bytes);
#else
    const auto checked = common::checkBinaryPlist(bytes);
#endif
    if (!checked) {
        FUZZ_CHECK(checked.error().kind == common::Error::Kind::Invalid && !checked.error().detail.empty());
        return 0;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    plist_free(root);
    return 0;
}
