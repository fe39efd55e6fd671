#pragma once

#include <tl/expected.hpp>

#include <string>
#include <utility>

namespace common
{

// The error value of the core's file and system layers. `kind` is what callers branch on;
// `detail` is English for diagnostics and is never shown to the user as is.
struct Error {
    enum class Kind {
        NotFound,
        NoPermission,
        Exists,
        NoSpace,
        Io,
        Invalid,
    };
    Kind kind = Kind::Io;
    std::string detail;
};

// Every fallible core function returns a Result. The error type defaults to Error; the
// database layer uses its own (store::SQLiteDB::Failure).
template<typename T, typename E = Error>
using Result = tl::expected<T, E>;

template<typename E>
[[nodiscard]] tl::unexpected<E> failure(E error)
{
    return tl::unexpected<E>(std::move(error));
}

} // namespace common

// Returns the failure of `result` (a Result) from the enclosing function, moving its error out:
// the one spelling of the unwrapping that follows fallible calls whose value is used further on.
// A macro, because only a macro returns from its caller; and_then chains read worse where a step's
// value is used by several later steps, as it mostly is here.
#define RETURN_IF_FAILED(result)                                                                                       \
    do {                                                                                                               \
        if (!(result))                                                                                                 \
            return ::common::failure(std::move((result).error()));                                                     \
    } while (false)
