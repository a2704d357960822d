#pragma once

// `tidewell serve [--documents DIR] [--port N] [--bind ADDRESS] [--allow-host NAME]... [--code]`:
// serves the document folder until Ctrl-C or SIGTERM. Returns the process exit code.
int runServe(int argc, char **argv);
