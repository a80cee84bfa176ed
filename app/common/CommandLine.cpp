// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace {

// Qt's standard options of a widget program, with and without a value.
const QList<QByteArray> qtOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qmljsdebugger", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",      "style",
    "stylesheet"};
const QList<QByteArray> qtFlags = {"reverse", "widgetcount"};

void usage(std::FILE *stream, const char *name)
{
    std::fprintf(stream, "Usage: %s [--help] [--version] [Qt options such as -platform NAME]\n", name);
}

} // namespace

std::optional<int> CommandLine::readWindowProgramArguments(int argc, char **argv, const Program &program)
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--help" || argument == "-h" || argument == "-?") {
            help = true;
            continue;
        }
        if (argument == "--version" || argument == "-v") {
            version = true;
            continue;
        }
        // Qt takes its options with one dash or two, the value after a blank or an equals sign.
        QByteArray name = argument.startsWith("--") ? argument.mid(2) : argument.mid(1);
        const qsizetype equals = name.indexOf('=');
        const bool valueAttached = equals >= 0;
        name = name.left(valueAttached ? equals : name.size());
        if (argument.startsWith('-') && qtFlags.contains(name) && !valueAttached) {
            continue;
        }
        if (argument.startsWith('-') && qtOptionsWithValue.contains(name)) {
            if (valueAttached) {
                continue;
            }
            if (i + 1 < argc) {
                ++i;
                continue;
            }
            std::fprintf(stderr, "%s: %s needs a value\n", program.name, argv[i]);
        } else if (argument.startsWith('-') && argument.size() > 1) {
            std::fprintf(stderr, "%s: unknown option %s\n", program.name, argv[i]);
        } else {
            std::fprintf(stderr, "%s: takes no arguments, but was given \"%s\"\n", program.name, argv[i]);
        }
        usage(stderr, program.name);
        return 2;
    }
    if (help) {
        usage(stdout, program.name);
        std::printf("\n%s\n\nOptions:\n"
                    "  -h, --help     Print this help and end.\n"
                    "  -v, --version  Print the version and end.\n",
                    program.description);
        return 0;
    }
    if (version) {
        std::printf("%s %s\n", program.name, TAPRELL_VERSION);
        return 0;
    }
    return std::nullopt;
}
