#pragma once

// Runs the desktop app: creates the application object and the process-wide objects (theme,
// notification centre, colour resolver, remote values, transfer server with message-box alerts
// placed by --port and --bind, screen-saver inhibitor, the Wi-Fi interface's name), launches the
// app delegate and runs the event loop until the window closes. Returns the exit code (2 for bad
// options).
int runDesktopApp(int argc, char **argv);
