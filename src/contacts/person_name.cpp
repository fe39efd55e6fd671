#include "person_name.h"

#include "common/text.h"

#include <algorithm>
#include <array>

namespace contacts
{

std::string nameFromParts(const NameParts &parts)
{
    const std::array western{&parts.prefix, &parts.given, &parts.middle, &parts.family, &parts.suffix};
    const std::array eastern{&parts.prefix, &parts.family, &parts.given, &parts.middle, &parts.suffix};
    const bool eastAsian = std::all_of(western.begin(), western.end(), [](const std::vector<std::string> *words) {
        return std::all_of(words->begin(), words->end(), [](const std::string &word) {
            return word.empty() || common::isWrittenInEastAsianScripts(word);
        });
    });
    std::string name;
    for (const std::vector<std::string> *words : eastAsian ? eastern : western) {
        for (const std::string &word : *words) {
            if (word.empty())
                continue;
            if (!name.empty() && !eastAsian)
                name.push_back(' ');
            name.append(word);
        }
    }
    return name;
}

} // namespace contacts
