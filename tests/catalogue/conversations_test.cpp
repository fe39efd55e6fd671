#include "catalogue/conversations.h"

#include "contacts/vcard_reader.h"
#include "demo/demo_history.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

using catalogue::Conversation;
using catalogue::firstWord;
using catalogue::handleKey;
using catalogue::loadConversations;
using contacts::ContactRecord;
using contacts::ContactsIndex;
using testsupport::appleNanoseconds;
using testsupport::MessagesFixture;
using testsupport::Schema;
using testsupport::TempDir;

namespace
{

ContactsIndex indexOf(const std::vector<ContactRecord> &records)
{
    ContactsIndex index;
    for (const ContactRecord &record : records)
        contacts::addContact(record, index.byKey);
    return index;
}

} // namespace

class ConversationsTest : public ::testing::Test
{
protected:
    // A chat with `messages` countable messages, the last one at `lastUnix`.
    std::int64_t chat(const std::vector<std::string> &handles,
                      std::int64_t style,
                      int messages,
                      const std::string &displayName = "",
                      std::int64_t lastUnix = 1700000000,
                      const std::string &identifier = "")
    {
        std::vector<std::int64_t> ids;
        for (const std::string &handle : handles)
            ids.push_back(fixture.addHandle(handle, "service" + std::to_string(++services)));
        testsupport::Columns more;
        if (!displayName.empty())
            more.emplace_back("display_name", displayName);
        const auto id = fixture.addChat(identifier.empty() ? (handles.empty() ? "chat" : handles.front()) : identifier,
                                        style, ids, more);
        for (int i = 0; i < messages; ++i)
            fixture.addMessage({id}, {{"date", appleNanoseconds(lastUnix - 3600 * (messages - 1 - i))}, {"text", "m"}});
        return id;
    }

    std::vector<Conversation> load(const ContactsIndex &contacts = {})
    {
        fixture.close();
        auto store = store::MessagesStore::open(dir / "chat.db");
        EXPECT_TRUE(store);
        auto list = loadConversations(*store, contacts);
        EXPECT_TRUE(list) << list.error().message;
        return list ? *list : std::vector<Conversation>{};
    }

    TempDir dir;
    MessagesFixture fixture{dir / "chat.db", Schema::Recent};
    int services = 0;
};

TEST_F(ConversationsTest, SmsAndIMessageChatsOfOneNumberMerge)
{
    const auto sms = chat({"+49 151 1234 5678"}, 45, 3, "", 1600000000);
    const auto imessage = chat({"015112345678"}, 45, 2, "", 1700000000);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "p:112345678");
    EXPECT_EQ(list[0].chatIDs, (std::vector<std::int64_t>{sms, imessage}));
    EXPECT_EQ(list[0].count, 5);
    EXPECT_EQ(list[0].handles, (std::vector<std::string>{"+49 151 1234 5678", "015112345678"}));
    EXPECT_FALSE(list[0].isGroup);
    EXPECT_EQ(list[0].title, "+49 151 1234 5678");
    EXPECT_DOUBLE_EQ(common::unixSeconds(*list[0].first), 1600000000.0 - 2 * 3600);
    EXPECT_DOUBLE_EQ(common::unixSeconds(*list[0].last), 1700000000.0);
}

TEST_F(ConversationsTest, PhoneAndEmailChatsOfOneContactMergeUnderTheContact)
{
    chat({"+15551234567"}, 45, 4);
    chat({"Anna@Example.com"}, 45, 3);
    const auto contacts = indexOf({{"ID-ANNA", "Anna Smith", "", "", {"+1 (555) 123-4567"}, {"anna@example.com"}}});

    const auto list = load(contacts);

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "c:ID-ANNA");
    EXPECT_EQ(list[0].title, "Anna Smith");
    EXPECT_EQ(list[0].members, std::vector<std::string>{"Anna Smith"});
    EXPECT_EQ(list[0].count, 7);
}

TEST_F(ConversationsTest, WithoutContactsEmailKeyIsLowercased)
{
    chat({"Anna@Example.COM"}, 45, 1);
    chat({"anna@example.com"}, 45, 1);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "e:anna@example.com");
    EXPECT_EQ(list[0].handles.size(), 2u);
}

namespace
{

// One address in two canonically equivalent spellings, and its key.
const std::string composedAddress = "\xC3\x9Cn\xC3\xAF"
                                    "c\xC3\xB6"
                                    "d\xC3\xA9@Example.org"; // U+00DC ...
const std::string decomposedAddress = "U\xCC\x88ni\xCC\x88"
                                      "co\xCC\x88"
                                      "de\xCC\x81@Example.org"; // U+0055 U+0308 ...
const std::string addressKey = "e:\xC3\xBCn\xC3\xAF"
                               "c\xC3\xB6"
                               "d\xC3\xA9@example.org";

} // namespace

