// SPDX-License-Identifier: MIT
#include "engine/batch/protocolplan.h"

#include <gtest/gtest.h>

#include "engine/rdap/rdapbootstrap.h"
#include "engine/whois/whoisservers.h"

namespace {

constexpr const char* kBootstrap = R"({"services": [
    [["com", "net"], ["https://rdap.gtld.test/"]],
    [["sg"], ["https://rdap.sg.test/"]],
    [["io"], ["https://rdap.io.test/"]],
    [["kg", "cn"], ["http://rdap.plain.test/"]]
]})";

TEST(ProtocolPlan, EachChoiceAsksTheRightServers) {
    const auto bootstrap = RdapBootstrap::Parse(kBootstrap);
    ASSERT_TRUE(bootstrap);
    using enum ProtocolChoice;
    const struct {
        ProtocolChoice choice;
        const char* domain;
        const char* rdap;
        WhoisRoute whois;
        const char* whoisServer;
    } cases[] = {
        // auto: RDAP where the bootstrap lists the TLD, port 43 as the fallback.
        {Auto, "example.com", "https://rdap.gtld.test/", WhoisRoute::Table, ServerComNet},
        {Auto, "example.io", "https://rdap.io.test/", WhoisRoute::Iana, ""},
        {Auto, "example.cn", "", WhoisRoute::Table, ServerCn},
        {Auto, "example.com.cn", "", WhoisRoute::Table, ServerCn},
        {Auto, "example.de", "", WhoisRoute::Iana, ""},
        // A plain-HTTP service is skipped: port 43 instead.
        {Auto, "example.kg", "", WhoisRoute::Iana, ""},
        {Rdap, "example.kg", "", WhoisRoute::None, ""},
        // The table's no-server entries keep meaning no port-43 server.
        {Auto, "example.com.sg", "https://rdap.sg.test/", WhoisRoute::None, ""},
        {Auto, "example.net.jp", "", WhoisRoute::None, ""},
        // whois: port 43 only; the table first, else IANA.
        {Whois, "example.com", "", WhoisRoute::Table, ServerComNet},
        {Whois, "example.io", "", WhoisRoute::Iana, ""},
        {Whois, "example.com.sg", "", WhoisRoute::None, ""},
        // rdap: RDAP only; a TLD without RDAP has no server.
        {Rdap, "example.com", "https://rdap.gtld.test/", WhoisRoute::None, ""},
        {Rdap, "example.cn", "", WhoisRoute::None, ""},
        {Rdap, "example.de", "", WhoisRoute::None, ""},
        // A name without a TLD has no server at all.
        {Auto, "localhost", "", WhoisRoute::None, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.domain) + " choice " +
                     std::to_string(static_cast<int>(c.choice)));
        const ProtocolPlan plan = PlanProtocol(c.choice, c.domain, &*bootstrap);
        EXPECT_EQ(plan.rdapBaseUrl, c.rdap);
        EXPECT_EQ(plan.whois, c.whois);
        EXPECT_EQ(plan.whoisServer, c.whoisServer);
        EXPECT_EQ(plan.hasServer(), *c.rdap != '\0' || c.whois != WhoisRoute::None);
    }
}

TEST(ProtocolPlan, WithoutABootstrapAutoIsPort43) {
    const ProtocolPlan plan = PlanProtocol(ProtocolChoice::Auto, "example.com", nullptr);
    EXPECT_FALSE(plan.asksRdap());
    EXPECT_EQ(plan.whois, WhoisRoute::Table);
    EXPECT_FALSE(PlanProtocol(ProtocolChoice::Rdap, "example.com", nullptr).hasServer());
}

TEST(ProtocolPlan, TopLevelLabel) {
    EXPECT_EQ(TopLevelLabel("example.IO"), "io");
    EXPECT_EQ(TopLevelLabel("a.b.xn--p1ai."), "xn--p1ai");
    EXPECT_EQ(TopLevelLabel("localhost"), "");
    EXPECT_EQ(TopLevelLabel("example."), "");
    EXPECT_EQ(TopLevelLabel(""), "");
}

} // namespace
