// readMbdb over arbitrary bytes: no crash, no read outside the input, an error always names
// Manifest.mbdb, and every record read fits in the bytes it came from.
#include "common/bytes_file.h"
#include "fuzz_check.h"
#include "sources/manifest_mbdb.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const common::BytesFile file(fuzz::bytesOf(data, size));
    std::size_t records = 0;
    std::size_t bytes = 0;
    const auto read = sources::readMbdb(file, [&](const sources::MbdbRecord &record) {
        ++records;
        bytes += record.domain.size() + record.relativePath.size() + record.encryptionKey.value_or("").size();
        FUZZ_CHECK(record.domain.size() < 0xFFFF && record.relativePath.size() < 0xFFFF);
        return true;
    });
    // Each record takes at least five string lengths and its fixed fields.
    FUZZ_CHECK(records == 0 || 6 + records * (5 * 2 + 40) + bytes <= size);
    if (!read) {
        FUZZ_CHECK(read.error().kind == common::Error::Kind::Invalid);
        FUZZ_CHECK(read.error().detail.rfind("Manifest.mbdb", 0) == 0);
    }
    return 0;
}
