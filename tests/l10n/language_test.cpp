#include "l10n/language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using l10n::decideLanguage;
using l10n::preferredLanguagesFromEnvironment;

TEST(DecideLanguage, EmptyListGivesEnglish)
{
    EXPECT_EQ(decideLanguage({}), "en");
}

TEST(DecideLanguage, PortugalRegionGivesEuropeanPortuguese)
{
    for (const std::string identifier : {"PT-PT", "pt-PT", "pt_PT", "pt_PT.UTF-8", "pt-Latn-PT", "pt_PT@euro"})
        EXPECT_EQ(decideLanguage({identifier}), "pt-PT") << identifier;
}

TEST(DecideLanguage, EveryOtherPortugueseGivesBrazilianPortuguese)
{
    for (const std::string identifier : {"pt", "pt-BR", "pt_BR.UTF-8", "pt-AO", "PT", "pt-Latn"})
        EXPECT_EQ(decideLanguage({identifier}), "pt-BR") << identifier;
}

TEST(DecideLanguage, RegionalAndScriptVariantsGiveTheirLanguage)
{
    EXPECT_EQ(decideLanguage({"en-GB"}), "en");
    EXPECT_EQ(decideLanguage({"de-AT"}), "de");
    EXPECT_EQ(decideLanguage({"de-CH"}), "de");
    EXPECT_EQ(decideLanguage({"de-Latn-DE"}), "de");
    EXPECT_EQ(decideLanguage({"fr-CA"}), "fr");
    EXPECT_EQ(decideLanguage({"FR_be.ISO-8859-1"}), "fr");
    EXPECT_EQ(decideLanguage({"es_ES@euro"}), "es");
    EXPECT_EQ(decideLanguage({"it"}), "it");
    EXPECT_EQ(decideLanguage({"tr_TR.UTF-8"}), "tr");
}

TEST(DecideLanguage, UnsupportedOrMalformedEntryGivesEnglish)
{
    for (const std::string identifier : {"ja", "zh-Hans", "zh-Hant-TW", "e", "", "C", "POSIX", "C.UTF-8", "-de"})
        EXPECT_EQ(decideLanguage({identifier}), "en") << identifier;
}

TEST(DecideLanguage, FirstOfferedLanguageOfTheListDecides)
{
    EXPECT_EQ(decideLanguage({"ja-JP", "de-DE", "fr"}), "de");
    EXPECT_EQ(decideLanguage({"C", "POSIX", "", "fr_FR.UTF-8"}), "fr");
    EXPECT_EQ(decideLanguage({"en-US", "de"}), "en");
    EXPECT_EQ(decideLanguage({"zh-Hans-CN", "pt-PT", "pt-BR"}), "pt-PT");
    EXPECT_EQ(decideLanguage({"ja", "ko", "zh"}), "en");
}

TEST(PreferredLanguagesFromEnvironment, LanguageListComesBeforeTheMessagesLocale)
{
    EXPECT_EQ(preferredLanguagesFromEnvironment("it:pt_PT", nullptr, "es_ES.UTF-8", "de_DE.UTF-8"),
              (std::vector<std::string>{"it", "pt_PT", "es_ES.UTF-8"}));
    EXPECT_EQ(preferredLanguagesFromEnvironment("::ja::", nullptr, nullptr, nullptr), (std::vector<std::string>{"ja"}));
}

TEST(PreferredLanguagesFromEnvironment, LcAllOverridesLcMessagesWhichOverridesLang)
{
    EXPECT_EQ(preferredLanguagesFromEnvironment(nullptr, "tr_TR", "es_ES", "de_DE"),
              (std::vector<std::string>{"tr_TR"}));
    EXPECT_EQ(preferredLanguagesFromEnvironment("", "", "es_ES", "de_DE"), (std::vector<std::string>{"es_ES"}));
    EXPECT_EQ(preferredLanguagesFromEnvironment("", "", "", "de_DE"), (std::vector<std::string>{"de_DE"}));
    EXPECT_TRUE(preferredLanguagesFromEnvironment(nullptr, nullptr, nullptr, nullptr).empty());
}

TEST(PreferredLanguagesFromEnvironment, CLocaleInLcAllKeepsEnglishDespiteLang)
{
    EXPECT_EQ(decideLanguage(preferredLanguagesFromEnvironment(nullptr, "C", nullptr, "de_DE.UTF-8")), "en");
    EXPECT_EQ(decideLanguage(preferredLanguagesFromEnvironment("fr", "C.UTF-8", nullptr, "de_DE.UTF-8")), "fr");
}
