// The promises of MessageSources, held against the real sources on real files and against the
// fake the model's tests use, so that the fake cannot keep a promise the real class breaks.

#include "fake_message_sources.h"
#include "sources/file_system_sources.h"
#include "support/backup_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

using sources::SourceKind;
using sources::UnlockOutcome;
namespace fs = std::filesystem;

namespace
{

const std::string password = "correct horse";

// The same few sources, for either implementation: a database file, a plain backup with an
// address book, two encrypted backups, a folder of backups and a path with nothing there.
struct World {
    testsupport::TempDir dir;
    fs::path database = dir / "chat.db";
    fs::path plain = dir / "plain";
    fs::path lockedA = dir / "locked-a";
    fs::path lockedB = dir / "locked-b";
    fs::path folder = dir / "Backup";
    fs::path missing = dir / "missing";
    std::unique_ptr<sources::MessageSources> sources;
};

void writeRealFiles(World &world)
{
    testsupport::writeSmallHistory(world.database);
    const fs::path book = world.dir / "AddressBook.sqlitedb";
    ASSERT_FALSE(backup::writeAddressBook(book, testsupport::smallHistoryPeople()).has_value());
    const backup::BackupContents contents{world.database, std::nullopt, book};
    testsupport::makeBackup(world.plain, contents);
    backup::BackupOptions locked;
    locked.encryption = backup::Encryption{};
    testsupport::makeBackup(world.lockedA, contents, locked);
    testsupport::makeBackup(world.lockedB, contents, locked);
    testsupport::makeBackup(world.folder / "one", contents);
    testsupport::makeBackup(world.folder / "two", contents);
}

struct RealSources {
    static void build(World &world)
    {
        writeRealFiles(world);
        world.sources = std::make_unique<sources::FileSystemSources>();
    }
};

struct FakeSources {
    static void build(World &world)
    {
        testsupport::writeSmallHistory(world.database);
        auto fake = std::make_unique<apptest::FakeMessageSources>();
        using Source = apptest::FakeMessageSources::Source;
        const auto people = testsupport::smallHistoryPeople();
        std::vector<contacts::ContactRecord> records;
        for (const auto &person : people)
            records.push_back({person.guid, person.first, {}, {}, person.phones, {}});
        fake->add(world.database, Source{SourceKind::Database, world.database, {}, {}, {}, false, false});
        fake->add(world.plain, Source{SourceKind::Backup, world.database, {}, {}, records, true, false});
        for (const auto &locked : {world.lockedA, world.lockedB})
            fake->add(locked, Source{SourceKind::EncryptedBackup, world.database, {}, password, records, true, false});
        fake->add(world.folder,
                  Source{SourceKind::BackupFolder,
                         {},
                         {{world.folder / "one", "Anna's iPhone", {}, false, true, "17.4"},
                          {world.folder / "two", "Anna's iPhone", {}, false, true, "17.4"}},
                         {},
                         {},
                         false,
                         false});
        world.sources = std::move(fake);
    }
};

template<typename Implementation>
class MessageSourcesContract : public ::testing::Test
{
protected:
    void SetUp() override { Implementation::build(world); }

    bool reads(const fs::path &path) const { return world.sources->openStore(path).has_value(); }

    World world;
};

using Implementations = ::testing::Types<RealSources, FakeSources>;
TYPED_TEST_SUITE(MessageSourcesContract, Implementations);

} // namespace

TYPED_TEST(MessageSourcesContract, ChecksTellWhatAPathIsAndWhetherItReadsNow)
{
    auto &sources = *this->world.sources;
    EXPECT_EQ(sources.check(this->world.database).kind, SourceKind::Database);
    EXPECT_EQ(sources.check(this->world.plain).kind, SourceKind::Backup);
    EXPECT_EQ(sources.check(this->world.missing).kind, SourceKind::NotFound);
    const auto folder = sources.check(this->world.folder);
    EXPECT_EQ(folder.kind, SourceKind::BackupFolder);
    EXPECT_EQ(folder.backups.size(), 2U);
    const auto locked = sources.check(this->world.lockedA);
    EXPECT_EQ(locked.kind, SourceKind::EncryptedBackup);
    EXPECT_FALSE(locked.usable());

    EXPECT_TRUE(this->reads(this->world.database));
    EXPECT_TRUE(this->reads(this->world.plain));
    EXPECT_FALSE(this->reads(this->world.lockedA));
    EXPECT_FALSE(this->reads(this->world.folder));
    EXPECT_FALSE(this->reads(this->world.missing));

    EXPECT_EQ(sources.contacts(this->world.database), nullptr);
    EXPECT_NE(sources.contacts(this->world.plain), nullptr);
    EXPECT_EQ(sources.contacts(this->world.lockedA), nullptr);
}

TYPED_TEST(MessageSourcesContract, AnUnlockedBackupStaysUnlockedWhateverElseIsChosenUntilForgotten)
{
    auto &sources = *this->world.sources;
    const fs::path &a = this->world.lockedA;
    const fs::path &b = this->world.lockedB;
    EXPECT_EQ(sources.unlock(a, "wrong horse", {}).outcome, UnlockOutcome::WrongPassword);
    EXPECT_FALSE(sources.check(a).unlocked);
    EXPECT_EQ(sources.unlock(this->world.plain, password, {}).outcome, UnlockOutcome::Failed);
    EXPECT_EQ(sources.unlock(this->world.missing, password, {}).outcome, UnlockOutcome::Failed);

    ASSERT_EQ(sources.unlock(a, password, {}).outcome, UnlockOutcome::Unlocked);
    // A, then B, then A again: A still reads, without its password.
    EXPECT_FALSE(sources.check(b).unlocked);
    EXPECT_TRUE(this->reads(this->world.plain));
    ASSERT_EQ(sources.unlock(b, password, {}).outcome, UnlockOutcome::Unlocked);
    EXPECT_EQ(sources.check(this->world.database).kind, SourceKind::Database);
    const auto again = sources.check(a);
    EXPECT_TRUE(again.unlocked);
    EXPECT_TRUE(again.usable());
    EXPECT_TRUE(this->reads(a));
    EXPECT_NE(sources.contacts(a), nullptr);

    sources.forget(a);
    EXPECT_FALSE(sources.check(a).unlocked);
    EXPECT_FALSE(this->reads(a));
    EXPECT_TRUE(this->reads(b));
    sources.forget(this->world.missing); // nothing to forget there
    EXPECT_TRUE(sources.check(b).unlocked);
}

TYPED_TEST(MessageSourcesContract, AStoppedUnlockIsCancelledAndKeepsNothing)
{
    auto &sources = *this->world.sources;
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(sources.unlock(this->world.lockedA, password, stop.get_token()).outcome, UnlockOutcome::Cancelled);
    EXPECT_FALSE(sources.check(this->world.lockedA).unlocked);
    EXPECT_FALSE(this->reads(this->world.lockedA));
}
