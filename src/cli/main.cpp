#include "serve.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return runServe(argc - 1, argv + 1);
    std::fprintf(stderr, "usage: tidewell serve [--documents DIR] [--port N] [--bind ADDRESS]\n");
    return 2;
}
