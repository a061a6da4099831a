// SPDX-License-Identifier: MIT
#include "engine/batch/rowquery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "core/ccore.h"
#include "core/text.h"
#include "engine/batch/downhosts.h"
#include "engine/rdap/rdapbootstrap.h"
#include "engine/whois/ianawhois.h"
#include "engine/whois/whoisclient.h"
#include "engine/whois/whoisservers.h"
#include "httpresults.h"
#include "tests/support/offlineregistry.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;

// .com and .sg have RDAP; .sg's names under .com.sg have no port-43 server.
const RdapBootstrap& Bootstrap() {
    static const RdapBootstrap bootstrap =
        *RdapBootstrap::Parse(R"({"version":"1.0","services":[)"
                              R"([["com"],["https://rdap.registry.test/com/v1/"]],)"
                              R"([["sg"],["https://rdap.sg.test/"]]]})");
    return bootstrap;
}

std::string Domain(const std::string& name, const std::string& registrant) {
    return R"({"objectClassName":"domain","ldhName":")" + name +
           R"(","events":[{"eventAction":"expiration","eventDate":"2030-01-02T03:04:05+0000"}],)"
           R"("entities":[{"roles":["registrant"],"vcardArray":["vcard",[["fn",{},"text",")" +
           registrant + R"("]]]}]})";
}

// Scripted questions: the RDAP answer for every URL, the WHOIS answer by
// server; everything asked is recorded.
struct Script {
    RdapHttpResult rdap = Http(404);
    std::map<std::string, std::string> whois; // by server
    std::vector<std::string> asked;           // "rdap URL" / "whois SERVER NAME"

    RowQuestions Questions() {
        RowQuestions questions;
        questions.rdap = [this](const RdapRequest& request) {
            asked.push_back("rdap " + request.url);
            return rdap;
        };
        questions.whois = [this](const std::string& server, const std::string& name, QueryHop) {
            asked.push_back("whois " + server + " " + name);
            const auto found = whois.find(server);
            return found != whois.end() ? found->second : std::string(kMarkerConnect);
        };
        return questions;
    }
};

