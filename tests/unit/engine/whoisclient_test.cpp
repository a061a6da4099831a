// SPDX-License-Identifier: MIT
#include "engine/whois/whoisclient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/failreason.h"
#include "engine/net/hostlookup.h"
#include "tests/support/deadport.h"
#include "tests/support/fakewhoisserver.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 10s;

class WhoisClient : public testing::Test {
protected:
    // Asks the fake server as the host "whois.test.example".
    std::string Ask(const std::string& domain) {
        return WhoisQuery("whois.test.example", domain, options, &stop);
    }

    FakeWhoisServer server;
    WhoisClientOptions options{.connectTo = server.OverridesFor({"whois.test.example"})};
    std::atomic<bool> stop{false};
};

TEST_F(WhoisClient, SendsExactlyTheDomainAndCrLf) {
    server.SetScript("abc.com", FakeWhoisScript::Answer("ok\r\n"));
    EXPECT_EQ(Ask("abc.com"), "ok\r\n");
    ASSERT_TRUE(server.WaitForFinishedConnections(1, kDeadline));
    const auto received = server.ReceivedBytes();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], "abc.com\r\n");
    EXPECT_EQ(received[0].size(), 9u);
}

struct AnswerCase {
    const char* name;
    FakeWhoisScript script;
    std::string expected;
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

std::string LongAnswer() {
    std::string text;
    for (int line = 0; text.size() < 200'000; ++line) {
        text += "Line " + std::to_string(line) + ": value\r\n";
    }
    return text;
}

const AnswerCase kAnswerCases[] = {
    {"closedAtOnceIsEmptyAnswer", FakeWhoisScript::CloseAtOnce(), ""},
    {"lineEndsKept", FakeWhoisScript::Answer("A: 1\r\nB: 2\nC: 3\r"), "A: 1\r\nB: 2\nC: 3\r"},
    {"partialThenResetKeepsPart", FakeWhoisScript::PartialThenReset("Domain Name: PART"),
     "Domain Name: PART"},
    {"longAnswerWhole", FakeWhoisScript::Answer(LongAnswer()), LongAnswer()},
    {"drippedAnswerWhole", FakeWhoisScript::Drip("dripped in small pieces\r\n", 3, 1),
     "dripped in small pieces\r\n"},
    {"nulBytesDropped", FakeWhoisScript::Answer(std::string("ab\0cd\0\0e", 8)), "abcde"},
    {"gbkBytesUnchanged", FakeWhoisScript::Answer("\xD6\xD0\xCE\xC4\r\n"), "\xD6\xD0\xCE\xC4\r\n"},
};

class WhoisClientAnswers : public WhoisClient, public testing::WithParamInterface<AnswerCase> {};

TEST_P(WhoisClientAnswers, ReturnsTheBytesReceived) {
    server.SetDefaultScript(GetParam().script);
    EXPECT_EQ(Ask("example.com"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Shapes, WhoisClientAnswers, testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WhoisClient, AnswerIsCappedAtOneMebibyte) {
    const std::size_t cap = std::size_t{1} << 20;
    std::string huge(cap + 4096, 'x');
    huge[cap - 1] = 'L';
    server.SetDefaultScript(FakeWhoisScript::Answer(huge));
    const std::string answer = Ask("example.com");
    ASSERT_EQ(answer.size(), cap);
    EXPECT_EQ(answer.back(), 'L');
}

TEST_F(WhoisClient, DottedAddressIsUsedDirectly) {
    server.SetDefaultScript(FakeWhoisScript::Answer("direct"));
    WhoisClientOptions direct;
    direct.port = server.port();
    EXPECT_EQ(WhoisQuery("127.0.0.1", "example.com", direct), "direct");
}

TEST_F(WhoisClient, HostNameIsLookedUp) {
    server.SetDefaultScript(FakeWhoisScript::Answer("by name"));
    WhoisClientOptions byName;
    byName.port = server.port();
    EXPECT_EQ(WhoisQuery("localhost", "example.com", byName), "by name");
}

TEST_F(WhoisClient, OverrideMatchesHostNameWhateverItsCase) {
    server.SetDefaultScript(FakeWhoisScript::Answer("redirected"));
    EXPECT_EQ(WhoisQuery("WHOIS.Test.Example", "example.com", options), "redirected");
}

TEST_F(WhoisClient, EmptyHostFailsWithoutTouchingTheNetwork) {
    WhoisClientOptions local;
    local.port = server.port(); // were the empty name taken for this machine, it would land here
    EXPECT_EQ(WhoisQuery("", "example.com", local), kMarkerConnect);
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

TEST_F(WhoisClient, HostOfMoreThan127BytesIsRefused) {
    server.SetDefaultScript(FakeWhoisScript::Answer("reached"));
    const std::string longest = std::string(115, 'h') + ".example.net"; // 127 bytes
    const std::string tooLong = longest + "t";
    options.connectTo = server.OverridesFor({longest, tooLong});
    EXPECT_EQ(WhoisQuery(longest, "example.com", options), "reached");
    EXPECT_EQ(WhoisQuery(tooLong, "example.com", options), kMarkerInvalidAddr);
    EXPECT_EQ(server.ConnectionCount(), 1u);
}

TEST_F(WhoisClient, RefusedConnectionIsErrConnect) {
    const DeadPort dead;
    ASSERT_NE(dead.port(), 0);
    WhoisClientOptions refused;
    refused.port = dead.port();
    EXPECT_EQ(WhoisQuery("127.0.0.1", "example.com", refused), kMarkerConnect);
}

TEST_F(WhoisClient, StallBeforeFirstByteIsErrTimeout) {
    server.SetDefaultScript(FakeWhoisScript::Stall());
    options.idleTimeoutMs = 200;
    EXPECT_EQ(Ask("example.com"), kMarkerTimeout);
}

// A stall after some text is a time-out, not an answer: the text is kept
// with it, to be shown.
TEST_F(WhoisClient, StallAfterSomeBytesIsACutOffAnswer) {
    // Five bytes, then the next piece only after the client has given up.
    server.SetDefaultScript(FakeWhoisScript::Drip("first second", 5, 60'000));
    options.idleTimeoutMs = 1'000; // room for a loaded machine to deliver the first piece
    const std::string result = Ask("example.com");
    EXPECT_TRUE(IsFailureMarker(result));
    EXPECT_EQ(MarkerOf(result), kMarkerTimeout);
    EXPECT_EQ(CutOffText(result), "first");
}

TEST_F(WhoisClient, WholeQueryTimeOutEndsASteadyDrip) {
    server.SetDefaultScript(FakeWhoisScript::Drip(std::string(100'000, 'd'), 1, 20));
    options.idleTimeoutMs = 5'000;
    options.totalTimeoutMs = 1'000;
    const std::string result = Ask("example.com");
    EXPECT_EQ(MarkerOf(result), kMarkerTimeout);
    const std::string_view text = CutOffText(result);
    EXPECT_FALSE(text.empty());
    EXPECT_LT(text.size(), 100'000u);
    EXPECT_EQ(text.find_first_not_of('d'), std::string::npos);
}

TEST_F(WhoisClient, StopRequestReachesAStalledQuery) {
    server.SetDefaultScript(FakeWhoisScript::Stall());
    auto query = std::async(std::launch::async, [this] { return Ask("example.com"); });
    ASSERT_TRUE(server.WaitForRequests(1, kDeadline));
    const auto stoppedAt = std::chrono::steady_clock::now();
    stop = true;
    // Generous bound: the client looks at the flag at least every 250 ms.
    ASSERT_EQ(query.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(query.get(), kMarkerTimeout);
    RecordProperty("stopLatencyMs",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - stoppedAt)
                                        .count()));
}

// A resolver that knows a few names, counting how often it is asked.
HostResolver Resolver(std::map<std::string, std::vector<std::string>> names) {
    return [names = std::move(names)](const std::string& host, std::vector<HostAddress>& out) {
        const auto found = names.find(host);
        if (found == names.end()) {
            return LookupResult::NotFound;
        }
        for (const std::string& text : found->second) {
            HostAddress address;
            EXPECT_TRUE(ParseAddressLiteral(text, address)) << text;
            out.push_back(address);
        }
        return LookupResult::Found;
    };
}

TEST_F(WhoisClient, EveryAddressOfAHostIsTriedInTurn) {
    server.SetDefaultScript(FakeWhoisScript::Answer("reached"));
    // Nothing listens on [::1] at the server's port: that connection is refused.
    HostLookupCache lookups(
        Resolver({{"multi.example", {"::1", "127.0.0.1"}}, {"dead.example", {"::1"}}}));
    WhoisClientOptions byName;
    byName.port = server.port();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(WhoisQuery("multi.example", "example.com", byName, &stop, &lookups), "reached");
    }
    EXPECT_EQ(WhoisQuery("dead.example", "example.com", byName, &stop, &lookups), kMarkerConnect);
    EXPECT_EQ(WhoisQuery("unknown.example", "example.com", byName, &stop, &lookups),
              kMarkerInvalidAddr);
    EXPECT_EQ(WhoisQuery("UNKNOWN.example", "example.com", byName, &stop, &lookups),
              kMarkerInvalidAddr);
    EXPECT_EQ(lookups.ResolverCalls(), 3) << "each host is looked up once, whatever its case";
    EXPECT_EQ(server.ConnectionCount(), 3u);
}

TEST_F(WhoisClient, IPv6ServerThroughConnectToAndAsALiteral) {
    FakeWhoisServer six(FakeWhoisServer::Family::IPv6);
    six.SetDefaultScript(FakeWhoisScript::Answer("over IPv6"));
    std::vector<ConnectOverride> overrides;
    ASSERT_TRUE(ParseConnectTo(six.ConnectToFor({"whois.six.example"}), overrides));
    ASSERT_EQ(overrides.size(), 1u);
    EXPECT_EQ(overrides[0].address, "::1");
    WhoisClientOptions mapped;
    mapped.connectTo = overrides;
    EXPECT_EQ(WhoisQuery("whois.six.example", "example.com", mapped), "over IPv6");

    WhoisClientOptions literal;
    literal.port = six.port();
    EXPECT_EQ(WhoisQuery("::1", "example.com", literal), "over IPv6");
    ASSERT_TRUE(six.WaitForFinishedConnections(2, kDeadline));
    EXPECT_EQ(six.ReceivedBytes()[0], "example.com\r\n");
}

// A host named by an answer may not lead into this machine or its network;
// a host that connect-to maps is asked wherever the mapping says.
TEST_F(WhoisClient, PublicAddressesOnlyRefusesLocalTargets) {
    server.SetDefaultScript(FakeWhoisScript::Answer("reached"));
    HostLookupCache lookups(Resolver({{"sneaky.example", {"127.0.0.1", "::1"}}}));
    WhoisClientOptions referral;
    referral.port = server.port();
    referral.publicAddressesOnly = true;
    for (const char* host : {"sneaky.example", "127.0.0.1", "::ffff:127.0.0.1"}) {
        SCOPED_TRACE(host);
        EXPECT_EQ(WhoisQuery(host, "example.com", referral, &stop, &lookups),
                  kMarkerAddressRefused);
    }
    // Through the system's resolver, without a cache.
    EXPECT_EQ(WhoisQuery("localhost", "example.com", referral, &stop), kMarkerAddressRefused);
    EXPECT_EQ(server.ConnectionCount(), 0u);

    referral.connectTo = server.OverridesFor({"sneaky.example"});
    EXPECT_EQ(WhoisQuery("sneaky.example", "example.com", referral, &stop, &lookups), "reached");
}

TEST(HostLookupCacheTest, InterruptedLookUpIsAskedAgain) {
    int calls = 0;
    HostLookupCache lookups([&](const std::string&, std::vector<HostAddress>& out) {
        if (++calls == 1) {
            return LookupResult::Interrupted;
        }
        HostAddress address;
        EXPECT_TRUE(ParseAddressLiteral("127.0.0.1", address));
        out.push_back(address);
        return LookupResult::Found;
    });
    std::vector<HostAddress> out;
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    EXPECT_EQ(lookups.Lookup("a.example", out, deadline, nullptr), LookupResult::Interrupted);
    EXPECT_EQ(lookups.Lookup("a.example", out, deadline, nullptr), LookupResult::Found);
    EXPECT_EQ(lookups.Lookup("a.example", out, deadline, nullptr), LookupResult::Found);
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].family(), AF_INET);
}

// No name server answering (EAI_AGAIN) is no answer about the name, but no
// time-out either: the host cannot be resolved.
TEST(HostLookupCacheTest, ResolverCodesMeanWhatTheySay) {
    EXPECT_EQ(LookupResultForCode(0, true), LookupResult::Found);
    EXPECT_EQ(LookupResultForCode(0, false), LookupResult::NotFound);
    EXPECT_EQ(LookupResultForCode(EAI_NONAME, false), LookupResult::NotFound);
    EXPECT_EQ(LookupResultForCode(EAI_FAIL, false), LookupResult::NotFound);
    EXPECT_EQ(LookupResultForCode(EAI_AGAIN, false), LookupResult::Unanswered);
}

TEST(HostLookupCacheTest, UnansweredLookUpCannotResolveTheHostAndIsAskedAgain) {
    int calls = 0;
    HostLookupCache lookups([&](const std::string&, std::vector<HostAddress>&) {
        ++calls;
        return LookupResult::Unanswered;
    });
    std::atomic<bool> stop{false};
    for (int query = 0; query < 2; ++query) {
        const std::string result =
            WhoisQuery("whois.registry.example", "example.com", {}, &stop, &lookups);
        EXPECT_EQ(result, kMarkerInvalidAddr);
        EXPECT_EQ(FailReasonForMarker(result), FailReason::ResolveFailed);
    }
    EXPECT_EQ(calls, 2) << "a network that comes back is used";
}

TEST(HostLookupCacheTest, CallersForOneHostShareOneLookUp) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> calls{0};
    HostLookupCache lookups([&](const std::string&, std::vector<HostAddress>& out) {
        ++calls;
        released.wait();
        HostAddress address;
        EXPECT_TRUE(ParseAddressLiteral("::1", address));
        out.push_back(address);
        return LookupResult::Found;
    });
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    std::vector<std::future<LookupResult>> askers;
    for (int i = 0; i < 4; ++i) {
        askers.push_back(std::async(std::launch::async, [&] {
            std::vector<HostAddress> out;
            return lookups.Lookup("shared.example", out, deadline, nullptr);
        }));
    }
    release.set_value();
    for (auto& asker : askers) {
        EXPECT_EQ(asker.get(), LookupResult::Found);
    }
    EXPECT_EQ(calls.load(), 1);
}

TEST(FailureMarker, OnlyTheWholeMarkerCounts) {
    for (const char* marker :
         {kMarkerInvalidSocket, kMarkerSocketErr, kMarkerInvalidAddr, kMarkerConnect, kMarkerSend,
          kMarkerSend2, kMarkerRecv, kMarkerTimeout, kMarkerAddressRefused, kMarkerRateLimited}) {
        EXPECT_TRUE(IsFailureMarker(marker)) << marker;
        EXPECT_FALSE(IsFailureMarker(std::string(marker) + "\r\n")) << marker;
        EXPECT_FALSE(IsFailureMarker(std::string("x") + marker)) << marker;
    }
    EXPECT_FALSE(IsFailureMarker(""));
    EXPECT_FALSE(IsFailureMarker("Err_"));
    EXPECT_FALSE(IsFailureMarker("Error codes: Err_Recv means ..."));
    // Only a time-out carries text.
    const std::string cut = CutOffAnswer("Domain Name: A.EXAMPLE\r\n");
    EXPECT_TRUE(IsFailureMarker(cut));
    EXPECT_EQ(FailReasonForMarker(cut), FailReason::TimedOut);
    EXPECT_FALSE(IsFailureMarker(std::string(kMarkerRecv) + '\0' + "text"));
    EXPECT_EQ(CutOffText(std::string(kMarkerRecv) + '\0' + "text"), "");
    EXPECT_EQ(CutOffText(kMarkerTimeout), "");
}

struct ConnectToCase {
    const char* name;
    const char* text;
    bool ok;
    std::vector<ConnectOverride> expected;
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const ConnectToCase& c, std::ostream* os) {
    *os << c.name;
}

const ConnectToCase kConnectToCases[] = {
    {"empty", "", true, {}},
    {"one", "whois.a=127.0.0.1:4343", true, {{"whois.a", "127.0.0.1", 4343}}},
    {"two",
     "whois.a=127.0.0.1:1,whois.b=10.0.0.2:65535",
     true,
     {{"whois.a", "127.0.0.1", 1}, {"whois.b", "10.0.0.2", 65535}}},
    {"ipv6InBrackets",
     "whois.a=[::1]:4343,whois.b=127.0.0.1:43",
     true,
     {{"whois.a", "::1", 4343}, {"whois.b", "127.0.0.1", 43}}},
    {"ipv6WithoutBrackets", "whois.a=::1:43", false, {}},
    {"badIpv6", "whois.a=[::g]:43", false, {}},
    {"emptyBrackets", "whois.a=[]:43", false, {}},
    {"ipv4InBrackets", "whois.a=[127.0.0.1]:43", false, {}},
    {"blanksAndEmptyEntries",
     " whois.a = 127.0.0.1 : 43 ,, ",
     true,
     {{"whois.a", "127.0.0.1", 43}}},
    {"noEquals", "whois.a127.0.0.1:43", false, {}},
    {"noPort", "whois.a=127.0.0.1", false, {}},
    {"portZero", "whois.a=127.0.0.1:0", false, {}},
    {"portTooBig", "whois.a=127.0.0.1:65536", false, {}},
    {"portNotNumber", "whois.a=127.0.0.1:4x", false, {}},
    {"addressIsName", "whois.a=localhost:43", false, {}},
    {"emptyHost", "=127.0.0.1:43", false, {}},
    {"badSecondEntry", "whois.a=127.0.0.1:43,whois.b=", false, {}},
};

class ConnectTo : public testing::TestWithParam<ConnectToCase> {};

TEST_P(ConnectTo, Parses) {
    const ConnectToCase& c = GetParam();
    std::vector<ConnectOverride> out{{"stale", "1.2.3.4", 5}};
    std::string error;
    EXPECT_EQ(ParseConnectTo(c.text, out, &error), c.ok);
    if (c.ok) {
        EXPECT_EQ(out, c.expected);
    } else {
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(out.size(), 1u) << "a refused list leaves the output alone";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ConnectTo, testing::ValuesIn(kConnectToCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectToEnvironment, KeepsGoodEntriesAndSkipsBadOnes) {
    ::setenv("ZENTRIX_CONNECT_TO", "whois.a=127.0.0.1:4343,broken,whois.b=127.0.0.2:43", 1);
    const auto overrides = ConnectToFromEnvironment();
    ::unsetenv("ZENTRIX_CONNECT_TO");
    ASSERT_EQ(overrides.size(), 2u);
    EXPECT_EQ(overrides[0], (ConnectOverride{"whois.a", "127.0.0.1", 4343}));
    EXPECT_EQ(overrides[1], (ConnectOverride{"whois.b", "127.0.0.2", 43}));
    EXPECT_TRUE(ConnectToFromEnvironment().empty());
}

} // namespace
