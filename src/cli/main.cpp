#include "app/desktopmodule.h"
#include "platform/modules.h"
#include "serve.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The window lives in a module of its own, so that `serve` never maps the app's libraries.
int runDesktopModule(int argc, char **argv) {
    std::string error;
    const auto run = reinterpret_cast<desktopmodule::Entry>(
        platform::moduleSymbol(desktopmodule::fileName, desktopmodule::entryPoint, &error));
    if (!run) {
        std::fprintf(stderr, "tidewell: the desktop app cannot be loaded: %s\n", error.c_str());
        return 1;
    }
    return run(argc, argv);
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return runServe(argc - 1, argv + 1);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: tidewell [--port N] [--bind ADDRESS]\n"
            "                                the desktop app (Qt options such as -platform apply);\n"
            "                                the options place its transfer server\n"
            "       tidewell serve [--documents DIR] [--port N] [--bind ADDRESS] [--allow-host NAME]...\n"
            "                      [--code] [--no-announce]\n");
        return 0;
    }
    return runDesktopModule(argc, argv);
}
