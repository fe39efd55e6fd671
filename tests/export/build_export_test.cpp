#include "export/build_export.h"

#include "catalogue/conversations.h"
#include "export/messages.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"
#include "typedstream/archive.h"

#include <gtest/gtest.h>

using catalogue::Conversation;
using contacts::ContactsIndex;
using exporter::buildExport;
using exporter::ExportResult;
using testsupport::appleNanoseconds;
using testsupport::appleSeconds;
using testsupport::Blob;
using testsupport::MessagesFixture;
using testsupport::Null;
using testsupport::Schema;
using testsupport::TempDir;

namespace
{

// 2024-03-09 09:15:00 UTC.
constexpr std::int64_t march9 = 1709975700;

ContactsIndex indexOf(const std::vector<contacts::ContactRecord> &records)
{
    ContactsIndex index;
    for (const auto &record : records)
        contacts::addContact(record, index.byKey);
    return index;
}

} // namespace

class BuildExportTest : public ::testing::Test
{
protected:
    std::int64_t handle(const std::string &id)
    {
        return fixture.addHandle(id, "iMessage" + std::to_string(++services));
    }

    std::int64_t message(std::int64_t chat, std::int64_t unixTime, const testsupport::Columns &columns)
    {
        testsupport::Columns all = columns;
        all.emplace_back("date", appleNanoseconds(unixTime));
        return fixture.addMessage({chat}, all);
    }

    std::vector<Conversation> conversations(const ContactsIndex &contacts = {})
    {
        fixture.close();
        auto store = store::MessagesStore::open(dir / "chat.db");
        EXPECT_TRUE(store);
        auto list = catalogue::loadConversations(*store, contacts);
        EXPECT_TRUE(list);
        return *list;
    }

    ExportResult
    exportOf(const Conversation &conversation, const ContactsIndex &contacts = {}, const char *zone = "UTC")
    {
        fixture.close();
        auto store = store::MessagesStore::open(dir / "chat.db");
        EXPECT_TRUE(store);
        auto built = buildExport(*store, conversation, contacts, std::string_view(zone));
        EXPECT_TRUE(built) << built.error().message;
        return built ? *built : ExportResult{};
    }

    ExportResult exportOnly(const ContactsIndex &contacts = {}, const char *zone = "UTC")
    {
        const auto list = conversations(contacts);
        EXPECT_EQ(list.size(), 1u);
        return list.empty() ? ExportResult{} : exportOf(list.front(), contacts, zone);
    }

    TempDir dir;
    MessagesFixture fixture{dir / "chat.db", Schema::Recent};
    int services = 0;
};

TEST_F(BuildExportTest, WritesBlocksOfStampSenderAndBodyEachFollowedByAnEmptyLine)
{
    const auto anna = handle("+15551230001");
    const auto chat = fixture.addChat("chat1", 43, {anna, handle("+15551230002")}, {{"display_name", "Plans"}});
    message(chat, march9, {{"handle_id", anna}, {"text", "first line of Anna's text\nsecond line of Anna's text"}});
    message(chat, march9 + 90, {{"is_from_me", 1}, {"text", "\xEF\xBF\xBC"}, {"cache_has_attachments", 1}});
    const auto contacts = indexOf({{"A", "Anna Smith", "", "", {"+15551230001"}, {}}});

    const auto result = exportOnly(contacts);

    EXPECT_EQ(result.text,
              "Mar 09, 2024  9:15:00 AM\nAnna Smith\nfirst line of Anna's text\nsecond line of Anna's text\n\n"
              "Mar 09, 2024  9:16:30 AM\nMe\n[media]\n\n");
    EXPECT_EQ(result.messages, 2);
    EXPECT_EQ(result.senders, (std::map<std::string, std::int64_t>{{"Anna Smith", 1}, {"Me", 1}}));
    EXPECT_EQ(result.media, 1);
    EXPECT_EQ(result.unsent, 0);
    EXPECT_DOUBLE_EQ(common::unixSeconds(*result.first), march9);
    EXPECT_DOUBLE_EQ(common::unixSeconds(*result.last), march9 + 90);
}

TEST_F(BuildExportTest, OneToOneBlocksCarryThePartnerNameWhateverTheRowsHandle)
{
    const auto sms = handle("+15551230001");
    const auto imessage = handle("5551230001");
    const auto chatA = fixture.addChat("a", 45, {sms});
    const auto chatB = fixture.addChat("b", 45, {imessage});
    message(chatA, march9, {{"handle_id", sms}, {"text", "one"}});
    message(chatB, march9 + 1, {{"handle_id", imessage}, {"text", "two"}});
    message(chatB, march9 + 2, {{"handle_id", 0}, {"text", "three"}});
    const auto contacts = indexOf({{"S", "Sam\nRivera ", "", "", {"+1 555 123 0001"}, {}}});

    const auto result = exportOnly(contacts);

    EXPECT_EQ(result.senders, (std::map<std::string, std::int64_t>{{"Sam Rivera", 3}}));
}