TEST_F(ConversationsTest, CanonicallyEquivalentAddressesMergeUnderOneComposedKey)
{
    chat({composedAddress}, 45, 60, "", 1600000000);
    chat({decomposedAddress}, 45, 50, "", 1700000000);
    chat({decomposedAddress, "+15550000001"}, 43, 2);
    chat({"+15550000001", composedAddress}, 43, 3);

    const auto list = load();

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, addressKey);
    EXPECT_EQ(list[0].count, 110); // over the list's 100-message line only when merged
    EXPECT_EQ(list[0].handles, std::vector<std::string>{composedAddress});
    EXPECT_EQ(list[1].id, "g:" + addressKey + ",p:550000001");
    EXPECT_EQ(list[1].count, 5);
    EXPECT_EQ(list[1].chatIDs.size(), 2u);
}

TEST_F(ConversationsTest, CardWithTheComposedAddressNamesTheDecomposedHandle)
{
    chat({decomposedAddress}, 45, 2);
    chat({decomposedAddress, "+15550000001"}, 43, 1);
    const auto contacts = indexOf({{"ID-U", "Uni Code", "", "", {}, {composedAddress}}});

    const auto list = load(contacts);

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, "c:ID-U");
    EXPECT_EQ(list[0].title, "Uni Code");
    EXPECT_EQ(list[1].id, "g:c:ID-U,p:550000001");
    EXPECT_EQ(list[1].members, (std::vector<std::string>{"+15550000001", "Uni Code"}));
}

TEST_F(ConversationsTest, FindConversationTakesEitherFormOfAnId)
{
    chat({composedAddress}, 45, 1);
    chat({decomposedAddress}, 45, 1);
    fixture.close();
    auto store = store::MessagesStore::open(dir / "chat.db");
    ASSERT_TRUE(store);

    for (const std::string &id : std::vector<std::string>{addressKey,
                                                          "e:u\xCC\x88ni\xCC\x88"
                                                          "co\xCC\x88"
                                                          "de\xCC\x81@example.org"}) {
        auto found = catalogue::findConversationToExport(*store, {}, id);
        ASSERT_TRUE(found);
        ASSERT_TRUE(found->has_value());
        EXPECT_EQ((*found)->id, addressKey);
        EXPECT_EQ((*found)->chatIDs.size(), 2u);
    }
}

TEST_F(ConversationsTest, GroupWithOneOtherMemberStaysApartFromOneToOneChat)
{
    chat({"+15551234567"}, 45, 5);
    chat({"+15551234567"}, 43, 3, "Book club");

    const auto list = load();

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, "p:551234567");
    EXPECT_FALSE(list[0].isGroup);
    EXPECT_EQ(list[1].id, "g:p:551234567");
    EXPECT_TRUE(list[1].isGroup);
    EXPECT_EQ(list[1].title, "Book club");
}

TEST_F(ConversationsTest, GroupsOfSamePeopleMergeAndLaterDisplayNameWins)
{
    const auto older = chat({"a@example.com", "+15550000001"}, 43, 2, "Ski trip 2020", 1580000000);
    const auto newer = chat({"+15550000001", "a@example.com"}, 43, 2, "Ski trip 2023", 1680000000);
    const auto middle = chat({"a@example.com", "+15550000001"}, 43, 2, "", 1600000000);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "g:e:a@example.com,p:550000001");
    EXPECT_EQ(list[0].chatIDs, (std::vector<std::int64_t>{older, newer, middle}));
    EXPECT_EQ(list[0].title, "Ski trip 2023");
    EXPECT_EQ(list[0].count, 6);
}

TEST_F(ConversationsTest, LaterChatWithoutNameKeepsEarlierGroupName)
{
    chat({"a@example.com", "b@example.com"}, 43, 1, "Named", 1580000000);
    chat({"a@example.com", "b@example.com"}, 43, 1, "", 1680000000);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, "Named");
}

TEST_F(ConversationsTest, FiveMemberGroupTitleUsesFirstWordsOfFirstThreeAndCountsTheRest)
{
    // Handles sort as: +1555..01 (Carl), +1555..02 (Anna), +1555..03 (Ben), +1555..04, +1555..05.
    chat({"+15550000004", "+15550000002", "+15550000005", "+15550000001", "+15550000003"}, 43, 2);
    const auto contacts = indexOf({
        {"A", "Anna Smith", "", "", {"+15550000002"}, {}},
        {"B", "Ben Ode", "", "", {"+15550000003"}, {}},
        {"C", "Carl Lind", "", "", {"+15550000001"}, {}},
    });

    const auto list = load(contacts);

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].members,
              (std::vector<std::string>{"Carl Lind", "Anna Smith", "Ben Ode", "+15550000004", "+15550000005"}));
    EXPECT_EQ(list[0].title, "Carl, Anna, Ben +2");
    EXPECT_EQ(list[0].id, "g:c:A,c:B,c:C,p:550000004,p:550000005");
}

