#include "l10n/language.h"
#include "l10n/message_count.h"
#include "l10n/strings.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using l10n::localized;
using l10n::StringEntry;

namespace
{

// The process language of this test program, chosen before any test can ask for it so that the
// outcome does not depend on the environment the tests run in.
const bool turkishChosenAtStart = l10n::setPreferredLanguages({"tr_TR.UTF-8", "de_DE"});

const StringEntry &entryNamed(std::string_view key)
{
    for (const StringEntry &entry : l10n::stringTable()) {
        if (entry.key == key)
            return entry;
    }
    ADD_FAILURE() << "no entry " << key;
    return l10n::stringTable().front();
}

std::string textOf(std::string_view key, std::string_view language)
{
    const StringEntry &entry = entryNamed(key);
    return localized(entry.english, entry.french, language);
}

// What each language's column of the table is expected to hold.
std::string_view columnFor(const StringEntry &entry, std::string_view language)
{
    const std::pair<std::string_view, std::string_view StringEntry::*> columns[] = {
        {"en", &StringEntry::english},
        {"fr", &StringEntry::french},
        {"de", &StringEntry::german},
        {"es", &StringEntry::spanish},
        {"it", &StringEntry::italian},
        {"tr", &StringEntry::turkish},
        {"pt-BR", &StringEntry::brazilianPortuguese},
        {"pt-PT", &StringEntry::europeanPortuguese},
    };
    for (const auto &[code, column] : columns) {
        if (code == language)
            return entry.*column;
    }
    ADD_FAILURE() << "no column for " << language;
    return {};
}

using Accessor = const std::string &(*)();

// Every accessor with its key, in table order.
const std::vector<std::pair<std::string_view, Accessor>> accessors = {
    {"welcomeTitle", &l10n::welcomeTitle},
    {"welcomeBody", &l10n::welcomeBody},
    {"privacyTitle", &l10n::privacyTitle},
    {"privacyBody", &l10n::privacyBody},
    {"getStarted", &l10n::getStarted},
    {"accessTitle", &l10n::accessTitle},
    {"accessBody", &l10n::accessBody},
    {"accessStep1", &l10n::accessStep1},
    {"accessStep2", &l10n::accessStep2},
    {"accessStep2Hint", &l10n::accessStep2Hint},
    {"accessStep3", &l10n::accessStep3},
    {"openSystemSettings", &l10n::openSystemSettings},
    {"watchingForAccess", &l10n::watchingForAccess},
    {"quitAndReopen", &l10n::quitAndReopen},
    {"noMessagesBody", &l10n::noMessagesBody},
    {"contactsTitle", &l10n::contactsTitle},
    {"contactsBody", &l10n::contactsBody},
    {"allowContacts", &l10n::allowContacts},
    {"continueWithoutNames", &l10n::continueWithoutNames},
    {"listTitle", &l10n::listTitle},
    {"searchPlaceholder", &l10n::searchPlaceholder},
    {"sortMostMessages", &l10n::sortMostMessages},
    {"groupBadge", &l10n::groupBadge},
    {"readingMessages", &l10n::readingMessages},
    {"noConversationFound", &l10n::noConversationFound},
    {"tooShortHint", &l10n::tooShortHint},
    {"exportButton", &l10n::exportButton},
    {"exporting", &l10n::exporting},
    {"olderMessagesHint", &l10n::olderMessagesHint},
    {"doneTitle", &l10n::doneTitle},
    {"doneBody", &l10n::doneBody},
    {"uploadButton", &l10n::uploadButton},
    {"showInFinder", &l10n::showInFinder},
    {"exportAnother", &l10n::exportAnother},
    {"exportFailed", &l10n::exportFailed},
    {"sourceTitle", &l10n::sourceTitle},
    {"sourceBody", &l10n::sourceBody},
    {"sourceBackupHint", &l10n::sourceBackupHint},
    {"chooseSource", &l10n::chooseSource},
    {"chooseSourceTitle", &l10n::chooseSourceTitle},
    {"checkingSource", &l10n::checkingSource},
    {"sourceNotFound", &l10n::sourceNotFound},
    {"sourceUnreadable", &l10n::sourceUnreadable},
    {"sourceNotRegularFile", &l10n::sourceNotRegularFile},
    {"sourceNotMessages", &l10n::sourceNotMessages},
    {"databaseTooOld", &l10n::databaseTooOld},
    {"backupWithoutMessages", &l10n::backupWithoutMessages},
    {"backupTooOld", &l10n::backupTooOld},
    {"backupWithoutManifest", &l10n::backupWithoutManifest},
    {"backupNotMessages", &l10n::backupNotMessages},
    {"backupIncomplete", &l10n::backupIncomplete},
    {"unlockFailed", &l10n::unlockFailed},
    {"backupsTitle", &l10n::backupsTitle},
    {"encryptedBadge", &l10n::encryptedBadge},
    {"incompleteBadge", &l10n::incompleteBadge},
    {"passwordTitle", &l10n::passwordTitle},
    {"passwordBody", &l10n::passwordBody},
    {"passwordPlaceholder", &l10n::passwordPlaceholder},
    {"unlockButton", &l10n::unlockButton},
    {"unlockingBackup", &l10n::unlockingBackup},
    {"wrongPassword", &l10n::wrongPassword},
    {"otherMessages", &l10n::otherMessages},
    {"contactsFileTitle", &l10n::contactsFileTitle},
    {"chooseContactsFile", &l10n::chooseContactsFile},
    {"couldNotOpen", &l10n::couldNotOpen},
    {"copyButton", &l10n::copyButton},
    {"tooManyRounds", &l10n::tooManyRounds},
    {"foundSources", &l10n::foundSources},
    {"lookingForSources", &l10n::lookingForSources},
    {"messagesDatabaseRow", &l10n::messagesDatabaseRow},
    {"forgetSource", &l10n::forgetSource},
    {"backupToolMissing", &l10n::backupToolMissing},
    {"goBack", &l10n::goBack},
    {"contactsFileHint", &l10n::contactsFileHint},
    {"contactsFileEmpty", &l10n::contactsFileEmpty},
    {"contactsFileTooLarge", &l10n::contactsFileTooLarge},
    {"fileReadFailed", &l10n::fileReadFailed},
    {"backupContactsUnreadable", &l10n::backupContactsUnreadable},
    {"olderMessagesHintDatabase", &l10n::olderMessagesHintDatabase},
    {"sourceNoMessagesInFolder", &l10n::sourceNoMessagesInFolder},
    {"exportFailedNoSpace", &l10n::exportFailedNoSpace},
    {"exportFailedNotWritable", &l10n::exportFailedNotWritable},
    {"exportFailedSourceGone", &l10n::exportFailedSourceGone},
};

// The texts that speak of the desktop: on Linux their accessors give the entry named key + "Linux".
const std::set<std::string_view> desktopTexts = {"privacyTitle", "privacyBody",   "contactsBody", "olderMessagesHint",
                                                 "showInFinder", "allowContacts", "doneTitle"};

// The entry an accessor gives on the platform of this build.
const StringEntry &shownEntry(std::string_view key)
{
    if (l10n::linuxWords && desktopTexts.contains(key))
        return entryNamed(std::string(key) + "Linux");
    return entryNamed(key);
}

} // namespace

