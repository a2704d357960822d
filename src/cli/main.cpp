#include "app/desktopapp.h"
#include "serve.h"

#include <cstdio>
#include <cstring>

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
    return runDesktopApp(argc, argv);
}
