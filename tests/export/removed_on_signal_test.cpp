// An export ended by a signal half way leaves nothing in its folder. The signal comes while the text
// is being written: a file size limit makes the write raise SIGXFSZ, whose handler raises the
// signal a person or the session would send.

#include "export/export_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace
{

namespace fs = std::filesystem;

volatile std::sig_atomic_t endingSignal = 0;

extern "C" void endWithTheSignal(int)
{
    ::raise(endingSignal);
}

std::vector<std::string> entries(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(RemovedOnSignal, AnExportEndedBySignalLeavesNoTemporaryFile)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const testsupport::TempDir dir;
        const fs::path downloads = dir / "Downloads";
        fs::create_directories(downloads);
        const auto outcome = testsupport::runInChild(false, [&](std::string &report) {
            endingSignal = signal;
            std::signal(SIGXFSZ, endWithTheSignal);
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            auto written = exporter::writeExport(std::string(65536, 'x'), "Anna", downloads);
            report = written ? "written: " + written->string() : "failed: " + written.error().detail;
            return 1;
        });
        EXPECT_EQ(outcome.status, 128 + signal) << outcome.report;
        EXPECT_EQ(entries(downloads), std::vector<std::string>{}) << "after signal " << signal;
    }
}