// The turns the end-to-end batches do not take: no port 43 behind a failed
// RDAP server, IANA itself failing, a suffix the table says has no server.
TEST(RowQuery, RoutesWithoutAFallback) {
    const struct {
        const char* name;
        ProtocolChoice choice;
        const char* domain;
        RdapHttpResult rdap;
        int status;
        QueryProtocol protocol;
        const char* server;
        FailReason reason;
        std::vector<std::string> asked;
    } cases[] = {
        {"rdap down, no port 43",
         ProtocolChoice::Auto,
         "a.com.sg",
         Failed(RdapFailure::TimedOut),
         Error,
         QueryProtocol::Rdap,
         "rdap.sg.test",
         FailReason::TimedOut,
         {"rdap https://rdap.sg.test/domain/a.com.sg"}},
        {"table no-server entry",
         ProtocolChoice::Whois,
         "a.com.sg",
         Http(200),
         NoServer,
         QueryProtocol::None,
         "",
         FailReason::NoServer,
         {}},
        {"iana unreachable",
         ProtocolChoice::Whois,
         "a.io",
         Http(200),
         Error,
         QueryProtocol::Whois,
         ServerIana,
         FailReason::ConnectionRefused,
         {std::string("whois ") + ServerIana + " io"}},
        {"429 is an answer",
         ProtocolChoice::Auto,
         "a.com",
         Http(429),
         Error,
         QueryProtocol::Rdap,
         "rdap.registry.test",
         FailReason::RateLimited,
         {"rdap https://rdap.registry.test/com/v1/domain/a.com"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IanaWhoisDirectory iana("");
        RowQueryContext context;
        context.protocol = c.choice;
        context.bootstrap = &Bootstrap();
        context.iana = &iana;
        Script script; // every WHOIS server, IANA's included, refuses
        script.rdap = c.rdap;
        DomainRecord row{};
        SetField(row.domain, c.domain);
        const RowOutcome outcome = QueryRowByProtocol(row, context, script.Questions());
        EXPECT_EQ(row.status, c.status);
        EXPECT_EQ(outcome.protocol, c.protocol);
        EXPECT_EQ(FieldText(row.whoisServer), c.server);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(script.asked, c.asked);
    }
}

// The server IANA names, from its answer or from the cache, is asked as a
// named registry (public addresses only); the suffix table's as the registry.
TEST(RowQuery, AServerIanaNamedIsAskedAsANamedRegistry) {
    ScratchDir dir;
    WriteBytes(dir.File(kIanaWhoisCacheName), "me whois.nic.me 1799999999\n");
    IanaWhoisDirectory iana(dir.File(kIanaWhoisCacheName),
                            [] { return std::time_t{1'800'000'000}; });
    RowQueryContext context;
    context.protocol = ProtocolChoice::Whois;
    context.iana = &iana;
    std::vector<std::pair<std::string, QueryHop>> asked;
    RowQuestions questions;
    questions.whois = [&](const std::string& server, const std::string&, QueryHop hop) {
        asked.emplace_back(server, hop);
        return server == ServerIana ? IanaAnswer("IO", "", "whois.nic.io")
                                    : std::string("Domain Name: A\r\n");
    };
    for (const char* domain : {"a.io", "a.me", "a.com"}) {
        DomainRecord row{};
        SetField(row.domain, domain);
        (void)QueryRowByProtocol(row, context, questions);
    }
    const std::vector<std::pair<std::string, QueryHop>> expected = {
        {ServerIana, QueryHop::Registry},
        {"whois.nic.io", QueryHop::NamedRegistry},
        {"whois.nic.me", QueryHop::NamedRegistry}, // from the cache
        {ServerComNet, QueryHop::Registry},
    };
    EXPECT_EQ(asked, expected);
}

// A server name longer than the row's column is asked whole, reads by the
// recipe of its whole name and is reported whole; the column shows it cut.
TEST(RowQuery, AServerLongerThanTheColumnIsAskedWhole) {
    const std::string longName = "whois.registry-with-a-name-longer-than-the-column.example";
    ASSERT_GE(longName.size(), sizeof(DomainRecord::whoisServer));
    ScratchDir dir;
    WriteBytes(dir.File(kIanaWhoisCacheName), "me " + longName + " 1799999999\n");
    IanaWhoisDirectory iana(dir.File(kIanaWhoisCacheName),
                            [] { return std::time_t{1'800'000'000}; });
    RowQueryContext context;
    context.protocol = ProtocolChoice::Whois;
    context.iana = &iana;
    const std::string registrarAnswer =
        "Domain Name: A.ME\r\nRegistrar: Registrar Inc.\r\n" + std::string(200, '%') + "\r\n";
    Script script;
    script.whois = {{longName, "Domain Name: A.ME\r\nRegistrar WHOIS Server: whois.rr.example\r\n"
                               "Creation Date: 2001-02-03\r\n"},
                    {"whois.rr.example", registrarAnswer}};
    DomainRecord row{};
    SetField(row.domain, "a.me");
    const RowOutcome outcome = QueryRowByProtocol(row, context, script.Questions());
    EXPECT_EQ(script.asked, (std::vector<std::string>{"whois " + longName + " a.me",
                                                      "whois whois.rr.example a.me"}));
    EXPECT_EQ(row.status, Found);
    EXPECT_EQ(outcome.values.created, "2001-02-03") << "the common labels' recipe";
    EXPECT_EQ(outcome.values.registrar, "Registrar Inc.");
    EXPECT_EQ(outcome.server, "whois.rr.example");
    EXPECT_EQ(outcome.otherServer, longName);
    EXPECT_EQ(FieldText(row.whoisServer), longName.substr(0, sizeof row.whoisServer - 1));
}

TEST(RowQuery, RdapValuesAreStoredAsTheRecipesStoreTheirs) {
    IanaWhoisDirectory iana("");
    RowQueryContext context;
    context.bootstrap = &Bootstrap();
    context.iana = &iana;
    const struct {
        const char* name;
        std::string registrant;
        std::string owner; // GBK
    } cases[] = {
        {"UTF-8 becomes GBK", "\xe4\xb8\xad\xe6\x96\x87 Ltd", "\xd6\xd0\xce\xc4 Ltd"},
        {"redaction text is empty", "REDACTED FOR PRIVACY", ""},
        {"privacy service is a value", "Withheld for Privacy ehf", "Withheld for Privacy ehf"},
        {"blanks and carets cleaned", "  Ada ^ Lovelace  ", "Ada Lovelace"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.rdap = Http(200, Domain("A.COM", c.registrant));
        DomainRecord row{};
        SetField(row.domain, "a.com");
        SetField(row.owner, "left over");
        (void)QueryRowByProtocol(row, context, script.Questions());
        EXPECT_EQ(row.status, Found);
        EXPECT_EQ(FieldText(row.owner), c.owner);
        EXPECT_EQ(FieldText(row.expiryDate), "2030-01-02");
        EXPECT_EQ(row.answered, 1);
    }
}

TEST(RowQuery, RdapValuesStayWholeInTheOutcome) {
    IanaWhoisDirectory iana("");
    RowQueryContext context;
    context.bootstrap = &Bootstrap();
    context.iana = &iana;
    const std::string owner = "บริษัท ท่าเรือ จำกัด";
    for (const std::size_t bytes : {std::size_t{64}, std::size_t{200}}) {
        SCOPED_TRACE(bytes);
        const std::string email = std::string(bytes - 12, 'r') + "@harbor.test";
        Script script;
        script.rdap =
            Http(200, R"({"objectClassName":"domain","ldhName":"A.COM","events":[{"eventAction":)"
                      R"("expiration","eventDate":"2030-01-02T03:04:05Z"}],"entities":[{"roles":)"
                      R"(["registrant"],"vcardArray":["vcard",[["fn",{},"text",")" +
                          owner + R"("],["email",{},"text",")" + email + R"("]]]}]})");
        DomainRecord row{};
        SetField(row.domain, "a.com");
        const RowOutcome outcome = QueryRowByProtocol(row, context, script.Questions());
        EXPECT_EQ(row.status, Found);
        EXPECT_EQ(outcome.server, "rdap.registry.test");
        EXPECT_EQ(outcome.values.owner, owner);
        EXPECT_EQ(outcome.values.email, email);
        EXPECT_EQ(outcome.values.expiry, "2030-01-02");
        EXPECT_EQ(FieldText(row.email), email.substr(0, sizeof row.email - 1));
        EXPECT_EQ(FieldText(row.owner).find_first_not_of("? "), std::string_view::npos);
    }
}

TEST(RowQuery, FirstQuestionNamesTheLaneOfTheRow) {
    IanaWhoisDirectory iana("", [] { return std::time_t{1'800'000'000}; });
    RowQueryContext context;
    context.bootstrap = &Bootstrap();
    context.iana = &iana;
    // IANA has named .io's server once; .me is still unknown.
    Script script;
    script.whois = {{ServerIana, IanaAnswer("IO", "", "whois.nic.io")}};
    ASSERT_TRUE(iana.ServerFor("io", script.Questions().whois).ok);

    const struct {
        const char* name;
        ProtocolChoice choice;
        const char* domain;
        const char* host;
        const char* group;
    } cases[] = {
        {"rdap host", ProtocolChoice::Auto, "a.com", "rdap.registry.test", ""},
        {"table server", ProtocolChoice::Whois, "a.com", ServerComNet, ""},
        {"known iana server", ProtocolChoice::Auto, "a.io", "whois.nic.io", ""},
        {"unknown: a group per TLD", ProtocolChoice::Auto, "a.me", "", "iana:me"},
        {"no server", ProtocolChoice::Rdap, "a.cn", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context.protocol = c.choice;
        DomainRecord row{};
        SetField(row.domain, c.domain);
        const FirstQuestion first = FirstQuestionOf(row, context);
        EXPECT_EQ(first.host, c.host);
        EXPECT_EQ(first.group, c.group);
    }
}

TEST(DownHosts, RememberedForAWhileWithoutRegardToCase) {
    using Clock = DownHosts<int>::Clock;
    DownHosts<int> down(5min);
    const Clock::time_point start = Clock::now();
    down.MarkDown("RDAP.Example.test", 7, start);
    EXPECT_EQ(down.Find("rdap.example.test", start + 1min), 7);
    EXPECT_FALSE(down.Find("other.example.test", start).has_value());
    EXPECT_FALSE(down.Find("rdap.example.test", start + 5min).has_value())
        << "after the memory the host is tried again";
}

} // namespace