TEST_F(ConversationsTest, OneToOneChatWithTwoDistinctHandlesIsAGroup)
{
    chat({"a@example.com", "b@example.com"}, 45, 1);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].isGroup);
    EXPECT_EQ(list[0].id, "g:e:a@example.com,e:b@example.com");
    EXPECT_EQ(list[0].title, "a@example.com, b@example.com");
}

TEST_F(ConversationsTest, ChatWithoutHandlesIsListedByRowidAndIdentifier)
{
    const auto single = chat({}, 45, 1, "", 1700000000, "urn:biz:1234");
    const auto group = chat({}, 43, 2, "", 1700000000, "Lunch Crew chat");

    const auto list = load();

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, "x:" + std::to_string(group));
    EXPECT_TRUE(list[0].isGroup);
    EXPECT_EQ(list[0].title, "Lunch");
    EXPECT_EQ(list[0].members, std::vector<std::string>{"Lunch Crew chat"});
    EXPECT_EQ(list[1].id, "x:" + std::to_string(single));
    EXPECT_FALSE(list[1].isGroup);
    EXPECT_EQ(list[1].title, "urn:biz:1234");
}

TEST_F(ConversationsTest, ChatsWithoutCountableMessagesAreLeftOut)
{
    chat({"+15550000001"}, 45, 0);
    const auto reactions = chat({"+15550000002"}, 45, 0);
    fixture.addMessage({reactions}, {{"date", appleNanoseconds(1700000000)}, {"associated_message_type", 2000}});

    EXPECT_TRUE(load().empty());
}

TEST_F(ConversationsTest, HandleListedTwiceInOneChatAppearsOnce)
{
    chat({"+15550000001", "+15550000001"}, 45, 1);

    const auto list = load();

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].handles, std::vector<std::string>{"+15550000001"});
    EXPECT_EQ(list[0].members, std::vector<std::string>{"+15550000001"});
    EXPECT_FALSE(list[0].isGroup);
}

TEST_F(ConversationsTest, MostMessagesFirstThenTitleByScalarValues)
{
    chat({"a@example.com"}, 43, 7, "anna");
    chat({"b@example.com"}, 43, 10, "Zoe");
    chat({"c@example.com"}, 43, 7, "Bob");
    chat({"d@example.com"}, 43, 7, "\xC3\x89mile"); // É sorts after every ASCII letter
    chat({"e@example.com"}, 43, 7, "7 dwarfs");

    const auto list = load();

    std::vector<std::string> titles;
    for (const auto &conversation : list)
        titles.push_back(conversation.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Zoe", "7 dwarfs", "Bob", "anna", "\xC3\x89mile"}));
}

TEST_F(ConversationsTest, CanonicallyEquivalentMemberNamesCountOnce)
{
    chat({"+15550000001", "+15550000002"}, 43, 1);
    const auto contacts = indexOf({
        {"A", "Ren\xC3\xA9", "", "", {"+15550000001"}, {}}, // é precomposed
        {"B", "Rene\xCC\x81", "", "", {"+15550000002"}, {}}, // e + combining acute
    });

    const auto list = load(contacts);

    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].members.size(), 1u);
}

TEST(HandleKey, FollowsContactThenEmailThenPhoneOrder)
{
    const auto contacts = indexOf({{"ID1", "Sam", "", "", {"+1 555 000 1234"}, {"sam@example.com"}}});

    EXPECT_EQ(handleKey("5550001234", contacts), "c:ID1");
    EXPECT_EQ(handleKey("SAM@example.com", contacts), "c:ID1");
    EXPECT_EQ(handleKey("Other@Example.com", contacts), "e:other@example.com");
    EXPECT_EQ(handleKey("+44 20 7946 0958", contacts), "p:079460958");
    EXPECT_EQ(handleKey("12345", contacts), "p:12345");
    EXPECT_EQ(handleKey("12345@", ContactsIndex{}), "e:12345@");
}

TEST(FirstWord, SplitsAtSpacesOnly)
{
    EXPECT_EQ(firstWord("Anna Smith"), "Anna");
    EXPECT_EQ(firstWord("  Anna  Smith"), "Anna");
    EXPECT_EQ(firstWord("Anna\tSmith"), "Anna\tSmith");
    EXPECT_EQ(firstWord("   "), "   ");
    EXPECT_EQ(firstWord(""), "");
}

