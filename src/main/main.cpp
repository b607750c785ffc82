// The executable's entry: the command line, then everything happens in WinMain.
//
// The command line takes only --help and --version; the port is chosen in the
// window and nothing is stored between runs, so there is nothing else to say.
#include "main/winmain.h"

#include <cstdio>
#include <cstring>

#ifndef VTLX_VERSION
#define VTLX_VERSION "1.4"
#endif

static const char HELP[] =
    "Usage: vortelix-riror [--help | --version]\n"
    "Set-up and monitoring tool for VORTELIX CCD-line sensors on an RS-232 line\n"
    "(19200 baud, 8N1).\n"
    "\n"
    "At start the program opens COM1; another port is chosen in the window's port\n"
    "selector. Port N is the link comN in $XDG_RUNTIME_DIR/vortelix-ports/ (or\n"
    "/tmp/vortelix-ports-UID/); the serial ports the system lists take the other\n"
    "numbers from 1 upward. See vortelix-riror(1).\n"
    "Nothing is stored between runs.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

// Exit code of a command line the program does not take.
static constexpr int EXIT_USAGE = 2;

static bool Known(const char *arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "--version") == 0;
}

int main(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (!Known(argv[i])) {
            std::fprintf(stderr, "vortelix-riror: unknown argument '%s' (try --help)\n", argv[i]);
            return EXIT_USAGE;
        }
    }
    if (argc > 2) {
        std::fprintf(stderr, "vortelix-riror: one argument at most (try --help)\n");
        return EXIT_USAGE;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(HELP, stdout);
        return 0;
    }
    if (argc == 2) {
        std::printf("vortelix-riror %s\n", VTLX_VERSION);
        return 0;
    }
    return WinMain(nullptr, nullptr, nullptr, 1);
}
