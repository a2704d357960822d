#pragma once

// The desktop app is a module of its own (libtidewell_desktop.so), which `tidewell` loads only when
// it opens the window: `tidewell serve` then never maps Qt Widgets and the rest of the app's
// libraries. Its one entry point is runDesktopApp (desktopapp.h).
namespace desktopmodule {

inline constexpr char fileName[] = "libtidewell_desktop.so";
inline constexpr char entryPoint[] = "tidewell_run_desktop_app";

using Entry = int (*)(int argc, char **argv);

} // namespace desktopmodule
