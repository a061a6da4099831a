// SPDX-License-Identifier: MIT
// zentrix-batch run by a user without any home folder: it says so and
// stops, instead of keeping the user's files in a shared temporary folder.

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "childprocess.h"
#include "cli/batchprogram.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

constexpr const char* kSetpriv = "/usr/bin/setpriv";

// Root of the machine, not of a user namespace (as test.sh's loopback-only
// one is without root), where no other user can be switched to.
bool MachineRoot() {
    std::ifstream map("/proc/self/uid_map");
    std::string inside;
    std::string outside;
    std::string count;
    return ::geteuid() == 0 && (map >> inside >> outside >> count) && inside == "0" &&
           outside == "0" && count == "4294967295";
}

TEST(DataFolder, WithoutAnyHomeTheBatchSaysSoAndStops) {
    // A user with no password entry can only be had by switching to one.
    if (!MachineRoot() || ::access(kSetpriv, X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to run as a user without a password entry";
    }
    uid_t uid = 54321;
    while (::getpwuid(uid) != nullptr) {
        ++uid;
    }
    const std::string id = std::to_string(uid);
    for (const auto& env :
         {std::map<std::string, std::string>{},
          std::map<std::string, std::string>{{"HOME", ""}, {"XDG_DATA_HOME", "relative"}}}) {
        ChildProcess::Setup setup;
        setup.args = {
            kSetpriv,           "--reuid=" + id, "--regid=" + id,         "--clear-groups",
            ZENTRIX_BATCH_PATH, "--quiet",       "/nonexistent/names.txt"};
        setup.env = env;
        ChildProcess child(setup);
        ASSERT_TRUE(child.WaitForExit(30s));
        EXPECT_EQ(child.exitCode(), kExitFailure);
        EXPECT_THAT(child.err(), HasSubstr("zentrix-batch: no folder for the program's data"));
        EXPECT_THAT(child.err(), HasSubstr("ZENTRIX_HOME"));
        EXPECT_THAT(child.err(), testing::Not(HasSubstr("names.txt"))) << "stopped first";
        EXPECT_EQ(child.out(), "");
    }
}

} // namespace
