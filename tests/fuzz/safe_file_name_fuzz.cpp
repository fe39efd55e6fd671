// safeFileName and exportFileName over arbitrary titles: a non-empty name of valid UTF-8 without
// a path separator or any removed character, at most 60 grapheme clusters, and a file name that
// fits the file system's 255 bytes for any number.
#include "export/file_name.h"

#include "common/utf8.h"
#include "fuzz_check.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace
{

int clusters(const std::string &utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    breaks->setText(text);
    int count = 0;
    for (int32_t at = breaks->next(); at != icu::BreakIterator::DONE; at = breaks->next())
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string name = exporter::safeFileName(fuzz::bytesOf(data, size));

    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(common::isValidUtf8(name));
    FUZZ_CHECK(name.find_first_of(std::string("/\\:?%*|\"<>\n\r\t\0", 14)) == std::string::npos);
    FUZZ_CHECK(name.front() != ' ');
    FUZZ_CHECK(clusters(name) <= 60);

    for (const unsigned number : {1u, 2u, 4294967295u}) {
        const std::string file = exporter::exportFileName(name, number);
        FUZZ_CHECK(file.size() <= 255);
        FUZZ_CHECK(file.rfind("Tovik - ", 0) == 0);
        FUZZ_CHECK(file.size() >= 4 && file.compare(file.size() - 4, 4, ".txt") == 0);
        FUZZ_CHECK(file.find('/') == std::string::npos && file.find('\0') == std::string::npos);
        FUZZ_CHECK(common::isValidUtf8(file));
    }
    return 0;
}
