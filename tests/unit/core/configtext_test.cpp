// SPDX-License-Identifier: MIT
// Text settings through CCore: kept between runs, one line each, and the
// integer settings beside them untouched.

#include "core/ccore.h"

#include "tests/support/temphome.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigTextTest, TextSettingsComeBackAndStayOneLine) {
    const TempHome home;
    const struct {
        const char* name;
        std::string saved;
        std::string read;
    } cases[] = {
        {"list of numbers", "150,180,150", "150,180,150"},
        {"empty", "", ""},
        {"line break cannot make a second key", "1,2\nlastindex=9", "1,2lastindex9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            CCore core;
            core.autoFileConfig();
            core.saveConfigInt("gqts", 30);
            core.saveConfigStr("colwidths", c.saved);
        }
        CCore again;
        again.autoFileConfig();
        EXPECT_EQ(again.getConfigStr("colwidths"), c.read);
        EXPECT_EQ(again.getConfigInt("gqts"), 30);
        EXPECT_EQ(again.getConfigInt("lastindex"), 0);
    }
    CCore core;
    EXPECT_EQ(core.getConfigStr("never-saved"), "");
}

} // namespace
