// cleanMessageText over arbitrary texts: the body it gives never breaks the block format (no
// empty line, no carriage return, no line that starts a block), cleaning twice changes nothing,
// and the fast timestamp-line test agrees with ICU's regular expression on every line.
#include "export/clean_text.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

void checkLines(std::string_view text, bool cleaned)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        FUZZ_CHECK(exporter::matchesTimestampLine(line) == exporter::matchesTimestampLineWithIcu(line));
        if (cleaned) {
            FUZZ_CHECK(!line.empty());
            FUZZ_CHECK(!exporter::matchesTimestampLine(line));
            FUZZ_CHECK(line.front() != ' ' && line.front() != '\t' && line.back() != ' ' && line.back() != '\t');
        }
        if (end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = fuzz::bytesOf(data, size);
    checkLines(text, false);

    const std::string body = exporter::cleanMessageText(text);
    if (!body.empty())
        checkLines(body, true);
    FUZZ_CHECK(body.find('\r') == std::string::npos);
    FUZZ_CHECK(body.find("\xEF\xBF\xBC") == std::string::npos); // U+FFFC
    FUZZ_CHECK(body.find("\xE2\x80\xA8") == std::string::npos); // U+2028
    FUZZ_CHECK(exporter::cleanMessageText(body) == body);

    std::string appended = "x";
    FUZZ_CHECK(exporter::appendCleanMessageText(appended, text) == !body.empty());
    FUZZ_CHECK(appended == "x" + body);
    return 0;
}
