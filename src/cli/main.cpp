// tovik-export: lists the conversations of a Messages database and exports one as a text file,
// without the window. Reads the database strictly read-only and never replaces a file.
#include "cli/commands.h"
#include "common/no_dumps.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    // No core dump and no ptrace of a process that may hold a backup's class keys.
    common::turnOffDumps();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return cli::run(arguments, std::cout, std::cerr);
}