TEST(Conversation, EqualityComparesTextsCanonicallyAndHashAgrees)
{
    Conversation a{"c:1", {1, 2},          "Ren\xC3\xA9",
                   false, {"Ren\xC3\xA9"}, {"+1"},
                   5,     std::nullopt,    common::instantFromUnixSeconds(5)};
    Conversation b = a;
    b.title = "Rene\xCC\x81";
    b.members = {"Rene\xCC\x81"};
    Conversation c = a;
    c.first = common::instantFromUnixSeconds(0);

    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Conversation>{}(a), std::hash<Conversation>{}(b));
    EXPECT_NE(a, c);
    EXPECT_NE(std::hash<Conversation>{}(a), std::hash<Conversation>{}(c));
}

// Finding one conversation counts only its own chats; it must give exactly the list's entry.
TEST_F(ConversationsTest, FindConversationGivesExactlyTheListedEntry)
{
    chat({"+49 151 1234 5678"}, 45, 0); // same key, nothing countable: left out
    chat({"+49 151 1234 5678"}, 45, 3, "", 1600000000); // SMS
    chat({"015112345678"}, 45, 2, "", 1700000000); // iMessage, same number
    chat({"a@example.com", "+15550000001"}, 43, 2, "Old name", 1580000000);
    chat({"+15550000001", "a@example.com"}, 43, 2, "New name", 1680000000);
    chat({}, 45, 1, "", 1700000000, "urn:biz:1");
    chat({"b@example.com"}, 45, 0);
    const auto contacts = indexOf({{"ID-A", "Anna", "", "", {}, {"a@example.com"}}});
    const auto list = load(contacts);
    auto store = store::MessagesStore::open(dir / "chat.db");
    ASSERT_TRUE(store);

    for (const Conversation &listed : list) {
        auto found = catalogue::findConversation(*store, contacts, listed.id);

        ASSERT_TRUE(found);
        ASSERT_TRUE(found->has_value()) << listed.id;
        EXPECT_EQ(**found, listed) << listed.id;
    }
    auto absent = catalogue::findConversation(*store, contacts, "e:b@example.com");
    ASSERT_TRUE(absent);
    EXPECT_FALSE(absent->has_value());
    EXPECT_EQ(list.size(), 3u);
}

TEST(FindConversation, AgreesWithTheListForEveryConversationOfTheDemoHistory)
{
    const TempDir home;
    demo::Summary summary;
    ASSERT_FALSE(demo::writeDemoHistory(home.path(), 3, summary));
    const auto cards = contacts::readVCardFile(home / "contacts.vcf");
    ASSERT_TRUE(cards);
    for (const bool withContacts : {false, true}) {
        const ContactsIndex contacts = withContacts ? indexOf(*cards) : ContactsIndex{};
        auto store = store::MessagesStore::open(home.path() / "Library/Messages/chat.db");
        ASSERT_TRUE(store);
        auto list = loadConversations(*store, contacts);
        ASSERT_TRUE(list);
        ASSERT_GT(list->size(), 15u);

        for (const Conversation &listed : *list) {
            auto found = catalogue::findConversation(*store, contacts, listed.id);
            ASSERT_TRUE(found && found->has_value()) << listed.id;
            EXPECT_EQ(**found, listed);
        }
    }
}

TEST(FindConversationToExport, GivesTheListedChatsTitleAndMembersWithACountLargeEnough)
{
    const TempDir home;
    demo::Summary summary;
    ASSERT_FALSE(demo::writeDemoHistory(home.path(), 5, summary));
    const auto cards = contacts::readVCardFile(home / "contacts.vcf");
    ASSERT_TRUE(cards);
    const ContactsIndex contacts = indexOf(*cards);
    auto store = store::MessagesStore::open(home.path() / "Library/Messages/chat.db");
    ASSERT_TRUE(store);
    auto list = loadConversations(*store, contacts);
    ASSERT_TRUE(list);

    for (const Conversation &listed : *list) {
        auto found = catalogue::findConversationToExport(*store, contacts, listed.id);

        ASSERT_TRUE(found && found->has_value()) << listed.id;
        const Conversation &conversation = **found;
        EXPECT_EQ(conversation.chatIDs, listed.chatIDs);
        EXPECT_EQ(conversation.title, listed.title);
        EXPECT_EQ(conversation.members, listed.members);
        EXPECT_EQ(conversation.handles, listed.handles);
        EXPECT_EQ(conversation.isGroup, listed.isGroup);
        EXPECT_GE(conversation.count, listed.count);
    }
}

TEST_F(ConversationsTest, FindConversationToExportSkipsAChatWithNothingCountable)
{
    const auto only = chat({"+15550000001"}, 45, 0);
    fixture.addMessage({only}, {{"date", appleNanoseconds(1700000000)}, {"associated_message_type", 2000}});
    fixture.close();
    auto store = store::MessagesStore::open(dir / "chat.db");
    ASSERT_TRUE(store);

    auto found = catalogue::findConversationToExport(*store, {}, "p:550000001");

    ASSERT_TRUE(found);
    EXPECT_FALSE(found->has_value());
}