TEST_F(BuildExportTest, GroupSendersComeFromContactsHandlesOrUnknown)
{
    const auto known = handle("+15551230001");
    const auto stranger = handle("Stranger@Example.com");
    const auto chat = fixture.addChat("g", 43, {known, stranger});
    message(chat, march9, {{"handle_id", known}, {"text", "a"}});
    message(chat, march9 + 1, {{"handle_id", stranger}, {"text", "b"}});
    message(chat, march9 + 2, {{"handle_id", 9999}, {"text", "c"}}); // no handle row
    const auto contacts = indexOf({{"K", "  Kim\nLee\t", "", "", {"+15551230001"}, {}}});

    const auto result = exportOnly(contacts);

    EXPECT_EQ(result.text,
              "Mar 09, 2024  9:15:00 AM\nKim Lee\na\n\n"
              "Mar 09, 2024  9:15:01 AM\nStranger@Example.com\nb\n\n"
              "Mar 09, 2024  9:15:02 AM\nUnknown\nc\n\n");
}

TEST_F(BuildExportTest, PlaceholdersFollowRetractedEditedAndMediaFlags)
{
    const auto h = handle("+15551230001");
    const auto chat = fixture.addChat("c", 45, {h});
    message(chat, march9 + 1, {{"handle_id", h}, {"date_retracted", 5}, {"cache_has_attachments", 1}});
    message(chat, march9 + 2, {{"handle_id", h}, {"date_edited", 5}});
    message(chat, march9 + 3, {{"handle_id", h}, {"date_edited", 5}, {"cache_has_attachments", 1}});
    message(chat, march9 + 4, {{"handle_id", h}, {"is_audio_message", 1}});
    message(chat, march9 + 5, {{"handle_id", h}, {"balloon_bundle_id", "com.apple.messages.URLBalloonProvider"}});
    message(chat, march9 + 6, {{"handle_id", h}, {"text", "  \r\n\xEF\xBF\xBC "}}); // nothing left, no flags
    message(chat, march9 + 7,
            {{"handle_id", h}, {"text", "kept text"}, {"date_edited", 5}, {"cache_has_attachments", 1}});

    const auto result = exportOnly();

    EXPECT_EQ(result.text,
              "Mar 09, 2024  9:15:01 AM\n+15551230001\n[unsent message]\n\n"
              "Mar 09, 2024  9:15:02 AM\n+15551230001\n[unsent message]\n\n"
              "Mar 09, 2024  9:15:03 AM\n+15551230001\n[media]\n\n"
              "Mar 09, 2024  9:15:04 AM\n+15551230001\n[media]\n\n"
              "Mar 09, 2024  9:15:05 AM\n+15551230001\n[media]\n\n"
              "Mar 09, 2024  9:15:07 AM\n+15551230001\nkept text\n\n");
    EXPECT_EQ(result.messages, 6);
    EXPECT_EQ(result.unsent, 2);
    EXPECT_EQ(result.media, 3);
    EXPECT_DOUBLE_EQ(common::unixSeconds(*result.last), march9 + 7);
}

TEST_F(BuildExportTest, ReactionsAreCountedNotWrittenAndAttachedMessagesAreNeither)
{
    const auto h = handle("+15551230001");
    const auto chat = fixture.addChat("c", 45, {h});
    message(chat, march9, {{"text", "hello"}});
    for (const std::int64_t type : {2000, 2005, 3000, 3999})
        message(chat, march9 + 1, {{"text", "Loved “hello”"}, {"associated_message_type", type}});
    message(chat, march9 + 2, {{"text", "sticker"}, {"associated_message_type", 1000}});
    message(chat, march9 + 3, {{"text", "type 4000"}, {"associated_message_type", 4000}});
    message(chat, march9 + 4, {{"text", "system"}, {"item_type", 2}});

    const auto result = exportOnly();

    EXPECT_EQ(result.messages, 2);
    EXPECT_EQ(result.skippedReactions, 4);
    EXPECT_NE(result.text.find("type 4000"), std::string::npos);
    EXPECT_EQ(result.text.find("Loved"), std::string::npos);
    EXPECT_EQ(result.text.find("sticker"), std::string::npos);
}

TEST_F(BuildExportTest, MessageInTwoChatsOfOneConversationIsWrittenOnce)
{
    const auto a = handle("+15551230001");
    const auto b = handle("5551230001");
    const auto chatA = fixture.addChat("a", 45, {a});
    const auto chatB = fixture.addChat("b", 45, {b});
    fixture.addMessage({chatA, chatB}, {{"date", appleNanoseconds(march9)}, {"text", "shared"}});
    message(chatB, march9 + 1, {{"text", "only b"}});
    fixture.addMessage(
        {chatA, chatB},
        {{"date", appleNanoseconds(march9 + 2)}, {"text", "reaction"}, {"associated_message_type", 2001}});

    const auto result = exportOnly();

    EXPECT_EQ(result.messages, 2);
    EXPECT_EQ(result.skippedReactions, 1);
}

