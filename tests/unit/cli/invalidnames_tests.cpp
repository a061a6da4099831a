// SPDX-License-Identifier: MIT
// Names that are no host name never reach a server or the output of
// zentrix-batch; its summary counts them.

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

#include "childprocess.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

TEST(InvalidNamesBatchTest, SkippedCountedAndNeverAsked) {
    ScratchDir dir;
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer("No match for \"X\".\r\n"));
    WriteBytes(dir.File("names.txt"), "a b.com\r\n=1+1.com\r\nx?y.com\r\nunder_score.com\r\n"
                                      "https://www.glowww.com/\r\n-dash.com\r\n");
    ChildProcess::Setup setup;
    setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois",
                  "--connect-to=" + server.ConnectToFor(FakeWhoisServer::AllEndpoints()),
                  dir.File("names.txt")};
    setup.env = {{"ZENTRIX_HOME", dir.path().string()}};
    ChildProcess child(setup);
    ASSERT_TRUE(child.WaitForExit(30s));

    EXPECT_EQ(child.exitCode(), 0) << child.err();
    EXPECT_EQ(child.out(), "\"whois.verisign-grs.com\",\"glowww.com\",\"\xD3\xF2\xC3\xFB\xCE\xB4"
                           "\xD7\xA2\xB2\xE1\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
    EXPECT_THAT(child.err(), HasSubstr("; 5 names skipped ("));
    EXPECT_THAT(child.err(), HasSubstr(", 5 invalid)"));
    ASSERT_EQ(server.ReceivedBytes().size(), 1U);
    EXPECT_EQ(server.ReceivedBytes()[0], "glowww.com\r\n");
}

} // namespace
