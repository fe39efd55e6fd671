#pragma once

#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace sources
{

// The top-level dictionary of a property list file, XML or binary, read through libplist once it
// has passed common::checkPlist.
class PlistDictionary
{
public:
    // Fails with NotFound, NoPermission or Io when the file cannot be read, and with Invalid
    // (naming the file) when it is not a property list whose top level is a dictionary, is larger
    // than 128 MB or is refused by common::checkPlist.
    [[nodiscard]] static common::Result<PlistDictionary> read(const std::filesystem::path &file);

    // The dictionary under `key`; nothing when it is absent or of another type.
    [[nodiscard]] std::optional<PlistDictionary> dictionary(const char *key) const;
    // The value under `key` when it is a string, boolean or date; nothing when it is absent or of
    // another type. Dates are Unix seconds.
    [[nodiscard]] std::optional<std::string> text(const char *key) const;
    [[nodiscard]] std::optional<bool> boolean(const char *key) const;
    [[nodiscard]] std::optional<std::int64_t> date(const char *key) const;
    // The bytes under `key` when it is data; nothing when it is absent or of another type.
    [[nodiscard]] std::optional<std::string> data(const char *key) const;

private:
    struct Free {
        void operator()(void *node) const noexcept;
    };
    explicit PlistDictionary(std::shared_ptr<void> root)
        : m_root(std::move(root))
    {
    }

    std::shared_ptr<void> m_root; // immutable once read, so copies share it
};

} // namespace sources
