#include "app/texts.h"
#include "l10n/strings.h"
#include "ui/access_screen.h"
#include "ui/backups_screen.h"
#include "ui/chunky_button.h"
#include "ui/list_screen.h"
#include "ui/owl.h"
#include "ui/password_screen.h"
#include "ui/welcome_screen.h"
#include "ui_test_support.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{

struct Node {
    QAccessible::Role role;
    QString name;
    QString description;
    QAccessible::State state;
    QObject *object;
};

// Every node of the accessibility tree under `root`, as an assistive tool walks it.
std::vector<Node> accessibleTree(QObject *root)
{
    std::vector<Node> nodes;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        if (node == nullptr || !node->isValid())
            return;
        nodes.push_back({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Description),
                         node->state(), node->object()});
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return nodes;
}

const Node *find(const std::vector<Node> &nodes, QAccessible::Role role, const QString &name)
{
    for (const Node &node : nodes) {
        if (node.role == role && node.name == name)
            return &node;
    }
    return nullptr;
}

QString text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

// Owls and other pictures are absent; every shown control, text and row has a name.
void expectNamedAndUndecorated(const std::vector<Node> &nodes)
{
    static const std::vector<QAccessible::Role> named = {
        QAccessible::PushButton, QAccessible::StaticText, QAccessible::EditableText, QAccessible::ProgressBar,
        QAccessible::ListItem,   QAccessible::List,       QAccessible::Graphic};
    for (const Node &node : nodes) {
        EXPECT_EQ(qobject_cast<ui::Owl *>(node.object), nullptr) << "an owl is in the tree";
        if (node.state.invisible || std::find(named.begin(), named.end(), node.role) == named.end())
            continue;
        EXPECT_FALSE(node.name.trimmed().isEmpty()) << "unnamed node of role " << node.role;
    }
}

} // namespace

class AccessibilityTest : public uitest::ScreenTest
{};

TEST_F(AccessibilityTest, OnboardingControlsAreNamedSpinnerIsBusyAndOwlsAreLeftOut)
{
    services.seenWelcome = false;
    start(writeStandardHistory());
    std::vector<Node> nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    EXPECT_NE(find(nodes, QAccessible::PushButton, text(l10n::getStarted())), nullptr);
    EXPECT_NE(find(nodes, QAccessible::StaticText, text(l10n::welcomeTitle())), nullptr);

    TearDown();
    services.seenWelcome = true;
    std::filesystem::create_directories(dir / "protected/chat.db");
    start(dir / "protected/chat.db");
    nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    const Node *spinner = find(nodes, QAccessible::ProgressBar, text(l10n::watchingForAccess()));
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->state.busy);
    EXPECT_NE(find(nodes, QAccessible::PushButton, text(l10n::quitAndReopen())), nullptr);
    EXPECT_NE(find(nodes, QAccessible::StaticText, QStringLiteral("2")), nullptr);
}

TEST_F(AccessibilityTest, RowsCarryTheirSubtitleAndTheExportButtonItsState)
{
    startOnList();
    auto *list = screen<ui::ListScreen>();
    ASSERT_NE(list, nullptr);
    std::vector<Node> nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    EXPECT_NE(find(nodes, QAccessible::EditableText, text(l10n::searchPlaceholder())), nullptr);
    EXPECT_NE(find(nodes, QAccessible::List, text(l10n::listTitle())), nullptr);

    const Node *anna = find(nodes, QAccessible::ListItem, QStringLiteral("Anna Smith"));
    ASSERT_NE(anna, nullptr);
    EXPECT_TRUE(anna->description.startsWith(app::messageCount(150) + QStringLiteral(" · ")));
    EXPECT_FALSE(anna->state.selected);
    const Node *carla = find(nodes, QAccessible::ListItem, QStringLiteral("Carla Diaz"));
    ASSERT_NE(carla, nullptr);
    EXPECT_TRUE(carla->description.contains(text(l10n::tooShortHint())));
    const Node *button = find(nodes, QAccessible::PushButton, text(l10n::exportButton()));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->state.disabled);

    list->select(model->conversations().front().id);
    nodes = accessibleTree(window.get());
    anna = find(nodes, QAccessible::ListItem, QStringLiteral("Anna Smith"));
    ASSERT_NE(anna, nullptr);
    EXPECT_TRUE(anna->state.selected);
    button = find(nodes, QAccessible::PushButton, text(l10n::exportButton()) + QStringLiteral(": Anna Smith"));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->state.disabled);
}

TEST_F(AccessibilityTest, SourceStepBackupRowsAndTheUnlockingAreNamedAndDescribed)
{
    startChoosing();
    ASSERT_TRUE(waitForPhase(app::AppModel::Phase::Source));
    std::vector<Node> nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    EXPECT_NE(find(nodes, QAccessible::PushButton, text(l10n::chooseSource())), nullptr);
    EXPECT_NE(find(nodes, QAccessible::StaticText, text(l10n::sourceTitle())), nullptr);

    TearDown();
    const app::BackupDescription locked{dir / "all/locked", "Anna's iPhone", std::nullopt, true, true, "17.4"};
    sources.add(dir / "all", {app::SourceKind::BackupFolder, {}, {locked}, {}, {}, false, false});
    sources.add(locked.path, backupSource("secret"));
    const auto gate = std::make_shared<apptest::Gate>();
    sources.holdUnlocks(gate);
    startChoosing(dir / "all");
    ASSERT_TRUE(waitForPhase(app::AppModel::Phase::Backups));
    nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    const Node *row = find(nodes, QAccessible::PushButton, QStringLiteral("Anna's iPhone"));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->description.contains(text(l10n::encryptedBadge())));

    screen<ui::BackupsScreen>()->rows()[0]->click();
    ASSERT_TRUE(waitForPhase(app::AppModel::Phase::Password));
    auto *password = screen<ui::PasswordScreen>();
    QTest::keyClicks(password->passwordInput(), QStringLiteral("secret"));
    password->unlockButton()->click();
    ASSERT_TRUE(uitest::waitUntil([&] {
        return model->unlocking();
    }));
    nodes = accessibleTree(window.get());
    expectNamedAndUndecorated(nodes);
    const Node *field = find(nodes, QAccessible::EditableText, text(l10n::passwordPlaceholder()));
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->state.passwordEdit);
    const Node *spinner = find(nodes, QAccessible::ProgressBar, text(l10n::unlockingBackup()));
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->state.busy);
    EXPECT_FALSE(spinner->state.invisible);
    const Node *unlock = find(nodes, QAccessible::PushButton, text(l10n::unlockButton()));
    ASSERT_NE(unlock, nullptr);
    EXPECT_TRUE(unlock->state.disabled);
    gate->open();
    EXPECT_TRUE(waitForPhase(app::AppModel::Phase::List));
}
