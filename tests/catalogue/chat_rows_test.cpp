#include "catalogue/apple_date.h"
#include "catalogue/chat_rows.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

using catalogue::appleDate;
using catalogue::chatRows;
using store::MessagesStore;
using testsupport::appleNanoseconds;
using testsupport::appleSeconds;
using testsupport::MessagesFixture;
using testsupport::Null;
using testsupport::Schema;
using testsupport::TempDir;

namespace
{

double unix(std::int64_t raw)
{
    const auto instant = appleDate(raw);
    return instant ? common::unixSeconds(*instant) : -1.0;
}

} // namespace

TEST(AppleDate, BelowOneIsNoDate)
{
    EXPECT_FALSE(appleDate(0));
    EXPECT_FALSE(appleDate(-5));
    EXPECT_FALSE(appleDate(std::numeric_limits<std::int64_t>::min()));
}

TEST(AppleDate, UpToTenBillionCountsSecondsAboveNanoseconds)
{
    EXPECT_DOUBLE_EQ(unix(1), 978307201.0);
    // 10,000,000,000 seconds after 2001: 2317-11-21 17:46:40 UTC.
    EXPECT_DOUBLE_EQ(unix(10'000'000'000LL), 10978307200.0);
    EXPECT_NEAR(unix(10'000'000'001LL), 978307210.000000001, 1e-6);
    // 2023-03-08 20:26:40 UTC, stored either way.
    EXPECT_DOUBLE_EQ(unix(700'000'000LL), 1678307200.0);
    EXPECT_DOUBLE_EQ(unix(700'000'000LL * 1'000'000'000LL), 1678307200.0);
    EXPECT_GT(unix(std::numeric_limits<std::int64_t>::max()), 978307200.0 + 9.2e9);
}

class ChatRowsTest : public ::testing::Test
{
protected:
    MessagesStore::ChatRow read(std::int64_t chat)
    {
        fixture.close();
        auto store = MessagesStore::open(dir / "chat.db");
        EXPECT_TRUE(store);
        auto rows = chatRows(*store);
        EXPECT_TRUE(rows) << rows.error().message;
        const auto found = rows->find(chat);
        EXPECT_NE(found, rows->end());
        return found == rows->end() ? MessagesStore::ChatRow{} : found->second;
    }

    TempDir dir;
    MessagesFixture fixture{dir / "chat.db", Schema::Recent};
};

TEST_F(ChatRowsTest, CountsOrdinaryMessagesAndFiltersAttachedOnesAtTheBoundaries)
{
    const auto chat = fixture.addChat("chat1", 45, {fixture.addHandle("+15550000001")});
    for (const std::int64_t type : {0, 999, 1000, 2000, 3000, 3999, 4000})
        fixture.addMessage({chat}, {{"date", appleSeconds(1600000000) + type}, {"associated_message_type", type}});
    fixture.addMessage({chat}, {{"date", appleSeconds(1500000000)}, {"associated_message_type", Null{}}});
    fixture.addMessage({chat}, {{"date", appleSeconds(1400000000)}, {"item_type", 1}}); // member added
    fixture.addMessage({chat}, {{"date", appleSeconds(1700000000)}, {"item_type", 6}}); // FaceTime notice

    const auto row = read(chat);

    // Counted: 0, 999, 4000 and the NULL type.
    EXPECT_EQ(row.count, 4);
    EXPECT_EQ(row.first, appleSeconds(1500000000));
    EXPECT_EQ(row.last, appleSeconds(1600000000) + 4000);
}

TEST_F(ChatRowsTest, ChatWithoutCountableMessagesKeepsZeros)
{
    const auto empty = fixture.addChat("empty", 45, {fixture.addHandle("a@example.com")});
    const auto onlyReactions = fixture.addChat("reactions", 45);
    fixture.addMessage({onlyReactions}, {{"date", appleSeconds(1600000000)}, {"associated_message_type", 2001}});

    EXPECT_EQ(read(empty).count, 0);
    const auto row = read(onlyReactions);
    EXPECT_EQ(row.count, 0);
    EXPECT_EQ(row.first, 0);
    EXPECT_EQ(row.last, 0);
}

TEST_F(ChatRowsTest, NullDatesGiveZeroFirstAndLast)
{
    const auto chat = fixture.addChat("nodates", 45);
    fixture.addMessage({chat}, {{"date", Null{}}, {"text", "a"}});
    fixture.addMessage({chat}, {{"date", Null{}}, {"text", "b"}});

    const auto row = read(chat);

    EXPECT_EQ(row.count, 2);
    EXPECT_EQ(row.first, 0);
    EXPECT_EQ(row.last, 0);
    EXPECT_FALSE(appleDate(row.first));
}

TEST_F(ChatRowsTest, ReadsTextsStyleAndEveryParticipantRowIncludingRepeats)
{
    // The same address under iMessage and SMS: two handle rows with one text.
    const auto imessage = fixture.addHandle("+15551234567", "iMessage");
    const auto sms = fixture.addHandle("+15551234567", "SMS");
    const auto other = fixture.addHandle("ben@example.com");
    const auto chat = fixture.addChat("chat9876", 43, {imessage, sms, other}, {{"display_name", "Caf\xC3\xA9 crew"}});
    fixture.addMessage({chat}, {{"date", appleNanoseconds(1700000000)}, {"text", "hi"}});

    auto row = read(chat);
    std::sort(row.handles.begin(), row.handles.end());

    EXPECT_EQ(row.identifier, "chat9876");
    EXPECT_EQ(row.name, "Caf\xC3\xA9 crew");
    EXPECT_EQ(row.style, 43);
    EXPECT_EQ(row.handles, (std::vector<std::string>{"+15551234567", "+15551234567", "ben@example.com"}));
    EXPECT_EQ(row.count, 1);
    EXPECT_EQ(row.first, appleNanoseconds(1700000000));
}

TEST_F(ChatRowsTest, NullTextsAndStyleReadAsEmptyAndZero)
{
    const auto chat = fixture.insert(
        "chat", {{"guid", "g"}, {"chat_identifier", Null{}}, {"display_name", Null{}}, {"style", Null{}}});

    const auto row = read(chat);

    EXPECT_EQ(row.identifier, "");
    EXPECT_EQ(row.name, "");
    EXPECT_EQ(row.style, 0);
    EXPECT_TRUE(row.handles.empty());
}

TEST_F(ChatRowsTest, MissingTableFailsAsPrepare)
{
    fixture.exec("DROP TABLE chat_handle_join;");
    fixture.close();
    auto store = MessagesStore::open(dir / "chat.db");
    ASSERT_TRUE(store);

    auto rows = chatRows(*store);

    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.error().kind, store::SQLiteDB::Failure::Kind::Prepare);
}
