#include "support/child_process.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport
{

ChildOutcome runInChild(bool unprivileged, const std::function<int(std::string &report)> &body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        std::string report;
        int status = 0;
        if (unprivileged && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(nobodyUid) != 0 || ::setuid(nobodyUid) != 0)) {
            report = "cannot become nobody";
            status = 99;
        } else {
            status = body(report);
        }
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t n = ::write(channel[1], report.data() + done, report.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(status);
    }
    ::close(channel[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        outcome.report.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

} // namespace testsupport
