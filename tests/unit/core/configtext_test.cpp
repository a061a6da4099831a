// SPDX-License-Identifier: MIT
// Text settings through CCore: kept between runs, one line each, and the
// integer settings beside them untouched.

#include "core/ccore.h"

#include "tests/support/temphome.h"
#include "tests/support/textcases.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigTextTest, TextSettingsComeBackAndStayOneLine) {
    const TempHome home;
    // The text saved and the text read back.
    const TextCase cases[] = {
        {"list of numbers", "150,180,150", "150,180,150"},
        {"empty", "", ""},
        {"line break cannot make a second key", "1,2\nlastindex=9", "1,2lastindex9"},
    };
    ExpectEachGives(cases, [](const std::string& saved) {
        {
            CCore core;
            core.autoFileConfig();
            core.saveConfigInt("gqts", 30);
            core.saveConfigStr("colwidths", saved);
        }
        CCore again;
        again.autoFileConfig();
        EXPECT_EQ(again.getConfigInt("gqts"), 30);
        EXPECT_EQ(again.getConfigInt("lastindex"), 0);
        return again.getConfigStr("colwidths");
    });
    CCore core;
    EXPECT_EQ(core.getConfigStr("never-saved"), "");
}

} // namespace
