// lumisett: the customer-facing item display. Command line: profile name,
// start mode (both optional).
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/program.h"
#include "app/startup.h"
#include "app/watchdog.h"
#include "platform/system_info.h"

int main(int argc, char** argv) {
    if (argc >= 2 && argv[1][0] == '-') platform::useParentConsole();
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: lumisett [PROFILE [MODE]]\n\n"
            "  PROFILE  names the parameter file PROFILE.ini and the slide show list PROFILE.dbf\n"
            "           in the current folder (default: this computer's name)\n"
            "  MODE     'slides' (or 'show', 'slide', any part of 'slides show slide show', in any\n"
            "           case) starts the slide show; anything else the data monitor\n");
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lumisett %s\n", LUMISETT_VERSION);
        return 0;
    }
    // [Watchdog] 1: this process supervises the display, which runs as its child.
    if (const std::optional<int> rc = app::runWatchdog(argc, argv)) return *rc;
    return app::runProgram(argc, argv);
}
