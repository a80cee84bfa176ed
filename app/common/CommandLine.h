// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

// The command line of the two window programs, read before the application object exists, so
// --help and --version print and end without a display. Neither program has options of its own:
// anything else but Qt's standard options (-platform, -style, …, left for the application
// object) is refused with a usage line, so that no argument can start what the user did not ask
// for.
namespace CommandLine {

struct Program
{
    const char *name;
    const char *description; // the paragraph --help prints under the usage line
};

// The exit status when the program is to end now: 0 after --help or --version, 2 after a usage
// line on the error output. Empty when it is to start.
std::optional<int> readWindowProgramArguments(int argc, char **argv, const Program &program);

} // namespace CommandLine
