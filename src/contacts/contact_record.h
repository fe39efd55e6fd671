#pragma once

#include <optional>
#include <string>
#include <vector>

namespace contacts
{

// One address-book contact as the index builder needs it, independent of where it came from
// (the platform's Contacts service or a vCard file). Empty strings stand for absent texts,
// except the formatted name, whose absence is told apart from an empty name.
struct ContactRecord {
    std::string identifier;
    std::optional<std::string> formattedName;
    std::string nickname;
    std::string organization;
    std::vector<std::string> phones; // in the contact's order
    std::vector<std::string> emails; // in the contact's order

    bool operator==(const ContactRecord &) const = default;
};

} // namespace contacts
