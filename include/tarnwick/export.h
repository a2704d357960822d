#pragma once

// libtarnwick is built with hidden visibility; only what carries this macro is exported.
#define TARNWICK_EXPORT __attribute__((visibility("default")))
