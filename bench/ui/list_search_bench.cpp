// Typing into the search field of the conversation list with 20,000 conversations: the time from
// a key press to the repainted window (filter, list update and paint), and the time to show the
// list. Runs offscreen on a generated history; prints figures and checks nothing.
//   list_search_bench [--chats N]

#include "app/access_probe.h"
#include "app/app_model.h"
#include "app/linux_desktop_services.h"
#include "demo/demo_history.h"
#include "ui/conversation_list_model.h"
#include "ui/list_screen.h"
#include "ui/main_window.h"
#include "ui/root_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace
{

struct Figures {
    double mean = 0;
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Figures figuresOf(std::vector<double> samples)
{
    Figures figures;
    if (samples.empty())
        return figures;
    std::sort(samples.begin(), samples.end());
    figures.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
    figures.median = samples[samples.size() / 2];
    figures.p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
    figures.max = samples.back();
    return figures;
}

double millisecondsSince(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Runs the event loop until `done` holds.
template<typename Done>
void spinUntil(Done done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace

int main(int argc, char **argv)
{
    // A few chats end up without a countable message or merged, so a little over 20,000 chats
    // give at least 20,000 conversations.
    std::int64_t chats = 20400;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--chats")
            chats = std::atoll(argv[i + 1]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));

    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tovik-list-bench-XXXXXX"));
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    const std::filesystem::path database = home.path().toStdString() + "/chat.db";

    std::printf("list_search_bench: generating %lld chats...\n", static_cast<long long>(chats));
    demo::LargeHistory options;
    options.chats = chats;
    options.messages = chats * 10;
    options.archivedShare = 0.0;
    if (const auto failure = demo::writeLargeHistory(database, options)) {
        std::fprintf(stderr, "list_search_bench: %s\n", failure->c_str());
        return 1;
    }

    QApplication application(argc, argv);
    ui::applyLightLook();
    app::LinuxDesktopServices services(home.path() + QStringLiteral("/settings.ini"));
    services.setBoolSetting(QStringLiteral("seenWelcome"), true);
    services.setContactsFile(std::nullopt); // answered: no contacts, straight to the list

    app::AppModel model(services, database);
    spinUntil([&] {
        return !model.loading();
    });
    std::printf("conversations: %zu\n", model.conversations().size());

    // Showing the list: the window with its list screen built on the loaded list, laid out and
    // painted once.
    QElapsedTimer clock;
    clock.start();
    ui::MainWindow window(model);
    window.show();
    QCoreApplication::processEvents();
    window.repaint();
    const double showMs = millisecondsSince(clock);
    auto *list = qobject_cast<ui::ListScreen *>(window.rootView()->currentScreen());
    if (list == nullptr) {
        std::fputs("list_search_bench: the list screen is not shown\n", stderr);
        return 1;
    }

    // A reload replaces the list under the screen: search keys for every conversation, then paint.
    clock.restart();
    list->listModel()->setConversations(model.conversations());
    window.repaint();
    const double reloadMs = millisecondsSince(clock);

    // Typing: each key press until the window has been repainted with the filtered list.
    const std::vector<QString> words = {QStringLiteral("person12"), QStringLiteral("+1 415"), QStringLiteral("555 01"),
                                        QStringLiteral("example.com"), QStringLiteral("zz")};
    std::vector<double> typing;
    std::vector<double> erasing;
    QLineEdit *input = list->searchInput();
    for (const QString &word : words) {
        for (const QChar character : word) {
            clock.restart();
            QTest::keyClick(input, character.toLatin1());
            window.repaint();
            typing.push_back(millisecondsSince(clock));
        }
        while (!input->text().isEmpty()) {
            clock.restart();
            QTest::keyClick(input, Qt::Key_Backspace);
            window.repaint();
            erasing.push_back(millisecondsSince(clock));
        }
    }

    const Figures typed = figuresOf(typing);
    const Figures erased = figuresOf(erasing);
    std::printf("show the list:               %8.2f ms\n", showMs);
    std::printf("replace the list (reload):   %8.2f ms\n", reloadMs);
    std::printf("keystroke, typing   (%3zu):   mean %6.2f  median %6.2f  p95 %6.2f  max %6.2f ms\n", typing.size(),
                typed.mean, typed.median, typed.p95, typed.max);
    std::printf("keystroke, erasing  (%3zu):   mean %6.2f  median %6.2f  p95 %6.2f  max %6.2f ms\n", erasing.size(),
                erased.mean, erased.median, erased.p95, erased.max);
    std::printf("target: under 16 ms per keystroke\n");
    return 0;
}
