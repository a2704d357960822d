#pragma once

#include <functional>

namespace platform {

// Runs the function on the main (GUI) thread's event loop, after the current event returns.
// Safe from any thread. Without an application object the function runs at once on the caller.
void dispatchMain(std::function<void()> function);

// Runs the function on the main thread after the given delay in milliseconds.
void dispatchMainAfter(int milliseconds, std::function<void()> function);

} // namespace platform
