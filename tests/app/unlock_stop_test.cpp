// The real sources on real encrypted backups whose key bags ask for many rounds: leaving the password
// screen or closing the window stops the key derivation, and a count far above a phone's is refused.

#include "app/app_model.h"
#include "app/texts.h"
#include "fake_desktop_services.h"
#include "l10n/message_count.h"
#include "sources/file_system_sources.h"
#include "support/backup_fixture.h"
#include "support/temp_dir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using app::AppModel;
using sources::UnlockOutcome;
using Phase = app::AppModel::Phase;
namespace fs = std::filesystem;

namespace
{

constexpr int patienceMs = 60000;

// FileSystemSources that remembers what its unlocks answered.
class RecordingSources final : public sources::MessageSources
{
public:
    sources::SourceCheck check(const fs::path &path) const override { return m_real.check(path); }
    sources::UnlockReport
    unlock(const fs::path &backup, std::string_view password, const std::stop_token &stop) override
    {
        m_started = true;
        const auto report = m_real.unlock(backup, password, stop);
        const std::lock_guard lock(m_mutex);
        m_answers.push_back(report);
        return report;
    }
    void forget(const fs::path &backup) override { m_real.forget(backup); }
    common::Result<store::MessagesStore, store::SQLiteDB::Failure> openStore(const fs::path &source) const override
    {
        return m_real.openStore(source);
    }
    std::shared_ptr<contacts::ContactsService> contacts(const fs::path &source) const override
    {
        return m_real.contacts(source);
    }

    bool started() const { return m_started; }
    std::vector<sources::UnlockReport> answers() const
    {
        const std::lock_guard lock(m_mutex);
        return m_answers;
    }

private:
    sources::FileSystemSources m_real;
    std::atomic<bool> m_started{false};
    mutable std::mutex m_mutex;
    std::vector<sources::UnlockReport> m_answers;
};

} // namespace

class UnlockStopTest : public ::testing::Test
{
protected:
    // The model on the password screen of a backup whose key bag asks for `rounds` rounds.
    std::unique_ptr<AppModel> onPasswordScreen(std::uint32_t rounds)
    {
        services.bools.insert(QStringLiteral("seenWelcome"), true);
        testsupport::writeSmallHistory(dir / "chat.db");
        backup::BackupOptions options;
        options.encryption = backup::Encryption{};
        options.encryption->statedPasswordIterations = rounds;
        testsupport::makeBackup(backup, {dir / "chat.db", std::nullopt, std::nullopt}, options);
        auto model = std::make_unique<AppModel>(services, sources, dir / "none" / "chat.db", backup);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return model->phase() == Phase::Password;
            },
            patienceMs));
        return model;
    }

    void startUnlock(AppModel &model)
    {
        model.unlock(QStringLiteral("correct horse"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return sources.started();
            },
            patienceMs));
    }

    testsupport::TempDir dir;
    fs::path backup = dir / "backup";
    apptest::FakeDesktopServices services;
    RecordingSources sources;
};

// Fifty million rounds: the most a backup may ask for, most of a minute of deriving.
constexpr std::uint32_t allowedButSlow = 50'000'000;

TEST_F(UnlockStopTest, LeavingThePasswordScreenStopsTheDerivation)
{
    auto model = onPasswordScreen(allowedButSlow);
    startUnlock(*model);
    model->showSources();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !sources.answers().empty();
        },
        patienceMs));
    EXPECT_EQ(sources.answers().front().outcome, UnlockOutcome::Cancelled);
    EXPECT_EQ(model->phase(), Phase::Source);
    EXPECT_EQ(model->sourceProblem(), std::nullopt);
}

TEST_F(UnlockStopTest, ClosingTheWindowStopsTheDerivationBeforeTheModelGoes)
{
    auto model = onPasswordScreen(allowedButSlow);
    startUnlock(*model);
    model.reset();
    ASSERT_EQ(sources.answers().size(), 1U);
    EXPECT_EQ(sources.answers().front().outcome, UnlockOutcome::Cancelled);
}

TEST_F(UnlockStopTest, ARoundCountFarAboveAPhonesIsRefusedWithTheCount)
{
    auto model = onPasswordScreen(2'147'483'647);
    startUnlock(*model);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !model->unlocking();
        },
        patienceMs));
    EXPECT_EQ(model->phase(), Phase::Source);
    const QString problem = model->sourceProblem().value_or(QString());
    EXPECT_TRUE(problem.contains(app::qs(l10n::groupedNumber(2'147'483'647)))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(app::qs(l10n::groupedNumber(10'000'000)))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QString::fromStdString(backup.string()))) << problem.toStdString();
}
