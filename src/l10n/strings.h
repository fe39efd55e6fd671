#pragma once

#include <span>
#include <string>
#include <string_view>

// Every user-visible text of the application, in each of the languages of languageCodes. The texts
// are compiled into the program; there is nothing to load and nothing that can fail.
namespace l10n
{

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

// True when built for a Linux desktop. There a few texts speak of this computer, the file manager
// and Tovik instead of this Mac, Finder and Tovik for Mac: the accessors of those texts give the
// entry whose key is theirs followed by "Linux". The Mac entries stay in the table either way.
#if defined(__APPLE__)
inline constexpr bool linuxWords = false;
#else
inline constexpr bool linuxWords = true;
#endif

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

// Where the messages come from, backups and their password, contacts files, and what the
// desktop could not open. Texts with "{path}" name a path there.
[[nodiscard]] const std::string &sourceTitle();
[[nodiscard]] const std::string &sourceBody();
[[nodiscard]] const std::string &sourceBackupHint();
[[nodiscard]] const std::string &chooseSource();
[[nodiscard]] const std::string &chooseSourceTitle();
[[nodiscard]] const std::string &checkingSource();
[[nodiscard]] const std::string &sourceNotFound();
[[nodiscard]] const std::string &sourceUnreadable();
[[nodiscard]] const std::string &sourceNotRegularFile();
[[nodiscard]] const std::string &sourceNotMessages();
[[nodiscard]] const std::string &databaseTooOld();
[[nodiscard]] const std::string &backupWithoutMessages();
[[nodiscard]] const std::string &backupTooOld();
[[nodiscard]] const std::string &backupWithoutManifest();
[[nodiscard]] const std::string &backupNotMessages();
[[nodiscard]] const std::string &backupIncomplete();
[[nodiscard]] const std::string &unlockFailed();
[[nodiscard]] const std::string &backupsTitle();
[[nodiscard]] const std::string &encryptedBadge();
[[nodiscard]] const std::string &incompleteBadge();
[[nodiscard]] const std::string &passwordTitle();
[[nodiscard]] const std::string &passwordBody();
[[nodiscard]] const std::string &passwordPlaceholder();
[[nodiscard]] const std::string &unlockButton();
[[nodiscard]] const std::string &unlockingBackup();
[[nodiscard]] const std::string &wrongPassword();
[[nodiscard]] const std::string &otherMessages();
[[nodiscard]] const std::string &contactsFileTitle();
[[nodiscard]] const std::string &chooseContactsFile();
[[nodiscard]] const std::string &couldNotOpen();
[[nodiscard]] const std::string &copyButton();
// Also with "{rounds}" and "{phoneRounds}", numbers of key derivation rounds.
[[nodiscard]] const std::string &tooManyRounds();
[[nodiscard]] const std::string &foundSources();
[[nodiscard]] const std::string &lookingForSources();
[[nodiscard]] const std::string &messagesDatabaseRow();
[[nodiscard]] const std::string &forgetSource();
[[nodiscard]] const std::string &backupToolMissing();
[[nodiscard]] const std::string &goBack();

// Contacts files, the list's hint for a database, a folder without messages, and why an export
// failed. On Linux doneTitle() has "{folder}" in it, the name of the folder the file went to.
[[nodiscard]] const std::string &contactsFileHint();
[[nodiscard]] const std::string &contactsFileEmpty();
[[nodiscard]] const std::string &contactsFileTooLarge();
[[nodiscard]] const std::string &fileReadFailed();
[[nodiscard]] const std::string &backupContactsUnreadable();
[[nodiscard]] const std::string &olderMessagesHintDatabase();
[[nodiscard]] const std::string &sourceNoMessagesInFolder();
[[nodiscard]] const std::string &exportFailedNoSpace();
[[nodiscard]] const std::string &exportFailedNotWritable();
[[nodiscard]] const std::string &exportFailedSourceGone();

} // namespace l10n
