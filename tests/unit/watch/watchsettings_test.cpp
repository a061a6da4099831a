// SPDX-License-Identifier: MIT
// The watch's settings in zentrix.ini, through the core's configuration.

#include "core/ccore.h"
#include "watch/watchsettings.h"

#include <gtest/gtest.h>

#include "tests/support/temphome.h"

namespace {

struct WatchSettingsTest : ::testing::Test {
    TempHome home;
    std::unique_ptr<CCore> core = Open();

    static std::unique_ptr<CCore> Open() {
        auto core = std::make_unique<CCore>();
        core->autoFileConfig();
        return core;
    }
    // What the next start reads.
    void Reopen() {
        ASSERT_TRUE(core->flushConfig());
        core.reset();
        core = Open();
    }
};

TEST_F(WatchSettingsTest, DefaultsWhenNothingWasSaved) {
    const WatchSettings settings = LoadWatchSettings(*core);
    EXPECT_FALSE(settings.enabled);
    EXPECT_EQ(settings.everyDays, 7);
    EXPECT_EQ(settings.alertDays, 30);
    EXPECT_EQ(settings.lastCheck, 0);
}

TEST_F(WatchSettingsTest, AlertDaysDefaultToTheRedDisplayDaysOnlyWhileItIsOn) {
    core->saveConfigInt("gqts", 45);
    EXPECT_EQ(LoadWatchSettings(*core).alertDays, 30);
    core->saveConfigB("chkgq", true);
    EXPECT_EQ(LoadWatchSettings(*core).alertDays, 45);
    core->saveConfigInt("gqts", 0); // red display on without days
    EXPECT_EQ(LoadWatchSettings(*core).alertDays, 30);
    core->saveConfigInt("watchalertdays", 12); // saved days win
    core->saveConfigInt("gqts", 45);
    EXPECT_EQ(LoadWatchSettings(*core).alertDays, 12);
}

TEST_F(WatchSettingsTest, SavedSettingsComeBackAtTheNextStart) {
    const std::int64_t after2038 = 4102444800; // 2100-01-01
    SaveWatchSettings(*core, WatchSettings{true, 14, 60, after2038});
    Reopen();
    const WatchSettings settings = LoadWatchSettings(*core);
    EXPECT_TRUE(settings.enabled);
    EXPECT_EQ(settings.everyDays, 14);
    EXPECT_EQ(settings.alertDays, 60);
    EXPECT_EQ(settings.lastCheck, after2038);
}

TEST_F(WatchSettingsTest, ValuesOutsideTheirRangesAreBroughtInside) {
    core->saveConfigInt("watchdays", 200);
    core->saveConfigInt("watchalertdays", -5);
    core->saveConfigStr("watchlast", "soon");
    WatchSettings settings = LoadWatchSettings(*core);
    EXPECT_EQ(settings.everyDays, 90);
    EXPECT_EQ(settings.alertDays, 1);
    EXPECT_EQ(settings.lastCheck, 0);
    core->saveConfigInt("watchdays", -1);
    EXPECT_EQ(LoadWatchSettings(*core).everyDays, 1);
}

TEST_F(WatchSettingsTest, APendingAlertSurvivesARestartInChineseAndIsCleared) {
    SavePendingAlert(*core, "3 个域名将在 30 天内到期，1 个域名已释放");
    Reopen();
    EXPECT_EQ(LoadPendingAlert(*core), "3 个域名将在 30 天内到期，1 个域名已释放");
    SavePendingAlert(*core, "");
    Reopen();
    EXPECT_EQ(LoadPendingAlert(*core), "");
}

} // namespace
