#include "vcard_charsets.h"

#include "common/unicode_string.h"
#include "common/utf8.h"

#include <unicode/unistr.h>

#include <cstdint>
#include <utility>

namespace contacts::vcard
{

std::string Charsets::toUtf8(std::string bytes, const std::string &charset)
{
    const bool utf8Named = charset == "UTF-8" || charset == "UTF8";
    if (charset.empty() || utf8Named) {
        if (common::isValidUtf8(bytes))
            return bytes;
        // Unlabelled bytes that are not UTF-8 come from Windows-era exporters.
        if (!utf8Named)
            return convert(bytes, "WINDOWS-1252");
        return common::repairUtf8(bytes);
    }
    // ISO-8859-1 labels are read as Windows-1252, its superset in practice (as browsers do);
    // exporters often write the one and mean the other.
    if (charset == "ISO-8859-1" || charset == "LATIN1" || charset == "US-ASCII" || charset == "ASCII")
        return convert(bytes, "WINDOWS-1252");
    return convert(bytes, charset);
}

std::string Charsets::convert(const std::string &bytes, const std::string &charset)
{
    UConverter *converter = converterFor(charset);
    if (converter == nullptr || bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return common::repairUtf8(bytes);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const icu::UnicodeString text(bytes.data(), static_cast<int32_t>(bytes.size()), converter, status);
    if (U_FAILURE(status))
        return common::repairUtf8(bytes);
    return common::utf8From(text);
}

UConverter *Charsets::converterFor(const std::string &charset)
{
    if (m_openedFor && *m_openedFor == charset)
        return m_converter.get();
    m_converter.reset();
    m_openedFor = charset;
    // Only names in ICU's alias table are opened, so that a name taken from the file never
    // makes ICU look for a data file of that name.
    UErrorCode status = U_ZERO_ERROR;
    if (charset.size() > 64 || ucnv_countAliases(charset.c_str(), &status) == 0 || U_FAILURE(status))
        return nullptr;
    status = U_ZERO_ERROR;
    ConverterHandle opened(ucnv_open(charset.c_str(), &status));
    if (U_FAILURE(status))
        return nullptr;
    m_converter = std::move(opened);
    return m_converter.get();
}

} // namespace contacts::vcard
