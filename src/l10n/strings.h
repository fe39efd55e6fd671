#pragma once

#include <span>
#include <string>
#include <string_view>

// Every user-visible text of the application, in each of the languages of languageCodes. The texts
// are compiled into the program; there is nothing to load and nothing that can fail.
namespace l10n {

// One user-visible text in all eight languages. The English text doubles as the key of the
// translation tables; `key` is the name of the text's accessor.
struct StringEntry {
    std::string_view key;
    std::string_view english;
    std::string_view french;
    std::string_view german;
    std::string_view spanish;
    std::string_view italian;
    std::string_view turkish;
    std::string_view brazilianPortuguese;
    std::string_view europeanPortuguese;
};

// All entries, in the order the translation tables are built in. The views point at static data.
[[nodiscard]] std::span<const StringEntry> stringTable();

// The text for `language`: the English text for "en", the French text for "fr", otherwise the
// translation of `english` in that language's table, and the English text when the language or the
// text has no table entry.
[[nodiscard]] std::string localized(std::string_view english, std::string_view french, std::string_view language);

// The text for currentLanguage().
[[nodiscard]] std::string localized(std::string_view english, std::string_view french);

// One accessor per text, in the current language, UTF-8. Each is worked out on its first call, from
// any thread, and the reference stays valid until the process ends.
[[nodiscard]] const std::string &welcomeTitle();
[[nodiscard]] const std::string &welcomeBody();
[[nodiscard]] const std::string &privacyTitle();
[[nodiscard]] const std::string &privacyBody();
[[nodiscard]] const std::string &getStarted();
[[nodiscard]] const std::string &accessTitle();
[[nodiscard]] const std::string &accessBody();
[[nodiscard]] const std::string &accessStep1();
[[nodiscard]] const std::string &accessStep2();
[[nodiscard]] const std::string &accessStep2Hint();
[[nodiscard]] const std::string &accessStep3();
[[nodiscard]] const std::string &openSystemSettings();
[[nodiscard]] const std::string &watchingForAccess();
[[nodiscard]] const std::string &quitAndReopen();
[[nodiscard]] const std::string &noMessagesBody();
[[nodiscard]] const std::string &contactsTitle();
[[nodiscard]] const std::string &contactsBody();
[[nodiscard]] const std::string &allowContacts();
[[nodiscard]] const std::string &continueWithoutNames();
[[nodiscard]] const std::string &listTitle();
[[nodiscard]] const std::string &searchPlaceholder();
[[nodiscard]] const std::string &sortMostMessages();
[[nodiscard]] const std::string &groupBadge();
[[nodiscard]] const std::string &readingMessages();
[[nodiscard]] const std::string &noConversationFound();
[[nodiscard]] const std::string &tooShortHint();
[[nodiscard]] const std::string &exportButton();
[[nodiscard]] const std::string &exporting();
[[nodiscard]] const std::string &olderMessagesHint();
[[nodiscard]] const std::string &doneTitle();
[[nodiscard]] const std::string &doneBody();
[[nodiscard]] const std::string &uploadButton();
[[nodiscard]] const std::string &showInFinder();
[[nodiscard]] const std::string &exportAnother();
[[nodiscard]] const std::string &exportFailed();

} // namespace l10n