TEST(StringTable, EveryTextExistsInEveryLanguage)
{
    ASSERT_EQ(l10n::stringTable().size(), 90u);

    for (const StringEntry &entry : l10n::stringTable()) {
        for (const std::string_view language : l10n::languageCodes) {
            const std::string text = localized(entry.english, entry.french, language);

            EXPECT_EQ(text, columnFor(entry, language)) << entry.key << " in " << language;
            EXPECT_TRUE(common::isValidUtf8(text)) << entry.key << " in " << language;
            if (language != "en") { // A missed table lookup would show the English text.
                EXPECT_NE(text, entry.english) << entry.key << " in " << language;
            }
        }
    }
}

TEST(StringTable, NoTwoKeysOfOneLanguageShareATextWhenTheirEnglishDiffers)
{
    for (const std::string_view language : l10n::languageCodes) {
        std::set<std::string> texts;
        std::set<std::string_view> englishTexts;
        for (const StringEntry &entry : l10n::stringTable()) {
            texts.insert(localized(entry.english, entry.french, language));
            englishTexts.insert(entry.english);
        }

        EXPECT_EQ(texts.size(), englishTexts.size()) << language;
    }
}

TEST(StringTable, TextsUseTheEllipsisCharacterAndNoStraightDoubleQuotes)
{
    for (const StringEntry &entry : l10n::stringTable()) {
        for (const std::string_view language : l10n::languageCodes) {
            const std::string text = localized(entry.english, entry.french, language);

            EXPECT_EQ(text.find("..."), std::string::npos) << entry.key << " in " << language;
            EXPECT_EQ(text.find('"'), std::string::npos) << entry.key << " in " << language;
            EXPECT_EQ(text.find("  "), std::string::npos) << entry.key << " in " << language;
        }
    }
}

