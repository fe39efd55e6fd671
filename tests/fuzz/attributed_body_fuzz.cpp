// scanAttributedBody and textFromAttributedBody over arbitrary blobs: never a read outside the
// bytes, and a scanned text is always valid UTF-8 taken verbatim from the blob.
#include "export/attributed_body.h"

#include "common/utf8.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes = fuzz::bytesOf(data, size);

    const auto scanned = exporter::scanAttributedBody(bytes);
    if (scanned) {
        FUZZ_CHECK(common::isValidUtf8(*scanned));
        FUZZ_CHECK(bytes.find(*scanned) != std::string_view::npos);
        FUZZ_CHECK(bytes.find("NSString") != std::string_view::npos);
    }

    const auto text = exporter::textFromAttributedBody(bytes);
    if (scanned)
        FUZZ_CHECK(text == scanned); // the scan's answer is final, even an empty one
    if (text)
        FUZZ_CHECK(common::isValidUtf8(*text));
    return 0;
}
