#pragma once

#include <string>

namespace testsupport
{

// Family: man, woman, girl, boy joined by zero-width joiners; one cluster of 25 bytes.
inline const std::string family =
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0"
    "\x9F\x91\xA6";

// `piece` written `times` times in a row.
inline std::string repeated(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace testsupport
