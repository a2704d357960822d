#include "platform/modules.h"

#include <gtest/gtest.h>

// Modules are looked for beside the platform library, which is itself the one file surely there.
TEST(Modules, MissingModuleOrSymbolIsNullWithTheReason) {
    struct Case {
        const char *module;
        const char *symbol;
        const char *reason;
    };
    for (const Case &c : {Case{"libtidewell_no_such_module.so", "entry", "libtidewell_no_such_module.so"},
                          Case{"libtidewell_platform.so", "no_such_entry", "no symbol no_such_entry"}}) {
        std::string error;
        EXPECT_EQ(platform::moduleSymbol(c.module, c.symbol, &error), nullptr) << c.module;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(platform::moduleSymbol(c.module, c.symbol), nullptr) << "without a place for the reason";
    }
}
