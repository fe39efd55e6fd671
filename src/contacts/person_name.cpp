#include "person_name.h"

#include "common/text.h"

#include <array>

namespace contacts
{

std::string nameFromParts(const NameParts &parts)
{
    const std::array western{&parts.prefix, &parts.given, &parts.middle, &parts.family, &parts.suffix};
    const std::array eastern{&parts.prefix, &parts.family, &parts.given, &parts.middle, &parts.suffix};
    std::string words;
    for (const std::vector<std::string> *part : western) {
        for (const std::string &word : *part)
            words += word;
    }
    const bool eastAsian = common::isWrittenInEastAsianScripts(words);
    std::string name;
    for (const std::vector<std::string> *part : eastAsian ? eastern : western) {
        for (const std::string &word : *part) {
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
