// Runs probeAccess on its argument and reports the result as its exit status (0 readable,
// 1 denied, 2 missing), so that tests can probe as an unprivileged user.
#include "app/access_probe.h"

int main(int argc, char **argv)
{
    if (argc != 2)
        return 64;
    switch (app::probeAccess(argv[1])) {
    case app::AccessProbe::Readable:
        return 0;
    case app::AccessProbe::Denied:
        return 1;
    case app::AccessProbe::Missing:
        return 2;
    }
    return 65;
}
