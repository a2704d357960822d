#include "app/desktopmodule.h"

#include "app/desktopapp.h"

#include <type_traits>

extern "C" __attribute__((visibility("default"))) int tidewell_run_desktop_app(int argc, char **argv) {
    static_assert(std::is_same_v<decltype(&tidewell_run_desktop_app), desktopmodule::Entry>);
    return runDesktopApp(argc, argv);
}
