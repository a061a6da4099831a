// SPDX-License-Identifier: MIT
#include "engine/net/connectto.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using testing::HasSubstr;

// Sets ZENTRIX_CONNECT_TO for one test and restores it afterwards.
class ConnectToVariable {
public:
    explicit ConnectToVariable(const char* value) {
        if (const char* old = std::getenv("ZENTRIX_CONNECT_TO")) {
            m_previous = old;
        }
        ::setenv("ZENTRIX_CONNECT_TO", value, 1);
    }
    ~ConnectToVariable() {
        if (m_previous) {
            ::setenv("ZENTRIX_CONNECT_TO", m_previous->c_str(), 1);
        } else {
            ::unsetenv("ZENTRIX_CONNECT_TO");
        }
    }
    ConnectToVariable(const ConnectToVariable&) = delete;
    ConnectToVariable& operator=(const ConnectToVariable&) = delete;

private:
    std::optional<std::string> m_previous;
};

TEST(ReadConnectToEnvironmentTest, NamesEveryBadEntryAndKeepsTheGoodOnes) {
    const ConnectToVariable variable("whois.a=127.0.0.1:4343,broken,whois.b=127.0.0.2:43,"
                                     "whois.c=127.0.0.1:x,whois.d=localhost:43,"
                                     "bad host=127.0.0.1:43,=127.0.0.1:43,whois.e=127.0.0.1:0");
    const ConnectToSetting setting = ReadConnectToEnvironment();
    ASSERT_EQ(setting.overrides.size(), 2U);
    EXPECT_EQ(setting.overrides[0], (ConnectOverride{"whois.a", "127.0.0.1", 4343}));
    EXPECT_EQ(setting.overrides[1], (ConnectOverride{"whois.b", "127.0.0.2", 43}));
    ASSERT_EQ(setting.errors.size(), 6U);
    EXPECT_THAT(setting.errors[0], HasSubstr("\"broken\""));
    EXPECT_THAT(setting.errors[1], HasSubstr("bad port \"x\" in \"whois.c=127.0.0.1:x\""));
    EXPECT_THAT(setting.errors[2], HasSubstr("\"localhost\" in \"whois.d=localhost:43\""));
    EXPECT_THAT(setting.errors[3], HasSubstr("not a host name: \"bad host\""));
    EXPECT_THAT(setting.errors[4], HasSubstr("empty host name in \"=127.0.0.1:43\""));
    EXPECT_THAT(setting.errors[5], HasSubstr("\"whois.e=127.0.0.1:0\""));
}

// Lab hosts may have one label or an "_"; the rest is the host-name rule.
TEST(ParseConnectToTest, HostNamesOfOneLabelOrWithUnderscoresAreMapped) {
    std::vector<ConnectOverride> out;
    EXPECT_TRUE(ParseConnectTo("fake_whois=127.0.0.1:4343,rdap.lab_1.test=[::1]:443", out));
    ASSERT_EQ(out.size(), 2U);
    EXPECT_EQ(out[0].host, "fake_whois");
    std::string error;
    for (const char* bad : {"a..b=127.0.0.1:43", "-lab=127.0.0.1:43", "a.b.=127.0.0.1:43"}) {
        EXPECT_FALSE(ParseConnectTo(bad, out, &error)) << bad;
        EXPECT_THAT(error, HasSubstr("not a host name")) << bad;
    }
}

TEST(ReadConnectToEnvironmentTest, ControlBytesAreNotEchoed) {
    const ConnectToVariable variable("wh\x1b[2Jois=127.0.0.1:43");
    const ConnectToSetting setting = ReadConnectToEnvironment();
    ASSERT_EQ(setting.errors.size(), 1U);
    EXPECT_EQ(setting.errors[0].find('\x1b'), std::string::npos);
}

TEST(ReadConnectToEnvironmentTest, UnsetOrEmptyHoldsNothing) {
    {
        const ConnectToVariable variable(" , ,");
        const ConnectToSetting setting = ReadConnectToEnvironment();
        EXPECT_TRUE(setting.overrides.empty());
        EXPECT_TRUE(setting.errors.empty());
    }
    ::unsetenv("ZENTRIX_CONNECT_TO");
    EXPECT_TRUE(ReadConnectToEnvironment().errors.empty());
}

} // namespace
