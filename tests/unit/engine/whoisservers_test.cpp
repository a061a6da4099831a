// SPDX-License-Identifier: MIT
#include "engine/whois/whoisservers.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/domaintable.h"

namespace {

struct SuffixCase {
    const char* name;
    const char* domain;
    const char* expected; // nullptr: no entry matches
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const SuffixCase& c, std::ostream* os) {
    *os << c.name;
}

// Where two suffixes both match, the earlier row of the table decides.
const SuffixCase kSuffixCases[] = {
    {"com", "example.com", ServerComNet},
    {"net", "example.net", ServerComNet},
    {"comCnBeforeCom", "example.com.cn", ServerCn},
    {"netCn", "example.net.cn", ServerCn},
    {"orgCnBeforeOrg", "example.org.cn", ServerCn},
    {"cn", "example.cn", ServerCn},
    {"cnComEndsInCom", "example.cn.com", ServerComNet},
    {"org", "example.org", ServerOrg},
    {"biz", "example.biz", ServerBiz},
    {"edu", "example.edu", ServerEdu},
    {"hk", "example.hk", ServerHk},
    {"netJpNoServer", "example.net.jp", ""},
    {"orgJpNoServer", "example.org.jp", ""},
    {"comJp", "example.com.jp", ServerJp},
    {"coJp", "example.co.jp", ServerJp},
    {"jp", "example.jp", ServerJp},
    {"comSgNoServer", "example.com.sg", ""},
    {"netSgNoServer", "example.net.sg", ""},
    {"orgSgNoServer", "example.org.sg", ""},
    {"eduSgNoEntry", "example.edu.sg", nullptr},
    {"sgNoEntry", "example.sg", nullptr},
    {"cc", "example.cc", ServerCc},
    {"tv", "example.tv", ServerTv},
    {"info", "example.info", ServerInfo},
    {"deNoEntry", "example.de", nullptr},
    {"bareComNoDot", "com", nullptr},
    {"dotCom", ".com", ServerComNet},
    {"suffixMidNameIgnored", "example.com.de", nullptr},
    {"caseSensitive", "EXAMPLE.COM", nullptr},
    {"empty", "", nullptr},
};

class SuffixTable : public testing::TestWithParam<SuffixCase> {};

TEST_P(SuffixTable, FirstMatchingSuffixInTableOrderDecides) {
    const SuffixCase& c = GetParam();
    const char* got = WhoisServerFor(c.domain);
    if (c.expected == nullptr) {
        EXPECT_EQ(got, nullptr);
    } else {
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Domains, SuffixTable, testing::ValuesIn(kSuffixCases),
                         [](const auto& info) { return std::string(info.param.name); });

class AssignServers : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(table.Allocate()); }
    void TearDown() override { table.Release(); }
    DomainTable table;
};

TEST_F(AssignServers, WritesMatchedRowsAndLeavesUnmatchedRowsAsTheyWere) {
    SetField(table.Row(0).domain, "example.com");
    SetField(table.Row(1).domain, "example.de");
    SetField(table.Row(1).whoisServer, "kept.example");
    SetField(table.Row(2).domain, "example.net.jp");
    SetField(table.Row(2).whoisServer, "cleared.example");
    SetField(table.Row(3).domain, "beyond-count.com");
    table.count = 3;

    AssignWhoisServers(table);

    EXPECT_STREQ(table.Row(0).whoisServer, ServerComNet);
    EXPECT_STREQ(table.Row(1).whoisServer, "kept.example");
    EXPECT_STREQ(table.Row(2).whoisServer, "");
    EXPECT_STREQ(table.Row(3).whoisServer, "") << "rows at or above count are not touched";
}

TEST_F(AssignServers, DomainFillingItsWholeFieldIsStillMatched) {
    // 40 bytes: the field's full width, terminator in the 41st byte.
    const std::string domain = std::string(36, 'a') + ".com";
    SetField(table.Row(0).domain, domain);
    table.count = 1;
    AssignWhoisServers(table);
    EXPECT_STREQ(table.Row(0).whoisServer, ServerComNet);
}

} // namespace