TEST_F(BuildExportTest, EqualDatesComeInRowidOrderAndUndatedRowsAreSkipped)
{
    const auto chat = fixture.addChat("c", 45, {handle("+15551230001")});
    const auto date = appleSeconds(march9);
    fixture.addMessage({chat}, {{"date", date}, {"text", "first"}});
    fixture.addMessage({chat}, {{"date", 0}, {"text", "no date"}});
    fixture.addMessage({chat}, {{"date", -7}, {"text", "negative"}});
    fixture.addMessage({chat}, {{"date", date}, {"text", "second"}});

    const auto result = exportOnly();

    EXPECT_EQ(result.text,
              "Mar 09, 2024  9:15:00 AM\n+15551230001\nfirst\n\nMar 09, 2024  9:15:00 AM\n+15551230001\nsecond\n\n");
}

TEST_F(BuildExportTest, ArchivedBodyIsReadOnlyWhenTheTextIsEmptyOrAnObjectReplacement)
{
    const auto chat = fixture.addChat("c", 45, {handle("+15551230001")});
    message(chat, march9,
            {{"text", Null{}}, {"attributedBody", Blob{typedstream::archiveAttributedString("from the body")}}});
    message(chat, march9 + 1,
            {{"text", "plain"}, {"attributedBody", Blob{typedstream::archiveAttributedString("longer body text")}}});
    message(chat, march9 + 2,
            {{"text", "\xEF\xBF\xBC"}, {"attributedBody", Blob{typedstream::archiveAttributedString("caption")}}});
    message(chat, march9 + 3,
            {{"text", "\xEF\xBF\xBC"}, {"attributedBody", Blob{"no archive here"}}, {"cache_has_attachments", 1}});

    const auto result = exportOnly();

    EXPECT_EQ(result.text,
              "Mar 09, 2024  9:15:00 AM\n+15551230001\nfrom the body\n\n"
              "Mar 09, 2024  9:15:01 AM\n+15551230001\nplain\n\n"
              "Mar 09, 2024  9:15:02 AM\n+15551230001\ncaption\n\n"
              "Mar 09, 2024  9:15:03 AM\n+15551230001\n[media]\n\n");
}

TEST_F(BuildExportTest, OldSchemaWithoutRetractedAndEditedColumnsExports)
{
    TempDir oldDir;
    MessagesFixture old(oldDir / "chat.db", Schema::Old);
    const auto chat = old.addChat("c", 45, {old.addHandle("+15551230001")});
    old.addMessage({chat}, {{"date", appleSeconds(march9)}, {"text", "old times"}});
    old.addMessage({chat}, {{"date", appleSeconds(march9 + 1)}, {"text", Null{}}});
    old.close();
    auto store = store::MessagesStore::open(oldDir / "chat.db");
    ASSERT_TRUE(store);
    auto list = catalogue::loadConversations(*store, {});
    ASSERT_TRUE(list);

    auto built = buildExport(*store, list->front(), {}, std::string_view("UTC"));

    ASSERT_TRUE(built) << built.error().message;
    EXPECT_EQ(exporter::messageQuery(*store, 1).find("date_retracted"), std::string::npos);
    EXPECT_EQ(built->text, "Mar 09, 2024  9:15:00 AM\n+15551230001\nold times\n\n");
}

TEST_F(BuildExportTest, ConversationWithoutBlocksGivesEmptyTextAndNoDates)
{
    const auto chat = fixture.addChat("c", 45, {handle("+15551230001")});
    message(chat, march9, {{"text", " \t "}});

    const auto result = exportOnly();

    EXPECT_EQ(result, ExportResult{});
}

TEST_F(BuildExportTest, StampsFollowTheZoneGivenAtExportTime)
{
    const auto chat = fixture.addChat("c", 45, {handle("+15551230001")});
    message(chat, march9, {{"text", "hi"}});
    const auto list = conversations();

    const auto berlin = exportOf(list.front(), {}, "Europe/Berlin");
    const auto newYork = exportOf(list.front(), {}, "America/New_York");

    EXPECT_EQ(berlin.text, "Mar 09, 2024  10:15:00 AM\n+15551230001\nhi\n\n");
    EXPECT_EQ(newYork.text, "Mar 09, 2024  4:15:00 AM\n+15551230001\nhi\n\n");
}

TEST_F(BuildExportTest, MissingMessageTableFailsTheWholeExport)
{
    const auto chat = fixture.addChat("c", 45, {handle("+15551230001")});
    message(chat, march9, {{"text", "hi"}});
    const auto list = conversations();
    fixture.exec("DROP TABLE message;");
    fixture.close();
    auto store = store::MessagesStore::open(dir / "chat.db");
    ASSERT_TRUE(store);

    auto built = buildExport(*store, list.front(), {}, std::string_view("UTC"));

    ASSERT_FALSE(built);
    EXPECT_EQ(built.error().kind, store::SQLiteDB::Failure::Kind::Prepare);
}
