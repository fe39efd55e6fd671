#pragma once

#include <string>
#include <vector>

namespace contacts
{

// The parts of a person's name, each a list of words (empty words are passed over).
struct NameParts {
    std::vector<std::string> prefix;
    std::vector<std::string> given;
    std::vector<std::string> middle;
    std::vector<std::string> family;
    std::vector<std::string> suffix;
};

// The name a person is called by, built from its parts, as the address books of the phone show
// it: when every word is written in Han, Hiragana, Katakana or Hangul, the family name comes
// first and nothing is put between the words ("雷" + "霞锋" gives "雷霞锋"); otherwise prefix,
// given, middle, family and suffix, separated by spaces. Empty when every part is empty.
[[nodiscard]] std::string nameFromParts(const NameParts &parts);

} // namespace contacts
