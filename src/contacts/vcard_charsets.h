#pragma once

#include <unicode/ucnv.h>

#include <memory>
#include <optional>
#include <string>

namespace contacts::vcard
{

struct ConverterCloser {
    void operator()(UConverter *converter) const noexcept { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// Turns value bytes into UTF-8. Holds the converter of the last charset used: files name one or
// two charsets, and opening a converter per value would dominate the reading time.
class Charsets
{
public:
    // `charset` is the upper-case name the value's line gives, or empty.
    [[nodiscard]] std::string toUtf8(std::string bytes, const std::string &charset);

private:
    std::string convert(const std::string &bytes, const std::string &charset);
    UConverter *converterFor(const std::string &charset);

    std::optional<std::string> m_openedFor;
    ConverterHandle m_converter;
};

} // namespace contacts::vcard
