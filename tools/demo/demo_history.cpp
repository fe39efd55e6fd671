#include "demo/demo_history.h"

#include "backup/backup_writer.h"
#include "demo/history_writer.h"
#include "typedstream/archive.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace demo
{

namespace
{

constexpr std::int64_t appleEpoch = 978307200;
constexpr std::int64_t nanos = 1'000'000'000;

// A person of the demo history: how the address book knows them and how Messages does.
struct Person {
    const char *given;
    const char *family;
    const char *nickname;
    const char *organization;
    std::vector<std::string> cardPhones; // as typed into the address book
    std::vector<std::string> cardEmails;
    std::vector<std::string> handles; // as Messages stores them, one chat each
    bool inContacts;
};

std::vector<Person> people()
{
    return {
        // Maya is reached over SMS and iMessage with differently written numbers, and by e-mail.
        {"Maya",
         "Okafor",
         "",
         "",
         {"+1 (415) 555-0132"},
         {"Maya.Okafor@example.com"},
         {"+14155550132", "4155550132", "maya.okafor@example.com"},
         true},
        {"Jonas", "Becker", "", "", {"+49 151 23456789"}, {}, {"+4915123456789"}, true},
        {"Léa", "Dubois", "", "", {"+33 6 12 34 56 78"}, {"lea.dubois@example.fr"}, {"+33612345678"}, true},
        {"Sam", "Rivera", "Sammy", "", {"(212) 555-0199"}, {}, {"+12125550199"}, true},
        {"Priya", "Raman", "", "", {"+44 7700 900123"}, {}, {"+447700900123"}, true},
        {"Tomás", "García", "", "", {"+34 612 345 678"}, {}, {"+34612345678"}, true},
        {"Grandma", "", "", "", {"+1 503 555 0111"}, {}, {"+15035550111"}, true},
        {"Ahmet", "Yılmaz", "", "", {"+90 532 123 45 67"}, {}, {"+905321234567"}, true},
        {"Chiara", "Romano", "", "", {}, {"chiara.romano@example.it"}, {"chiara.romano@example.it"}, true},
        {"", "", "", "Bright Dental", {"+1 415 555 0177"}, {}, {"+14155550177"}, true},
        {"Noah", "Kim", "", "", {"+1 646 555 0145"}, {}, {"+16465550145"}, true},
        {"Inês", "Costa", "", "", {"+351 912 345 678"}, {}, {"+351912345678"}, true},
        {"Ben", "Ode", "", "", {"+1 303 555 0160"}, {}, {"+13035550160"}, true},
        {"Carl", "Lind", "", "", {"+46 70 123 45 67"}, {}, {"+46701234567"}, true},
        {"Anna", "Smith", "", "", {"+1 617 555 0123"}, {"anna@example.com"}, {"+16175550123"}, true},
        // Not in the address book: shown by number or address.
        {"", "", "", "", {}, {}, {"+18005550199"}, false},
        {"", "", "", "", {}, {}, {"delivery@shop.example.com"}, false},
        {"", "", "", "", {}, {}, {"+17075550188"}, false},
    };
}

const std::vector<std::string> &phrases()
{
    static const std::vector<std::string> list = {
        "Hey! How are you?",
        "On my way 🚗",
        "Running 10 min late, sorry!!",
        "ok",
        "Haha that's amazing 😂😂",
        "Did you see the game last night?",
        "Can you pick up milk on the way home?",
        "Love you ❤️",
        "Call me when you're free",
        "Happy birthday!!! 🎉🎂",
        "See you tomorrow at 9",
        "What time does the train leave?",
        "I'll send you the photos later",
        "Thanks so much, that really helped 🙏",
        "Good night 😴",
        "Wait what",
        "Sounds good 👍",
        "Where did we park?",
        "Dinner at ours on Friday?",
        "Just landed ✈️",
        "Can't talk now, in a meeting",
        "Merci beaucoup ! À demain.",
        "Bis später 👋",
        "¿Vienes esta noche?",
        "Ci vediamo alle otto.",
        "Yarın görüşürüz 😊",
        "Tá bom, falamos depois.",
        "שלום! מה נשמע?",
        "مرحبا، كيف حالك؟",
        "👨‍👩‍👧‍👦 family dinner this Sunday",
        "Shopping list:\nbread\neggs\ncoffee ☕",
        "First line\r\nsecond line\r\n\r\nthird line after a gap",
        "  lots of spaces around this  ",
        "Mar 09, 2024  9:15:00 AM was when the flight was booked",
        "Reminder: Jan 5, 2023 3:04:05 PM is the old timestamp, keep it",
        "Here's the address:\n221B Baker Street\nLondon",
        "Line one\u2028line two after a line separator",
    };
    return list;
}

const std::vector<std::string> &longPhrases()
{
    static const std::vector<std::string> list = {
        "So here's the whole story: we got to the station at half past eight, the train was cancelled, "
        "the next one was full, and we ended up sharing a taxi with a lovely couple from Lyon who "
        "knew a great little place for breakfast. Best accidental morning of the trip honestly 😄",
        "Recipe for the soup you asked about:\n1. Fry two onions slowly\n2. Add garlic, cumin, paprika\n"
        "3. Lentils, tomatoes, stock\n4. Simmer 25 minutes\n5. Lemon and salt at the end.\nEnjoy!! 🍲",
    };
    return list;
}

// Stored dates: seconds since 2001 in old databases, nanoseconds since macOS 10.13.
std::int64_t stored(std::int64_t unixSeconds, bool inNanoseconds)
{
    const std::int64_t seconds = unixSeconds - appleEpoch;
    return inNanoseconds ? seconds * nanos : seconds;
}

struct Conversation {
    std::vector<std::int64_t> chats;
    std::vector<std::int64_t> handles; // other participants
    bool group = false;
};

// Writes `count` messages into a conversation between `start` and `end` (Unix seconds),
// with the variety of a real history: archived-only bodies, attachments, voice messages,
// app messages, reactions, stickers, edits and unsent messages.
void writeMessages(HistoryWriter &writer,
                   Random &random,
                   const Conversation &conversation,
                   int count,
                   std::int64_t start,
                   std::int64_t end,
                   bool inNanoseconds,
                   Summary &summary)
{
    const std::int64_t span = std::max<std::int64_t>(end - start, 1);
    const std::int64_t step = std::max<std::int64_t>(span / std::max(count, 1), 1);
    for (int i = 0; i < count; ++i) {
        // Evenly spread with jitter, so that dates rise and the whole range is used.
        const std::int64_t when =
            start + step * i + static_cast<std::int64_t>(random.below(static_cast<std::uint64_t>(step)));
        MessageRow row;
        row.date = stored(when, inNanoseconds) + (inNanoseconds ? static_cast<std::int64_t>(random.below(nanos)) : 0);
        row.fromMe = random.chance(0.45);
        if (!row.fromMe)
            row.handle = random.pick(conversation.handles);
        // Several chats of one conversation (SMS and iMessage) take turns.
        const std::int64_t chat = conversation.chats[random.below(conversation.chats.size())];

        const std::uint64_t kind = random.below(100);
        std::string text = random.chance(0.05) ? random.pick(longPhrases()) : random.pick(phrases());
        if (kind < 12) {
            // Recent systems often keep the text only in the archived body.
            row.attributedBody = typedstream::archiveAttributedString(text);
        } else if (kind < 17) {
            row.text = "\xEF\xBF\xBC"; // a photo
            row.hasAttachments = true;
            row.attributedBody = typedstream::archiveAttributedString("\xEF\xBF\xBC");
        } else if (kind < 19) {
            row.text = "\xEF\xBF\xBC" + text; // a photo with a caption
            row.hasAttachments = true;
        } else if (kind < 20) {
            row.isAudio = true;
            row.hasAttachments = true;
        } else if (kind < 22) {
            row.balloonBundleId = "com.apple.messages.URLBalloonProvider";
            row.text = random.chance(0.5) ? std::optional<std::string>("https://example.com/article") : std::nullopt;
        } else if (kind < 23) {
            row.dateRetracted = row.date + 30;
            row.dateEdited = row.date + 30;
        } else if (kind < 25) {
            row.text = text + " (fixed typo)";
            row.dateEdited = row.date + 60;
        } else if (kind < 31) {
            row.associatedType = 2000 + static_cast<std::int64_t>(random.below(6)); // a tapback
            row.text = "Loved “" + text + "”";
        } else if (kind < 32) {
            row.associatedType = 3000 + static_cast<std::int64_t>(random.below(6)); // tapback removed
        } else if (kind < 33) {
            row.associatedType = 1000; // a sticker on a message
            row.hasAttachments = true;
        } else if (kind < 34 && conversation.group) {
            row.itemType = 1 + static_cast<std::int64_t>(random.below(3)); // member added, renamed, ...
        } else {
            row.text = text;
        }
        writer.addMessage(conversation.chats.size() > 1 ? std::vector<std::int64_t>{chat} : conversation.chats, row);
        ++summary.messages;
    }
}

std::int64_t unixDate(int year, int month, int day)
{
    // Days from civil (Howard Hinnant's algorithm).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return (static_cast<std::int64_t>(era) * 146097 + doe - 719468) * 86400;
}

std::string vcardEscape(const std::string &value)
{
    std::string out;
    for (const char c : value) {
        if (c == ',' || c == ';' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string cardUid(int index)
{
    return "DEMO-" + std::to_string(index) + "-5F3C2B1A-0000-4000-8000-00000000000" + std::to_string(index % 10);
}

std::string contactsFile(const std::vector<Person> &list)
{
    std::string out;
    int index = 0;
    for (const Person &person : list) {
        ++index;
        if (!person.inContacts)
            continue;
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//macOS 14.4//EN\r\n";
        out += "N:" + vcardEscape(person.family) + ";" + vcardEscape(person.given) + ";;;\r\n";
        const bool company = person.given[0] == '\0' && person.family[0] == '\0';
        out += "FN:"
            + vcardEscape(company
                              ? person.organization
                              : std::string(person.given) + (person.family[0] ? std::string(" ") + person.family : ""))
            + "\r\n";
        if (person.nickname[0] != '\0')
            out += "NICKNAME:" + vcardEscape(person.nickname) + "\r\n";
        if (person.organization[0] != '\0')
            out += "ORG:" + vcardEscape(person.organization) + ";\r\n";
        int item = 0;
        for (const std::string &phone : person.cardPhones) {
            const std::string group = "item" + std::to_string(++item);
            out += group + ".TEL;type=CELL;type=VOICE;type=pref:" + phone + "\r\n";
            out += group + ".X-ABLabel:_$!<Mobile>!$_\r\n";
        }
        for (const std::string &email : person.cardEmails)
            out += "EMAIL;type=INTERNET;type=HOME;type=pref:" + email + "\r\n";
        if (company)
            out += "X-ABShowAs:COMPANY\r\n";
        out += "UID:" + cardUid(index) + "\r\n";
        out += "END:VCARD\r\n";
    }
    return out;
}

// The same people as the phone's address book knows them, with the vCard's identifiers.
std::vector<backup::AddressBookPerson> addressBookPeople(const std::vector<Person> &list)
{
    std::vector<backup::AddressBookPerson> out;
    int index = 0;
    for (const Person &person : list) {
        ++index;
        if (!person.inContacts)
            continue;
        backup::AddressBookPerson entry;
        entry.first = person.given;
        entry.last = person.family;
        entry.nickname = person.nickname;
        entry.organization = person.organization;
        entry.kind = person.given[0] == '\0' && person.family[0] == '\0' ? 1 : 0;
        entry.guid = cardUid(index);
        entry.phones = person.cardPhones;
        entry.emails = person.cardEmails;
        out.push_back(std::move(entry));
    }
    return out;
}

std::optional<std::string> writeLargeHistoryTo(const std::filesystem::path &file, const LargeHistory &options);

} // namespace

std::optional<std::string> writeDemoHistory(const std::filesystem::path &home, std::uint64_t seed, Summary &summary)
{
    const auto folder = home / "Library" / "Messages";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return "cannot create " + folder.string() + ": " + error.message();

    Random random(seed);
    HistoryWriter writer(folder / "chat.db");
    const auto list = people();
    std::vector<std::vector<std::int64_t>> handles;
    for (const Person &person : list) {
        std::vector<std::int64_t> ids;
        for (const std::string &handle : person.handles)
            ids.push_back(writer.addHandle(
                handle, handle.find('@') != std::string::npos || handle.size() > 11 ? "iMessage" : "SMS"));
        handles.push_back(ids);
    }
    const auto chatWith = [&](std::size_t person, std::size_t which, const std::string &service) {
        ++summary.chats;
        return writer.addChat(list[person].handles[which], 45, "", service, {handles[person][which]});
    };

    const std::int64_t y2016 = unixDate(2016, 3, 1);
    const std::int64_t y2019 = unixDate(2019, 6, 1);
    const std::int64_t y2022 = unixDate(2022, 1, 10);
    const std::int64_t y2024 = unixDate(2024, 11, 30);

    // One-to-one conversations of very different sizes.
    const int sizes[] = {1400, 620, 340, 260, 180, 130, 101, 100, 99, 75, 40, 22, 12, 6, 3, 2};
    const std::size_t order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 9, 15, 16};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        const std::size_t person = order[i];
        Conversation conversation;
        if (person == 0) {
            // Maya: an SMS chat and an iMessage chat for one number written two ways.
            conversation.chats = {chatWith(0, 0, "iMessage"), chatWith(0, 1, "SMS")};
            conversation.handles = {handles[0][0], handles[0][1]};
        } else {
            conversation.chats = {chatWith(person, 0, "iMessage")};
            conversation.handles = {handles[person][0]};
        }
        writeMessages(writer, random, conversation, sizes[i], i % 3 == 0 ? y2016 : y2019, y2024, true, summary);
    }
    // The latest chat stays in the -wal, as on a Mac.
    writer.keepRestInLog();
    {
        // Maya's e-mail chat: merges with her phone chats once contacts are known.
        const Conversation conversation{{chatWith(0, 2, "iMessage")}, {handles[0][2]}, false};
        writeMessages(writer, random, conversation, 90, y2022, y2024, true, summary);
    }
    {
        // An old chat from before nanosecond dates.
        const Conversation conversation{{chatWith(14, 0, "SMS")}, {handles[14][0]}, false};
        writeMessages(writer, random, conversation, 150, unixDate(2012, 4, 2), unixDate(2015, 8, 20), false, summary);
    }

    const auto group = [&](const std::string &name, const std::vector<std::size_t> &members) {
        std::vector<std::int64_t> ids;
        for (const std::size_t member : members)
            ids.push_back(handles[member][0]);
        ++summary.chats;
        return std::make_pair(
            writer.addChat("chat" + std::to_string(100000 + random.below(900000)), 43, name, "iMessage", ids), ids);
    };
    {
        auto [chat, ids] = group("Family 🏡", {0, 6, 3});
        writeMessages(writer, random, {{chat}, ids, true}, 900, y2016, y2024, true, summary);
    }
    {
        // Two group chats with the same people: they merge, the later one's name wins.
        auto [older, ids] = group("Ski trip 2020", {1, 2, 5});
        writeMessages(writer, random, {{older}, ids, true}, 160, unixDate(2019, 12, 1), unixDate(2020, 2, 20), true,
                      summary);
        auto [newer, same] = group("Ski trip 2023 ⛷️", {1, 2, 5});
        writeMessages(writer, random, {{newer}, same, true}, 140, unixDate(2022, 12, 1), unixDate(2023, 2, 20), true,
                      summary);
    }
    {
        // Five people, no name: titled by first names and "+2".
        auto [chat, ids] = group("", {14, 12, 13, 15, 17});
        writeMessages(writer, random, {{chat}, ids, true}, 230, y2022, y2024, true, summary);
    }
    {
        // A group with a single other member stays apart from the one-to-one chat.
        auto [chat, ids] = group("Book club", {10});
        writeMessages(writer, random, {{chat}, ids, true}, 45, y2022, y2024, true, summary);
    }
    {
        auto [chat, ids] = group("", {7, 11, 8});
        writeMessages(writer, random, {{chat}, ids, true}, 120, y2019, y2022, true, summary);
    }
    {
        // A chat whose participants are gone: listed by its identifier.
        ++summary.chats;
        const std::int64_t chat = writer.addChat("urn:biz:7f4e-demo", 45, "", "iMessage", {});
        const Conversation conversation{{chat}, {0}, false};
        writeMessages(writer, random, conversation, 15, y2022, y2024, true, summary);
    }
    {
        // A chat with nothing countable in it is not listed.
        const Conversation conversation{{chatWith(16, 0, "iMessage")}, {handles[16][0]}, false};
        MessageRow system;
        system.date = stored(y2022, true);
        system.itemType = 6;
        writer.addMessage(conversation.chats, system);
        ++summary.messages;
    }

    if (auto failed = writer.commit())
        return "cannot write " + (folder / "chat.db").string() + ": " + *failed;

    std::ofstream vcf(home / "contacts.vcf", std::ios::binary | std::ios::trunc);
    vcf << contactsFile(list);
    if (!vcf)
        return "cannot write " + (home / "contacts.vcf").string();

    // The same history as a phone's backup would hold it, named by the phone's address book.
    const auto book = home / "AddressBook.sqlitedb";
    if (auto failed = backup::writeAddressBook(book, addressBookPeople(list)))
        return "cannot write " + book.string() + ": " + *failed;
    backup::BackupOptions options;
    options.deviceName = "Demo iPhone";
    options.lastBackup = 1710000000;
    if (auto failed =
            backup::writeBackup(demoBackupFolder(home), {folder / "chat.db", folder / "chat.db-wal", book}, options))
        return failed;
    std::filesystem::remove(book, error);
    return std::nullopt;
}

std::filesystem::path demoBackupFolder(const std::filesystem::path &home)
{
    return home / "Library" / "Application Support" / "MobileSync" / "Backup" / "00008120-001A2B3C4D5E6F70";
}

std::optional<std::string> writeLargeHistory(const std::filesystem::path &file, const LargeHistory &options)
{
    // Written under a temporary name first, so that an interrupted run leaves no half database
    // that a later run would take for a finished one.
    const auto partial = std::filesystem::path(file.string() + ".partial");
    if (auto failed = writeLargeHistoryTo(partial, options))
        return failed;
    std::error_code error;
    std::filesystem::rename(partial, file, error);
    if (error)
        return "cannot rename " + partial.string() + ": " + error.message();
    for (const char *suffix : {"-wal", "-shm"})
        std::filesystem::remove(partial.string() + suffix, error);
    return std::nullopt;
}

namespace
{

std::optional<std::string> writeLargeHistoryTo(const std::filesystem::path &file, const LargeHistory &options)
{
    Random random(options.seed);
    HistoryWriter writer(file);
    std::vector<std::int64_t> handles;
    const std::int64_t handleCount = std::max<std::int64_t>(options.chats, 2);
    for (std::int64_t i = 0; i < handleCount; ++i) {
        if (i % 7 == 3) {
            handles.push_back(writer.addHandle("person" + std::to_string(i) + "@example.com", "iMessage"));
        } else {
            const std::uint64_t number = 2'000'000'000ULL + random.below(7'999'999'999ULL);
            handles.push_back(writer.addHandle("+1" + std::to_string(number), i % 3 == 0 ? "SMS" : "iMessage"));
        }
    }
    struct Chat {
        std::int64_t id;
        std::vector<std::int64_t> members;
    };
    std::vector<Chat> chats;
    for (std::int64_t i = 0; i < options.chats; ++i) {
        std::vector<std::int64_t> members{handles[static_cast<std::size_t>(i) % handles.size()]};
        const bool isGroup = i % 10 == 9;
        if (isGroup) {
            for (int k = 0; k < 3; ++k) {
                const std::int64_t member = handles[random.below(handles.size())];
                if (std::find(members.begin(), members.end(), member) == members.end())
                    members.push_back(member);
            }
        }
        chats.push_back(
            {writer.addChat(isGroup ? "chat" + std::to_string(i) : "+1" + std::to_string(i), isGroup ? 43 : 45,
                            isGroup && i % 20 == 19 ? "Group " + std::to_string(i) : "", "iMessage", members),
             members});
    }
    if (options.largestConversation > 0) {
        const std::int64_t special = writer.addHandle("+14155550100", "iMessage");
        chats.insert(chats.begin(), {writer.addChat("+14155550100", 45, "", "iMessage", {special}), {special}});
    }

    const std::int64_t start = unixDate(2015, 1, 1);
    const std::int64_t end = unixDate(2025, 1, 1);
    const auto messageFor = [&](const Chat &chat, std::int64_t index, std::int64_t total) {
        MessageRow row;
        const std::int64_t when = start + (end - start) * index / std::max<std::int64_t>(total, 1);
        row.date = stored(when, true) + static_cast<std::int64_t>(random.below(nanos));
        row.fromMe = random.chance(0.5);
        row.handle = row.fromMe ? 0 : chat.members[random.below(chat.members.size())];
        std::string text = random.chance(options.longShare) ? random.pick(longPhrases()) : random.pick(phrases());
        if (random.chance(options.archivedShare))
            row.attributedBody = typedstream::archiveAttributedString(text);
        else
            row.text = std::move(text);
        if (random.chance(0.02))
            row.associatedType = 2000 + static_cast<std::int64_t>(random.below(6));
        return row;
    };

    std::int64_t remaining = options.messages;
    if (options.largestConversation > 0) {
        const Chat &big = chats.front();
        for (std::int64_t i = 0; i < options.largestConversation && remaining > 0; ++i, --remaining)
            writer.addMessage({big.id}, messageFor(big, i, options.largestConversation));
    }
    // The rest spread unevenly: a few large chats, many small ones.
    const std::int64_t total = remaining;
    for (std::int64_t i = 0; i < total; ++i) {
        const std::uint64_t r = random.below(1000);
        // The largest conversation, when there is one, has all its messages already.
        const std::size_t firstOther = options.largestConversation > 0 ? 1 : 0;
        const std::size_t others = chats.size() - firstOther;
        const std::size_t pickIndex =
            firstOther + (r < 500 ? random.below(std::min<std::size_t>(others, 50)) : random.below(others));
        const Chat &chat = chats[pickIndex];
        writer.addMessage({chat.id}, messageFor(chat, i, total));
    }
    // Everything into the database itself: the log would otherwise be left under the temporary
    // name when the file is renamed.
    writer.keepRestInLog();
    if (auto failed = writer.commit())
        return "cannot write " + file.string() + ": " + *failed;
    return std::nullopt;
}

} // namespace

} // namespace demo
