#pragma once

#include "common/result.h"

#include <cstdint>
#include <string>

namespace crypto
{

// Why a backup's keys could not be had. `kind` is what callers branch on (a wrong password asks
// for the password again; a damaged key bag does not); `detail` is English for diagnostics.
struct Failure {
    enum class Kind {
        WrongPassword, // the password does not unwrap the key bag's class keys
        Damaged, // a key bag, wrapped key or key archive that is cut short or malformed
        MissingClassKey, // a key wrapped with a protection class the key bag has no key for
        TooManyRounds, // a round count far above any phone's, refused before deriving
        Cancelled, // the derivation was stopped by its caller
    };
    Kind kind = Kind::Damaged;
    std::string detail;
    std::uint64_t rounds = 0; // for TooManyRounds: the round count the backup asks for
};

template<typename T>
using Result = common::Result<T, Failure>;

inline tl::unexpected<Failure> damaged(std::string detail)
{
    return common::failure(Failure{Failure::Kind::Damaged, std::move(detail)});
}

} // namespace crypto