TEST(StringTable, ATextNamingAPathNamesItInEveryLanguageAndTheLinuxWordsLeaveTheMacBehind)
{
    for (const StringEntry &entry : l10n::stringTable()) {
        const bool namesAPath = entry.english.find("{path}") != std::string_view::npos;
        const bool linuxText = entry.key.ends_with("Linux");
        for (const std::string_view language : l10n::languageCodes) {
            const std::string text = localized(entry.english, entry.french, language);
            EXPECT_EQ(text.find("{path}") != std::string::npos, namesAPath) << entry.key << " in " << language;
            if (linuxText) {
                EXPECT_EQ(text.find("Mac"), std::string::npos) << entry.key << " in " << language;
                EXPECT_EQ(text.find("Finder"), std::string::npos) << entry.key << " in " << language;
                EXPECT_NE(text, textOf(entry.key.substr(0, entry.key.size() - 5), language)) << entry.key;
            }
        }
    }
}

TEST(Localized, EnglishAndFrenchComeFromTheCallOtherLanguagesFromTheirTable)
{
    EXPECT_EQ(localized("Get started", "C'est parti", "fr"), "C'est parti");
    EXPECT_EQ(localized("Get started", "C'est parti", "de"), "Los geht's");
    EXPECT_EQ(localized("Get started", "C'est parti", l10n::decideLanguage({"ja"})), "Get started");
    // French never consults a table, so a French text of the caller's own wins.
    EXPECT_EQ(localized("Get started", "Allons-y", "fr"), "Allons-y");
}

TEST(Localized, MissingTranslationOrLanguageFallsBackToEnglish)
{
    EXPECT_EQ(localized("Not in any table", "Dans aucune table", "de"), "Not in any table");
    EXPECT_EQ(localized("Get started", "C'est parti", "ja"), "Get started");
    EXPECT_EQ(localized("Get started", "C'est parti", "pt"), "Get started");
}

