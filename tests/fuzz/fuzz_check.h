#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A property every input must have. A violation aborts, which libFuzzer reports as a crash and
// keeps the input that caused it.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__, #condition);                    \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz
{

inline std::string_view bytesOf(const unsigned char *data, std::size_t size)
{
    return {reinterpret_cast<const char *>(data), size};
}

} // namespace fuzz
