// decodeAttributedString over arbitrary bytes: no crash, no read outside the bytes, no runaway
// allocation (libFuzzer's memory limit), valid UTF-8 out, and the same answer every time. The
// seeds are whole archives from our typedstream writer, so mutations start from real structure.
#include "export/typedstream_decoder.h"

#include "common/utf8.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes = fuzz::bytesOf(data, size);

    const auto decoded = exporter::decodeAttributedString(bytes);
    if (decoded)
        FUZZ_CHECK(common::isValidUtf8(*decoded));
    FUZZ_CHECK(exporter::decodeAttributedString(bytes) == decoded);
    return 0;
}