TEST(StringTable, SpotChecksInEveryLanguage)
{
    EXPECT_EQ(textOf("watchingForAccess", "en"), "Watching for access\u2026");
    EXPECT_EQ(textOf("exportFailed", "en"), "The export didn't work. Try again, or reopen the app.");

    EXPECT_EQ(textOf("getStarted", "fr"), "C'est parti");
    EXPECT_EQ(textOf("accessStep2Hint", "fr"),
              "Pas dans la liste ? Clique sur +, ou glisse cette icône dans la liste.");
    EXPECT_EQ(textOf("doneTitle", "fr"), "Enregistré dans Téléchargements !");
    EXPECT_EQ(textOf("accessBody", "fr"),
              "macOS range tes conversations dans un dossier protégé : aucune app ne peut les lire par défaut. "
              "Pour en exporter une, Tovik for Mac a besoin de l'accès complet au disque.");

    EXPECT_EQ(textOf("getStarted", "de"), "Los geht's");
    EXPECT_EQ(textOf("accessStep1", "de"), "Klick auf \u201ESystemeinstellungen öffnen\u201C.");
    EXPECT_EQ(textOf("doneTitle", "de"), "In \u201EDownloads\u201C gespeichert!");
    EXPECT_EQ(textOf("readingMessages", "de"), "Deine Nachrichten werden gelesen\u2026");

    EXPECT_EQ(textOf("contactsTitle", "es"), "¿Nombres en vez de números?");
    EXPECT_EQ(textOf("doneTitle", "es"), "¡Guardado en Descargas!");
    EXPECT_EQ(textOf("exporting", "es"), "Exportando\u2026");

    EXPECT_EQ(textOf("exportAnother", "it"), "Esporta un'altra conversazione");
    EXPECT_EQ(textOf("exporting", "it"), "Esportazione in corso\u2026");
    EXPECT_EQ(textOf("allowContacts", "it"), "Consenti accesso ai Contatti");

    EXPECT_EQ(textOf("accessStep1", "tr"), "\u201CSistem Ayarları'nı Aç\u201D butonuna tıkla.");
    EXPECT_EQ(textOf("continueWithoutNames", "tr"), "İsimsiz devam et");
    EXPECT_EQ(textOf("groupBadge", "tr"), "GRUP");

    EXPECT_EQ(textOf("getStarted", "pt-BR"), "Bora começar");
    EXPECT_EQ(textOf("uploadButton", "pt-BR"), "Enviar para a Tovik");
    EXPECT_EQ(textOf("tooShortHint", "pt-BR"), "Menos de 100 mensagens: curta demais pra Tovik");

    EXPECT_EQ(textOf("getStarted", "pt-PT"), "Começar");
    EXPECT_EQ(textOf("uploadButton", "pt-PT"), "Carregar na Tovik");
    EXPECT_EQ(textOf("exporting", "pt-PT"), "A exportar\u2026");
}

TEST(CurrentLanguage, FirstDecisionWins)
{
    EXPECT_TRUE(turkishChosenAtStart);
    EXPECT_EQ(l10n::currentLanguage(), "tr");

    EXPECT_FALSE(l10n::setPreferredLanguages({"fr"}));

    EXPECT_EQ(l10n::currentLanguage(), "tr");
}

TEST(Accessors, EachGivesItsOwnEntryInTheCurrentLanguageAndKeepsIt)
{
    // Every entry is reached by one accessor, the desktop variants through the text they replace.
    ASSERT_EQ(accessors.size() + desktopTexts.size(), l10n::stringTable().size());
    std::set<std::string_view> keys;
    for (const auto &[key, accessor] : accessors)
        keys.insert(key);
    ASSERT_EQ(keys.size(), accessors.size());

    for (std::size_t row = 0; row < accessors.size(); ++row) {
        const auto &[key, accessor] = accessors[row];
        const StringEntry &entry = shownEntry(key);

        EXPECT_EQ(entryNamed(key).key, key);
        EXPECT_EQ(accessor(), entry.turkish) << key;
        EXPECT_EQ(&accessor(), &accessor()) << key;
        EXPECT_EQ(localized(entry.english, entry.french), entry.turkish) << key;
    }
}

TEST(Accessors, ThreadsCallingAtOnceSeeTheSameTexts)
{
    const std::string region =
        l10n::numberRegionFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_NUMERIC"), std::getenv("LANG"));
    const std::string expectedCount = l10n::messageCountText(7, "tr", region);
    std::vector<std::vector<const std::string *>> seen(4);
    std::vector<std::string> counts(seen.size());

    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < seen.size(); ++t) {
            threads.emplace_back([&, t] {
                for (const auto &[key, accessor] : accessors)
                    seen[t].push_back(&accessor());
                counts[t] = l10n::messageCountText(7);
            });
        }
    }

    for (std::size_t t = 0; t < seen.size(); ++t) {
        ASSERT_EQ(seen[t].size(), accessors.size());
        for (std::size_t row = 0; row < accessors.size(); ++row) {
            EXPECT_EQ(seen[t][row], &accessors[row].second());
            EXPECT_EQ(*seen[t][row], shownEntry(accessors[row].first).turkish);
        }
        EXPECT_EQ(counts[t], expectedCount);
    }
}
