#include "bench_support.h"

#include "catalogue/conversations.h"
#include "export/build_export.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <tuple>

namespace bench
{

void fail(const std::string &why)
{
    std::cerr << why << "\n";
    std::exit(1);
}

store::MessagesStore storeOf(const sources::MessageSource &source)
{
    auto store = source.openStore();
    if (!store)
        fail(store::describe(store.error()));
    return std::move(*store);
}

std::filesystem::path dataDir()
{
    const std::filesystem::path dir(TOVIK_BENCH_DATA_DIR);
    std::filesystem::create_directories(dir);
    return dir;
}

double processCpuSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double bestSeconds(int runs, const std::function<void()> &work)
{
    double best = 1e100;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

ProcessRun runProcess(const std::vector<std::string> &argv, const std::string &standardInput, bool keepOutput)
{
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        if (keepOutput) {
            dup2(out[1], 1);
        } else {
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
        }
        close(in[1]);
        close(out[0]);
        std::vector<char *> args;
        for (const std::string &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!standardInput.empty() && write(in[1], standardInput.data(), standardInput.size()) < 0)
        std::perror("write");
    close(in[1]);
    ProcessRun run;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "benchmark: " << argv[0] << " failed\n";
        std::exit(1);
    }
    run.seconds = took.count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakBytes = static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
    return run;
}

ProcessRun bestProcessRun(int runs, const std::vector<std::string> &argv, const std::string &standardInput)
{
    ProcessRun best;
    best.seconds = 1e100;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = runProcess(argv, standardInput);
        best.peakBytes = std::max(best.peakBytes, run.peakBytes);
        best.seconds = std::min(best.seconds, run.seconds);
    }
    return best;
}

std::pair<double, double>
alternate(int rounds, const std::function<double()> &ours, const std::function<double()> &floor)
{
    double bestOurs = 1e100;
    double bestFloor = 1e100;
    for (int i = 0; i < rounds; ++i) {
        bestOurs = std::min(bestOurs, ours());
        bestFloor = std::min(bestFloor, floor());
    }
    return {bestOurs, bestFloor};
}

std::pair<Timing, Timing>
alternateTimed(int rounds, const std::function<void()> &ours, const std::function<void()> &floor)
{
    Timing a;
    Timing b;
    const auto timed = [](const std::function<void()> &work, Timing &into) {
        const double before = processCpuSeconds();
        const double wall = bestSeconds(1, work);
        into.cpu = std::min(into.cpu, processCpuSeconds() - before);
        return wall;
    };
    std::tie(a.wall, b.wall) = alternate(
        rounds,
        [&] {
            return timed(ours, a);
        },
        [&] {
            return timed(floor, b);
        });
    return {a, b};
}

void printTimings(const std::pair<Timing, Timing> &timings,
                  const std::string &ours,
                  const std::string &floor,
                  double target)
{
    std::printf(" wall time:\n");
    printRatio(ours, timings.first.wall, floor, timings.second.wall, target);
    std::printf(" CPU time (user + system):\n");
    printRatio(ours, timings.first.cpu, floor, timings.second.cpu, target);
}

void printRatio(
    const std::string &what, double seconds, const std::string &floorName, double floorSeconds, double target)
{
    const double ratio = seconds / floorSeconds;
    std::printf("  %-34s %9.1f ms\n", what.c_str(), seconds * 1000);
    std::printf("  %-34s %9.1f ms\n", floorName.c_str(), floorSeconds * 1000);
    std::printf("  ratio %.2f (target at most %.2f): %s\n", ratio, target, ratio <= target ? "met" : "NOT met");
}

ListAndExport timeListAndExport(const sources::MessageSource &ours,
                                const sources::MessageSource &floor,
                                int listRounds,
                                int exportRounds)
{
    ListAndExport result;
    std::vector<catalogue::Conversation> list;
    const auto listOnce = [&](const sources::MessageSource &source) {
        auto store = storeOf(source);
        auto loaded = catalogue::loadConversations(store, {});
        if (!loaded)
            fail(store::describe(loaded.error()));
        list = std::move(*loaded);
    };
    result.listing = alternateTimed(
        listRounds,
        [&] {
            listOnce(ours);
        },
        [&] {
            listOnce(floor);
        });
    if (list.empty())
        fail("the history lists no conversation");
    result.conversations = list.size();
    result.largest = list.front();

    const auto exportOnce = [&](const sources::MessageSource &source) {
        auto store = storeOf(source);
        auto built = exporter::buildExport(store, result.largest, {});
        if (!built)
            fail(store::describe(built.error()));
        result.exportedBytes = built->text.size();
    };
    result.exporting = alternateTimed(
        exportRounds,
        [&] {
            exportOnce(ours);
        },
        [&] {
            exportOnce(floor);
        });
    return result;
}

} // namespace bench
