#include "export/export_conversation.h"

#include "catalogue/conversations.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using exporter::ExportFailure;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testsupport::appleNanoseconds;
using testsupport::folderEntries;
using testsupport::MessagesFixture;
using testsupport::TempDir;

class ExportConversationTest : public ::testing::Test
{
protected:
    ExportConversationTest()
    {
        const auto anna = fixture.addHandle("+15551230001");
        const auto chat = fixture.addChat("chat1", 45, {anna});
        fixture.addMessage({chat}, {{"handle_id", anna}, {"text", "hello"}, {"date", appleNanoseconds(1709975700)}});
        fixture.addMessage({chat}, {{"is_from_me", 1}, {"text", "hi"}, {"date", appleNanoseconds(1709975760)}});
        fixture.close();
        auto store = store::MessagesStore::open(dir / "chat.db");
        auto list = catalogue::loadConversations(*store, {});
        EXPECT_TRUE(list && list->size() == 1);
        conversation = list->front();
    }

    TempDir dir;
    MessagesFixture fixture{dir / "chat.db"};
    catalogue::Conversation conversation;
};

TEST_F(ExportConversationTest, WritesTheWholeConversationIntoTheFolder)
{
    const auto written = exporter::exportConversation(dir / "chat.db", conversation, {}, dir / "out");

    ASSERT_TRUE(written) << written.error().reason;
    EXPECT_EQ(written->file, dir / "out" / ("Tovik - " + conversation.title + ".txt"));
    EXPECT_EQ(written->built.messages, 2);
    EXPECT_THAT(written->built.text, HasSubstr("\nhello\n\n"));
    EXPECT_EQ(testsupport::readFile(written->file), written->built.text);
}

TEST_F(ExportConversationTest, AnUnreadableDatabaseFailsWithItsReasonAndWritesNothing)
{
    testsupport::writeFile(dir / "broken.db", std::string(4096, 'x'));

    const auto missing = exporter::exportConversation(dir / "absent" / "chat.db", conversation, {}, dir / "out");
    const auto broken = exporter::exportConversation(dir / "broken.db", conversation, {}, dir / "out");

    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().step, ExportFailure::Step::Database);
    EXPECT_THAT(missing.error().reason, HasSubstr("cannot open the database"));
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().step, ExportFailure::Step::Database);
    EXPECT_THAT(broken.error().reason, HasSubstr("file is not a database"));
    EXPECT_THAT(folderEntries(dir / "out"), IsEmpty());
}

TEST_F(ExportConversationTest, AnUnwritableFolderFailsWithTheFileLayersReason)
{
    testsupport::writeFile(dir / "taken", "a file where the folder should be");
    const auto before = folderEntries(dir.path());

    const auto written = exporter::exportConversation(dir / "chat.db", conversation, {}, dir / "taken" / "out");

    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().step, ExportFailure::Step::Write);
    EXPECT_THAT(written.error().reason, HasSubstr((dir / "taken").string()));
    EXPECT_EQ(testsupport::readFile(dir / "taken"), "a file where the folder should be");
    EXPECT_EQ(folderEntries(dir.path()), before);
}
