#pragma once

#include "vcard_physical_lines.h"
#include "vcard_syntax.h"

#include <string>
#include <string_view>

namespace contacts::vcard
{

enum class Property {
    Begin,
    End,
    Agent,
    Uid,
    AbUid,
    FormattedName,
    Name,
    Nickname,
    Organization,
    Telephone,
    Email,
    AbShowAs,
    Other, // a property this reader has no use for (a photo, a note); its value is not kept
    Invalid, // a line without a colon
};

enum class TransferEncoding {
    None,
    QuotedPrintable,
    Base64,
};

struct ContentLine {
    Property property = Property::Invalid;
    std::string value; // raw bytes of the value; filled for known properties only
    TransferEncoding encoding = TransferEncoding::None;
    std::string charset; // upper case, empty when not given
};

// Reads content lines: unfolds folded lines (a line end followed by a space or a tab), joins
// quoted-printable soft line breaks ("=" at the end of a line) and takes in the unfolded lines of
// 2.1 base64 blocks, which end with an empty line. Keeps the value only where it is needed, so a
// photo costs no memory; a value longer than maxKeptBytes is dropped as if it were a photo. Every
// byte is visited a bounded number of times.
class ContentLines
{
public:
    ContentLines(const common::ReadOnlyFile &file, std::uint64_t begin, std::uint64_t end)
        : m_lines(file, begin, end)
    {
    }

    // The next content line, or false at the end of the input. Empty lines are passed over.
    bool next(ContentLine &line);

    // The hash of the unfolded lines read since the last reset.
    Fnv1a &hash() noexcept { return m_hash; }

    // The first read failure; the input then ends where it happened.
    [[nodiscard]] const std::optional<common::Error> &error() const noexcept { return m_lines.error(); }

private:
    void take(std::size_t from);
    bool continuesByFolding();

    PhysicalLines m_lines;
    Fnv1a m_hash;
};

// The bytes of quoted-printable and of base64 text; malformed escapes are kept, stray bytes skipped.
[[nodiscard]] std::string decodeQuotedPrintable(std::string_view text);
[[nodiscard]] std::string decodeBase64(std::string_view text);

} // namespace contacts::vcard
