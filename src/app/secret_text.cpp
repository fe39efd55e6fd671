#include "secret_text.h"

#include <cstdint>

namespace app
{

namespace
{

// Calls `onScalar` with each Unicode scalar of `text`, lone surrogates as U+FFFD.
template<typename OnScalar>
void forEachScalar(const QString &text, OnScalar onScalar)
{
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < length && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            onScalar(QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            onScalar(char32_t{0xFFFD});
        } else {
            onScalar(char32_t{unit});
        }
    }
}

std::size_t utf8Length(char32_t scalar)
{
    return scalar < 0x80 ? 1 : scalar < 0x800 ? 2 : scalar < 0x10000 ? 3 : 4;
}

} // namespace

crypto::SecureBytes secretUtf8(const QString &text)
{
    std::size_t size = 0;
    forEachScalar(text, [&](char32_t scalar) {
        size += utf8Length(scalar);
    });
    crypto::SecureBytes bytes(size);
    std::uint8_t *out = bytes.data();
    forEachScalar(text, [&](char32_t scalar) {
        const std::size_t n = utf8Length(scalar);
        if (n == 1) {
            *out++ = static_cast<std::uint8_t>(scalar);
            return;
        }
        static constexpr std::uint8_t leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
        *out++ = static_cast<std::uint8_t>(leads[n] | (scalar >> (6 * (n - 1))));
        for (std::size_t k = n - 1; k-- > 0;)
            *out++ = static_cast<std::uint8_t>(0x80 | ((scalar >> (6 * k)) & 0x3F));
    });
    return bytes;
}

} // namespace app
