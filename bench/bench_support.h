#pragma once

#include "catalogue/conversation.h"
#include "sources/message_source.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench
{

// Says why on standard error and ends the benchmark (exit 1).
[[noreturn]] void fail(const std::string &why);

// A fresh store of `source`, or fail().
store::MessagesStore storeOf(const sources::MessageSource &source);

// Where generated benchmark data is kept between runs (inside the build folder).
std::filesystem::path dataDir();

// User + system CPU seconds this process has used so far.
double processCpuSeconds();

// Seconds of the fastest of `runs` calls.
double bestSeconds(int runs, const std::function<void()> &work);

// Runs a command with standard output sent to /dev/null and returns its wall time in seconds
// and its peak resident memory in bytes; fails the benchmark (exit 1) when the command does.
struct ProcessRun {
    double seconds = 0;
    double cpuSeconds = 0; // user + system time of the process
    std::int64_t peakBytes = 0;
    std::string output; // standard output, when asked to keep it
};
ProcessRun
runProcess(const std::vector<std::string> &argv, const std::string &standardInput = "", bool keepOutput = false);

// The fastest of `runs` process runs (peak memory is the largest seen).
ProcessRun bestProcessRun(int runs, const std::vector<std::string> &argv, const std::string &standardInput = "");

// Runs `ours` and `floor` alternately `rounds` times each, so that both meet the same cache
// state, and returns the best time of each.
std::pair<double, double>
alternate(int rounds, const std::function<double()> &ours, const std::function<double()> &floor);

void printRatio(
    const std::string &what, double seconds, const std::string &floorName, double floorSeconds, double target);

// Wall time is noisy on a busy machine; the CPU time (user + system) of the same runs is kept too.
struct Timing {
    double wall = 0;
    double cpu = 1e100;
};

// alternate(), keeping the best wall and CPU time of each.
std::pair<Timing, Timing>
alternateTimed(int rounds, const std::function<void()> &ours, const std::function<void()> &floor);

// Both ratios of alternateTimed's result.
void printTimings(const std::pair<Timing, Timing> &timings,
                  const std::string &ours,
                  const std::string &floor,
                  double target);

// The conversation list of `ours` and of `floor`, then the export of the largest conversation from
// each, every step alternating between the two (alternateTimed); with what was read, for the report.
struct ListAndExport {
    std::pair<Timing, Timing> listing;
    std::pair<Timing, Timing> exporting;
    std::size_t conversations = 0;
    catalogue::Conversation largest;
    std::size_t exportedBytes = 0;
};
ListAndExport timeListAndExport(const sources::MessageSource &ours,
                                const sources::MessageSource &floor,
                                int listRounds,
                                int exportRounds);

} // namespace bench
