#include "l10n/language.h"
#include "l10n/strings.h"
#include "ui/chunky_button.h"
#include "ui/list_screen.h"
#include "ui/qt_translations.h"
#include "ui/source_screen.h"
#include "ui/welcome_screen.h"
#include "ui_test_support.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace
{

// The screens of this test program speak German: the language is decided once per process, before
// the first screen asks for a text, so every test here sees the same one.
const bool germanInterface = l10n::setPreferredLanguages({"de-DE"});

bool showsText(QWidget *root, const QString &text)
{
    for (const QLabel *label : root->findChildren<QLabel *>()) {
        if (label->text() == text)
            return true;
    }
    return false;
}

} // namespace

class LanguageTest : public uitest::ScreenTest
{};

TEST_F(LanguageTest, ScreensShowTheTextsOfTheChosenLanguage)
{
    ASSERT_TRUE(germanInterface);
    ASSERT_EQ(l10n::currentLanguage(), "de");

    services.seenWelcome = false;
    start(writeStandardHistory());
    auto *welcome = screen<ui::WelcomeScreen>();
    ASSERT_NE(welcome, nullptr);
    EXPECT_TRUE(showsText(welcome, QStringLiteral("Exportier einen iMessage-Chat für Tovik")));
    EXPECT_TRUE(showsText(welcome,
                          l10n::linuxWords ? QStringLiteral("Alles bleibt auf diesem Computer")
                                           : QStringLiteral("Alles bleibt auf diesem Mac")));
    EXPECT_EQ(welcome->getStartedButton()->text(), QStringLiteral("Los geht's  \u2192"));
}

TEST_F(LanguageTest, ListCaptionIsUpperCasedAndButtonNamesTheSelection)
{
    startOnList();
    auto *list = screen<ui::ListScreen>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(showsText(list, QStringLiteral("MEISTE NACHRICHTEN")));
    EXPECT_EQ(list->exportButton()->text(), QStringLiteral("Für Tovik exportieren"));
    list->select(model->conversations().front().id);
    EXPECT_EQ(list->exportButton()->text(), QStringLiteral("Für Tovik exportieren: Anna Smith"));
}

TEST_F(LanguageTest, QtsOwnFileDialogSpeaksTheLanguageOfTheWindow)
{
    ASSERT_EQ(l10n::currentLanguage(), "de");
    EXPECT_FALSE(
        ui::installQtTranslations(*QCoreApplication::instance(), "de", QString::fromStdString(dir.path().string())));
    ASSERT_TRUE(ui::installQtTranslations(*QCoreApplication::instance(), l10n::currentLanguage()));

    ui::SourceDialog dialog(nullptr);
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(dialog.labelText(QFileDialog::LookIn), QStringLiteral("Suchen in:"));
}
