#include "export/file_name.h"

#include "common/text.h"
#include "common/unicode_string.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>

namespace exporter
{

namespace
{

constexpr std::string_view namePrefix = "Tovik - ";
constexpr std::string_view nameExtension = ".txt";
constexpr std::string_view emptyNamePart = "iMessage";
constexpr int32_t maxClusters = 60;

bool isRemovedFromTitle(char16_t c)
{
    switch (c) {
    case u'/':
    case u'\\':
    case u':':
    case u'?':
    case u'%':
    case u'*':
    case u'|':
    case u'"':
    case u'<':
    case u'>':
    case u'\n':
    case u'\r':
    case u'\t':
    case u'\0':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        // Every other control character (C0, DEL and C1) would be invisible or move the cursor.
        return c < 0x20 || (c >= 0x7F && c <= 0x9F);
    }
}

// Marks that reorder the text around them (U+202E makes "gnp.txt" display as "txt.png"); they
// leave the name without a trace. Joiners and variation selectors stay: emoji need them.
bool isDroppedFromTitle(char16_t c)
{
    return u_hasBinaryProperty(c, UCHAR_BIDI_CONTROL) != 0;
}

struct BreakIteratorDeleter {
    void operator()(icu::BreakIterator *iterator) const noexcept { delete iterator; }
};
using BreakIteratorHandle = std::unique_ptr<icu::BreakIterator, BreakIteratorDeleter>;

struct UTextDeleter {
    void operator()(UText *text) const noexcept { utext_close(text); }
};
using UTextHandle = std::unique_ptr<UText, UTextDeleter>;

BreakIteratorHandle characterBreaks()
{
    UErrorCode status = U_ZERO_ERROR;
    BreakIteratorHandle iterator(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return nullptr;
    return iterator;
}

} // namespace

std::string safeFileName(std::string_view title)
{
    const icu::UnicodeString given = common::unicodeFrom(title);
    // Every character in question is a single code unit; surrogates pass through unchanged.
    icu::UnicodeString name;
    for (int32_t i = 0; i < given.length(); ++i) {
        const char16_t c = given.charAt(i);
        if (isDroppedFromTitle(c))
            continue;
        name.append(isRemovedFromTitle(c) ? u' ' : c);
    }

    const std::string replaced = common::utf8From(name);
    const std::string_view trimmed = common::trimSpaceSeparators(replaced);
    name = common::unicodeFrom(trimmed);

    if (name.length() > maxClusters) {
        // A cluster is at least one code unit, so shorter names keep all their clusters.
        if (const auto breaks = characterBreaks()) {
            breaks->setText(name);
            int32_t cut = breaks->first();
            for (int32_t i = 0; i < maxClusters; ++i) {
                const int32_t next = breaks->next();
                if (next == icu::BreakIterator::DONE)
                    break;
                cut = next;
            }
            name.truncate(cut);
        }
    }

    if (name.isEmpty())
        return std::string(emptyNamePart);
    return common::utf8From(name);
}

std::string exportFileName(std::string_view safeName, unsigned number, std::size_t maxBytes)
{
    std::string suffix;
    if (number >= 2) {
        suffix += ' ';
        suffix += std::to_string(number);
    }
    suffix += nameExtension;

    const std::size_t fixed = namePrefix.size() + suffix.size();
    const std::size_t budget = maxBytes > fixed ? maxBytes - fixed : 0;
    std::string_view part = safeName;
    if (part.size() > budget) {
        int32_t cut = 0;
        UErrorCode status = U_ZERO_ERROR;
        const UTextHandle text(utext_openUTF8(nullptr, part.data(), static_cast<int64_t>(part.size()), &status));
        const auto breaks = characterBreaks();
        if (U_SUCCESS(status) && breaks) {
            breaks->setText(text.get(), status);
            // With UTF-8 text the iterator's offsets are byte offsets.
            const int32_t boundary = breaks->preceding(static_cast<int32_t>(budget) + 1);
            if (U_SUCCESS(status) && boundary != icu::BreakIterator::DONE)
                cut = boundary;
        }
        part = cut > 0 ? part.substr(0, static_cast<std::size_t>(cut)) : emptyNamePart;
    }

    std::string name;
    name.reserve(fixed + part.size());
    name += namePrefix;
    name += part;
    name += suffix;
    return name;
}

} // namespace exporter
