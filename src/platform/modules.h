#pragma once

#include <string>

namespace platform {

// Parts of the program that most runs never need (the desktop app for `tidewell serve`, FFmpeg's
// video decoders until the first video) are shared modules that sit beside this library and are
// loaded on first use, so a process maps their libraries only when it runs them.
//
// The address of `symbol` in the module `fileName` ("libtidewell_videoframe.so"), which is loaded
// from this library's folder on the first call and stays loaded. nullptr when the module or the
// symbol is missing, with the loader's reason in *error when error is given. Safe to call from any
// thread.
void *moduleSymbol(const char *fileName, const char *symbol, std::string *error = nullptr);

} // namespace platform
