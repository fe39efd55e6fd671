// Databases of every age the program reads, each on the real column set of its release: the
// conversations list and export as on a current one, each column the release lacks read as its
// neutral value (no item type, no association, no audio or app flag, no chat name).
#include "catalogue/conversations.h"
#include "catalogue/parallel_chat_rows.h"
#include "export/build_export.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"
#include "typedstream/archive.h"

#include <gtest/gtest.h>

using testsupport::appleSeconds;
using testsupport::Blob;
using testsupport::Null;
using testsupport::Schema;

namespace
{

constexpr std::int64_t march9 = 1709975700; // 2024-03-09 09:15:00 UTC

struct Age {
    Schema schema;
    const char *name;
    bool displayName; // chat.display_name
    bool itemType; // message.item_type and is_audio_message
    bool association; // message.associated_message_type and balloon_bundle_id
};

class OldSchemaTest : public ::testing::TestWithParam<Age>
{
protected:
    testsupport::TempDir dir;
};

} // namespace

TEST_P(OldSchemaTest, ListsAndExportsWithTheNeutralMeaningOfWhatItLacks)
{
    const Age age = GetParam();
    {
        testsupport::MessagesFixture fixture(dir / "sms.db", age.schema);
        const auto maya = fixture.addHandle("+14155550132");
        const auto ben = fixture.addHandle("ben@example.com");
        const auto pair = fixture.addChat("+14155550132", 45, {maya});
        const testsupport::Columns named =
            age.displayName ? testsupport::Columns{{"display_name", "Trip"}} : testsupport::Columns{};
        const auto group = fixture.addChat("chat42", 43, {maya, ben}, named);
        const auto at = [](int second) {
            return appleSeconds(march9 + second); // seconds, as every database before iOS 11
        };
        fixture.addMessage({pair}, {{"date", at(0)}, {"text", "hello"}, {"handle_id", maya}});
        fixture.addMessage({pair},
                           {{"date", at(1)},
                            {"is_from_me", 1},
                            {"text", Null{}},
                            {"attributedBody", Blob{typedstream::archiveAttributedString("only the body")}}});
        fixture.addMessage(
            {pair}, {{"date", at(2)}, {"text", "\xEF\xBF\xBC"}, {"cache_has_attachments", 1}, {"handle_id", maya}});
        fixture.addMessage({group}, {{"date", at(3)}, {"text", "group hi"}, {"handle_id", ben}});
        if (age.itemType)
            fixture.addMessage({group}, {{"date", at(4)}, {"item_type", 1}, {"handle_id", ben}}); // ben added
        if (age.association)
            fixture.addMessage({pair}, {{"date", at(5)}, {"text", "Loved “hello”"}, {"associated_message_type", 2000}});
    }
    auto store = store::MessagesStore::open(dir / "sms.db");
    ASSERT_TRUE(store);

    auto list = catalogue::loadConversations(*store, {});
    ASSERT_TRUE(list) << list.error().message;
    ASSERT_EQ(list->size(), 2u);
    const auto &pair = list->front();
    const auto &group = list->back();
    EXPECT_EQ(pair.title, "+14155550132");
    EXPECT_EQ(pair.count, 3);
    EXPECT_EQ(group.count, 1);
    EXPECT_TRUE(group.isGroup);
    EXPECT_EQ(group.title == "Trip", age.displayName) << group.title;
    ASSERT_TRUE(pair.first);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(pair.first->time_since_epoch()).count(), march9);
    // The count split over connections reads the same columns.
    const catalogue::ConnectionPlan split{2, 0, 1};
    auto parallel = catalogue::chatRowsInParallel(*store, catalogue::anotherConnection(), split);
    ASSERT_TRUE(parallel) << parallel.error().message;
    EXPECT_EQ(*parallel, *catalogue::chatRows(*store));

    auto built = exporter::buildExport(*store, pair, {}, std::string_view("UTC"));
    ASSERT_TRUE(built) << built.error().message;
    EXPECT_EQ(built->text,
              "Mar 09, 2024  9:15:00 AM\n+14155550132\nhello\n\n"
              "Mar 09, 2024  9:15:01 AM\nMe\nonly the body\n\n"
              "Mar 09, 2024  9:15:02 AM\n+14155550132\n[media]\n\n");
    EXPECT_EQ(built->skippedReactions, age.association ? 1 : 0);
    auto inGroup = exporter::buildExport(*store, group, {}, std::string_view("UTC"));
    ASSERT_TRUE(inGroup);
    EXPECT_EQ(inGroup->text, "Mar 09, 2024  9:15:03 AM\nben@example.com\ngroup hi\n\n");
}

TEST_P(OldSchemaTest, AnEmptyDatabaseListsNothing)
{
    testsupport::MessagesFixture(dir / "sms.db", GetParam().schema).close();
    auto store = store::MessagesStore::open(dir / "sms.db");
    ASSERT_TRUE(store);

    auto list = catalogue::loadConversations(*store, {});

    ASSERT_TRUE(list) << list.error().message;
    EXPECT_TRUE(list->empty());
}

INSTANTIATE_TEST_SUITE_P(EveryAge,
                         OldSchemaTest,
                         ::testing::Values(Age{Schema::Ios6, "iOS6", false, false, false},
                                           Age{Schema::Ios7, "iOS7", true, false, false},
                                           Age{Schema::Ios8, "iOS8", true, true, false},
                                           Age{Schema::OsX1011, "OSX1011", true, true, false},
                                           Age{Schema::Ios10, "iOS10", true, true, true},
                                           Age{Schema::Old, "iOS11", true, true, true}),
                         [](const ::testing::TestParamInfo<Age> &info) {
                             return std::string(info.param.name);
                         });
