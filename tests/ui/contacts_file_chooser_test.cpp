#include "app/texts.h"
#include "l10n/strings.h"
#include "support/temp_dir.h"
#include "ui/contacts_file_chooser.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

#include <QDir>
#include <QFileDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using testsupport::TempDir;
using uitest::waitUntil;

namespace
{

QString qpath(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

} // namespace

TEST(ContactsFileChooser, AsksForAVCardInDownloadsAndSharesOneAnswerBetweenRequests)
{
    TempDir dir;
    testsupport::writeFile(dir / "contacts.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\nEND:VCARD\r\n");
    ui::ContactsFileChooser chooser;
    std::vector<std::optional<QString>> answers;

    chooser.choose(nullptr, qpath(dir.path()), [&](std::optional<QString> chosen) {
        answers.push_back(chosen);
    });
    QFileDialog *dialog = chooser.dialog();
    ASSERT_NE(dialog, nullptr);
    chooser.choose(nullptr, QDir::homePath(), [&](std::optional<QString> chosen) {
        answers.push_back(chosen);
    });
    EXPECT_EQ(chooser.dialog(), dialog); // the same chooser, brought forward
    EXPECT_EQ(dialog->windowTitle(), app::qs(l10n::contactsFileTitle()));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("vCard (*.vcf *.vcard *.VCF *.VCARD)")});
    EXPECT_EQ(QDir(dialog->directory()).absolutePath(), QDir(qpath(dir.path())).absolutePath());
    EXPECT_TRUE(answers.empty());
    dialog->selectFile(qpath(dir / "contacts.vcf"));
    static_cast<QDialog *>(dialog)->accept(); // public in QDialog, dispatched to the chooser

    ASSERT_EQ(answers.size(), 2U);
    EXPECT_EQ(answers[0], qpath(dir / "contacts.vcf"));
    EXPECT_EQ(answers[1], answers[0]);
    EXPECT_TRUE(waitUntil([&] {
        return chooser.dialog() == nullptr;
    }));
}

TEST(ContactsFileChooser, ACancelAnswersNone)
{
    ui::ContactsFileChooser chooser;
    std::vector<std::optional<QString>> answers;

    chooser.choose(nullptr, QDir::homePath(), [&](std::optional<QString> chosen) {
        answers.push_back(chosen);
    });
    ASSERT_NE(chooser.dialog(), nullptr);
    chooser.dialog()->reject();

    EXPECT_EQ(answers, (std::vector<std::optional<QString>>{std::nullopt}));
}

class WindowRequestsTest : public uitest::ScreenTest
{};

TEST_F(WindowRequestsTest, TheWindowComesBackFromMinimisedAndOwnsTheChooser)
{
    startOnList();
    window->showMinimized();

    window->bringToFront();
    window->chooseContactsFile([](std::optional<QString>) {});

    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    ASSERT_NE(window->contactsFileDialog(), nullptr);
    EXPECT_EQ(window->contactsFileDialog()->parentWidget(), window.get());
    window->contactsFileDialog()->reject();
}
